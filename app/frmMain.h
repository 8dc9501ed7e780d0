#pragma once
#include "app/WindowRegistry.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class QToolBar;

namespace ostrel {

struct Program;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Program& program, QWidget* parent = nullptr);

    // The menu entry (and its toolbar button) opens the window that `create`
    // makes; entries without a window stay disabled.
    void registerWindow(const QString& entry, const WindowRegistry::Factory& create);
    QAction* action(const QString& name) const { return actions_.value(name); }
    WindowRegistry& windows() { return windows_; }

    // Status-bar panels 1 to 5.
    void setStatusPanel(int panel, const QString& text);
    QString statusPanel(int panel) const;
    // The logo follows the OEM brand.
    void setLogo(const QString& logo);
    QString logo() const { return logo_; }

    void showAbout();
    // Opens the user guide at a page ("" = contents); nothing for an unknown brand.
    void showHelp(const QString& page = {});

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    QAction* addEntry(QMenu* menu, const QString& name, const QString& text);

    Program& program_;
    WindowRegistry windows_;
    QHash<QString, QAction*> actions_;
    QLabel* panels_[5] = {};
    QToolBar* logoBar_ = nullptr;
    QAction* logoAction_ = nullptr;
    QString logo_ = QStringLiteral("KVlogo");
};

} // namespace ostrel
