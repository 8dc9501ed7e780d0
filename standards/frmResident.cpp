#include "standards/frmResident.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "config/SaveTarget.h"
#include "link/Numbers.h"
#include "standards/ResidentReport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString kSurgeNote = QStringLiteral(" - Requires High V Range");
constexpr int kSurgeIndex = 6;

QString windowTitleOf(const ResidentOption& o) {
    switch (o.kind) {
    case ResidentKind::Mil704:
        return QStringLiteral("MIL-STD-704 D-E (Source Firmware)");
    case ResidentKind::Do160:
        return QStringLiteral("RTCA DO-160 (Source Option)");
    case ResidentKind::Ms704:
        break;
    }
    return QStringLiteral("MIL-STD-704 (Source Option)");
}

struct SectionBox {
    ResidentSection section;
    const char* name;
    const char* title;
};

constexpr SectionBox kBoxes[] = {{ResidentSection::Normal, "chkNormal", "Normal"},
                                 {ResidentSection::Transients, "chkTransients", "Transients"},
                                 {ResidentSection::Transfer, "chkTransfer", "Transfer"},
                                 {ResidentSection::Abnormal, "chkAbnormal", "Abnormal"},
                                 {ResidentSection::Emergency, "chkEmergency", "Emergency"},
                                 {ResidentSection::PowerFail, "chkPowerFail", "Power Failure"}};

} // namespace

frmResident::frmResident(Program& program, const ResidentOption& option, QWidget* parent)
    : QMainWindow(parent), program_(program), option_(option),
      run_(program, option,
           {[this](const QString& s) { showStatus(s); },
            [this](int remaining, int total, const QString& schedule) {
                pgbCountdown_->setRange(0, std::max(1, total));
                pgbCountdown_->setValue(remaining);
                lblCountdown_->setText(QStringLiteral("Execution count down test ") + QString::number(remaining) +
                                       QStringLiteral(" s"));
                lblSchedule_->setText(schedule);
            },
            [this](int index) {
                if (index >= 0 && index < tests_.size()) tests_[index]->setFocus();
            },
            [this](const QString& text) { lblFNom_->setText(text); },
            [this](bool on) { setRunning(on); }}),
      kept_(DefaultResidentSetup(option)) {
    setObjectName(option.window);
    setWindowTitle(windowTitleOf(option));
    build();
    applySetup(kept_);
    setRunning(false);
    showStatus(QStringLiteral("Ready..."));
}

