#include "MainWindowFixture.h"

#include "app/EntryRejection.h"
#include "core/Program.h"
#include "config/frmConfig.h"
#include "config/frmInter.h"
#include "config/frmSmallDialogs.h"
#include "config/frmViewer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QFile>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

using namespace ostrel;
using namespace ostrel::test;

namespace {
template <class W>
W* find(QWidget* parent, const char* name, int index = -1) {
    for (W* w : parent->findChildren<W*>(QString::fromLatin1(name)))
        if (index < 0 || w->property("index").toInt() == index) return w;
    return nullptr;
}

quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}
} // namespace

TEST_F(MainWindowTest, InterfaceOkToAnAddressWithoutSourceFallsBackToSimulation) {
    startWindow({"--model", "0"});
    frmInter dialog(program());
    EXPECT_TRUE(program().interfaceDialogOpen);
    QTest::mouseClick(find<QAbstractButton>(&dialog, "optType", 3), Qt::LeftButton);
    find<QLineEdit>(&dialog, "txtIPaddress")->setText("127.0.0.1");
    find<QLineEdit>(&dialog, "txtIPPort")->setText(QString::number(closedPort()));
    find<QPushButton>(&dialog, "cmdOk")->click();
    EXPECT_EQ(program().settings.link.bus, 0);
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith("LAN IP 127.0.0.1 Connection Status: "));
    EXPECT_TRUE(prompt().messages()[0].endsWith("\r\nInterface will be set to No Connection."));
}

TEST_F(MainWindowTest, InterfaceVerifyAndTerminalUseTheChosenTransport) {
    startWindow({"--model", "4"});
    frmInter dialog(program());
    find<QPushButton>(&dialog, "cmdVerify")->click();
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].contains("Found : VK753M on selected port.")) << prompt().messages()[0].toStdString();
    EXPECT_TRUE(find<QPushButton>(&dialog, "cmdOk")->isEnabled());

    auto* command = find<QComboBox>(&dialog, "cboSend");
    command->setCurrentText("VOLT?");
    find<QPushButton>(&dialog, "cmdSend")->click();
    EXPECT_TRUE(find<QPlainTextEdit>(&dialog, "txtReceive")->toPlainText().startsWith("0.0\n"));

    QTest::mouseClick(find<QAbstractButton>(&dialog, "optType", 0), Qt::LeftButton);
    EXPECT_FALSE(find<QWidget>(&dialog, "fraSend")->isVisibleTo(&dialog));
    EXPECT_EQ(find<QLabel>(&dialog, "lblWarning")->text(), "SELECT INTERFACE TYPE OR USE SIMULATION MODE");
}

TEST_F(MainWindowTest, BusMonitorSavesItsThreeKindsOfTrace) {
    startSimulated(0);
    frmViewer viewer(program());
    find<QAction>(&viewer, "mnuVCommands")->trigger();
    find<QAction>(&viewer, "mnuVResponse")->trigger();
    program().link.Send(0, "volt 5");
    program().link.Query(0, "volt?");
    EXPECT_EQ(program().busTrace.entries(), QStringList({"volt 5", "volt?", "<-- "}));

    const struct {
        const char* entry;
        const char* heading;
        QStringList lines;
    } saves[] = {{"mnuFSave", "Command Trace", {"volt 5", "volt?", "<-- "}},
                 {"mnuFSOutput", "Command Trace - command output only", {"volt 5", "volt?"}},
                 {"mnuFSResponses", "Command Trace - response data only", {"<-- "}}};
    for (const auto& s : saves) {
        const QString path = fixture.tempPath(QString::fromLatin1(s.entry));
        prompt().chooseFile(path);
        find<QAction>(&viewer, s.entry)->trigger();
        QFile f(path + ".txt");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << s.entry;
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines.value(5), s.heading);
        EXPECT_EQ(lines.mid(6), s.lines) << s.entry;
    }
    viewer.close();
    EXPECT_FALSE(program().link.state.traceCommands);
    EXPECT_FALSE(program().link.state.traceResponses);
}

TEST_F(MainWindowTest, ModelChangeIsRefusedWhileASourceIsConnected) {
    startWindow({"--model", "0"});
    frmModels dialog(program());
    find<QAbstractButton>(&dialog, "optModel", 4)->setChecked(true);
    dialog.accept();
    EXPECT_EQ(program().sourceModel.ModelIndex, 0);
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith("You are not allowed to change models"));
}

