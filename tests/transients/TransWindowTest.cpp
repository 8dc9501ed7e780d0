// The transient list window driven by its controls, offscreen: headings and
// type lists per mode, row editing, ".tls" files and the table kept between
// sessions, and runs against the virtual source.
#include "link/LinkConversation.h"

#include "../app/MainWindowFixture.h"

#include "link/Readback.h"
#include "measure/frmMeas.h"
#include "transients/TransientListFile.h"
#include "transients/TransientWindows.h"
#include "transients/frmTrans.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kCloseRefused = QStringLiteral(
    "Transient execution in progress. Cannot close\r\ntransient window as requested. Abort "
    "transient\r\nin progress first.");

// The window over a fresh program object, driven like an operator.
class TransWindow {
public:
    explicit TransWindow(Program& program) : window(std::make_unique<frmTrans>(program)) {}

    template <class W> W* control(const char* name, int index = -1) const {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name << " " << index;
        return nullptr;
    }
    QTableWidget* grid() const { return control<QTableWidget>("grdRegs"); }
    QComboBox* typeBox(int row) const {
        return qobject_cast<QComboBox*>(grid()->cellWidget(row, 1));
    }
    void setType(int row, const QString& type) {
        QComboBox* box = typeBox(row);
        box->setCurrentIndex(box->findText(type));
    }
    // Cells typed as the operator sees them: columns 2 to 7 of the grid.
    void setRow(int row, const QString& type, const QStringList& cells) {
        setType(row, type);
        for (int c = 0; c < cells.size(); ++c)
            grid()->item(row, c + 2)->setText(cells[c]);
    }
    QString cell(int row, int column) const {
        if (column == 1) return typeBox(row)->currentText();
        return grid()->item(row, column)->text();
    }
    QStringList headings() const {
        QStringList h;
        for (int c = 0; c < grid()->columnCount(); ++c)
            h << grid()->horizontalHeaderItem(c)->text();
        return h;
    }
    void type(const char* box, const QString& text) {
        QLineEdit* e = control<QLineEdit>(box);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void trigger(const char* entry) { control<QAction>(entry)->trigger(); }

    std::unique_ptr<frmTrans> window;
};

class TransWindowTest : public ::testing::Test, public ProgramFixture {};

struct HeadingCase {
    int mode;
    bool absolute;
    bool cycles;
    int types;
    QStringList headings;
};

TEST_F(TransWindowTest, HeadingsAndTypeListsFollowTheModeTheDataModeAndCycles) {
    const HeadingCase cases[] = {
        {ModeAC,
         false,
         false,
         11,
         {"No.", "Type", "Time (s)", "Volt (%)", "Freq. (%)", "Repeat", "Waveform", "Strt Phs"}},
        {ModeACDC,
         true,
         true,
         11,
         {"No.", "Type", "Cycles", "Voltage", "Freq.", "Repeat", "Waveform", "Strt Phs"}},
        {ModeDC,
         true,
         false,
         6,
         {"No.", "Type", "Time (s)", "Voltage", "Freq.", "Repeat", "Waveform", "Break"}},
    };
    for (const HeadingCase& c : cases) {
        SCOPED_TRACE(c.mode);
        program().outputState.OutputMode = c.mode;
        TransWindow w(program());
        if (c.absolute)
            QTest::mouseClick(w.control<QRadioButton>("optData", 1), Qt::LeftButton, {},
                              QPoint(6, 6));
        w.control<QCheckBox>("chkCycles")->setChecked(c.cycles);
        EXPECT_EQ(w.headings(), c.headings);
        EXPECT_EQ(w.typeBox(0)->count(), c.types);
        EXPECT_EQ(w.typeBox(99)->count(), c.types);
        EXPECT_EQ(w.typeBox(0)->itemText(c.types - 1), "Delay");
    }
}

TEST_F(TransWindowTest, ATypeTheDcListLacksIsKeptNotLost) {
    program().outputState.OutputMode = ModeDC;
    StepTable t;
    t.rows.push_back({"F Step", "0.5", "", "50", "", "", ""});
    TransWindow w(program());
    w.window->showTable(t);
    EXPECT_EQ(w.cell(0, 1), "F Step");
    EXPECT_EQ(w.window->table().rows.at(0)[ColType], "F Step");
}

TEST_F(TransWindowTest, InsertAndDeleteShiftTheRowsUnderTheirNumbers) {
    TransWindow w(program());
    w.setRow(0, "V Step", {"1"});
    w.setRow(1, "V Drop", {"2"});
    w.setRow(2, "Delay", {"3"});
    w.grid()->setCurrentCell(1, 3);
    w.trigger("mnuEInsert");
    EXPECT_EQ(w.cell(1, 1), "");
    EXPECT_EQ(w.cell(1, 2), "");
    EXPECT_EQ(w.cell(2, 1), "V Drop");
    EXPECT_EQ(w.cell(3, 2), "3");
    for (int r : {0, 1, 2, 3, 99})
        EXPECT_EQ(w.cell(r, 0), QString::number(r + 1));

    w.grid()->setCurrentCell(0, 2);
    w.trigger("mnuEDelete");
    w.trigger("mnuEDelete");
    EXPECT_EQ(w.cell(0, 1), "V Drop");
    EXPECT_EQ(w.cell(1, 1), "Delay");
    EXPECT_EQ(w.window->table().rows.size(), 2u);

    // A full last row is never pushed out of the table.
    w.setRow(99, "Delay", {"9"});
    w.trigger("mnuEInsert");
    EXPECT_EQ(w.cell(99, 2), "9");
    EXPECT_EQ(w.cell(0, 1), "V Drop");
    ASSERT_EQ(prompt().messages().size(), 1);
}

TEST_F(TransWindowTest, ATableSavedAndOpenedComesBackAsItWasTyped) {
    // Cells are shown with the locale's separator and stored with ".".
    program().decimalSeparator = QLatin1Char(',');
    const QString folder = tempPath("my.dir");
    QDir().mkpath(folder);
    {
        TransWindow w(program());
        w.type("txtVnom", "115,0");
        w.type("txtFnom", "400,0");
        w.control<QCheckBox>("chkSteady")->setChecked(true);
        w.control<QCheckBox>("chkPhase", 1)->setChecked(false);
        w.type("txtMode", "3");
        w.type("txtComment", "dips at 400 Hz");
        w.setRow(0, "V Drop", {"0,05", "", "", "2"});
        w.setRow(1, "F Sweep", {"1,5", "", "110", "", "squ"});
        prompt().chooseFile(folder + "/table");
        w.trigger("mnuFAs");
        EXPECT_EQ(w.control<QLabel>("lblGrid")->text(), "T&ransient List: table.tls");
    }
    const QString path = folder + "/table.tls";
    const TransientListRead read = ReadTransientList(path);
    ASSERT_TRUE(read.table) << read.error.toStdString();
    EXPECT_EQ(read.table->vnomText, "115.0");
    EXPECT_EQ(read.table->rows.at(0)[ColTime], "0.05");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines.at(1).trimmed(), "-1,\"115.0\",\"400.0\"");
    EXPECT_EQ(lines.at(3).trimmed(), "11"); // steady state, A and C

