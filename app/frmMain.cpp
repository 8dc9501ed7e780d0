#include "app/frmMain.h"

#include "app/Oem.h"
#include "core/Program.h"
#include "app/Startup.h"
#include "app/frmAbout.h"
#include "config/frmConfig.h"
#include "config/frmInter.h"
#include "config/frmSmallDialogs.h"
#include "config/frmViewer.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "link/Numbers.h"
#include "panel/SetupActions.h"
#include "panel/SetupFile.h"
#include "panel/SteadyStatePanel.h"
#include "reports/frmIEC_Report_setup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QVBoxLayout>
#include <QWindow>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

// The icons live in this static library; a resource file there is registered by hand.
static void initIcons() { Q_INIT_RESOURCE(icons); }

namespace ostrel {

namespace {

struct Entry {
    const char* name;
    const char* text; // "" = separator
};

struct Menu {
    const char* name;
    const char* title;
    std::initializer_list<Entry> entries;
};

const std::initializer_list<Menu> kMenus = {
    {"mnuFile", "&File",
     {{"mnuFNew", "&New (Reset to Defaults)"},
      {"mnuFOpen", "&Open Setup..."},
      {"mnuFSave", "&Save Setup"},
      {"mnuFAs", "Save Setup &As..."},
      {"", ""},
      {"mnuFExit", "E&xit"}}},
    {"mnuSource", "&Source",
     {{"mnuSInter", "&Interface..."},
      {"mnuSReconnect", "&Reconnect"},
      {"mnuSConf", "&Configuration..."},
      {"mnuSInit", "&Power-on Settings..."},
      {"mnuSModel", "&Model..."},
      {"", ""},
      {"mnuSTrans", "&Transients..."},
      {"mnuSListEdit", "&List Transient Editor..."},
      {"mnuSSequencer", "Output &Sequencer..."},
      {"frmSModulation", "M&odulation..."},
      {"", ""},
      {"mnuSDisplay", "Front Panel &Display..."},
      {"mnuSSelftest", "Self &Test..."},
      {"mnuSCalCheck", "Calibration Check..."},
      {"mnuSCalMeas", "Measurement Calibration..."},
      {"mnuSCalOutput", "Output Calibration..."},
      {"mnuSCalRep", "Calibration Report..."},
      {"mnuSCalHFVolt", "High-Frequency Voltage Calibration..."}}},
    {"mnuMeas", "&Measurements",
     {{"mnuMStand", "&Standard Measurements..."},
      {"mnuMData", "&Data Logger..."},
      {"mnuMAnal", "&Harmonic Analysis..."},
      {"mnuMWave", "&Waveform Capture..."},
      {"mnuMWattHour", "Watt-&Hour Meter..."}}},
    {"mnuWave", "&Waveforms",
     {{"mnuWHarm", "&Harmonic Waveforms..."},
      {"mnuWArb", "&Arbitrary Waveforms..."},
      {"mnuWLibrary", "Waveform &Library..."}}},
    {"mnuApps", "&Applications",
     {{"mnuADO160RevE", "RTCA DO-160 Rev E Tests..."},
      {"mnuADO160RevD", "RTCA DO-160 (Source Option)..."},
      {"mnuAMS704Tables", "MIL-STD-704 A-F Tests..."},
      {"mnuAMilAdvanced", "MIL-STD-704 (Source Option)..."},
      {"mnuAMilLegacy", "MIL-STD-704 D-E (Source Firmware)..."},
      {"", ""},
      {"mnuAAirbusABDTables", "Airbus ABD0100.1.8 Tests..."},
      {"mnuAABDA350Tables", "Airbus ABD0100.1.8.1 A350 Tests..."},
      {"mnuAAirbusAMDTables", "Airbus AMD24 Tests..."},
      {"mnuAB787Tables", "Boeing B787 Tests..."},
      {"mnuAAirbusABDTransients", "Airbus ABD0100 Voltage Dips..."},
      {"", ""},
      {"mnuAIEC411", "EN/IEC 61000-4-11 Voltage Dips..."},
      {"mnuARTCADCRipple", "DC Ripple Test..."}}},
    {"mnuOptions", "&Options",
     {{"mnuOViewer", "&Bus Monitor..."},
      {"mnuOMacros", "Command &Macros..."},
      {"mnuOReports", "&Report Set-up..."},
      {"mnuOGuiSettings", "Program &Timing..."}}},
    {"mnuHelp", "&Help", {{"mnuHContents", "&Contents"}, {"mnuHAbout", "&About..."}}},
};

struct ToolButton {
    const char* key;
    const char* image;
    const char* tip;
    const char* entry;
    bool separatorAfter;
};

const ToolButton kToolbar[] = {
    {"tb-filenew", "tb-filenew", "Reset to Defaults", "mnuFNew", false},
    {"tb-fileopen", "tb-fileopen", "Open Setup File", "mnuFOpen", false},
    {"tb-filesave", "tb-filesave", "Save Setup", "mnuFSave", true},
    {"tb-transients", "tb-transients", "Transients", "mnuSTrans", false},
    {"tb-sequencer", "tb-sequencer", "Output Sequencer", "mnuSSequencer", false},
    {"tb-power_on", "tb-poweron", "Power on Settings", "mnuSInit", false},
    {"tb-configuration", "tb-configuration", "AC Source Configuration", "mnuSConf", false},
    {"tb-interface", "tb-interface", "Interface Settings", "mnuSInter", false},
    {"tb-reconnect", "tb-reconnect", "Reconnect to the AC source", "mnuSReconnect", false},
    {"tb-busmonitor", "tb-busmonitor", "Open bus monitor window", "mnuOViewer", true},
    {"tb-harmwave", "tb-harmwave", "Create harmonic waveforms", "mnuWHarm", false},
    {"tb-arbwave", "tb-arbwave", "Create arbitrary waveforms", "mnuWArb", true},
    {"tb-measurements", "tb-measurements", "Display standard measurement window", "mnuMStand", false},
    {"tb-harmonics", "tb-harmonics", "Display harmonic analysis window", "mnuMAnal", false},
    {"tb-trace", "tb-trace", "Display waveform capture window", "mnuMWave", true},
    {"tb-do160", "tb-do160", "RTCA DO-160 Rev E Test window (SW)", "mnuADO160RevE", false},
    {"tb-ms704", "tb-ms704", "MIL STD-704 A-F Test window (MS704 SW)", "mnuAMS704Tables", false},
    {"tb-mil704", "tb-mil704", "MIL STD-704 D-E Test window (MIL704 FW)", "mnuAMilLegacy", false},
    {"tb-Abd010018", "tb-Abd010018", "Airbus ABD0100.1.8 Test window (SW)", "mnuAAirbusABDTables", false},
    {"tb-A350", "tb-A350", "Airbus ABD0100.1.8.1 A350 Test window", "mnuAABDA350Tables", false},
    {"tb-AMD24", "tb-AMD24", "Airbus AMD24 Test window (SW)", "mnuAAirbusAMDTables", false},
    {"tb-Boeing", "tb-Boeing", "Boeing B787 Test window (SW)", "mnuAB787Tables", true},
    {"tb-iec411", "tb-iec411", "EN/IEC61000-4-11 Voltage Dips Test window", "mnuAIEC411", true},
    {"tb-help", "tb-help", "On line Help", "mnuHContents", false},
};

} // namespace

frmMain::frmMain(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    initIcons();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(program_.messageTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/tb-poweron.svg")));
    buildMenus();
    buildToolbar();
    buildStatusBar();
    connect(action(QStringLiteral("mnuHAbout")), &QAction::triggered, this, &frmMain::showAbout);
    connect(action(QStringLiteral("mnuHContents")), &QAction::triggered, this, [this] { showHelp(); });
    connect(action(QStringLiteral("mnuFExit")), &QAction::triggered, this, &QWidget::close);

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    lblDemo_ = new QLabel(QStringLiteral("Simulation: no source is connected. Values show what would be programmed."), body);
    lblDemo_->setObjectName(QStringLiteral("lblDemo"));
    lblDemo_->setStyleSheet(QStringLiteral("background: #fff4ce; color: #6b5300; padding: 6px 12px;"));
    layout->addWidget(lblDemo_);
    panel_ = new SteadyStatePanel(program_, body);
    layout->addWidget(panel_, 1);
    setCentralWidget(body);
    connect(panel_, &SteadyStatePanel::readBackRequested, this, [this] {
        ReadBackState(program_, program_.sourceModel.ModelIndex);
        refreshPanel();
    });
    program_.link.onRemote = [this] { panel_->showFrontPanelLocked(); };
    program_.link.onLost = [this] { showRelayStatus(); };
    connectFileMenu();
    connectConfiguration();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmMain::onFocusWindowChanged);
    resize(1100, 760);
}

void frmMain::connectFileMenu() {
    for (const char* entry : {"mnuFNew", "mnuFOpen", "mnuFSave", "mnuFAs"})
        action(QString::fromLatin1(entry))->setEnabled(true);
    connect(action(QStringLiteral("mnuFNew")), &QAction::triggered, this, [this] {
        if (ResetSource(program_)) fillPanel();
    });
    connect(action(QStringLiteral("mnuFOpen")), &QAction::triggered, this, [this] {
        const FileRequest request{QStringLiteral("Open Steady State File..."), kSetupFilter,
                                  QStringLiteral("stp"), setupFile_};
        const QString path = program_.prompt().chooseOpenFile(request);
        if (path.isEmpty()) return;
        panel_->setCommandsEnabled(false);
        if (OpenSetupFile(program_, path)) setupFile_ = path;
        fillPanel();
        panel_->setCommandsEnabled(true);
    });
    connect(action(QStringLiteral("mnuFSave")), &QAction::triggered, this,
            [this] { SaveSetup(program_, setupFile_, false); });
    connect(action(QStringLiteral("mnuFAs")), &QAction::triggered, this,
            [this] { SaveSetup(program_, setupFile_, true); });
}

void frmMain::connectConfiguration() {
    QAction* inter = action(QStringLiteral("mnuSInter"));
    inter->setEnabled(true);
    connect(inter, &QAction::triggered, this, &frmMain::showInterfaceDialog);
    connect(action(QStringLiteral("mnuSReconnect")), &QAction::triggered, this, &frmMain::reconnect);
    registerWindow(QStringLiteral("mnuOViewer"), [this] { return new frmViewer(program_, this); });
    // The configuration dialogs are modal; the panel shows what they changed.
    const auto modal = [this](const char* entry, auto make) {
        QAction* a = action(QString::fromLatin1(entry));
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, make] {
            auto dialog = make();
            dialog->exec();
            fillPanel();
        });
    };
    modal("mnuSConf", [this] { return std::make_unique<frmConfig>(program_, this); });
    modal("mnuSInit", [this] { return std::make_unique<frmInit>(program_, this); });
    modal("mnuSModel", [this] { return std::make_unique<frmModels>(program_, this); });
    modal("mnuOGuiSettings", [this] { return std::make_unique<frmGuiSettings>(program_, this); });
    modal("mnuOReports", [this] { return std::make_unique<frmIEC_Report_setup>(program_, this); });
}

