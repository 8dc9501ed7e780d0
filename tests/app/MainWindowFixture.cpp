#include "MainWindowFixture.h"

#include "core/Program.h"
#include "measure/MeasurementWindows.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

namespace ostrel::test {

void MainWindowTest::startWindow(const QStringList& sourceArgs, const QString& commandLine) {
    ASSERT_TRUE(source.start(sourceArgs)) << source.errorString().toStdString();
    LinkSettings& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    window = std::make_unique<frmMain>(program());
    if (withMeasurementWindows) RegisterMeasurementWindows(*window, program());
    window->startup(commandLine);
}

void MainWindowTest::startSimulated(int model) {
    program().settings.link.bus = BusSimulation;
    program().settings.powerSource.modelNumber = model;
    window = std::make_unique<frmMain>(program());
    if (withMeasurementWindows) RegisterMeasurementWindows(*window, program());
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
    // On the indicator: a button wider than its caption takes no click beyond it.
    QAbstractButton* b = control<QAbstractButton>(option, index);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

void MainWindowTest::showWindow() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

QWidget* MainWindowTest::topLevel(const char* objectName) {
    QWidget* found = nullptr;
    const auto look = [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(objectName) && w->isVisible()) found = w;
        return found != nullptr;
    };
    if (!QTest::qWaitFor(look, 5000)) ADD_FAILURE() << "no window " << objectName;
    return found;
}

bool MainWindowTest::shownAsItIs(QWidget* w) {
    QTest::qWait(50); // the paints that are due
    QWidget* top = w->window();
    const QPoint at = w->mapTo(top, QPoint(0, 0));
    const QImage screen =
        top->screen()->grabWindow(top->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
    const QImage drawn = top->grab(QRect(at, w->size())).toImage();
    return screen.convertToFormat(QImage::Format_RGB32) == drawn.convertToFormat(QImage::Format_RGB32);
}

} // namespace ostrel::test
