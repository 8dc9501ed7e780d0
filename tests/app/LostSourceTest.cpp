// The source goes away while the standard measurements repeat: the operator
// is told once, the loop ends, no log row is made of readings that did not
// come, and Source, Reconnect picks the source up again on the same port.
#include "MainWindowFixture.h"

#include "core/Program.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class LostSource : public MainWindowTest {
protected:
    QAction* entry(const char* name) {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    template <class W> W* in(QWidget* w, const char* name) {
        W* found = w->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QLabel* reading(QWidget* w, const char* name, int phase) {
        for (QLabel* l : w->findChildren<QLabel*>(QString::fromLatin1(name)))
            if (l->property("index").toInt() == phase) return l;
        return nullptr;
    }
};

TEST_F(LostSource, KilledDuringRepeatIsToldOnceAndReconnectResumesTheReadings) {
    withMeasurementWindows = true;
    startWindow({QStringLiteral("--load"), QStringLiteral("r=50")});
    const quint16 port = source.port();
    program().link.Send(0, QStringLiteral("volt 115;:outp on"));
    const QString logPath = fixture.tempPath(QStringLiteral("repeat.csv"));
    program().measurements.log[LogStandard].path = logPath;

    entry("mnuMStand")->trigger();
    QWidget* meas = topLevel("frmMeas");
    ASSERT_NE(meas, nullptr);
    for (QAbstractButton* b : meas->findChildren<QAbstractButton*>(QStringLiteral("optMode")))
        if (b->property("index").toInt() == 1) b->click();
    auto* interval = in<QLineEdit>(meas, "txtLog");
    interval->setText(QStringLiteral("0"));
    in<QAbstractButton>(meas, "chkLog")->setChecked(true);
    prompt().clear();

    // Killed after a few cycles; Stop stays in reach should the loop not end.
    QTimer::singleShot(800, [this] { source.stop(); });
    bool endedByItself = true;
    QTimer::singleShot(20000, [&] {
        endedByItself = false;
        in<QAbstractButton>(meas, "cmdStop")->click();
    });
    in<QAbstractButton>(meas, "cmdMeas")->click();
    EXPECT_TRUE(endedByItself) << "the loop went on after the link was lost";

    const QStringList messages = prompt().messages();
    ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(messages[0].startsWith(
        QStringLiteral("The connection to the AC source (LAN %1 port %2) is lost: ")
            .arg(source.host())
            .arg(port)))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("then choose Source, Reconnect.")));
    EXPECT_EQ(prompt().status(5), QStringLiteral("Disconnected"));
    EXPECT_EQ(window->statusPanel(4), QStringLiteral("Output unknown"));
    EXPECT_TRUE(in<QAbstractButton>(meas, "cmdMeas")->isEnabled());
    EXPECT_EQ(reading(meas, "amp", 0)->text(), QStringLiteral("115.00"))
        << "the last readings stay shown";

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList rows =
        QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(2);
    EXPECT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        EXPECT_FALSE(row.contains(QStringLiteral(",,")) || row.endsWith(QLatin1Char(',')))
            << "a row without readings: " << row.toStdString();
    }

    // The source back on the same port; Reconnect, and the readings come again.
    ASSERT_TRUE(source.start({QStringLiteral("--port"), QString::number(port), QStringLiteral("--load"),
                              QStringLiteral("r=50")}))
        << source.errorString().toStdString();
    ASSERT_TRUE(entry("mnuSReconnect")->isEnabled());
    prompt().clear();
    entry("mnuSReconnect")->trigger();
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('|').toStdString();
    EXPECT_FALSE(program().link.Lost());
    EXPECT_EQ(window->statusPanel(5), QStringLiteral("IP# ") + source.host());
    EXPECT_EQ(window->statusPanel(4), QStringLiteral("Output OFF"));
    program().link.Send(0, QStringLiteral("volt 42;:outp on"));
    in<QAbstractButton>(meas, "chkLog")->setChecked(false);
    for (QAbstractButton* b : meas->findChildren<QAbstractButton*>(QStringLiteral("optMode")))
        if (b->property("index").toInt() == 0) b->click();
    in<QAbstractButton>(meas, "cmdMeas")->click();
    EXPECT_EQ(reading(meas, "amp", 0)->text(), QStringLiteral("42.00"));
    EXPECT_TRUE(prompt().messages().isEmpty());
}

} // namespace