void frmMain::showInterfaceDialog() {
    {
        frmInter dialog(program_, this);
        dialog.onHelp = [this] { showHelp(QStringLiteral("interface")); };
        dialog.exec();
    }
    setUpSource();
}

// The transport may have changed or been opened again: the model, the array
// format, the lock and the panel follow it.
void frmMain::setUpSource() {
    LoadModel(program_, program_.settings.powerSource.modelNumber);
    if (program_.settings.link.bus != BusSimulation) {
        ReadSourceConfiguration(program_, program_.sourceModel.ModelIndex);
        program_.link.Send(0, QStringLiteral("meas:array:mode asc"));
        SetFrontPanelLock(program_, true);
        panel_->showFrontPanelLocked();
        ReadBackState(program_, program_.sourceModel.ModelIndex);
    } else {
        SimulationSetup(program_);
    }
    fillPanel();
    setStatusPanel(5, InterfaceStatusText(program_));
}

void frmMain::reconnect() {
    if (ReconnectSource(program_) < 0) {
        showPanelFrame();
        setStatusPanel(5, InterfaceStatusText(program_));
        return;
    }
    setUpSource();
}

void frmMain::showRelayStatus() {
    const char* text = program_.link.Lost()          ? "Output unknown"
                       : program_.outputState.OutputOn ? "Output ON"
                                                       : "Output OFF";
    setStatusPanel(4, QString::fromLatin1(text));
}

