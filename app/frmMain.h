#pragma once
#include "app/WindowRegistry.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class QToolBar;
class QWindow;

namespace ostrel {

struct Program;
class SteadyStatePanel;

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

    // The whole start-up conversation; the window is shown afterwards.
    void startup(const QString& commandLine);
    bool startupComplete() const { return startupComplete_; }
    SteadyStatePanel* panel() const { return panel_; }
    // Fills the panel from OutputState and rewrites the caption.
    void fillPanel();
    // After a readback: the panel's display follows OutputState, what the
    // operator is typing stays (see SteadyStatePanel::refresh).
    void refreshPanel();
    QString setupFile() const { return setupFile_; }

    void showAbout();
    // Opens the user guide at a page ("" = contents); nothing for an unknown brand.
    void showHelp(const QString& page = {});

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectFileMenu();
    void connectConfiguration();
    void showInterfaceDialog();
    void setUpSource();
    // Source, Reconnect: the transport opened again after the link was lost.
    void reconnect();
    // "Output ON", "Output OFF", or "Output unknown" while the link is lost.
    void showRelayStatus();
    void updateCaption();
    // Caption, simulation note and relay panel, after a fill or a refresh.
    void showPanelFrame();
    void onFocusWindowChanged(QWindow* window);
    void refreshOnActivation();
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
    SteadyStatePanel* panel_ = nullptr;
    QLabel* lblDemo_ = nullptr;
    QString setupFile_;
    bool startupComplete_ = false;
    bool shutDown_ = false;
    QWindow* lastFocus_ = nullptr;
};

} // namespace ostrel