    TransWindow w(program());
    prompt().answer(PromptAnswer::Yes);
    w.trigger("mnuFNew");
    EXPECT_EQ(w.cell(0, 1), "");
    EXPECT_EQ(w.control<QLabel>("lblGrid")->text(), "T&ransient List: <NEW>");
    prompt().chooseFile(path);
    w.trigger("mnuFOpen");
    EXPECT_TRUE(w.control<QRadioButton>("optData", 0)->isChecked());
    EXPECT_EQ(w.control<QLineEdit>("txtVnom")->text(), "115,0");
    EXPECT_EQ(w.control<QLineEdit>("txtFnom")->text(), "400,0");
    EXPECT_TRUE(w.control<QCheckBox>("chkSteady")->isChecked());
    EXPECT_FALSE(w.control<QCheckBox>("chkPhase", 1)->isChecked());
    EXPECT_EQ(w.control<QLineEdit>("txtMode")->text(), "3");
    EXPECT_EQ(w.control<QLineEdit>("txtComment")->text(), "dips at 400 Hz");
    EXPECT_EQ(w.cell(0, 2), "0,05");
    EXPECT_EQ(w.cell(1, 1), "F Sweep");
    EXPECT_EQ(w.cell(1, 6), "squ");
    EXPECT_EQ(w.headings().at(3), "Volt (%)");