void frmMain::updateCaption() {
    const SourceModel& m = program_.sourceModel;
    setWindowTitle(program_.messageTitle + QStringLiteral(" - ") + m.ModelName + QStringLiteral(" S/N: ") +
                   m.SerialNumber + QStringLiteral(" [FW = ") + FormatNumber(m.FirmwareRevision, u"0.###") +
                   QStringLiteral("]"));
}

void frmMain::fillPanel() {
    panel_->fill();
    showPanelFrame();
}

void frmMain::refreshPanel() {
    panel_->refresh();
    showPanelFrame();
}

void frmMain::showPanelFrame() {
    updateCaption();
    const bool simulated = program_.settings.link.bus == 0;
    lblDemo_->setVisible(simulated);
    action(QStringLiteral("mnuSReconnect"))->setEnabled(!simulated);
    showRelayStatus();
}

void frmMain::startup(const QString& commandLine) {
    StartupHooks hooks;
    hooks.tickFrontPanel = [this] { panel_->showFrontPanelLocked(); };
    hooks.fillPanel = [this] { fillPanel(); };
    hooks.openSetupFile = [this](const QString& path) {
        panel_->setCommandsEnabled(false);
        const bool opened = OpenSetupFile(program_, path);
        panel_->setCommandsEnabled(true);
        if (opened) setupFile_ = path;
        return opened;
    };
    hooks.openOptionWindow = [this](const QString& word) {
        static const std::pair<const char*, const char*> words[] = {
            {"DEFN_ARB", "mnuWArb"},       {"DEFN_HARM", "mnuWHarm"}, {"MEAS_STANDARD", "mnuMStand"},
            {"MEAS_HARM", "mnuMAnal"},     {"MEAS_WAVE", "mnuMWave"}};
        for (const auto& [name, entry] : words) {
            if (word != QLatin1String(name)) continue;
            QAction* a = action(QString::fromLatin1(entry));
            // Opened once the main window is up, so the window comes up in front of it.
            if (a && a->isEnabled()) QTimer::singleShot(0, a, &QAction::trigger);
            return a && a->isEnabled();
        }
        return false;
    };
    QLabel* splash = nullptr;
    hooks.showSplash = [&splash, this] {
        splash = new QLabel(program_.messageTitle + QStringLiteral("\n\nConnecting to the power source..."));
        splash->setObjectName(QStringLiteral("frmSplash"));
        splash->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
        splash->setAlignment(Qt::AlignCenter);
        splash->setStyleSheet(QStringLiteral("background: #1f4e79; color: white; font-size: 16pt; padding: 40px;"));
        splash->resize(460, 220);
        splash->show();
        QCoreApplication::processEvents();
    };
    hooks.hideSplash = [&splash] {
        delete splash;
        splash = nullptr;
    };
    setLogo(LogoFor(program_.oemManufacturer));
    const StartupResult result = RunStartup(program_, commandLine, hooks);
    delete splash;
    startupComplete_ = result.complete;
}

