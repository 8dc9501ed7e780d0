#include "app/WindowRegistry.h"

#include <QApplication>

namespace ostrel {

WindowRegistry::~WindowRegistry() {
    for (const QPointer<QWidget>& w : std::as_const(windows_)) delete w.data();
}

QWidget* WindowRegistry::show(const QString& name, const Factory& create) {
    QWidget* window = find(name);
    if (!window) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window = create();
        QApplication::restoreOverrideCursor();
        if (!window) return nullptr;
        window->setAttribute(Qt::WA_DeleteOnClose);
        windows_.insert(name, window);
    }
    window->show();
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

QWidget* WindowRegistry::find(const QString& name) const { return windows_.value(name).data(); }

bool WindowRegistry::contains(const QWidget* window) const {
    for (const QPointer<QWidget>& w : windows_)
        if (w && w == window) return true;
    return false;
}

void WindowRegistry::closeAll() {
    for (const QPointer<QWidget>& w : std::as_const(windows_))
        if (w) w->close();
    windows_.clear();
}

} // namespace ostrel
