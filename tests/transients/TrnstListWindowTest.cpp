// The list editor window offscreen, driven by its controls' names: new
// points, Read and Write against the virtual source, and ".TRL" files.
#include "link/LinkConversation.h"

#include "transients/PointListFile.h"
#include "transients/PointTable.h"
#include "transients/frmTrnstList.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class TrnstListWindow : public LinkConversation {
protected:
    void open() {
        window = std::make_unique<frmTrnstList>(program());
        window->show();
        grid = window->findChild<QTableWidget*>(QStringLiteral("grdList"));
        ASSERT_NE(grid, nullptr);
    }
    void trigger(const char* action) {
        QAction* a = window->findChild<QAction*>(QLatin1String(action));
        ASSERT_NE(a, nullptr) << action;
        a->trigger();
    }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    }

    std::unique_ptr<frmTrnstList> window;
    QTableWidget* grid = nullptr;
};

TEST_P(TrnstListWindow, InsertShowsTheNewRowDefaultsWithThePresentFrequency) {
    const struct {
        QChar separator;
        float frequency;
        const char* shown;
        const char* stored;
    } cases[] = {{QLatin1Char('.'), 400.0f, "400.0", "400.0"},
                 {QLatin1Char(','), 50.5f, "50,5", "50.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        program().decimalSeparator = c.separator;
        program().outputState.Frequency = c.frequency;
        open();
        if (HasFatalFailure()) return;
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Transient Control"));
        ASSERT_EQ(grid->columnCount(), kPointColumns);
        EXPECT_EQ(grid->horizontalHeaderItem(ColAcqTrig)->text(), QStringLiteral("Acq Trig"));
        trigger("mnuEInsert");
        const QStringList expected{"1",   c.shown,    "Max", "0",   "Max",      "sinusoid", "0",
                                   "Max", "sinusoid", "0",   "Max", "sinusoid", "0",        "1"};
        for (int col = 0; col < kPointColumns; ++col)
            EXPECT_EQ(cell(0, col), expected[col]) << PointColumnHeading(col).toStdString();
        // A second point goes in above the first; the table holds "." numbers.
        grid->item(0, ColDwell)->setText(QStringLiteral("2") + c.separator + QStringLiteral("5"));
        trigger("mnuEInsert");
        EXPECT_EQ(cell(1, ColDwell), QStringLiteral("2") + c.separator + QStringLiteral("5"));
        const PointTable t = window->table();
        EXPECT_EQ(t.columns[ColDwell], (QStringList{"1", "2.5"}));
        EXPECT_EQ(t.columns[ColFreq], (QStringList{c.stored, c.stored}));
        trigger("mnuEDelete");
        EXPECT_EQ(window->table().columns[ColDwell], QStringList{"2.5"});
    }
}

TEST_P(TrnstListWindow, ReadShowsMaxAndSaysWhenTheSourceHoldsMoreThanAListCan) {
    start({QStringLiteral("--model"), QStringLiteral("3"), QStringLiteral("--list-capacity"),
           QStringLiteral("150")});
    ASSERT_EQ(identify(), 3);
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("list:dwell 1,0.5"));
    link.Send(0, QStringLiteral("inst:nsel 1;:list:volt 0,115"));
    link.Send(0, QStringLiteral("list:volt:slew max,20"));
    ASSERT_EQ(link.CheckError(), QString());
    open();
    if (HasFatalFailure()) return;
    trigger("mnuTRead");
    EXPECT_EQ(cell(0, ColSlewA), QStringLiteral("max"));
    EXPECT_EQ(cell(1, ColVoltA), QStringLiteral("115.0"));
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();

    // Written again from the grid, the word goes out as read.
    for (QCheckBox* box : window->findChildren<QCheckBox*>(QStringLiteral("chkSelect")))
        if (box->property("index").toInt() == SelectVoltA) box->setChecked(true);
    for (int row = 0; row < 2; ++row) {
        grid->setItem(row, ColFunctionA, new QTableWidgetItem(QStringLiteral("sinusoid")));
        grid->setItem(row, ColListRepeat, new QTableWidgetItem(QStringLiteral("0")));
    }
    const qsizetype mark = received().size();
    trigger("mnuTWrite");
    EXPECT_TRUE(receivedSince(mark).contains(QStringLiteral("list:volt:slew max,20.0000")))
        << receivedSince(mark).join('\n').toStdString();
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();

    QStringList dwells;
    for (int i = 0; i < 150; ++i)
        dwells << QStringLiteral("0.01");
    link.Send(0, QStringLiteral("list:dwell ") + dwells.join(QLatin1Char(',')));
    trigger("mnuTRead");
    EXPECT_EQ(window->table().columns[ColDwell].size(), kMaxListPoints);
    EXPECT_EQ(prompt().messages(),
              QStringList{"The source holds more than 100 points in Dwell (150 points); the first "
                          "100 are shown."});
}

