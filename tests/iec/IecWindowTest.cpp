// frmIEC411Test offscreen, driven by its controls' names: open, edit, the
// user-limit warning, closing with changes, a scripted run to "PASS" against
// the virtual source, and Abort during a run.
#include "core/Program.h"
#include "app/frmMain.h"
#include "iec/frmIEC411Test.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "support/ProgramFixture.h"
#include "support/TimelineFile.h"
#include "support/VirtualSourceProcess.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);

class IecWindow : public ::testing::Test, public ProgramFixture {
protected:
    void connect() {
        ASSERT_TRUE(source.start({QStringLiteral("--time-scale"), QStringLiteral("200"),
                                  QStringLiteral("--timeline"), timeline, QStringLiteral("--load"),
                                  QStringLiteral("r=100")}));
        auto& link = program().settings.link;
        link.bus = BusLan;
        link.ipAddress = source.host();
        link.socketPort = source.port();
        program().engineClock.timeScale = 200;
        QString message;
        const int index = OpenAndIdentify(program(), message);
        ASSERT_GE(index, 0) << message.toStdString();
        LoadModel(program(), index);
        ReadSourceConfiguration(program(), index);
        program().link.Send(0, QStringLiteral("volt:rang 300;:freq 50"));
        ASSERT_FALSE(ReadBackState(program(), index));
        prompt().clear();
    }
    template <class W> W* find(const QString& name, int index = -1) {
        for (W* w : window->findChildren<W*>(name))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name.toStdString();
        return nullptr;
    }
    void type(int parm, const QString& text) {
        QLineEdit* e = find<QLineEdit>(QStringLiteral("txtParm"), parm);
        e->setText(text);
        emit e->editingFinished();
    }
    QString text(const QString& name) { return find<QLabel>(name)->text(); }

    VirtualSourceProcess source;
    QString timeline = tempPath(QStringLiteral("timeline.jsonl"));
    QPointer<frmIEC411Test> window = new frmIEC411Test(program());
    void TearDown() override { delete window.data(); }
};

} // namespace

TEST_F(IecWindow, OpenEditUserLimitAndCloseWithChanges) {
    window->loadFile(kData + QStringLiteral("/Seq_Test/IEC61000-4-11_Class3_50Hz.411"));
    auto* grid = find<QTableWidget>(QStringLiteral("grdSequence"));
    ASSERT_EQ(grid->rowCount(), 6);
    EXPECT_EQ(grid->item(2, 0)->text(), QStringLiteral("40"));
    EXPECT_EQ(grid->item(2, 1)->text(), QStringLiteral("10.0"));
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Dip to % Unom"));
    EXPECT_TRUE(text(QStringLiteral("lblTestTime")).startsWith(QStringLiteral("Test time = 00:")));
    EXPECT_FALSE(window->changed());

    type(frmIEC411Test::ParmVoltage, QStringLiteral("400")); // above the 300 V user limit
    EXPECT_EQ(prompt().messages().value(0),
              QStringLiteral("WARNING: User Limit violation data entry.\r\n"
                             "Value reset to maximum user limit setting."));
    EXPECT_EQ(find<QLineEdit>(QStringLiteral("txtParm"), frmIEC411Test::ParmVoltage)->text(),
              QStringLiteral("300"));
    type(frmIEC411Test::ParmFrequency, QStringLiteral("abc")); // refused, the old value stays
    EXPECT_EQ(find<QLineEdit>(QStringLiteral("txtParm"), frmIEC411Test::ParmFrequency)->text(),
              QStringLiteral("50.0"));
    type(frmIEC411Test::ParmRepeat, QStringLiteral("5"));
    EXPECT_EQ(grid->item(0, 3)->text(),
              QStringLiteral("5")); // "No. Dips" follows SeqRepeat in every row
    grid->item(0, 0)->setText(QStringLiteral("20"));
    EXPECT_EQ(window->testFile().dips[0].level, 20);
    EXPECT_EQ(window->testFile().voltage, 300);
    EXPECT_TRUE(window->changed());
    auto* variations = find<QTableWidget>(QStringLiteral("grdVariation"));
    variations->item(1, 3)->setText(QStringLiteral("30")); // Ti is one value for both rows
    EXPECT_EQ(variations->item(0, 3)->text(), QStringLiteral("30"));
    EXPECT_EQ(window->testFile().riseTime, 30);
    auto* observation = find<QPlainTextEdit>(QStringLiteral("txtObservation"));
    QTest::mouseDClick(observation->viewport(), Qt::LeftButton);
    EXPECT_TRUE(observation->toPlainText().startsWith(QStringLiteral("Observations:")));

    prompt().answer(PromptAnswer::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompt().questions().value(0),
              QStringLiteral("You made changes to the EN 61000-4-11 test parameters.\r\n"
                             "Would you like to save these changes?"));
}