void frmResident::build() {
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto* open = Named(file->addAction(QStringLiteral("&Open Test File...")), QStringLiteral("mnuFOpen"));
    auto* save = Named(file->addAction(QStringLiteral("&Save Test File As...")), QStringLiteral("mnuFSave"));
    auto* print = Named(file->addAction(QStringLiteral("&Report...")), QStringLiteral("mnuFPrint"));
    file->addSeparator();
    auto* exit = Named(file->addAction(QStringLiteral("E&xit")), QStringLiteral("mnuFExit"));
    auto* runMenu = menuBar()->addMenu(QStringLiteral("&Run"));
    runMenu->setObjectName(QStringLiteral("mnuRun"));
    auto* all = Named(runMenu->addAction(QStringLiteral("Run &All Selected")), QStringLiteral("mnuRAll"));
    auto* stop = Named(runMenu->addAction(QStringLiteral("&Stop")), QStringLiteral("mnuRStop"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* choices = new QHBoxLayout;
    const auto combo = [&](const QString& label, const QString& name) {
        choices->addWidget(new QLabel(label, central));
        auto* c = Named(new QComboBox(central), name);
        choices->addWidget(c);
        return c;
    };
    cmbRevision_ = combo(option_.kind == ResidentKind::Do160 ? QStringLiteral("Standard") : QStringLiteral("Revision"),
                         QStringLiteral("cmbRevision"));
    cmbRevision_->addItems(option_.revisions);
    cmbGroup_ = combo(QStringLiteral("Group"), QStringLiteral("cmbGroup"));
    for (const ResidentGroup& g : option_.groups)
        cmbGroup_->addItem(g.code);
    cmbFrequency_ = combo(QStringLiteral("Frequency"), QStringLiteral("cmbFrequency"));
    cmbPhase_ = combo(QStringLiteral("Phase"), QStringLiteral("cmbPhase"));
    cmbPhase_->addItems({QStringLiteral("All"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    if (option_.skipAndRepeat) {
        chkVarFreqRepeat_ = Named(new QCheckBox(QStringLiteral("Repeat at 400, 360, 600 and 800 Hz"), central),
                                  QStringLiteral("chkVarFreqRepeat"));
        choices->addWidget(chkVarFreqRepeat_);
    }
    choices->addStretch(1);
    layout->addLayout(choices);

    auto* grid = new QGridLayout;
    int column = 0, row = 0;
    for (int i = 0; i < option_.catalogue.size(); ++i)
        tests_.append(nullptr);
    for (const SectionBox& b : kBoxes) {
        auto* box = Named(new QGroupBox(QString::fromLatin1(b.title), central),
                          QStringLiteral("fra") + QString::fromLatin1(b.name).mid(3));
        auto* boxLayout = new QVBoxLayout(box);
        int members = 0;
        for (int i = 0; i < option_.catalogue.size(); ++i) {
            if (option_.sections[size_t(i)] != b.section) continue;
            QString text = option_.names.value(i);
            if (option_.kind == ResidentKind::Do160 && i == kSurgeIndex && program_.outputState.HighRange == 0)
                text += kSurgeNote;
            auto* check = Named(new QCheckBox(text, box), QString::fromLatin1(b.name), i);
            check->setToolTip(option_.command(i));
            boxLayout->addWidget(check);
            tests_[i] = check;
            ++members;
        }
        boxLayout->addStretch(1);
        box->setVisible(members > 0);
        boxes_.append(box);
        if (members == 0) continue;
        grid->addWidget(box, row, column);
        if (++column == 3) {
            column = 0;
            ++row;
        }
    }
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, const QString& name) {
        auto* b = Named(new QPushButton(text, central), name);
        buttons->addWidget(b);
        return b;
    };
    cmdSelect_ = button(QStringLiteral("Select All"), QStringLiteral("cmdSelect"));
    cmdUnselect_ = button(QStringLiteral("Unselect All"), QStringLiteral("cmdUnselect"));
    cmdStart_ = button(QStringLiteral("&Start"), QStringLiteral("cmdStart"));
    cmdAbort_ = button(QStringLiteral("&Abort"), QStringLiteral("cmdAbort"));
    cmdSkip_ = button(QStringLiteral("S&kip Step"), QStringLiteral("cmdSkip"));
    cmdSkip_->setVisible(option_.skipAndRepeat);
    cmdReport_ = button(QStringLiteral("&Report..."), QStringLiteral("cmdReport"));
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* progress = new QGridLayout;
    lblCountdown_ = Named(new QLabel(QStringLiteral("Execution count down test "), central), QStringLiteral("lblCountdown"));
    pgbCountdown_ = Named(new QProgressBar(central), QStringLiteral("pgbCountdown"));
    pgbCountdown_->setValue(0);
    lblSchedule_ = Named(new QLabel(QStringLiteral("Total: 000:00:00:00   Ends: --:--:--"), central), QStringLiteral("lblSchedule"));
    lblFNom_ = Named(new QLabel(QStringLiteral("--- Hz"), central), QStringLiteral("lblFNom"));
    lblRunState_ = Named(new QLabel(QStringLiteral("IDLE"), central), QStringLiteral("lblRunState"));
    progress->addWidget(lblCountdown_, 0, 0);
    progress->addWidget(pgbCountdown_, 0, 1);
    progress->addWidget(lblSchedule_, 1, 0);
    progress->addWidget(new QLabel(QStringLiteral("Nominal:"), central), 1, 1, Qt::AlignRight);
    progress->addWidget(lblFNom_, 1, 2);
    progress->addWidget(lblRunState_, 0, 2);
    layout->addLayout(progress);
    setCentralWidget(central);
    lblStatus_ = Named(new QLabel(this), QStringLiteral("lblStatus"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(lblStatus_, 1);

    connect(cmbGroup_, &QComboBox::currentIndexChanged, this, [this] { fillFrequencies(); });
    connect(cmdSelect_, &QPushButton::clicked, this, [this] { selectAll(true); });
    connect(cmdUnselect_, &QPushButton::clicked, this, [this] { selectAll(false); });
    connect(cmdStart_, &QPushButton::clicked, this, [this] { start(); });
    connect(all, &QAction::triggered, this, [this] { start(); });
    connect(cmdAbort_, &QPushButton::clicked, this, [this] { run_.requestAbort(); });
    connect(stop, &QAction::triggered, this, [this] { run_.requestAbort(); });
    connect(cmdSkip_, &QPushButton::clicked, this, [this] { run_.requestSkip(); });
    connect(cmdReport_, &QPushButton::clicked, this, [this] { report(); });
    connect(print, &QAction::triggered, this, [this] { report(); });
    connect(open, &QAction::triggered, this, [this] { openChosen(); });
    connect(save, &QAction::triggered, this, [this] { saveChosen(); });
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

void frmResident::fillFrequencies() {
    const int g = std::max(0, cmbGroup_->currentIndex());
    const ResidentGroup& group = option_.groups[size_t(g)];
    const QString was = cmbFrequency_->currentText();
    cmbFrequency_->clear();
    cmbFrequency_->addItems(ResidentFrequencies(option_, group));
    const int keep = cmbFrequency_->findText(was);
    cmbFrequency_->setCurrentIndex(keep >= 0 ? keep : cmbFrequency_->findText(QStringLiteral("400")) >= 0
                                                          ? cmbFrequency_->findText(QStringLiteral("400"))
                                                          : 0);
    const bool threeMode = program_.outputState.MultiPhaseOutput == 1 && program_.sourceModel.MultiPhase == 1;
    cmbPhase_->setEnabled(!running() && threeMode && !group.threePhase);
    if (!threeMode) cmbPhase_->setCurrentIndex(1);
    if (group.threePhase) cmbPhase_->setCurrentIndex(0);
    if (chkVarFreqRepeat_) chkVarFreqRepeat_->setEnabled(!running() && group.variable);
}

ResidentSetup frmResident::setup() const {
    ResidentSetup s = kept_;
    s.revision = cmbRevision_->currentText();
    s.group = cmbGroup_->currentText();
    if (option_.kind == ResidentKind::Do160) s.standard = s.revision;
    s.frequency = cmbFrequency_->currentText().toDouble();
    s.phase = std::max(0, cmbPhase_->currentIndex());
    s.vfRepeat = chkVarFreqRepeat_ && chkVarFreqRepeat_->isChecked();
    s.selected.assign(size_t(option_.catalogue.size()), false);
    for (int i = 0; i < tests_.size(); ++i)
        s.selected[size_t(i)] = tests_[i] && tests_[i]->isChecked();
    return s;
}

void frmResident::applySetup(const ResidentSetup& s) {
    kept_ = s;
    cmbRevision_->setCurrentIndex(std::max(0, cmbRevision_->findText(s.revision)));
    cmbGroup_->setCurrentIndex(std::max(0, option_.groupIndex(s.group)));
    fillFrequencies();
    const int f = cmbFrequency_->findText(FormatNumber(s.frequency, u"##0"));
    if (f >= 0) cmbFrequency_->setCurrentIndex(f);
    cmbPhase_->setCurrentIndex(std::clamp(s.phase, 0, 3));
    if (chkVarFreqRepeat_) chkVarFreqRepeat_->setChecked(s.vfRepeat);
    for (int i = 0; i < tests_.size(); ++i)
        if (tests_[i]) tests_[i]->setChecked(i < int(s.selected.size()) && s.selected[size_t(i)]);
    fillFrequencies();
}

bool frmResident::openFile(const QString& path) {
    QString error;
    const std::optional<ResidentSetup> s = ReadResidentFile(option_, path, error);
    if (!s) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    applySetup(*s);
    filePath_ = path;
    showStatus(QStringLiteral("Loaded ") + QFileInfo(path).fileName());
    return true;
}

bool frmResident::saveFile(const QString& chosen) {
    const QString path = SaveTargetPath(program_.paths, chosen);
    QString error;
    if (!WriteResidentFile(option_, setup(), path, error)) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    filePath_ = path;
    return true;
}

void frmResident::openChosen() {
    const QString folder = program_.paths.userFile(QStringLiteral("IEC_Test"));
    QDir().mkpath(folder);
    const QString path = prompt_.chooseOpenFile({QStringLiteral("Open Test File..."), option_.fileFilter, option_.extension.mid(1), folder});
    if (!path.isEmpty()) openFile(path);
}

void frmResident::saveChosen() {
    const QString folder = program_.paths.userFile(QStringLiteral("IEC_Test"));
    QDir().mkpath(folder);
    const QString path = prompt_.chooseSaveFile({option_.saveTitle, option_.fileFilter, option_.extension.mid(1), folder});
    if (!path.isEmpty()) saveFile(path);
}

void frmResident::selectAll(bool on) {
    for (QCheckBox* c : tests_)
        if (c) c->setChecked(on);
}

void frmResident::setRunning(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{cmbRevision_, cmbGroup_, cmbFrequency_, cmdSelect_, cmdUnselect_,
                                                      cmdStart_, cmdReport_})
        w->setEnabled(!on);
    for (QCheckBox* c : tests_)
        if (c) c->setEnabled(!on);
    cmdAbort_->setEnabled(on);
    cmdSkip_->setEnabled(on);
    lblRunState_->setText(on ? QStringLiteral("RUNNING") : QStringLiteral("IDLE"));
    if (auto* a = findChild<QAction*>(QStringLiteral("mnuRAll"))) a->setEnabled(!on);
    if (auto* a = findChild<QAction*>(QStringLiteral("mnuFPrint"))) a->setEnabled(!on);
    if (!on) fillFrequencies();
    else cmbPhase_->setEnabled(false);
    if (chkVarFreqRepeat_ && on) chkVarFreqRepeat_->setEnabled(false);
}

void frmResident::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

ResidentOutcome frmResident::start() {
    if (running()) return {};
    const ResidentSetup s = setup();
    const int g = std::max(0, option_.groupIndex(s.group));
    const std::vector<int> durations =
        ReadResidentDurations(option_, option_.groups[size_t(g)], ResidentDurationsPath(program_.paths));
    const QString log = program_.paths.userFile(QStringLiteral("Reports/MS704_Meas_Log.txt"));
    QDir().mkpath(QFileInfo(log).absolutePath());
    last_ = run_.run(s, durations, log);
    showStatus(last_->outcome == RunOutcome::Completed ? QStringLiteral("Completed")
               : last_->result.isEmpty()                ? last_->reason
                                                        : last_->result);
    if (closeWhenStopped_) close();
    return *last_;
}

void frmResident::readOptionSettings() {
    if (running() || program_.testRunning || program_.settings.link.bus == BusSimulation || program_.link.Lost())
        return;
    const auto ask = [&](const QString& query, QComboBox* into) {
        if (query.isEmpty()) return;
        const QueryResult r = program_.link.TryQuery(0, query);
        if (!r.ok()) return;
        const QString text = r.text.trimmed();
        for (int i = 0; i < into->count(); ++i)
            if (into->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
                into->setCurrentIndex(i);
                return;
            }
        float f = 0;
        if (into == cmbFrequency_ && TryParseSingle(text, f)) {
            const int at = into->findText(FormatNumber(f, u"##0"));
            if (at >= 0) into->setCurrentIndex(at);
        }
    };
    ask(option_.revisionQuery, cmbRevision_);
    ask(option_.groupQuery, cmbGroup_);
    ask(option_.frequencyQuery, cmbFrequency_);
}

void frmResident::report() {
    if (program_.settings.report.reportFormat != 2) {
        prompt_.showMessage(QStringLiteral("Sorry, text file output in MIL-STD 704\r\nMIL-STD 704 mode not supported. "
                                           "Select\r\nMS Word setting in Options menu."),
                            PromptIcon::Exclamation);
        return;
    }
    if (!last_ || last_->outcome == RunOutcome::NotStarted) {
        showStatus(QStringLiteral("No test run to report."));
        return;
    }
    const ResidentSetup s = setup();
    const TestReportRecord record =
        ResidentReportRecord(option_, s, *last_, program_.messageTitle, filePath_);
    const ResidentReportSource source{QStringLiteral(OSTREL_VERSION), program_.sourceModel.ModelName,
                                      program_.sourceModel.SerialNumber, QDateTime::currentDateTime()};
    const DocumentReportJob job = ResidentReportJob(option_, s, record, source);
    const ReportMade made =
        MakeDocumentReport(prompt_, program_.settings.report, program_.paths, job,
                           static_cast<int>(QRandomGenerator::global()->bounded(job.limit)));
    if (made.written) showStatus(QStringLiteral("Report written: ") + made.files.join(QStringLiteral(", ")));
}

void frmResident::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) readOptionSettings();
}

void frmResident::closeEvent(QCloseEvent* event) {
    if (running()) {
        closeWhenStopped_ = true;
        run_.requestAbort();
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