TEST_F(MainWindowTest, ConfigurationStaysOpenWithoutAnAllowedMode) {
    startSimulated(0);
    frmConfig dialog(program());
    for (const char* mode : {"chkAllowAC", "chkAllowDC", "chkAllowACDC"}) find<QCheckBox>(&dialog, mode)->setChecked(false);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompt().messages(),
              QStringList({"Error. You must at least allow one output mode.\r\nWindow will not close."}));
}

TEST_F(MainWindowTest, ExternalSyncWithoutTheInputReportsAndGoesBackToInternal) {
    startWindow({"--model", "0"});
    source.control("fault error -221");
    frmConfig dialog(program());
    QTest::mouseClick(find<QAbstractButton>(&dialog, "optSync", 1), Qt::LeftButton);
    const qsizetype before = mark();
    dialog.accept();
    const QStringList sent = receivedSince(before);
    EXPECT_EQ(sent.value(0), "FREQ:MODE SENS");
    EXPECT_TRUE(sent.contains("*CLS")) << sent.join(" | ").toStdString();
    ASSERT_FALSE(prompt().messages().isEmpty());
    EXPECT_TRUE(prompt().messages().last().endsWith(
        "\r\nExternal Sync signal or -LNS option not found!\r\nClock mode set back to internal."));
    EXPECT_EQ(program().outputState.ExtSync, 0);
}

TEST_F(MainWindowTest, VerifyAgainstARefusedPortSaysWhereAndChangesNothing) {
    startWindow({"--model", "4"});
    const quint16 refused = closedPort();
    frmInter dialog(program());
    find<QLineEdit>(&dialog, "txtIPPort")->setText(QString::number(refused));
    find<QPushButton>(&dialog, "cmdVerify")->click();
    ASSERT_EQ(prompt().messages().size(), 1);
    const QString text = prompt().messages()[0];
    EXPECT_TRUE(text.startsWith(QStringLiteral("No source answered at LAN %1 port %2.\r\n").arg(source.host()).arg(refused)))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("Nothing was changed: the interface settings are as they were.")) << text.toStdString();
    EXPECT_FALSE(text.contains("No Connection")) << text.toStdString();
    EXPECT_EQ(prompt().calls().last().owner, &dialog);
    EXPECT_FALSE(find<QPushButton>(&dialog, "cmdOk")->isEnabled());
    EXPECT_EQ(program().settings.link.bus, BusLan);
    EXPECT_EQ(program().settings.link.socketPort, source.port());
    EXPECT_EQ(program().sourceModel.ModelIndex, 4);
    // And the program still talks to its own source.
    const qsizetype before = mark();
    program().link.Send(0, "volt 12");
    EXPECT_EQ(receivedSince(before), QStringList({"volt 12"}));
}

TEST_F(MainWindowTest, ProgramTimingRefusesAnInvalidEntryWithTheEntryMessage) {
    startSimulated(0);
    program().settings.link.cmdDelay = 20;
    program().settings.measurements.voltAverage = 3;
    struct Case {
        const char* box;
        const char* typed;
        const char* shownAgain;
    };
    const Case cases[] = {{"txtCmdDelay", "abc", "20"}, {"txtCmdDelay", "6000", "20"},
                          {"txtCmdDelay", "", "20"},    {"txtVMeasAvg", "0", "3"},
                          {"txtVMeasAvg", "2.5", "3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.typed);
        prompt().clear();
        frmGuiSettings dialog(program());
        find<QLineEdit>(&dialog, "txtArbDelay")->setText("500"); // a valid change that must not be taken
        find<QLineEdit>(&dialog, c.box)->setText(QString::fromLatin1(c.typed));
        find<QPushButton>(&dialog, "cmdOk")->click();
        EXPECT_EQ(prompt().messages(), QStringList({kEntryRejected}));
        EXPECT_EQ(prompt().calls()[0].owner, &dialog);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(find<QLineEdit>(&dialog, c.box)->text(), c.shownAgain);
        EXPECT_EQ(program().settings.link.cmdDelay, 20);
        EXPECT_EQ(program().settings.link.arbDownloadDelay, 300);
        EXPECT_EQ(program().settings.measurements.voltAverage, 3);
    }
    prompt().clear();
    frmGuiSettings dialog(program());
    find<QLineEdit>(&dialog, "txtCmdDelay")->setText("25");
    find<QPushButton>(&dialog, "cmdOk")->click();
    EXPECT_TRUE(prompt().messages().isEmpty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(program().settings.link.cmdDelay, 25);
}
