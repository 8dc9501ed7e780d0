#include "automation/frmModulation.h"

#include "app/ControlArrays.h"
#include "app/EntryRejection.h"
#include "app/EntrySignals.h"
#include "automation/ModulationFile.h"
#include "automation/ModulationRun.h"
#include "config/FileNames.h"
#include "config/SaveTarget.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/WindowParts.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

const QString kFilter = QStringLiteral("Modulation Tests (*.mod)|*.mod|All Files (*.*)|*.*");
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

frmModulation::frmModulation(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmModulation"));
    setWindowTitle(QStringLiteral("Modulation Control"));
    build();
    buildMenus();
    ModulationSettings defaults;
    defaults.entry(ModulationTab::Voltage).average = program_.outputState.Phase[0].Voltage;
    defaults.entry(ModulationTab::Frequency).average = program_.outputState.Frequency;
    for (ModulationEntry& e : defaults.tabs)
        e = RoundedModulationEntry(e);
    showSettings(defaults);
    setRunning(false);
    showStatus(QStringLiteral("Ready..."));
}

frmModulation::~frmModulation() {
    DisconnectEntries(*this);
}

void frmModulation::build() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    tabModulation_ = Named(new QTabWidget(central), QStringLiteral("tabModulation"));
    const bool dc = program_.outputState.OutputMode == ModeDC;
    const QString volts = dc ? QStringLiteral("Vdc") : QStringLiteral("Vrms");
    const struct {
        QString title, average, averageUnit, depthUnit;
    } tabs[2] = {
        {QStringLiteral("Voltage Modulation:"), QStringLiteral("V Average:"), volts,
         QStringLiteral("\u00b1 ") + volts},
        {QStringLiteral("Frequency Modulation:"), QStringLiteral("F Average:"),
         QStringLiteral("Hz"), QStringLiteral("Hz")},
    };
    for (int t = 0; t < 2; ++t) {
        auto* page = new QWidget(tabModulation_);
        auto* grid = new QGridLayout(page);
        const auto row = [&](int r, const QString& label, QLineEdit*& box, const char* name,
                             const QString& unit, const QString& tip) {
            grid->addWidget(new QLabel(label, page), r, 0);
            box = Named(new QLineEdit(page), QString::fromLatin1(name), t);
            box->setAlignment(Qt::AlignRight);
            box->setMaximumWidth(90);
            box->setToolTip(tip);
            grid->addWidget(box, r, 1);
            grid->addWidget(new QLabel(unit, page), r, 2);
            connect(box, &QLineEdit::editingFinished, this, [this, t, box] { checkEntry(t, box); });
        };
        row(0, tabs[t].average, txtVnom_[t], "txtVnom", tabs[t].averageUnit,
            QStringLiteral("Set nominal voltage"));
        row(1, QStringLiteral("Mod Depth:"), txtModDepth_[t], "txtModDepth", tabs[t].depthUnit,
            QStringLiteral("Modulation depth in % of Vnom"));
        row(2, QStringLiteral("Rep Rate:"), txtModFreq_[t], "txtModFreq", QStringLiteral("Hz"),
            QStringLiteral("Modulation frequency"));
        row(3, QStringLiteral("Run time:"), txtRunTime_[t], "txtRunTime", QStringLiteral("Secs."),
            QStringLiteral("Run time in seconds"));
        if (t == 0) {
            auto* phases = new QGroupBox(QStringLiteral("Phase"), page);
            phases->setToolTip(QStringLiteral("Select phase(s) to modulate"));
            auto* phaseRow = new QHBoxLayout(phases);
            const bool three = program_.outputState.MultiPhaseOutput == 1;
            for (int p = 0; p < 3; ++p) {
                chkPhase_[p] = Named(new QCheckBox(QString(QChar(u'A' + p)), phases),
                                     QStringLiteral("chkPhase"), p);
                chkPhase_[p]->setEnabled(p == 0 || three);
                phaseRow->addWidget(chkPhase_[p]);
            }
            grid->addWidget(phases, 0, 3, 4, 1);
        } else {
            lblNoFreq_ = Named(new QLabel(QStringLiteral("[Freq n/a in DC mode]"), page),
                               QStringLiteral("lblNoFreq"));
            lblNoFreq_->setVisible(dc);
            grid->addWidget(lblNoFreq_, 4, 0, 1, 3);
            for (QLineEdit* box : {txtVnom_[1], txtModDepth_[1], txtModFreq_[1], txtRunTime_[1]})
                box->setEnabled(!dc);
        }
        grid->setColumnStretch(4, 1);
        tabModulation_->addTab(page, tabs[t].title);
    }
    layout->addWidget(tabModulation_);

    auto* buttons = new QHBoxLayout;
    cmdStart_ =
        Named(new QPushButton(QStringLiteral("&Start"), central), QStringLiteral("cmdStart"));
    cmdStart_->setToolTip(QStringLiteral("Start modulation"));
    cmdAbort_ =
        Named(new QPushButton(QStringLiteral("&Abort"), central), QStringLiteral("cmdAbort"));
    buttons->addWidget(cmdStart_);
    buttons->addWidget(cmdAbort_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    pgbRunTime_ = Named(new QProgressBar(central), QStringLiteral("pgbRunTime"));
    pgbRunTime_->setRange(0, 1000);
    pgbRunTime_->setValue(0);
    pgbRunTime_->setTextVisible(false);
    layout->addWidget(pgbRunTime_);
    setCentralWidget(central);
    lblStatus_ = Named(new QLabel(this), QStringLiteral("lblStatus"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(lblStatus_, 1);

    connect(cmdStart_, &QPushButton::clicked, this, &frmModulation::start);
    connect(cmdAbort_, &QPushButton::clicked, this, &frmModulation::abort);
}

void frmModulation::buildMenus() {
    const auto entry = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(entry(file, "mnuFNew", QStringLiteral("&New")), &QAction::triggered, this,
            &frmModulation::newSettings);
    connect(entry(file, "mnuFOpen", QStringLiteral("&Open...")), &QAction::triggered, this,
            &frmModulation::openFile);
    connect(entry(file, "mnuFSave", QStringLiteral("&Save")), &QAction::triggered, this,
            [this] { saveFile(false); });
    connect(entry(file, "mnuFSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            [this] { saveFile(true); });
    file->addSeparator();
    connect(entry(file, "mnuFExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);
    auto* help = new QAction(QStringLiteral("Help"), this);
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
}

ModulationLimits frmModulation::limits() const {
    ModulationLimits l;
    l.freqMin = program_.sourceModel.FreqMin;
    l.freqMax = program_.sourceModel.FreqMax;
    bool any = false;
    for (int p = 0; p < 3; ++p)
        if (chkPhase_[p]->isChecked() && chkPhase_[p]->isEnabled()) {
            const double v = program_.maxVoltage[size_t(p)];
            l.maxVoltage = any ? std::min(l.maxVoltage, v) : v;
            any = true;
        }
    if (!any) l.maxVoltage = program_.maxVoltage[0];
    return l;
}

void frmModulation::checkEntry(int tab, QLineEdit* box) {
    if (running()) return;
    float value = 0;
    if (!TryParseSingle(box->text().trimmed(), value, program_.decimalSeparator)) {
        ReportRejectedEntry(program_);
        showEntry(tab, shown_[size_t(tab)]);
        return;
    }
    ModulationEntry e = shown_[size_t(tab)];
    (box == txtVnom_[tab]       ? e.average
     : box == txtModDepth_[tab] ? e.depth
     : box == txtModFreq_[tab]  ? e.rate
                                : e.runTime) = value;
    e = RoundedModulationEntry(e);
    const bool timing = box == txtModFreq_[tab] || box == txtRunTime_[tab];
    if (timing && !ModulationTimingValid(e)) {
        ReportRejectedEntry(program_);
        showEntry(tab, shown_[size_t(tab)]);
        return;
    }
    if (const QString bad = ModulationRangeError(ModulationTab(tab), e, limits());
        !bad.isEmpty() && !timing) {
        prompt_.showMessage(bad, PromptIcon::Exclamation);
        showEntry(tab, shown_[size_t(tab)]);
        return;
    }
    shown_[size_t(tab)] = e;
    showEntry(tab, e);
}

void frmModulation::showEntry(int tab, const ModulationEntry& e) {
    const auto put = [this](QLineEdit* box, double v, QStringView mask) {
        box->setText(Shown(FormatNumber(v, mask), program_.decimalSeparator));
    };
    put(txtVnom_[tab], e.average, u"##0.0");
    put(txtModDepth_[tab], e.depth, u"##0.00");
    put(txtModFreq_[tab], e.rate, u"##0.00");
    put(txtRunTime_[tab], e.runTime, u"##0.00");
}

ModulationSettings frmModulation::settings() const {
    ModulationSettings s;
    s.tabs = shown_;
    s.phaseMask = 0;
    for (int p = 0; p < 3; ++p)
        if (chkPhase_[p]->isChecked()) s.phaseMask |= 1 << p;
    return s;
}

void frmModulation::showSettings(const ModulationSettings& s) {
    for (int t = 0; t < 2; ++t) {
        shown_[size_t(t)] = RoundedModulationEntry(s.tabs[size_t(t)]);
        showEntry(t, shown_[size_t(t)]);
    }
    for (int p = 0; p < 3; ++p)
        chkPhase_[p]->setChecked((s.phaseMask >> p) & 1);
}

void frmModulation::newSettings() {
    if (running()) return;
    if (prompt_.ask(QStringLiteral("This operation will erase all settings.") + kCrLf +
                        QStringLiteral("Are you sure you want to continue ?"),
                    PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    ModulationSettings s;
    s.tabs = {ModulationEntry{0, 0, 10, 60}, ModulationEntry{0, 0, 10, 60}};
    showSettings(s);
    fileName_.clear();
}

void frmModulation::openFile() {
    if (running()) return;
    const QString path = prompt_.chooseOpenFile(
        {QStringLiteral("Open Modulation Test File..."), kFilter, QStringLiteral("mod"),
         program_.paths.shippedFile(QStringLiteral("*.mod"))});
    if (path.isEmpty()) return;
    const ModulationFileRead read = ReadModulationFile(path);
    if (!read.settings) {
        prompt_.showMessage(read.error, PromptIcon::Exclamation);
        return;
    }
    showSettings(*read.settings);
    fileName_ = path;
    showStatus(QStringLiteral("Modulation file = ") + QFileInfo(path).fileName());
}

void frmModulation::saveFile(bool choose) {
    QString path = fileName_;
    if (choose || path.isEmpty()) {
        const QString chosen =
            prompt_.chooseSaveFile({QStringLiteral("Save Modulation Settings As..."), kFilter,
                                    QStringLiteral("mod"), fileName_});
        if (chosen.isEmpty()) return;
        path = WithDefaultExtension(chosen, QStringLiteral("mod"));
        if (QFileInfo::exists(path) &&
            prompt_.ask(QStringLiteral("File specified already exists. Do you want to ") + kCrLf +
                            QStringLiteral("overwrite this file?"),
                        PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
            return;
    }
    path = SaveTargetPath(program_.paths, path);
    if (const QString error = WriteModulationFile(path, settings()); !error.isEmpty()) {
        prompt_.showMessage(error, PromptIcon::Critical);
        return;
    }
    fileName_ = path;
    showStatus(QStringLiteral("Modulation file = ") + QFileInfo(path).fileName());
}

void frmModulation::start() {
    if (running()) return;
    const ModulationTab tab = ModulationTab(tabModulation_->currentIndex());
    ModulationRunHooks hooks;
    hooks.relayClosed = [this] {
        if (afterRun_) afterRun_();
    };
    hooks.progress = [this](double share) { pgbRunTime_->setValue(int(share * 1000)); };
    ModulationRun run(program_, settings(), tab, hooks);
    run_ = &run;
    setRunning(true);
    pgbRunTime_->setValue(0);
    const ModulationRunOutcome outcome = run.run();
    run_ = nullptr;
    setRunning(false);
    showStatus(outcome.message.split(kCrLf).first());
    if (!outcome.refused && afterRun_) afterRun_();
    if (closeWhenStopped_) close();
}

void frmModulation::abort() {
    if (run_) run_->stop();
}

void frmModulation::setRunning(bool on) {
    cmdStart_->setEnabled(!on);
    cmdAbort_->setEnabled(on);
    tabModulation_->setEnabled(!on);
    menuBar()->setEnabled(!on);
}

void frmModulation::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

void frmModulation::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmModulation::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close && running()) {
        closeWhenStopped_ = true;
        abort();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Closing while modulating aborts; the window closes once the run's finish
// has restored fixed mode.
void frmModulation::closeEvent(QCloseEvent* event) {
    if (running()) {
        closeWhenStopped_ = true;
        abort();
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