    // Saving over it asks first; "No" leaves the file as it was.
    w.setRow(2, "Delay", {"1"});
    prompt().chooseFile(path);
    prompt().answer(PromptAnswer::No);
    w.trigger("mnuFAs");
    EXPECT_EQ(prompt().questions().last(),
              "File specified already exists. Do you want to \r\noverwrite this file?");
    EXPECT_EQ(ReadTransientList(path).table->rows.size(), 2u);
}

TEST_F(TransWindowTest, ADamagedFileChangesNothingAndIsNamed) {
    const QString path = tempPath("bad.tls");
    // A whole file but for a time-in-cycles flag that is no number.
    QStringList records = TransientListRecords(StepTable{});
    records[2] = "yes";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(records.join("\r\n").toLatin1());
    file.close();
    TransWindow w(program());
    w.setRow(0, "V Step", {"1", "50"});
    prompt().chooseFile(path);
    w.trigger("mnuFOpen");
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith("bad.tls, line 3"))
        << prompt().messages()[0].toStdString();
    EXPECT_EQ(w.cell(0, 1), "V Step");
    EXPECT_EQ(w.control<QLabel>("lblGrid")->text(), "T&ransient List: <NEW>");
}

TEST_F(TransWindowTest, TheTableIsKeptBetweenSessionsAndADamagedCopyOpensEmpty) {
    {
        TransWindow w(program());
        w.setRow(0, "V Srg/Sag", {"0.2", "80"});
        QTest::mouseClick(w.control<QRadioButton>("optMode", 1), Qt::LeftButton, {}, QPoint(6, 6));
        w.window->close();
    }
    {
        TransWindow w(program());
        EXPECT_EQ(w.cell(0, 1), "V Srg/Sag");
        EXPECT_EQ(w.cell(0, 3), "80");
        EXPECT_TRUE(w.control<QRadioButton>("optMode", 1)->isChecked());
        EXPECT_TRUE(prompt().messages().isEmpty());
    }
    QFile file(frmTrans::autoSavePath(program()));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\"Nonsense\",\"1\",\"\",\"\",\"\",\"\",\"\"\r\n");
    file.close();
    TransWindow w(program());
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].contains("ostrel.dtl, line 15"))
        << prompt().messages()[0].toStdString();
    EXPECT_EQ(w.cell(0, 1), "");
    EXPECT_TRUE(w.control<QRadioButton>("optMode", 0)->isChecked());
}

