#pragma once
// Every modeless window opened from the main window: a window already open is
// raised, not created twice.
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace ostrel {

class WindowRegistry {
public:
    using Factory = std::function<QWidget*()>;

    WindowRegistry() = default;
    // The windows still open go with it: each uses the program object, which
    // must not go before them.
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Shows the window registered under `name`, creating it with `create`
    // (the hourglass shows while it loads) when it is not open.
    QWidget* show(const QString& name, const Factory& create);
    QWidget* find(const QString& name) const;
    bool contains(const QWidget* window) const;
    void closeAll();

private:
    QHash<QString, QPointer<QWidget>> windows_;
};

} // namespace ostrel