void frmMain::onFocusWindowChanged(QWindow* window) {
    QWindow* previous = lastFocus_;
    lastFocus_ = window;
    if (!window || window != windowHandle()) return;
    // Coming back from another program or from one of our own windows (not a
    // message box or file dialog) means the source may have been changed.
    bool fromOwnWindow = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == previous && windows_.contains(w)) fromOwnWindow = true;
    if (previous == nullptr || fromOwnWindow) refreshOnActivation();
}

void frmMain::refreshOnActivation() {
    if (!startupComplete_ || shutDown_ || program_.settings.link.bus == 0 ||
        !program_.settings.preferences.autoRefreshMainScreen || program_.interfaceDialogOpen ||
        program_.readbackInProgress || program_.testRunning)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList menus{QStringLiteral("mnuApps"), QStringLiteral("mnuMeas"), QStringLiteral("mnuSource")};
    for (const QString& m : menus)
        if (auto* menu = findChild<QMenu*>(m)) menu->setEnabled(false);
    ReadBackState(program_, program_.sourceModel.ModelIndex);
    QApplication::restoreOverrideCursor();
    for (const QString& m : menus)
        if (auto* menu = findChild<QMenu*>(m)) menu->setEnabled(true);
    // The operator may already be typing in the panel: only a refresh, never a fill.
    refreshPanel();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!shutDown_) {
        shutDown_ = true;
        windows_.closeAll();
        RunShutdown(program_);
    }
    event->accept();
}

