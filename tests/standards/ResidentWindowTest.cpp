// The resident option windows driven by their controls' names: what each
// shows, the file it refuses, a run on the virtual source (with a picture
// mid-run when OSTREL_SCREENSHOT_DIR is set), the option's settings read at
// activation, and closing in the middle of a run.
#include "EngineConversation.h"

#include "app/frmMain.h"
#include "reports/DocxPackage.h"
#include "standards/frmResident.h"
#include "standards/frmResidentWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

void screenshot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    window->grab().save(dir + "/" + name + ".png");
}

QCheckBox* testBox(QWidget& window, const QString& name, int index) {
    for (QCheckBox* c : window.findChildren<QCheckBox*>(name))
        if (c->property("index").toInt() == index) return c;
    return nullptr;
}

class ResidentWindow : public EngineConversation {};

} // namespace

TEST_F(ResidentWindow, EachWindowShowsItsOptionsChecksAndChoices) {
    const struct {
        ResidentKind kind;
        QStringList visible;
        int checks;
        bool skip;
        QString lastGroup;
    } cases[] = {
        {ResidentKind::Ms704,
         {"fraNormal", "fraTransients", "fraTransfer", "fraAbnormal", "fraEmergency", "fraPowerFail"}, 32, true, "SXF"},
        {ResidentKind::Mil704, {"fraNormal", "fraTransients", "fraAbnormal", "fraEmergency"}, 18, false, "60Hz"},
        {ResidentKind::Do160, {"fraNormal", "fraAbnormal", "fraEmergency"}, 19, false, "AWF"},
    };
    for (const auto& c : cases) {
        frmResident w(program(), ResidentOptionFor(c.kind));
        w.show();
        QStringList shown;
        for (QGroupBox* box : w.findChildren<QGroupBox*>())
            if (box->isVisible()) shown << box->objectName();
        shown.sort();
        QStringList want = c.visible;
        want.sort();
        EXPECT_EQ(shown, want) << w.objectName().toStdString();
        int checks = 0;
        for (const char* name : {"chkNormal", "chkTransients", "chkTransfer", "chkAbnormal", "chkEmergency", "chkPowerFail"})
            checks += int(w.findChildren<QCheckBox*>(QLatin1String(name)).size());
        EXPECT_EQ(checks, c.checks);
        EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("cmdSkip"))->isVisible(), c.skip);
        EXPECT_EQ(w.findChild<QCheckBox*>(QStringLiteral("chkVarFreqRepeat")) != nullptr, c.skip);
        auto* group = w.findChild<QComboBox*>(QStringLiteral("cmbGroup"));
        EXPECT_EQ(group->itemText(group->count() - 1), c.lastGroup);
        if (c.kind == ResidentKind::Do160) {
            w.resize(900, 520);
            screenshot(&w, QStringLiteral("frmRTCA"));
        }
    }
    // MS704: the power-failure tests sit in their own box; SXF offers 60 Hz only.
    frmResident ms(program(), ResidentOptionFor(ResidentKind::Ms704));
    ASSERT_TRUE(testBox(ms, QStringLiteral("chkPowerFail"), 31));
    ASSERT_TRUE(testBox(ms, QStringLiteral("chkTransfer"), 14));
    auto* group = ms.findChild<QComboBox*>(QStringLiteral("cmbGroup"));
    auto* freq = ms.findChild<QComboBox*>(QStringLiteral("cmbFrequency"));
    group->setCurrentIndex(group->findText(QStringLiteral("SXF")));
    EXPECT_EQ(freq->count(), 1);
    EXPECT_EQ(freq->currentText(), QStringLiteral("60"));
    group->setCurrentIndex(group->findText(QStringLiteral("TVF")));
    EXPECT_EQ(freq->itemText(0), QStringLiteral("360"));
    EXPECT_EQ(freq->itemText(freq->count() - 1), QStringLiteral("800"));
}

TEST_F(ResidentWindow, TheSurgeTestSaysItNeedsTheHighRangeInTheLowRange) {
    for (int high : {0, 1}) {
        program().outputState.HighRange = high;
        frmResident w(program(), ResidentOptionFor(ResidentKind::Do160));
        EXPECT_EQ(testBox(w, QStringLiteral("chkNormal"), 6)->text(),
                  high ? QStringLiteral("Voltage Surge (16.5.3.3.1)")
                       : QStringLiteral("Voltage Surge (16.5.3.3.1) - Requires High V Range"));
    }
}

TEST_F(ResidentWindow, AMil704FileIsRefusedByTheMs704WindowNamingIt) {
    frmResident w(program(), ResidentOptionFor(ResidentKind::Ms704));
    const QString path = tempPath(QStringLiteral("legacy.704"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General Settings]\nTest_Standard=MIL704\n[Normal State test]\nTest00=1\n");
    f.close();
    testBox(w, QStringLiteral("chkNormal"), 3)->setChecked(true);
    EXPECT_FALSE(w.openFile(path));
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith(QStringLiteral("legacy.704: [General Settings] Test_Standard:")));
    EXPECT_TRUE(testBox(w, QStringLiteral("chkNormal"), 3)->isChecked()); // nothing half loaded
}