TEST_F(IecWindow, ScriptedRunEndsWithPassAndAbortStopsARun) {
    connect();
    window->show();
    const QString one = tempPath(QStringLiteral("one.411"));
    QFile f(one);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[IEC-1000-4-11]\nSeqRepeat=3\nSeqDuration=10\nUserPrompt=Delay between "
            "sequences\nSeqNumberDips=2\n"
            "0TestLevel=0\n0CycleTime=1\n0GapDelay=5\n1TestLevel=40\n1CycleTime=10\n1StartPhase="
            "90\n[Nominal]\nVolt_RMS=230\nFrequency=50\n");
    f.close();
    window->loadFile(one);
    prompt().answer(PromptAnswer::Yes); // the verdict
    QImage running;
    QTimer::singleShot(200, window, [&] { running = window->grab().toImage(); });
    find<QPushButton>(QStringLiteral("cmdStart"))->click();
    EXPECT_EQ(text(QStringLiteral("lblResult")), QStringLiteral("PASS"));
    EXPECT_EQ(prompt().questions().value(0),
              QStringLiteral("Is the equipment under test still functional?"));
    EXPECT_EQ(window->lastRun().steps.size(), 2u);
    EXPECT_FALSE(running.isNull());
    if (const QByteArray dir = qgetenv("OSTREL_SCREENSHOTS"); !dir.isEmpty())
        running.save(QString::fromLocal8Bit(dir) + QStringLiteral("/frmIEC411Test.png"));

    // The document report, named automatically, with the run's trend graph.
    ReportSettings& report = program().settings.report;
    report.reportFormat = 2;
    report.fileNamePrompt = 0;
    report.reportFolder = tempPath(QStringLiteral("reports"));
    find<QPushButton>(QStringLiteral("cmdPrint"))->click();
    const QStringList made = QDir(report.reportFolder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(made.size(), 2) << made.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(made[0].startsWith(QStringLiteral("IEC411-")) &&
                made[0].endsWith(QStringLiteral(".docx")));
    EXPECT_TRUE(made[1].endsWith(QStringLiteral(".pdf")));
    EXPECT_GT(window->lastRun().trend.size(), 2u);
    if (const QByteArray dir = qgetenv("OSTREL_SCREENSHOTS"); !dir.isEmpty())
        QFile::copy(report.reportFolder + QLatin1Char('/') + made[1],
                    QString::fromLocal8Bit(dir) + QStringLiteral("/iec-report.pdf"));

    window->loadFile(kData + QStringLiteral("/Seq_Test/IEC61000-4-11_Class2_50Hz.411"));
    QTimer::singleShot(60, window, [&] { find<QPushButton>(QStringLiteral("cmdAbort"))->click(); });
    find<QPushButton>(QStringLiteral("cmdStart"))->click();
    EXPECT_EQ(text(QStringLiteral("lblResult")), QStringLiteral("ABORT"));
    EXPECT_EQ(window->lastRun().endField, QStringLiteral("NONE, User abort"));
    std::vector<QJsonObject> out = TimelineEvents(timeline, QStringLiteral("output"));
    EXPECT_NEAR(out.back().value(QStringLiteral("vac")).toDouble(), 230, 0.01);

    // Closing during a run aborts and restores first; the window goes afterwards.
    const qsizetype aborts = TimelineEvents(timeline, QStringLiteral("abort")).size();
    QTimer::singleShot(60, window, [&] { window->close(); });
    find<QPushButton>(QStringLiteral("cmdStart"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_GT(TimelineEvents(timeline, QStringLiteral("abort")).size(), size_t(aborts));
    out = TimelineEvents(timeline, QStringLiteral("output"));
    EXPECT_NEAR(out.back().value(QStringLiteral("vac")).toDouble(), 230, 0.01);
}

TEST_F(IecWindow, TheApplicationsMenuAndToolbarOpenItOnce) {
    frmMain main(program());
    RegisterIecWindow(main, program());
    QAction* entry = main.action("mnuAIEC411");
    ASSERT_TRUE(entry->isEnabled());
    auto* button = main.findChild<QAction*>(QStringLiteral("tb-iec411"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    button->trigger();
    QWidget* opened = main.windows().find("mnuAIEC411");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->objectName(), QStringLiteral("frmIEC411Test"));
    entry->trigger();
    EXPECT_EQ(main.windows().find("mnuAIEC411"), opened);
}