QAction* frmMain::addEntry(QMenu* menu, const QString& name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setEnabled(false); // until the window behind it exists
    actions_.insert(name, a);
    return a;
}

void frmMain::buildMenus() {
    for (const Menu& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.title));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const Entry& e : m.entries) {
            if (!*e.name)
                menu->addSeparator();
            else
                addEntry(menu, QString::fromLatin1(e.name), QString::fromLatin1(e.text));
        }
    }
    for (const char* own : {"mnuFExit", "mnuHAbout", "mnuHContents"})
        action(QString::fromLatin1(own))->setEnabled(true);
}

void frmMain::buildToolbar() {
    auto* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("Toolbar1"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    for (const ToolButton& b : kToolbar) {
        QAction* entry = action(QString::fromLatin1(b.entry));
        auto* button = bar->addAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.image))),
                                      QString::fromLatin1(b.tip));
        button->setObjectName(QString::fromLatin1(b.key));
        button->setToolTip(QString::fromLatin1(b.tip));
        button->setEnabled(entry->isEnabled());
        connect(button, &QAction::triggered, entry, &QAction::trigger);
        connect(entry, &QAction::enabledChanged, button, &QAction::setEnabled);
        if (b.separatorAfter) bar->addSeparator();
    }

    logoBar_ = new QToolBar(QStringLiteral("Logo"), this);
    logoBar_->setObjectName(QStringLiteral("LogoBar"));
    logoBar_->setMovable(false);
    logoBar_->setIconSize(QSize(105, 24));
    auto* spacer = new QWidget(logoBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addToolBar(Qt::TopToolBarArea, logoBar_);
    logoAction_ = logoBar_->addAction(QString());
    logoAction_->setObjectName(QStringLiteral("tb-logo"));
    logoAction_->setToolTip(QStringLiteral("About"));
    connect(logoAction_, &QAction::triggered, this, &frmMain::showAbout);
    setLogo(logo_);
}

void frmMain::buildStatusBar() {
    const char* tips[5] = {"Program Status", "System Time", "System Date", "Output relay status",
                           "Interface Status"};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        label->setToolTip(QString::fromLatin1(tips[i]));
        label->setContentsMargins(6, 0, 6, 0);
        if (i == 0)
            statusBar()->addWidget(label, 1);
        else
            statusBar()->addPermanentWidget(label);
        panels_[i] = label;
    }
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    setStatusPanel(1, QStringLiteral("Ready..."));
    setStatusPanel(5, QStringLiteral("Simulation"));
    auto* clock = new QTimer(this);
    const auto tick = [this] {
        const QDateTime now = QDateTime::currentDateTime();
        setStatusPanel(2, QLocale().toString(now.time(), QLocale::ShortFormat));
        setStatusPanel(3, QLocale().toString(now.date(), QLocale::ShortFormat));
    };
    connect(clock, &QTimer::timeout, this, tick);
    tick();
    clock->start(1000);
}

void frmMain::registerWindow(const QString& entry, const WindowRegistry::Factory& create) {
    QAction* a = action(entry);
    if (!a) return;
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, [this, entry, create] { windows_.show(entry, create); });
}

void frmMain::setStatusPanel(int panel, const QString& text) {
    if (panel >= 1 && panel <= 5) panels_[panel - 1]->setText(text);
}

QString frmMain::statusPanel(int panel) const {
    return panel >= 1 && panel <= 5 ? panels_[panel - 1]->text() : QString();
}

void frmMain::setLogo(const QString& logo) {
    logo_ = logo;
    logoAction_->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(logo)));
}

void frmMain::showAbout() {
    frmAbout about(program_, logo_, this);
    about.exec();
}

void frmMain::showHelp(const QString& page) {
    const QString brand = HelpBrandFor(program_.oemManufacturer);
    if (brand.isEmpty()) return;
    const QString file = program_.paths.shippedFile(QStringLiteral("guide/%1.html")
                                                        .arg(page.isEmpty() ? QStringLiteral("index") : page));
    if (QFileInfo::exists(file)) QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

} // namespace ostrel
