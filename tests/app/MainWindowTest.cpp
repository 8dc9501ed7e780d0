#include "MainWindowFixture.h"

#include "core/Program.h"
#include "panel/SetupFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace ostrel;
using namespace ostrel::test;

namespace {
qsizetype indexOf(const QStringList& list, const QString& text, qsizetype from = 0) {
    for (qsizetype i = from; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
}
} // namespace

TEST_F(MainWindowTest, StartUpAndExitTalkToTheSourceInOrder) {
    startWindow({"--model", "4"});
    const QStringList in = received();
    const qsizetype idn = indexOf(in, "*idn?");
    const qsizetype config = indexOf(in, "freq? max");
    const qsizetype options = indexOf(in, "*opt?");
    const qsizetype sync = indexOf(in, "freq:mode?", options);
    const qsizetype readback = indexOf(in, "source:mode?", sync);
    ASSERT_GE(idn, 0);
    EXPECT_LT(idn, config);
    EXPECT_LT(config, options);
    EXPECT_LT(options, sync);
    EXPECT_LT(sync, readback) << in.join(" | ").toStdString();
    EXPECT_EQ(program().sourceModel.ModelIndex, 4);
    EXPECT_EQ(prompt().status(5), "IP# " + source.host());
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join("\n").toStdString();

    // Relay open: no question at exit, then "*cls" and back to local.
    const qsizetype before = mark();
    window->close();
    const QStringList exit = receivedSince(before);
    EXPECT_TRUE(prompt().questions().isEmpty());
    EXPECT_EQ(indexOf(exit, "outp 0"), -1);
    EXPECT_LT(indexOf(exit, "OUTP?"), indexOf(exit, "*cls"));
    EXPECT_LT(indexOf(exit, "*cls"), indexOf(exit, "syst:loc"));
}

TEST_F(MainWindowTest, ExitWithTheRelayClosedAsksToOpenIt) {
    startWindow({"--model", "0"});
    click("optRelay", 1);
    const qsizetype before = mark();
    prompt().answer(PromptAnswer::Yes);
    window->close();
    const QStringList exit = receivedSince(before);
    ASSERT_EQ(prompt().questions().size(), 1);
    EXPECT_TRUE(prompt().questions()[0].startsWith("WARNING : Output relay of the AC source is still closed."));
    EXPECT_LT(indexOf(exit, "outp 0"), indexOf(exit, "*cls"));
}

TEST_F(MainWindowTest, DecimalCommaCurrentIsSentWithAPoint) {
    program().decimalSeparator = ',';
    startWindow({"--model", "0"});
    const qsizetype before = mark();
    type("txtCurc", "1,5");
    EXPECT_EQ(receivedSince(before), QStringList({"curr 1.50"}));
    EXPECT_FLOAT_EQ(program().outputState.Phase[0].CurrentLimit, 1.5f);
}

TEST_F(MainWindowTest, ThreePhaseVoltageGoesToTheTickedPhases) {
    startWindow({"--model", "4"});
    ASSERT_EQ(program().outputState.MultiPhaseOutput, 1);
    control<QCheckBox>("chkPh", 0)->setChecked(true);
    control<QCheckBox>("chkPh", 1)->setChecked(false);
    control<QCheckBox>("chkPh", 2)->setChecked(true);
    const qsizetype before = mark();
    type("txtAmpc", "115");
    EXPECT_EQ(receivedSince(before),
              QStringList({"inst:coup none;:inst:nsel 1;:volt:ac 115.0", "inst:nsel 3;:volt:ac 115.0"}));
}

TEST_F(MainWindowTest, EntriesOutsideTheLimitsNeverReachTheSource) {
    program().settings.userLimits.freqMax = 500;
    startWindow({"--model", "0"});
    const float maxVoltage = program().maxVoltage[0];
    ASSERT_GT(maxVoltage, 0);

    qsizetype before = mark();
    type("txtFreq", "600"); // inside the model's limits, outside the user's: silent
    EXPECT_TRUE(receivedSince(before).isEmpty());
    EXPECT_TRUE(prompt().messages().isEmpty());
    EXPECT_EQ(control<QLineEdit>("txtFreq")->text(), "60.0");

    type("txtFreq", "5000"); // outside the model: the rejection message
    EXPECT_TRUE(receivedSince(before).isEmpty());
    EXPECT_EQ(prompt().messages(), QStringList({"User data entry out of range or invalid.\r\nNo change in settings made."}));

    type("txtCurc", "abc");
    EXPECT_TRUE(receivedSince(before).isEmpty());

    program().maxVoltage[0] = 120; // below what the entry allows
    before = mark();
    type("txtAmpc", "140");
    EXPECT_EQ(receivedSince(before), QStringList({"volt:ac 120.0"}));
    EXPECT_EQ(control<QLineEdit>("txtAmpc")->text(), "120.0");
}

TEST_F(MainWindowTest, SquareWaveAboveHalfRangeFirstTakesThatPhaseToZero) {
    startWindow({"--model", "4"});
    control<QCheckBox>("chkPh", 0)->setChecked(true);
    control<QCheckBox>("chkPh", 1)->setChecked(true);
    type("txtAmpc", "100"); // above half of the 150 V range on A and B
    const qsizetype before = mark();
    QComboBox* wave = control<QComboBox>("cmbWave", 1);
    wave->setCurrentIndex(1);
    Q_EMIT wave->activated(1);
    const QStringList sent = receivedSince(before);
    ASSERT_GE(sent.size(), 2) << sent.join(" | ").toStdString();
    EXPECT_EQ(sent[0], "inst:coup none;:inst:nsel 2;:volt:ac 0.0");
    EXPECT_EQ(sent[1], "inst:coup none;:inst:nsel 2;:func squ");
    EXPECT_FLOAT_EQ(program().outputState.Phase[0].Voltage, 100); // only that phase
}

TEST_F(MainWindowTest, ModeRangeAndRelay) {
    startWindow({"--model", "0"});
    click("optRelay", 1);
    qsizetype before = mark();
    click("optRange", 1);
    QStringList sent = receivedSince(before);
    EXPECT_EQ(sent.value(0), "outp 0;:volt:rang 300.0");
    EXPECT_GE(indexOf(sent, "outp 1"), 1) << sent.join(" | ").toStdString();
    EXPECT_EQ(program().outputState.HighRange, 1);

    before = mark();
    click("optRelay", 0);
    EXPECT_EQ(receivedSince(before).value(0), "outp 0");
    EXPECT_EQ(window->statusPanel(4), "Output OFF");

    before = mark();
    click("optMode", 2);
    sent = receivedSince(before);
    EXPECT_EQ(sent.value(0), "source:mode acdc;:sens:coup dc");
    EXPECT_GE(indexOf(sent, "source:mode?"), 0) << "a mode change reads the source back";
    EXPECT_EQ(program().outputState.OutputMode, 2);
    EXPECT_TRUE(control<QLineEdit>("txtOffset")->isVisibleTo(window.get()));
}

TEST_F(MainWindowTest, SetupFilesSaveOpenAndRefuse) {
    startWindow({"--model", "0"});
    type("txtAmpc", "115");
    type("txtFreq", "400");
    const QString path = fixture.tempPath("bench.stp");
    prompt().chooseFile(fixture.tempPath("bench")); // the extension is added
    window->action("mnuFAs")->trigger();
    ASSERT_TRUE(QFile::exists(path));

    type("txtAmpc", "10");
    prompt().chooseFile(path);
    qsizetype before = mark();
    window->action("mnuFOpen")->trigger();
    QStringList sent = receivedSince(before);
    EXPECT_GE(indexOf(sent, "freq 400.0"), 0) << sent.join(" | ").toStdString();
    EXPECT_GE(indexOf(sent, "inst:nsel 1;:volt:ac 115.0"), 0);
    EXPECT_EQ(sent.last(), "syst:err?");
    EXPECT_EQ(control<QLineEdit>("txtAmpc")->text(), "115.0");

    // A file for another model, and a damaged one: nothing changes, nothing is sent.
    const QString other = fixture.tempPath("other.stp");
    const QString damaged = fixture.tempPath("damaged.stp");
    for (const auto& [file, text] : {std::pair{other, QByteArray("3\n60,0,0,0,0,0,0.1,0,1,0,0,0\n")},
                                     std::pair{damaged, QByteArray("0\n60,0,0,0\n")}}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    type("txtAmpc", "20");
    for (const QString& file : {other, damaged}) {
        prompt().chooseFile(file);
        before = mark();
        window->action("mnuFOpen")->trigger();
        EXPECT_TRUE(receivedSince(before).isEmpty());
        EXPECT_FLOAT_EQ(program().outputState.Phase[0].Voltage, 20);
    }
    const QStringList messages = prompt().messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], kWrongModelMessage);
    EXPECT_EQ(messages[1], "damaged.stp, line 2: 12 fields expected, 4 found.");
}

TEST_F(MainWindowTest, RejectedRecallLeavesThePanelAsItWas) {
    startWindow({"--model", "0"});
    type("txtAmpc", "42");
    control<QComboBox>("cmbNvm")->setCurrentIndex(9); // never saved
    QTest::mouseClick(control<QPushButton>("cmdRecall"), Qt::LeftButton);
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].endsWith(" Register may be empty."));
    EXPECT_EQ(control<QLineEdit>("txtAmpc")->text(), "42.0");
    EXPECT_FLOAT_EQ(program().outputState.Phase[0].Voltage, 42);
}