TEST_F(TransWindowTest, ARefusedRunLeavesTheWindowReadyAgain) {
    TransWindow w(program());
    w.setRow(0, "Empty", {});
    w.setRow(1, "V Step", {"1", "50"});
    w.control<QPushButton>("cmdStart")->click();
    EXPECT_EQ(prompt().messages(), QStringList{"First list data point is empty. Nothing to do."});
    EXPECT_TRUE(w.control<QPushButton>("cmdStart")->isEnabled());
    EXPECT_FALSE(w.control<QPushButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(w.grid()->isEnabled());
    EXPECT_TRUE(w.control<QLineEdit>("txtVnom")->isEnabled());
}

struct ReportCase {
    int mode;
    bool absolute;
    const char* line;
};

TEST_F(TransWindowTest, TheReportNamesTheDataMode) {
    const ReportCase cases[] = {
        {ModeAC, false, "Data entry mode: Relative Vnom = 115.0, Fnom = 400.0"},
        {ModeAC, true, "Data entry mode: Absolute"},
        {ModeDC, true, "Data entry mode: Absolute DC"},
    };
    for (const ReportCase& c : cases) {
        program().outputState.OutputMode = c.mode;
        TransWindow w(program());
        w.type("txtVnom", "115");
        w.type("txtFnom", "400");
        w.type("txtComment", "bench 3");
        w.control<QRadioButton>("optData", c.absolute ? 1 : 0)->setChecked(true);
        const QStringList header = w.window->reportHeader();
        ASSERT_EQ(header.size(), 4);
        EXPECT_EQ(header[0], program().messageTitle + " Transient List Report");
        EXPECT_TRUE(header[1].startsWith("Printed on: "));
        EXPECT_EQ(header[2], c.line);
        EXPECT_EQ(header[3], "Comment: bench 3");
    }
}

TEST_F(TransWindowTest, ThePrintedReportHoldsEveryRow) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    TransWindow w(program());
    w.type("txtComment", "bench 3");
    for (int r = 0; r < 60; ++r)
        w.setRow(r, r % 2 ? "V Drop" : "V Step", {QString::number(r + 1), "50"});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(tempPath("report.pdf"));
    w.window->printTo(printer);
    QProcess text;
    text.start(pdftotext, {"-layout", tempPath("report.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(10000));
    const QString report = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(report.contains("Transient List Report"));
    EXPECT_TRUE(report.contains("Comment: bench 3"));
    EXPECT_TRUE(report.contains("Volt (%)"));
    // The rows run on to a second page, none left out.
    EXPECT_TRUE(report.contains("Page 2"));
    EXPECT_TRUE(report.contains(QRegularExpression("\\b60\\s+V Drop\\s+60\\b")))
        << report.toStdString();
}

// Runs against the virtual source: the points it played, Stop and close.
class TransWindowRun : public LinkConversation {
protected:
    void startSource(int model) {
        start({"--model", QString::number(model), "--timeline", timelinePath});
        if (HasFatalFailure()) return;
        const int index = identify();
        ASSERT_EQ(index, model);
        ASSERT_FALSE(ReadBackState(program(), index));
    }
    std::vector<QJsonObject> timeline(const QString& kind) const {
        std::vector<QJsonObject> events;
        QFile file(timelinePath);
        if (!file.open(QIODevice::ReadOnly)) return events;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(line).object();
            if (e.value("event").toString() == kind) events.push_back(e);
        }
        return events;
    }
    QString timelinePath = tempPath("timeline.jsonl");
};

TEST_P(TransWindowRun, StartPlaysTheTablePointByPoint) {
    startSource(0);
    if (HasFatalFailure()) return;
    // Typed with the locale's separator, run with ".".
    program().decimalSeparator = QLatin1Char(',');
    TransWindow w(program());
    QTest::mouseClick(w.control<QRadioButton>("optData", 1), Qt::LeftButton, {}, QPoint(6, 6));
    w.setRow(0, "V Step", {"0,2", "100"});
    w.setRow(1, "V Drop", {"0,05"});
    w.setRow(2, "Delay", {"0,1"});
    prompt().answer(PromptAnswer::Yes); // the relay closes
    w.control<QPushButton>("cmdStart")->click();
    EXPECT_EQ(prompt().questions().size(), 1);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();
    EXPECT_TRUE(w.control<QPushButton>("cmdStart")->isEnabled());
    EXPECT_TRUE(w.grid()->isEnabled());

    const auto points = timeline("point");
    const double dwell[] = {0.2, 0.05, program().sourceModel.MinimumDwell, 0.1};
    ASSERT_EQ(points.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(points[i].value("index").toInt(), int(i));
        EXPECT_NEAR(points[i].value("dwell").toDouble(), dwell[i], 1e-6) << i;
    }
    // Each point's level as the table says: the step, 0 V, back, held.
    std::vector<double> levels;
    const double pointStart[] = {points[0].value("t").toDouble(), points[1].value("t").toDouble(),
                                 points[2].value("t").toDouble(), points[3].value("t").toDouble()};
    for (const QJsonObject& o : timeline("output"))
        for (size_t i = 0; i < 4; ++i)
            if (std::abs(o.value("t").toDouble() - pointStart[i]) < 1e-9)
                levels.push_back(o.value("vac").toDouble());
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_DOUBLE_EQ(levels[0], 100.0);
    EXPECT_DOUBLE_EQ(levels[1], 0.0);
    EXPECT_DOUBLE_EQ(levels[2], 100.0);
    EXPECT_DOUBLE_EQ(levels[3], 100.0);
    EXPECT_EQ(timeline("complete").size(), 1u);
}

TEST_P(TransWindowRun, CloseIsRefusedWhileRunningAndStopEndsTheRun) {
    startSource(0);
    if (HasFatalFailure()) return;
    program().link.Send(0, "outp 1");
    program().outputState.OutputOn = 1;
    TransWindow w(program());
    w.window->show();
    QTest::mouseClick(w.control<QRadioButton>("optData", 1), Qt::LeftButton, {}, QPoint(6, 6));
    w.setRow(0, "V Step", {"30", "100"});
    w.control<QCheckBox>("chkBanner")->setChecked(true);
    bool lockedWhileRunning = false;
    QTimer::singleShot(400, w.window.get(), [&] {
        lockedWhileRunning = !w.grid()->isEnabled() &&
                             !w.control<QPushButton>("cmdStart")->isEnabled() &&
                             w.control<QPushButton>("cmdStop")->isEnabled();
        EXPECT_FALSE(w.window->close());
        EXPECT_TRUE(w.window->isVisible());
        w.control<QPushButton>("cmdStop")->click();
    });
    QElapsedTimer clock;
    clock.start();
    w.control<QPushButton>("cmdStart")->click();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_EQ(prompt().messages(),
              (QStringList{kCloseRefused, "Transient Execution aborted by operator"}));
    EXPECT_TRUE(w.control<QPushButton>("cmdStart")->isEnabled());
    EXPECT_FALSE(w.control<QPushButton>("cmdStop")->isEnabled());
    EXPECT_TRUE(w.grid()->isEnabled());
    EXPECT_EQ(timeline("abort").size(), 1u);
    EXPECT_TRUE(w.window->close());
}

TEST_P(TransWindowRun, ClosingTheProgramStopsTheRunAndThenTheWindow) {
    startSource(0);
    if (HasFatalFailure()) return;
    program().link.Send(0, "outp 1");
    program().outputState.OutputOn = 1;
    QWidget mainWindow;
    mainWindow.show();
    TransWindow w(program());
    w.window->watchForShutdown(&mainWindow);
    w.window->show();
    QTest::mouseClick(w.control<QRadioButton>("optData", 1), Qt::LeftButton, {}, QPoint(6, 6));
    w.setRow(0, "V Step", {"30", "100"});
    bool refusedWhileRunning = false;
    QTimer::singleShot(400, &mainWindow, [&] {
        mainWindow.close();
        // As the main window closes every window it opened.
        refusedWhileRunning = !w.window->close();
    });
    w.control<QPushButton>("cmdStart")->click();
    EXPECT_TRUE(refusedWhileRunning);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();
    EXPECT_EQ(timeline("abort").size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 2000));
    EXPECT_TRUE(QFile::exists(frmTrans::autoSavePath(program())));
}

TEST_P(TransWindowRun, AMonitoredRunOpensTheMeasurementWindowAndReadsIt) {
    startSource(0);
    if (HasFatalFailure()) return;
    program().link.Send(0, "outp 1");
    program().outputState.OutputOn = 1;
    TransWindow w(program());
    std::unique_ptr<frmMeas> meas;
    w.window->setMonitorWindow([&]() -> QWidget* {
        if (!meas) meas = std::make_unique<frmMeas>(program(), program().measurements);
        meas->show();
        return meas.get();
    });
    QTest::mouseClick(w.control<QRadioButton>("optData", 1), Qt::LeftButton, {}, QPoint(6, 6));
    w.setRow(0, "V Step", {"0.3", "100"});
    w.setRow(1, "V Step", {"1.2", "90"});
    w.control<QCheckBox>("chkMonitor")->setChecked(true);
    w.type("txtTrigger", "2");
    const qsizetype mark = received().size();
    w.control<QPushButton>("cmdStart")->click();
    ASSERT_NE(meas, nullptr);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();
    // Armed before the segment and fired by the second step's trigger-out.
    EXPECT_EQ(timeline("acquire").size(), 1u);
    const QStringList lines = receivedSince(mark);
    EXPECT_TRUE(lines.contains(":list:ttlt 0,1")) << lines.join('\n').toStdString();
    // The window read the meter during the run and after the restore, one
    // cycle at a time: never its repeat loop inside the run.
    const qsizetype readings = std::count_if(lines.begin(), lines.end(), [](const QString& l) {
        return l.contains("fetc:volt:ac?") || l.contains("meas:volt:ac?");
    });
    EXPECT_GE(readings, 2) << lines.join('\n').toStdString();
    EXPECT_FALSE(meas->running());
}

TEST_F(MainWindowTest, SourceTransientsOpensOneTransientListWindow) {
    startSimulated(4);
    RegisterTransientWindows(*window, program());
    QAction* entry = window->action("mnuSTrans");
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    QWidget* first = topLevel("frmTrans");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Transient List");
    entry->trigger();
    EXPECT_EQ(window->windows().find("mnuSTrans"), first);
    first->close();
}

INSTANTIATE_TEST_SUITE_P(Lan, TransWindowRun, ::testing::Values(int(BusLan)));

} // namespace
