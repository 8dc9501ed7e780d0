#include "transients/frmTrans.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "config/SaveTarget.h"
#include "link/Numbers.h"
#include "measure/WindowParts.h"
#include "transients/StepTableRun.h"
#include "transients/TransientListFile.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNewQuestion = QStringLiteral("This operation will erase all transient") + kCrLf +
                             QStringLiteral("information shown in this window!") + kCrLf +
                             QStringLiteral("Are you sure you want to continue ?");
const QString kOverwriteQuestion =
    QStringLiteral("File specified already exists. Do you want to ") + kCrLf +
    QStringLiteral("overwrite this file?");
const QString kCloseRefused = QStringLiteral("Transient execution in progress. Cannot close") +
                              kCrLf +
                              QStringLiteral("transient window as requested. Abort transient") +
                              kCrLf + QStringLiteral("in progress first.");
const QString kAutoSaveName = QStringLiteral("ostrel.dtl");
constexpr int kMaxRunCount = 999999;

// Grid column of a step column: column 0 holds the row numbers.
int gridColumn(int stepColumn) {
    return stepColumn + 1;
}

// Cells that hold numbers: shown in the locale, stored with ".".
bool numericColumn(int stepColumn) {
    return stepColumn == ColTime || stepColumn == ColVoltage || stepColumn == ColFrequency ||
           stepColumn == ColRepeat || stepColumn == ColStartPhase;
}

bool blank(const StepRow& row) {
    return std::all_of(row.begin(), row.end(),
                       [](const QString& c) { return c.trimmed().isEmpty(); });
}

std::optional<int> wholeIn(const QString& text, int min, int max) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < min || v > max) return std::nullopt;
    return v;
}

QAction* entry(QWidget* owner, QMenu* menu, const char* name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setParent(owner);
    return a;
}

} // namespace

frmTrans::frmTrans(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmTrans"));
    setWindowTitle(QStringLiteral("Transient List"));
    dc_ = program_.outputState.OutputMode == ModeDC;
    build();
    buildMenus();
    showTable(StepTable{});
    loadAutoSaved();
    setRunning(false);
    statusBar()->showMessage(QStringLiteral("Ready..."));
    resize(1040, 640);
}

frmTrans::~frmTrans() = default;

QString frmTrans::autoSavePath(const Program& program) {
    return program.paths.userFile(kAutoSaveName);
}

QString frmTrans::shown(const QString& invariant) const {
    return Shown(invariant, program_.decimalSeparator);
}

QString frmTrans::stored(const QString& typed) const {
    QString text = typed.trimmed();
    return text.replace(program_.decimalSeparator, QLatin1Char('.'));
}

void frmTrans::build() {
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    grdRegs_ =
        Named(new QTableWidget(kMaxStepRows, kStepColumns + 1, central), QStringLiteral("grdRegs"));
    lblGrid_ = Named(new QLabel(central), QStringLiteral("lblGrid"));
    lblGrid_->setBuddy(grdRegs_);
    left->addWidget(lblGrid_);
    left->addWidget(grdRegs_, 1);
    layout->addLayout(left, 1);
    settings_ = buildSettings(central);
    layout->addWidget(settings_);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    setUpGrid();
}