TEST_P(TrnstListWindow, ListFilesSaveAndOpenThroughTheWindow) {
    open();
    if (HasFatalFailure()) return;
    PointTable t;
    t.comment = QStringLiteral("three points");
    t.listCount = 4;
    t.select[SelectFreq] = true;
    t.select[SelectVoltA] = true;
    t.once = true;
    t.triggerSource = PointTriggerExternal;
    t.columns[ColDwell] = {"0.5", "0.25", "1"};
    t.columns[ColFreq] = {"400.0", "60", "400.0"};
    t.columns[ColFreqSlew] = {"max", "max", "max"};
    t.columns[ColVoltA] = {"115", "0"};
    t.columns[ColListRepeat] = {"0", "2", "0"};
    window->showTable(t);

    const QString path = tempPath(QStringLiteral("points"));
    prompt().chooseFile(path);
    trigger("mnuFSaveAs");
    const QString saved = path + QStringLiteral(".trl");
    EXPECT_EQ(window->fileName(), saved);
    QString error;
    const std::optional<PointTable> read = ReadPointListFile(saved, error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->columns, t.columns);
    EXPECT_EQ(read->listCount, 4);
    EXPECT_TRUE(read->once);

    prompt().answer(PromptAnswer::Yes);
    trigger("mnuFNew");
    EXPECT_TRUE(window->table().columns[ColDwell].isEmpty());
    prompt().chooseFile(saved);
    trigger("mnuFOpen");
    EXPECT_EQ(cell(1, ColDwell), QStringLiteral("0.25"));
    EXPECT_EQ(cell(2, ColVoltA), QString());
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("txtRepeat"))->text(),
              QStringLiteral("4"));
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("txtComment"))->text(), t.comment);
    EXPECT_TRUE(window->findChild<QRadioButton*>(QStringLiteral("optOnce"))->isChecked());
    EXPECT_EQ(window->table().columns, t.columns);

    // A damaged file changes nothing in the window.
    const QString damaged = tempPath(QStringLiteral("damaged.trl"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("comment\n1,x\n");
    f.close();
    prompt().chooseFile(damaged);
    trigger("mnuFOpen");
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages().first().contains(QStringLiteral("damaged.trl")));
    EXPECT_EQ(window->table().columns, t.columns);
    EXPECT_EQ(window->fileName(), saved);

    // The report names the file and holds every point.
    const QString pdf = tempPath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    window->printTo(&printer);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!text.waitForFinished(10000)) GTEST_SKIP() << "pdftotext is not installed";
    // The PDF's text may hold the "fi" ligature.
    const QString report = QString::fromUtf8(text.readAllStandardOutput())
                               .replace(QChar(0xFB01), QStringLiteral("fi"));
    for (const QString& want :
         {QStringLiteral(" Transient List Control"), QStringLiteral("Printed on: "),
          QStringLiteral("List file = ") + saved, QStringLiteral("Transient List Data"),
          QStringLiteral("Acq Trig"), QStringLiteral("0.25"), QStringLiteral("three points")})
        EXPECT_TRUE(report.contains(want)) << want.toStdString() << "\n" << report.toStdString();
    // Fourteen headings fit the page without running together.
    EXPECT_TRUE(report.contains(QRegularExpression(QStringLiteral("Function\\s+Volt\\(B\\)"))))
        << report.toStdString();
}

TEST_P(TrnstListWindow, StartRunsUntilStopAndEveryWayOutEnablesStartAgain) {
    start({QStringLiteral("--model"), QStringLiteral("3")});
    ASSERT_EQ(identify(), 3);
    open();
    if (HasFatalFailure()) return;
    auto* cmdStart = window->findChild<QPushButton*>(QStringLiteral("cmdStart"));
    auto* cmdStop = window->findChild<QPushButton*>(QStringLiteral("cmdStop"));
    auto* output = window->findChild<QLabel*>(QStringLiteral("lblOutput"));
    int refills = 0;
    window->setAfterRun([&] { ++refills; });
    EXPECT_FALSE(cmdStop->isEnabled());

    // Nothing selected: refused, nothing sent, Start stays.
    trigger("mnuEInsert");
    qsizetype mark = received().size();
    cmdStart->click();
    EXPECT_EQ(prompt().messages(),
              QStringList{"None of the available list systems\r\nis selected. Nothing do to."});
    EXPECT_TRUE(receivedSince(mark).isEmpty());
    EXPECT_TRUE(cmdStart->isEnabled());

    PointTable t = window->table();
    t.select[SelectVoltA] = true;
    t.columns[ColDwell] = {QStringLiteral("10")};
    window->showTable(t);

    // A count or angle that is no number never reads as 0 or 1.
    const struct {
        const char* box;
        const char* text;
        const char* message;
    } bad[] = {
        {"txtRepeat", "", "Repeat: \"\" is not a list count from 1 to 65535.\r\nRun aborted."},
        {"txtPhaseAngle", "abc",
         "Start at: \"abc\" is not a phase angle from 0 to 360.\r\nRun aborted."}};
    window->findChildren<QRadioButton*>(QStringLiteral("optPhaseAngle")).first()->setChecked(true);
    for (const auto& b : bad) {
        auto* box = window->findChild<QLineEdit*>(QLatin1String(b.box));
        const QString before = box->text();
        box->setText(QLatin1String(b.text));
        prompt().clear();
        cmdStart->click();
        EXPECT_EQ(prompt().messages(), QStringList{QLatin1String(b.message)});
        EXPECT_TRUE(receivedSince(mark).isEmpty());
        box->setText(before);
    }
    window->findChildren<QRadioButton*>(QStringLiteral("optPhaseAngle")).last()->setChecked(true);
    program().outputState.OutputOn = 0;
    bool stopWasLive = false;
    QTimer::singleShot(1200, [&] {
        stopWasLive = cmdStop->isEnabled() && !cmdStart->isEnabled();
        cmdStop->click();
    });
    mark = received().size();
    cmdStart->click();
    EXPECT_TRUE(stopWasLive);
    EXPECT_TRUE(cmdStart->isEnabled());
    EXPECT_FALSE(cmdStop->isEnabled());
    EXPECT_TRUE(output->isEnabled()); // the relay is closed
    EXPECT_GE(refills, 1);
    EXPECT_EQ(window->statusBar()->findChild<QLabel*>()->text(),
              QStringLiteral("Transient Execution aborted by operator"));
    EXPECT_TRUE(receivedSince(mark).contains(QStringLiteral("abort")));
}

INSTANTIATE_TEST_SUITE_P(Transports, TrnstListWindow, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
