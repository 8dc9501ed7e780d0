#include "MainWindowFixture.h"

#include "app/Program.h"

#include <QTest>

namespace ostrel::test {

void MainWindowTest::startWindow(const QStringList& sourceArgs, const QString& commandLine) {
    ASSERT_TRUE(source.start(sourceArgs)) << source.errorString().toStdString();
    LinkSettings& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    window = std::make_unique<frmMain>(program());
    window->startup(commandLine);
}

void MainWindowTest::startSimulated(int model) {
    program().settings.link.bus = BusSimulation;
    program().settings.powerSource.modelNumber = model;
    window = std::make_unique<frmMain>(program());
    window->startup({});
}

QStringList MainWindowTest::received() {
    const auto commands = [this] {
        QStringList out;
        for (const QString& line : source.logTail(100000)) {
            const qsizetype at = line.indexOf(QLatin1String(" TCP < "));
            if (at >= 0) out.append(line.mid(at + 7));
        }
        return out;
    };
    // Commands are not acknowledged: the log is read once the source has caught up.
    QStringList seen = commands();
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(20);
        QStringList again = commands();
        if (again.size() == seen.size()) break;
        seen = std::move(again);
    }
    return seen;
}

void MainWindowTest::type(const char* box, const QString& text) {
    QLineEdit* e = control<QLineEdit>(box);
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

void MainWindowTest::click(const char* option, int index) {
    QTest::mouseClick(control<QAbstractButton>(option, index), Qt::LeftButton);
}

} // namespace ostrel::test