QWidget* frmTrans::buildSettings(QWidget* parent) {
    auto* panel = new QWidget(parent);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    auto* data = new QGroupBox(QStringLiteral("Data Mode"), panel);
    auto* dataGrid = new QGridLayout(data);
    QList<QRadioButton*> dataButtons;
    optData_ =
        OptionArray(data, QStringLiteral("optData"),
                    {QStringLiteral("Relative (%)"), QStringLiteral("Absolute")}, &dataButtons);
    dataGrid->addWidget(dataButtons[0], 0, 0);
    dataGrid->addWidget(dataButtons[1], 0, 1);
    txtVnom_ = Named(new QLineEdit(data), QStringLiteral("txtVnom"));
    txtFnom_ = Named(new QLineEdit(data), QStringLiteral("txtFnom"));
    dataGrid->addWidget(new QLabel(QStringLiteral("V nom"), data), 1, 0);
    dataGrid->addWidget(txtVnom_, 1, 1);
    dataGrid->addWidget(new QLabel(QStringLiteral("F nom"), data), 2, 0);
    dataGrid->addWidget(txtFnom_, 2, 1);
    chkSteady_ =
        Named(new QCheckBox(QStringLiteral("Use Steady State"), data), QStringLiteral("chkSteady"));
    chkCycles_ =
        Named(new QCheckBox(QStringLiteral("Time in Cycles"), data), QStringLiteral("chkCycles"));
    dataGrid->addWidget(chkSteady_, 3, 0, 1, 2);
    dataGrid->addWidget(chkCycles_, 4, 0, 1, 2);
    column->addWidget(data);

    auto* phases = new QGroupBox(QStringLiteral("Phases"), panel);
    auto* phaseRow = new QHBoxLayout(phases);
    for (int p = 0; p < 3; ++p) {
        chkPhase_[size_t(p)] =
            Named(new QCheckBox(QString(QChar(u'A' + p)), phases), QStringLiteral("chkPhase"), p);
        phaseRow->addWidget(chkPhase_[size_t(p)]);
    }
    // A single-phase output has only phase A.
    const bool threePhase = program_.outputState.MultiPhaseOutput != 0;
    chkPhase_[1]->setEnabled(threePhase);
    chkPhase_[2]->setEnabled(threePhase);
    column->addWidget(phases);

    auto* run = new QGroupBox(QStringLiteral("Run Mode"), panel);
    auto* runGrid = new QGridLayout(run);
    QList<QRadioButton*> modes;
    optMode_ = OptionArray(run, QStringLiteral("optMode"),
                           {QStringLiteral("Run"), QStringLiteral("Continuous")}, &modes);
    txtMode_ = Named(new QLineEdit(run), QStringLiteral("txtMode"));
    txtMode_->setValidator(new QIntValidator(1, kMaxRunCount, txtMode_));
    txtMode_->setMaximumWidth(70);
    runGrid->addWidget(modes[0], 0, 0);
    runGrid->addWidget(txtMode_, 0, 1);
    runGrid->addWidget(new QLabel(QStringLiteral("times"), run), 0, 2);
    runGrid->addWidget(modes[1], 1, 0, 1, 3);
    column->addWidget(run);

    QList<QRadioButton*> sources;
    optTrigSource_ = OptionArray(panel, QStringLiteral("optTrigSource"),
                                 {QStringLiteral("GPIB bus GET"),
                                  QStringLiteral("External Trigger"), QStringLiteral("Immediate")},
                                 &sources);
    column->addWidget(OptionBox(panel, QStringLiteral("Trigger Source"), optTrigSource_));

    auto* pacing = new QGroupBox(QStringLiteral("Step Pacing"), panel);
    auto* pacingRow = new QHBoxLayout(pacing);
    pacing_ = new QButtonGroup(pacing);
    auto* optAuto =
        Named(new QRadioButton(QStringLiteral("Auto"), pacing), QStringLiteral("optAuto"));
    auto* optOnce =
        Named(new QRadioButton(QStringLiteral("Once"), pacing), QStringLiteral("optOnce"));
    pacing_->addButton(optAuto, 0);
    pacing_->addButton(optOnce, 1);
    pacingRow->addWidget(optAuto);
    pacingRow->addWidget(optOnce);
    column->addWidget(pacing);

    chkBanner_ = Named(new QCheckBox(QStringLiteral("Show Popup when done"), panel),
                       QStringLiteral("chkBanner"));
    chkMonitor_ = Named(new QCheckBox(QStringLiteral("Monitor output."), panel),
                        QStringLiteral("chkMonitor"));
    column->addWidget(chkBanner_);
    column->addWidget(chkMonitor_);
    auto* triggerRow = new QHBoxLayout;
    auto* triggerLabel =
        new QLabel(QStringLiteral("Trigger Waveform Acquisition at step number :"), panel);
    triggerLabel->setWordWrap(true);
    txtTrigger_ = Named(new QLineEdit(panel), QStringLiteral("txtTrigger"));
    txtTrigger_->setValidator(new QIntValidator(1, kMaxStepRows, txtTrigger_));
    txtTrigger_->setMaximumWidth(48);
    spnTrigger_ = Named(new QScrollBar(Qt::Vertical, panel), QStringLiteral("spnTrigger"));
    spnTrigger_->setRange(1, kMaxStepRows);
    // The up arrow counts up, as on a spin button.
    spnTrigger_->setInvertedAppearance(true);
    spnTrigger_->setInvertedControls(false);
    spnTrigger_->setFixedHeight(txtTrigger_->sizeHint().height());
    triggerRow->addWidget(triggerLabel, 1);
    triggerRow->addWidget(txtTrigger_);
    triggerRow->addWidget(spnTrigger_);
    column->addLayout(triggerRow);
    connect(spnTrigger_, &QScrollBar::valueChanged, this,
            [this](int v) { txtTrigger_->setText(QString::number(v)); });
    connect(txtTrigger_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const std::optional<int> v = wholeIn(text, 1, kMaxStepRows)) {
            const QSignalBlocker block(spnTrigger_);
            spnTrigger_->setValue(*v);
        }
    });

    column->addWidget(new QLabel(QStringLiteral("User comment"), panel));
    txtComment_ = Named(new QLineEdit(panel), QStringLiteral("txtComment"));
    column->addWidget(txtComment_);
    column->addStretch();

    auto* buttons = new QHBoxLayout;
    cmdStart_ = Named(new QPushButton(QStringLiteral("&Start"), panel), QStringLiteral("cmdStart"));
    cmdStop_ = Named(new QPushButton(QStringLiteral("S&top"), panel), QStringLiteral("cmdStop"));
    buttons->addWidget(cmdStart_);
    buttons->addWidget(cmdStop_);
    column->addLayout(buttons);
    panel->setMaximumWidth(300);

    // The steady state gives the bases: the typed ones do not apply.
    connect(chkSteady_, &QCheckBox::toggled, this, [this](bool steady) {
        txtVnom_->setEnabled(!steady);
        txtFnom_->setEnabled(!steady);
    });
    connect(optData_, &QButtonGroup::idClicked, this, &frmTrans::applyHeadings);
    connect(chkCycles_, &QCheckBox::toggled, this, &frmTrans::applyHeadings);
    connect(cmdStart_, &QPushButton::clicked, this, &frmTrans::start);
    connect(cmdStop_, &QPushButton::clicked, this, &frmTrans::stop);
    return panel;
}