TEST_F(ResidentWindow, ARunFromTheWindowAndTheOptionSettingsReadAtActivation) {
    connect(4, {QStringLiteral("--resident-seconds"), QStringLiteral("30")});
    frmResident w(program(), ResidentOptionFor(ResidentKind::Ms704));
    w.resize(900, 560);
    w.show();
    program().link.Send(0, QStringLiteral("ms704:gro TAC;:ms704:rev C"));
    w.readOptionSettings();
    EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("cmbGroup"))->currentText(), QStringLiteral("TAC"));
    EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("cmbRevision"))->currentText(), QStringLiteral("C"));
    for (int i : {0, 1, 3})
        testBox(w, QStringLiteral("chkNormal"), i)->setChecked(true);
    bool sawRunning = false;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!w.running() || sawRunning) return;
        const QString status = w.findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
        if (!status.endsWith(QLatin1String("' in progress..."))) return;
        sawRunning = true;
        EXPECT_FALSE(w.findChild<QPushButton*>(QStringLiteral("cmdStart"))->isEnabled());
        EXPECT_TRUE(w.findChild<QPushButton*>(QStringLiteral("cmdAbort"))->isEnabled());
        EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("lblRunState"))->text(), QStringLiteral("RUNNING"));
        screenshot(&w, QStringLiteral("frmMS704"));
        w.findChild<QPushButton*>(QStringLiteral("cmdSkip"))->click();
        w.findChild<QPushButton*>(QStringLiteral("cmdSkip"))->click();
    });
    probe.start();
    w.findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
    probe.stop();
    ASSERT_TRUE(w.lastOutcome());
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(w.lastOutcome()->outcome, RunOutcome::Completed) << w.lastOutcome()->reason.toStdString();
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("lblFNom"))->text(), QStringLiteral("400 Hz"));
    EXPECT_GE(IndexOf(received(), QStringLiteral("ms704:gro TAC")), 0);

    // The report: the word-processor format only; its rows say what ran.
    prompt().clear();
    w.report();
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith(QStringLiteral("Sorry, text file output in MIL-STD 704\r\n")));
    program().settings.report.reportFormat = 2;
    program().settings.report.fileNamePrompt = 0;
    program().settings.report.reportFolder = program().paths.userFile(QStringLiteral("Reports"));
    prompt().clear();
    w.report();
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join(" | ").toStdString();
    const QStringList made =
        QDir(program().settings.report.reportFolder).entryList({QStringLiteral("MS704_TAC-*")}, QDir::Files, QDir::Name);
    ASSERT_EQ(made.size(), 2) << made.join(' ').toStdString();
    EXPECT_TRUE(made[0].endsWith(QLatin1String(".docx")) && made[1].endsWith(QLatin1String(".pdf")));
    DocxPackage docx;
    QString error;
    ASSERT_TRUE(ReadDocxPackage(QDir(program().settings.report.reportFolder).filePath(made[0]), "report", docx, error))
        << error.toStdString();
    ASSERT_TRUE(docx.find(QStringLiteral("word/document.xml")));
    const QByteArray xml = *docx.find(QStringLiteral("word/document.xml"));
    for (const char* text : {"MIL-STD 704 Immunity Test Report", "COMPLETED", "SELECTED", "SKIPPED"})
        EXPECT_TRUE(xml.contains(text)) << text;
    EXPECT_FALSE(xml.contains("[Bk")) << "a placeholder was left";

    // Closing mid-run aborts first, then the window goes.
    QTimer::singleShot(100, &w, [&] { w.close(); });
    w.findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
    EXPECT_EQ(w.lastOutcome()->outcome, RunOutcome::Aborted);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(state().endsWith(QLatin1String("resident=IDLE")));
}

TEST_F(ResidentWindow, MenuEntriesFollowTheOptionFlagsAndRefuseAWrongSteadyState) {
    frmMain main(program());
    RegisterResidentWindows(main, program());
    SourceModel& model = program().sourceModel;
    model.Options.fill(0);
    model.Options[9] = 1; // -704F only
    main.show();
    const struct {
        const char* entry;
        bool enabled;
    } entries[] = {{"mnuAMilAdvanced", true}, {"mnuAMilLegacy", false}, {"mnuADO160RevD", false}};
    for (const auto& e : entries)
        EXPECT_EQ(main.action(QLatin1String(e.entry))->isEnabled(), e.enabled) << e.entry;
    EXPECT_FALSE(main.findChild<QAction*>(QStringLiteral("tb-mil704"))->isEnabled());

    OutputState& out = program().outputState;
    out.OutputMode = ModeAC;
    out.Frequency = 50;
    out.Phase[0].Voltage = 115;
    main.action(QStringLiteral("mnuAMilAdvanced"))->trigger();
    EXPECT_EQ(main.windows().find(QStringLiteral("mnuAMilAdvanced")), nullptr);
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].endsWith(QStringLiteral("the MIL-STD 704 (MS704) Option.")));

    out.Frequency = 400;
    main.action(QStringLiteral("mnuAMilAdvanced"))->trigger();
    QWidget* opened = main.windows().find(QStringLiteral("mnuAMilAdvanced"));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->objectName(), QStringLiteral("frmMS704"));
    EXPECT_EQ(prompt().messages().size(), 1);
}
