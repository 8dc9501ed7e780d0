#include "WindowFixture.h"

#include "core/Program.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

namespace ostrel::test {

void WindowFixture::connectSource(const QStringList& args) {
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    LinkSettings& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    program().link.state.lanTimeoutMs = 2000;
    ASSERT_TRUE(program().link.ConnectLan(source.host(), source.port()));
}

QStringList WindowFixture::received() {
    // A query's reply proves that everything sent before it has been logged.
    const QString sync = QStringLiteral("*opc?");
    program().link.Query(0, sync, 1.0);
    // "<seconds> <channel> < <line>" on any of the transports; GPIB queries
    // carry a trailing blank.
    static const QRegularExpression kReceived(QStringLiteral("^\\S+ (TCP|PTY|GPIB) < (.*)$"));
    QStringList commands;
    for (const QString& line : source.logTail(100000)) {
        const QRegularExpressionMatch m = kReceived.match(line);
        const QString command = m.captured(2).trimmed();
        if (m.hasMatch() && command != sync) commands.append(command);
    }
    return commands;
}

void WindowFixture::click(QWidget* window, const char* name, int index) {
    auto* button = control<QAbstractButton>(window, name, index);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowFixture::check(QWidget* window, const char* name, int index, bool on) {
    auto* box = control<QCheckBox>(window, name, index);
    ASSERT_NE(box, nullptr);
    box->setChecked(on);
}

void WindowFixture::type(QWidget* window, const char* name, const QString& text) {
    auto* box = control<QLineEdit>(window, name);
    ASSERT_NE(box, nullptr);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace ostrel::test