void frmTrans::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* fileNew = entry(this, file, "mnuFNew", QStringLiteral("&New"));
    QAction* fileOpen = entry(this, file, "mnuFOpen", QStringLiteral("&Open..."));
    connect(fileNew, &QAction::triggered, this, &frmTrans::newTable);
    connect(fileOpen, &QAction::triggered, this, &frmTrans::openFile);
    connect(entry(this, file, "mnuFSave", QStringLiteral("&Save")), &QAction::triggered, this,
            &frmTrans::save);
    connect(entry(this, file, "mnuFAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &frmTrans::saveAs);
    connect(entry(this, file, "mnuFPrint", QStringLiteral("&Print...")), &QAction::triggered, this,
            &frmTrans::print);
    file->addSeparator();
    connect(entry(this, file, "mnuFExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* insert = entry(this, edit, "mnuEInsert", QStringLiteral("&Insert Row"));
    QAction* remove = entry(this, edit, "mnuEDelete", QStringLiteral("&Delete Row"));
    connect(insert, &QAction::triggered, this, &frmTrans::insertRow);
    connect(remove, &QAction::triggered, this, &frmTrans::deleteRow);
    idleOnly_ = {fileNew, fileOpen, insert, remove};

    QMenu* transient = menuBar()->addMenu(QStringLiteral("&Transient"));
    mnuTRun_ = entry(this, transient, "mnuTRun", QStringLiteral("&Start"));
    mnuTStop_ = entry(this, transient, "mnuTStop", QStringLiteral("S&top"));
    connect(mnuTRun_, &QAction::triggered, this, &frmTrans::start);
    connect(mnuTStop_, &QAction::triggered, this, &frmTrans::stop);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = entry(this, help, "mnuHContents", QStringLiteral("&Contents..."));
    contents->setShortcut(QKeySequence::HelpContents);
    connect(contents, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
}

void frmTrans::setUpGrid() {
    grdRegs_->verticalHeader()->hide();
    for (int r = 0; r < kMaxStepRows; ++r) {
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setFlags(Qt::ItemIsEnabled);
        number->setTextAlignment(Qt::AlignCenter);
        grdRegs_->setItem(r, 0, number);
        auto* type = new QComboBox(grdRegs_);
        type->setObjectName(QStringLiteral("cmbType"));
        type->setProperty("index", r);
        grdRegs_->setCellWidget(r, gridColumn(ColType), type);
        for (int c = ColTime; c < kStepColumns; ++c) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(c == ColWaveform ? Qt::AlignLeft | Qt::AlignVCenter
                                                    : Qt::AlignRight | Qt::AlignVCenter);
            grdRegs_->setItem(r, gridColumn(c), cell);
        }
    }
    QHeaderView* header = grdRegs_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    grdRegs_->setColumnWidth(0, 44);
    grdRegs_->setColumnWidth(gridColumn(ColType), 118);
    for (int c = ColTime; c < kStepColumns; ++c)
        grdRegs_->setColumnWidth(gridColumn(c), 88);
    header->setStretchLastSection(true);
    applyMode();
}

// The type lists and headings follow the output mode: six types and "Break" in DC.
void frmTrans::applyMode() {
    const bool dc = program_.outputState.OutputMode == ModeDC;
    if (dc == dc_ && typeBoxesFilled_) return;
    dc_ = dc;
    typeBoxesFilled_ = true;
    for (int r = 0; r < kMaxStepRows; ++r)
        setTypeCell(r, typeCell(r));
    applyHeadings();
}

void frmTrans::applyHeadings() {
    QStringList headings{QStringLiteral("No.")};
    const bool relative = optData_->checkedId() != 1;
    for (int c = 0; c < kStepColumns; ++c)
        headings << StepColumnHeading(c, relative, chkCycles_->isChecked(), dc_);
    grdRegs_->setHorizontalHeaderLabels(headings);
}

void frmTrans::setTypeCell(int row, const QString& type) {
    auto* box = qobject_cast<QComboBox*>(grdRegs_->cellWidget(row, gridColumn(ColType)));
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(dc_ ? DcStepTypeNames() : AcStepTypeNames());
    if (type.trimmed().isEmpty()) {
        box->setCurrentIndex(-1);
        return;
    }
    int at = box->findText(type.trimmed(), Qt::MatchFixedString);
    // A type this mode does not offer stays as it is; the run names it.
    if (at < 0) {
        box->addItem(type.trimmed());
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

QString frmTrans::typeCell(int row) const {
    const auto* box = qobject_cast<QComboBox*>(grdRegs_->cellWidget(row, gridColumn(ColType)));
    return box->currentIndex() < 0 ? QString() : box->currentText();
}

StepRow frmTrans::rowAt(int row) const {
    StepRow cells;
    cells[ColType] = typeCell(row);
    for (int c = ColTime; c < kStepColumns; ++c) {
        const QString text = grdRegs_->item(row, gridColumn(c))->text().trimmed();
        cells[size_t(c)] = numericColumn(c) ? stored(text) : text;
    }
    return cells;
}

void frmTrans::showRow(int row, const StepRow& cells) {
    setTypeCell(row, cells[ColType]);
    for (int c = ColTime; c < kStepColumns; ++c)
        grdRegs_->item(row, gridColumn(c))
            ->setText(numericColumn(c) ? shown(cells[size_t(c)]) : cells[size_t(c)]);
}

bool frmTrans::rowBlank(int row) const {
    return blank(rowAt(row));
}

StepTable frmTrans::table() const {
    StepTable t;
    int last = kMaxStepRows - 1;
    while (last >= 0 && rowBlank(last))
        --last;
    for (int r = 0; r <= last; ++r)
        t.rows.push_back(rowAt(r));
    t.relative = optData_->checkedId() != 1;
    t.vnomText = stored(txtVnom_->text());
    t.fnomText = stored(txtFnom_->text());
    t.cycles = chkCycles_->isChecked();
    t.useSteadyState = chkSteady_->isChecked();
    for (int p = 0; p < 3; ++p)
        t.phases[size_t(p)] = chkPhase_[size_t(p)]->isChecked();
    t.continuous = optMode_->checkedId() == 1;
    t.runCount = wholeIn(txtMode_->text(), 1, kMaxRunCount).value_or(0);
    t.triggerSource = TriggerSource(std::max(0, optTrigSource_->checkedId()));
    t.autoPacing = pacing_->checkedId() != 1;
    t.popup = chkBanner_->isChecked();
    t.comment = txtComment_->text();
    t.triggerStep = wholeIn(txtTrigger_->text(), 1, kMaxStepRows).value_or(0);
    t.monitor = chkMonitor_->isChecked();
    return t;
}

void frmTrans::showTable(const StepTable& t) {
    for (int r = 0; r < kMaxStepRows; ++r)
        showRow(r, r < int(t.rows.size()) ? t.rows[size_t(r)] : StepRow{});
    optData_->button(t.relative ? 0 : 1)->setChecked(true);
    txtVnom_->setText(shown(t.vnomText));
    txtFnom_->setText(shown(t.fnomText));
    chkCycles_->setChecked(t.cycles);
    chkSteady_->setChecked(t.useSteadyState);
    for (int p = 0; p < 3; ++p)
        chkPhase_[size_t(p)]->setChecked(t.phases[size_t(p)]);
    optMode_->button(t.continuous ? 1 : 0)->setChecked(true);
    txtMode_->setText(QString::number(t.runCount));
    optTrigSource_->button(int(t.triggerSource))->setChecked(true);
    pacing_->button(t.autoPacing ? 0 : 1)->setChecked(true);
    chkBanner_->setChecked(t.popup);
    chkMonitor_->setChecked(t.monitor);
    txtComment_->setText(t.comment);
    txtTrigger_->setText(QString::number(std::clamp(t.triggerStep, 1, kMaxStepRows)));
    applyHeadings();
}

void frmTrans::showFileName() {
    lblGrid_->setText(QStringLiteral("T&ransient List: ") +
                      (file_.isEmpty() ? QStringLiteral("<NEW>") : QFileInfo(file_).fileName()));
}

void frmTrans::insertRow() {
    const int at = std::max(0, grdRegs_->currentRow());
    if (!rowBlank(kMaxStepRows - 1)) {
        prompt_.showMessage(QStringLiteral("The table holds at most %1 steps: clear row %1 before "
                                           "inserting a row.")
                                .arg(kMaxStepRows),
                            PromptIcon::Exclamation);
        return;
    }
    for (int r = kMaxStepRows - 1; r > at; --r)
        showRow(r, rowAt(r - 1));
    showRow(at, StepRow{});
}

void frmTrans::deleteRow() {
    const int at = std::max(0, grdRegs_->currentRow());
    for (int r = at; r < kMaxStepRows - 1; ++r)
        showRow(r, rowAt(r + 1));
    showRow(kMaxStepRows - 1, StepRow{});
}

void frmTrans::newTable() {
    if (prompt_.ask(kNewQuestion, PromptButtons::YesNo, 2, PromptIcon::Exclamation) !=
        PromptAnswer::Yes)
        return;
    showTable(StepTable{});
    file_.clear();
    showFileName();
}

void frmTrans::openFile() {
    const QString path =
        prompt_.chooseOpenFile({QStringLiteral("Open Transient List File..."), kTransientListFilter,
                                QStringLiteral("tls"), file_});
    if (path.isEmpty()) return;
    const TransientListRead read = ReadTransientList(path);
    if (!read.table) {
        prompt_.showMessage(read.error, PromptIcon::Exclamation);
        return;
    }
    showTable(*read.table);
    file_ = path;
    showFileName();
}

bool frmTrans::save() {
    if (file_.isEmpty()) return saveAs();
    const QString path = SaveTargetPath(program_.paths, file_);
    if (!writeTo(path)) return false;
    file_ = path;
    showFileName();
    return true;
}

bool frmTrans::saveAs() {
    const QString chosen =
        prompt_.chooseSaveFile({QStringLiteral("Save Transient List As ..."), kTransientListFilter,
                                QStringLiteral("tls"), file_});
    if (chosen.isEmpty()) return false;
    const QString path = SaveTargetPath(program_.paths, TransientListPath(chosen));
    if (QFileInfo::exists(path) && prompt_.ask(kOverwriteQuestion, PromptButtons::YesNo, 2,
                                               PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    if (!writeTo(path)) return false;
    file_ = path;
    showFileName();
    return true;
}

bool frmTrans::writeTo(const QString& path) {
    QString error;
    if (!WriteTransientList(path, table(), error)) {
        prompt_.showMessage(error, PromptIcon::Critical);
        return false;
    }
    return true;
}

void frmTrans::autoSave() {
    QDir().mkpath(program_.paths.userDir);
    QString error;
    if (!WriteTransientList(autoSavePath(program_), table(), error))
        prompt_.showMessage(error, PromptIcon::Exclamation);
}

void frmTrans::loadAutoSaved() {
    file_.clear();
    showFileName();
    const QString path = autoSavePath(program_);
    if (!QFileInfo::exists(path)) return;
    const TransientListRead read = ReadTransientList(path);
    if (!read.table) {
        prompt_.showMessage(QStringLiteral("The transient list kept from the last session cannot "
                                           "be read; the window opens empty.") +
                                kCrLf + read.error,
                            PromptIcon::Exclamation);
        return;
    }
    showTable(*read.table);
}

void frmTrans::setRunning(bool on) {
    cmdStart_->setEnabled(!on);
    mnuTRun_->setEnabled(!on);
    cmdStop_->setEnabled(on);
    mnuTStop_->setEnabled(on);
    grdRegs_->setEnabled(!on);
    // The settings are locked too; Stop stays reachable among them.
    for (QWidget* w : settings_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != cmdStart_ && w != cmdStop_) w->setEnabled(!on);
    for (QAction* a : idleOnly_)
        a->setEnabled(!on);
}

void frmTrans::start() {
    if (run_) return;
    // The main panel may have changed the output mode since the window opened.
    applyMode();
    const StepTable t = table();
    if (!t.continuous && t.runCount < 1) {
        prompt_.showMessage(QStringLiteral("Run count \"%1\" must be a whole number from 1 to %2.")
                                .arg(txtMode_->text())
                                .arg(kMaxRunCount),
                            PromptIcon::Exclamation);
        return;
    }
    if (t.triggerStep < 1) {
        prompt_.showMessage(QStringLiteral("Trigger step \"%1\" must be a row number from 1 to %2.")
                                .arg(txtTrigger_->text())
                                .arg(kMaxStepRows),
                            PromptIcon::Exclamation);
        return;
    }
    setRunning(true);
    statusBar()->showMessage(QStringLiteral("Transient Execution in progress..."));
    if (t.monitor && openMonitor_) monitor_ = openMonitor_();
    ListRunHooks hooks;
    hooks.progress = [this, continuous = t.continuous](const ListRunProgress& p) {
        statusBar()->showMessage(
            continuous ? QStringLiteral("Transient Execution in continuous mode...")
                       : QStringLiteral("Transient Execution pass number %1").arg(p.pass));
    };
    hooks.refreshMonitor = [this] { refreshMonitor(); };
    StepTableRun run(program_, t, std::move(hooks));
    run_ = &run;
    StepTableRunOutcome outcome;
    {
        // The run's questions and messages belong to this window.
        const PromptOwner owner(program_.prompt(), this);
        outcome = run.run();
    }
    run_ = nullptr;
    setRunning(false);
    statusBar()->showMessage(outcome.refused ? QStringLiteral("Ready...") : outcome.run.message);
    // Also after a refusal: the relay may have closed before it.
    if (afterRun_) afterRun_();
    if (closeWhenStopped_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmTrans::stop() {
    if (!run_) return;
    statusBar()->showMessage(QStringLiteral("Transient Execution aborted by operator"));
    run_->stop();
}

// One reading of the measurement window, never its repeat loop inside the run.
void frmTrans::refreshMonitor() {
    if (!monitor_) return;
    auto* measure = monitor_->findChild<QPushButton*>(QStringLiteral("cmdMeas"));
    if (!measure || !measure->isEnabled()) return;
    for (QRadioButton* b : monitor_->findChildren<QRadioButton*>(QStringLiteral("optMode")))
        if (b->property("index").toInt() == 0) b->setChecked(true);
    measure->click();
}

void frmTrans::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmTrans::eventFilter(QObject* watched, QEvent* event) {
    // The program closes: a run in progress is stopped (abort, restore) and
    // the window closes once it has ended.
    if (watched == mainWindow_ && event->type() == QEvent::Close && run_) {
        closeWhenStopped_ = true;
        run_->stop();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmTrans::print() {
    QPrinter printer;
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Transient List Report"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { printTo(*p); });
    preview.exec();
}

QStringList frmTrans::reportHeader() const {
    const StepTable t = table();
    QString mode;
    if (!t.relative) {
        mode = dc_ ? QStringLiteral("Data entry mode: Absolute DC")
                   : QStringLiteral("Data entry mode: Absolute");
    } else {
        const OutputState& out = program_.outputState;
        float v = 0, f = 0;
        const bool typed = TryParseSingle(t.vnomText, v) && TryParseSingle(t.fnomText, f);
        const double vnom =
            t.useSteadyState ? (dc_ ? out.Phase[0].DcVoltage : out.Phase[0].Voltage) : v;
        const double fnom = t.useSteadyState ? out.Frequency : f;
        mode = QStringLiteral("Data entry mode: Relative Vnom = ") +
               (t.useSteadyState || typed ? shown(FormatNumber(vnom, u"##0.0")) : t.vnomText) +
               QStringLiteral(", Fnom = ") +
               (t.useSteadyState || typed ? shown(FormatNumber(fnom, u"###0.0")) : t.fnomText);
    }
    return {program_.messageTitle + QStringLiteral(" Transient List Report"),
            QStringLiteral("Printed on: ") +
                QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat),
            mode, QStringLiteral("Comment: ") + t.comment};
}

void frmTrans::printTo(QPrinter& printer) {
    statusBar()->showMessage(QStringLiteral("Processing print request...Please stand by..."));
    const StepTable t = table();
    QProgressDialog progress(
        QStringLiteral("Printing Transient List Report - Click Cancel to quit"),
        QStringLiteral("Cancel"), 0, int(t.rows.size()) + 1, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QPainter painter;
    if (!painter.begin(&printer)) {
        statusBar()->showMessage(QStringLiteral("Ready..."));
        return;
    }
    const QRect page = painter.viewport();
    const int line = painter.fontMetrics().height() * 3 / 2;
    const QStringList header = reportHeader();
    QFont titleFont = painter.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);

    // Column 0 narrow, the type wider, the rest alike.
    std::array<int, kStepColumns + 2> x{};
    const int unit = page.width() / 17;
    x[0] = 0;
    x[1] = unit;
    x[2] = 4 * unit;
    for (int c = 3; c < kStepColumns + 2; ++c)
        x[size_t(c)] = x[size_t(c - 1)] + 2 * unit;
    const auto tableHeading = [&](int y) {
        painter.save();
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(x[0], y, QStringLiteral("No."));
        for (int c = 0; c < kStepColumns; ++c)
            painter.drawText(x[size_t(c + 1)], y, StepColumnHeading(c, t.relative, t.cycles, dc_));
        painter.restore();
        return y + line;
    };
    const auto pageHeader = [&](int number) {
        painter.save();
        painter.setFont(titleFont);
        painter.drawText(QRect(0, 0, page.width(), 2 * line), Qt::AlignLeft | Qt::AlignTop,
                         header[0]);
        painter.restore();
        painter.drawText(QRect(0, 2 * line, page.width(), line), Qt::AlignLeft, header[1]);
        painter.drawText(QRect(0, 2 * line, page.width(), line), Qt::AlignRight,
                         QStringLiteral("Page %1").arg(number));
        return 4 * line;
    };
    int pageNumber = 1;
    int y = pageHeader(pageNumber);
    painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft, header[2]);
    y += line;
    painter.drawText(QRect(0, y, page.width(), 2 * line), Qt::AlignLeft | Qt::TextWordWrap,
                     header[3]);
    y = tableHeading(y + 3 * line);
    for (int r = 0; r < int(t.rows.size()) && !progress.wasCanceled(); ++r) {
        if (y > page.height() - line) {
            printer.newPage();
            y = tableHeading(pageHeader(++pageNumber));
        }
        const StepRow& row = t.rows[size_t(r)];
        painter.drawText(x[0], y, QString::number(r + 1));
        for (int c = 0; c < kStepColumns; ++c)
            painter.drawText(x[size_t(c + 1)], y,
                             numericColumn(c) ? shown(row[size_t(c)]) : row[size_t(c)]);
        y += line;
        progress.setValue(r + 1);
    }
    painter.end();
    progress.setValue(progress.maximum());
    statusBar()->showMessage(QStringLiteral("Ready..."));
}

void frmTrans::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !run_) applyMode();
    QMainWindow::changeEvent(event);
}

void frmTrans::closeEvent(QCloseEvent* event) {
    if (run_) {
        event->ignore();
        // The program is closing: the window goes once the run has unwound.
        if (!closeWhenStopped_) prompt_.showMessage(kCloseRefused, PromptIcon::Information);
        return;
    }
    autoSave();
    QMainWindow::closeEvent(event);
}

} // namespace ostrel
