#include "measure/frmMeas.h"

#include "app/ControlArrays.h"
#include "app/EntrySignals.h"
#include "config/frmSmallDialogs.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/MeasurementLog.h"
#include "measure/WindowParts.h"
#include "measure/frmLogger.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const char* const kRowCaptions[kReadoutCount] = {
    "Voltage (V rms):",  "Current (A rms):",      "Phase angle (\u00b0):",
    "True power (kW):",  "Apparent power (kVA):", "Power factor:",
    "Peak current (A):", "Crest factor:",         "DC offset (V):"};
const char* const kLineNames[3] = {"lblVAC", "lblVAB", "lblVBC"};
const char* const kLineCaptions[3] = {"Vac (V):", "Vab (V):", "Vbc (V):"};

QLabel* valueLabel(QWidget* parent, const QString& name, int index) {
    auto* l = Named(new QLabel(parent), name, index);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(84);
    return l;
}

} // namespace

frmMeas::frmMeas(Program& program, MeasurementState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program), state_(state), io_(program) {
    setObjectName(QStringLiteral("frmMeas"));
    setWindowTitle(QStringLiteral("Measurements"));
    SeedLogRecords(state_, program_.settings.measurements, program_.paths.userDir);
    build();
    loadRecord();
    refreshPhases();
    showModeCaptions();
}

frmMeas::~frmMeas() {
    DisconnectEntries(*this);
}

void frmMeas::build() {
    auto* layout = new QVBoxLayout(this);
    auto* readings = new QGroupBox(QStringLiteral("Readings"), this);
    auto* grid = new QGridLayout(readings);
    grid->setHorizontalSpacing(10);
    for (int p = 0; p < kPhaseCount; ++p) {
        chkPhase_[p] = Named(new QCheckBox(QStringLiteral("Phase ") + PhaseLetter(p), readings),
                             QStringLiteral("chkPhase"), p);
        grid->addWidget(chkPhase_[p], 0, 2 + p, Qt::AlignRight);
        connect(chkPhase_[p], &QCheckBox::toggled, this, &frmMeas::saveRecord);
    }
    grid->addWidget(new QLabel(QStringLiteral("Frequency (Hz):"), readings), 1, 1);
    freq_ = valueLabel(readings, QStringLiteral("Freq"), -1);
    grid->addWidget(freq_, 1, 2);
    for (int k = 0; k < kReadoutCount; ++k) {
        const int row = 2 + k;
        chkReadout_[k] = Named(new QCheckBox(readings), QStringLiteral("chkReadout"), k);
        connect(chkReadout_[k], &QCheckBox::toggled, this, &frmMeas::saveRecord);
        rowCaption_[k] = Named(new QLabel(QString::fromUtf8(kRowCaptions[k]), readings),
                               QStringLiteral("lblCaption"), k);
        grid->addWidget(chkReadout_[k], row, 0);
        grid->addWidget(rowCaption_[k], row, 1);
        const QString array = QString::fromLatin1(ReadoutInfoOf(k).labels);
        for (int p = 0; p < kPhaseCount; ++p) {
            values_[k][p] = valueLabel(readings, array, p);
            grid->addWidget(values_[k][p], row, 2 + p);
        }
        indicator_[k] =
            Named(new QLabel(QStringLiteral("\u25cf"), readings), QStringLiteral("shpReading"), k);
        indicator_[k]->setStyleSheet(QStringLiteral("color: #2e8b57;"));
        QSizePolicy keep = indicator_[k]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        indicator_[k]->setSizePolicy(keep);
        indicator_[k]->hide();
        grid->addWidget(indicator_[k], row, 5);
    }
    const int lineRow = 2 + kReadoutCount;
    for (int i = 0; i < 3; ++i) {
        chkReadout_[kReadoutCount + i] =
            Named(new QCheckBox(QString::fromLatin1(kLineCaptions[i]), readings),
                  QStringLiteral("chkReadout"), kReadoutCount + i);
        lineLabels_[i] = valueLabel(readings, QString::fromLatin1(kLineNames[i]), -1);
        auto* pair = new QHBoxLayout;
        pair->addWidget(chkReadout_[kReadoutCount + i]);
        pair->addWidget(lineLabels_[i]);
        grid->addLayout(pair, lineRow, 2 + i);
    }
    grid->addWidget(new QLabel(QStringLiteral("Line to line:"), readings), lineRow, 1);
    layout->addWidget(readings);

    auto* run = new QGroupBox(QStringLiteral("Measure"), this);
    auto* runGrid = new QGridLayout(run);
    QList<QRadioButton*> modes;
    optMode_ = OptionArray(run, QStringLiteral("optMode"),
                           {QStringLiteral("Single"), QStringLiteral("Repeat every")}, &modes);
    modes[0]->setChecked(true);
    runGrid->addWidget(modes[0], 0, 0);
    runGrid->addWidget(modes[1], 1, 0);
    txtLog_ = Named(new QLineEdit(run), QStringLiteral("txtLog"));
    txtLog_->setValidator(new QIntValidator(0, 9999, txtLog_));
    txtLog_->setMaximumWidth(64);
    txtLog_->setAlignment(Qt::AlignRight);
    runGrid->addWidget(txtLog_, 1, 1);
    runGrid->addWidget(new QLabel(QStringLiteral("s"), run), 1, 2);
    chkLog_ = Named(new QCheckBox(QStringLiteral("Log to file"), run), QStringLiteral("chkLog"));
    cmdLogFileSelect_ = Named(new QPushButton(run), QStringLiteral("cmdLogFileSelect"));
    chkLLMeas_ = Named(new QCheckBox(QStringLiteral("Log line-to-line voltages"), run),
                       QStringLiteral("chkLLMeas"));
    runGrid->addWidget(chkLog_, 0, 3);
    runGrid->addWidget(cmdLogFileSelect_, 0, 4);
    runGrid->addWidget(chkLLMeas_, 1, 3, 1, 2);
    runGrid->setColumnStretch(5, 1);
    layout->addWidget(run);

    auto* buttons = new QHBoxLayout;
    cmdMeas_ = Named(new QPushButton(QStringLiteral("Measure"), this), QStringLiteral("cmdMeas"));
    cmdStop_ = Named(new QPushButton(QStringLiteral("Stop"), this), QStringLiteral("cmdStop"));
    cmdPeakzero_ =
        Named(new QPushButton(QStringLiteral("Reset Peak"), this), QStringLiteral("cmdPeakzero"));
    cmdGuiSettings_ = Named(new QPushButton(QStringLiteral("Averaging..."), this),
                            QStringLiteral("cmdGuiSettings"));
    chkOnTop_ =
        Named(new QCheckBox(QStringLiteral("Always on top"), this), QStringLiteral("chkOnTop"));
    cmdStop_->setEnabled(false);
    cmdMeas_->setDefault(true);
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmdMeas_, cmdStop_, cmdPeakzero_, cmdGuiSettings_})
        buttons->addWidget(w);
    buttons->addStretch();
    buttons->addWidget(chkOnTop_);
    layout->addLayout(buttons);

    connect(cmdMeas_, &QPushButton::clicked, this, &frmMeas::measure);
    connect(cmdStop_, &QPushButton::clicked, this, [this] { state_.stop = true; });
    connect(cmdPeakzero_, &QPushButton::clicked, this, &frmMeas::resetPeaks);
    connect(cmdLogFileSelect_, &QPushButton::clicked, this, &frmMeas::chooseLogFile);
    connect(cmdGuiSettings_, &QPushButton::clicked, this, [this] {
        frmGuiSettings dialog(program_, this);
        dialog.exec();
    });
    connect(chkOnTop_, &QCheckBox::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        QWidget::show();
    });
    connect(txtLog_, &QLineEdit::editingFinished, this, &frmMeas::saveRecord);
}

QString frmMeas::shown(const QString& invariant) const {
    return Shown(invariant, program_.decimalSeparator);
}

void frmMeas::loadRecord() {
    const LogSettings& s = state_.log[LogStandard];
    for (int p = 0; p < kPhaseCount; ++p) {
        const QSignalBlocker block(chkPhase_[p]);
        chkPhase_[p]->setChecked(s.phases[p]);
    }
    for (int k = 0; k < kReadoutCount; ++k) {
        const QSignalBlocker block(chkReadout_[k]);
        chkReadout_[k]->setChecked(s.readouts[k]);
    }
    txtLog_->setText(FormatNumber(s.intervalSeconds, u"####"));
    cmdLogFileSelect_->setText(QStringLiteral("...") + s.path.right(14));
    cmdLogFileSelect_->setToolTip(s.path);
}

void frmMeas::saveRecord() {
    LogSettings& s = state_.log[LogStandard];
    for (int p = 0; p < kPhaseCount; ++p)
        s.phases[p] = chkPhase_[p]->isChecked();
    for (int k = 0; k < kReadoutCount; ++k)
        s.readouts[k] = chkReadout_[k]->isChecked();
    s.intervalSeconds = txtLog_->text().toInt();
}

void frmMeas::refreshPhases() {
    if (running_) return;
    const bool selectable = program_.sourceModel.MultiPhase != 0;
    for (int p = 1; p < kPhaseCount; ++p)
        chkPhase_[p]->setEnabled(selectable);
}

void frmMeas::showModeCaptions() {
    const bool dc = program_.outputState.OutputMode == ModeDC;
    rowCaption_[ReadVoltage]->setText(dc ? QStringLiteral("Voltage (V dc):")
                                         : QStringLiteral("Voltage (V rms):"));
    rowCaption_[ReadCurrent]->setText(dc ? QStringLiteral("Current (A dc):")
                                         : QStringLiteral("Current (A rms):"));
    for (int k = 0; k < kReadoutCount; ++k)
        chkReadout_[k]->setEnabled(!(dc && ReadoutInfoOf(k).acOnly));
}

CycleRequest frmMeas::request() const {
    CycleRequest r;
    r.dcMode = program_.outputState.OutputMode == ModeDC;
    r.selectablePhases = program_.sourceModel.MultiPhase != 0;
    for (int p = 0; p < kPhaseCount; ++p)
        r.phases[p] = chkPhase_[p]->isChecked() && (p == 0 || r.selectablePhases);
    for (int k = 0; k < kReadoutCount; ++k)
        r.readouts[k] = chkReadout_[k]->isChecked() && !(r.dcMode && ReadoutInfoOf(k).acOnly);
    r.voltAverage = program_.settings.measurements.voltAverage;
    r.currentAverage = program_.settings.measurements.currentAverage;
    r.firmwareRevision = program_.sourceModel.FirmwareRevision;
    return r;
}

void frmMeas::measure() {
    state_.stop = false;
    showModeCaptions();
    if (optMode_->checkedId() == 0) {
        setRunning(true, false);
        cycle(nullptr, nullptr);
        setRunning(false, false);
    } else {
        runRepeat();
    }
    if (closeRequested_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmMeas::runRepeat() {
    // A standard test owns the source until it ends.
    if (program_.testRunning) return;
    const bool logging = chkLog_->isChecked();
    LogFile file;
    LogLayout layout;
    if (logging) {
        const LogSettings& s = state_.log[LogStandard];
        const QString path = ResolveLogPath(s.path, program_.paths.userDir);
        if (path.isEmpty()) {
            prompt_.showMessage(QStringLiteral("Data file must be specified."), PromptIcon::Exclamation);
            return;
        }
        const CycleRequest r = request();
        layout = MakeLogLayout(r.phases, r.readouts, chkLLMeas_->isChecked(), s.dateTimeStamp,
                               state_.delimiter);
        QString error;
        if (!BeginLog(file, path, s.append, QDateTime::currentDateTime(), s.comment,
                      LogHeader(layout), error)) {
            prompt_.showMessage(error, PromptIcon::Critical);
            return;
        }
    }
    setRunning(true, logging);
    RunRepeatLoop(state_, txtLog_->text().toInt(), [&] {
        if (!cycle(logging ? &file : nullptr, &layout)) state_.stop = true;
    });
    file.close();
    setRunning(false, logging);
}

bool frmMeas::cycle(LogFile* log, const LogLayout* layout) {
    if (state_.wattHourBusy) {
        setWindowTitle(QStringLiteral("Waiting for WHM Meas"));
        state_.measurementBusy = false;
        return true;
    }
    setWindowTitle(QStringLiteral("Measurements"));
    state_.measurementBusy = true;
    const CycleResult result = RunMeasurementCycle(
        request(), io_, [this](int, int k, bool on) { indicator_[k]->setVisible(on); });
    state_.measurementBusy = false;
    showResult(result);
    // The link has told the operator; the loop ends. A cycle that missed a
    // reading keeps the previous display and writes no log row.
    if (io_.lost()) return false;
    if (!log || !result.complete) return true;
    std::array<std::optional<float>, kPhaseCount> volts;
    for (int p = 0; p < kPhaseCount; ++p)
        volts[p] = result.values[p][ReadVoltage];
    const auto& phases = program_.outputState.Phase;
    const LineVoltages lines = LineToLine(volts, phases[1].PhaseAngle, phases[2].PhaseAngle);
    if (log->writeLine(LogRow(*layout, QDateTime::currentDateTime(), result, lines))) return true;
    prompt_.showMessage(
        QStringLiteral("The log file %1 cannot be written; logging stopped.").arg(log->path()),
        PromptIcon::Critical);
    return false;
}

void frmMeas::showResult(const CycleResult& result) {
    if (!result.frequency.isEmpty()) freq_->setText(shown(result.frequency));
    std::array<std::optional<float>, kPhaseCount> volts;
    for (int p = 0; p < kPhaseCount; ++p) {
        volts[p] = result.values[p][ReadVoltage];
        for (int k = 0; k < kReadoutCount; ++k) {
            const std::optional<float>& v = result.values[p][k];
            if (!v) continue;
            values_[k][p]->setText(shown(FormatReadout(k, *v)));
            if (k == ReadPeakCurrent) peak_[p] = *v;
        }
    }
    const auto& phases = program_.outputState.Phase;
    const LineVoltages lines = LineToLine(volts, phases[1].PhaseAngle, phases[2].PhaseAngle);
    const std::optional<float> line[3] = {lines.vac, lines.vab, lines.vbc};
    for (int i = 0; i < 3; ++i) {
        if (!chkReadout_[kReadoutCount + i]->isChecked()) continue;
        lineLabels_[i]->setText(line[i] ? shown(FormatNumber(*line[i], u"##0.00")) : QString());
    }
}

void frmMeas::resetPeaks() {
    if (!chkReadout_[ReadPeakCurrent]->isChecked()) return;
    const CycleRequest r = request();
    for (int p = 0; p < kPhaseCount; ++p) {
        if (!r.phases[p]) continue;
        values_[ReadPeakCurrent][p]->setText(shown(QStringLiteral("0.0")));
        peak_[p] = 0;
    }
    if (io_.simulated()) return;
    for (const QString& c : PeakResetCommands(r.phases))
        io_.send(c);
}

void frmMeas::chooseLogFile() {
    frmLogger dialog(program_, state_, LogStandard, this);
    if (dialog.exec() == QDialog::Accepted) loadRecord();
}

void frmMeas::setRunning(bool on, bool logging) {
    running_ = on;
    cmdMeas_->setEnabled(!on);
    for (QAbstractButton* b : optMode_->buttons())
        b->setEnabled(!on);
    cmdStop_->setEnabled(on);
    // The log's columns are fixed for the run: what decides them is locked.
    const bool locked = on && logging;
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkLog_, txtLog_, chkLLMeas_, cmdLogFileSelect_})
        w->setEnabled(!locked);
    const bool selectable = program_.sourceModel.MultiPhase != 0;
    for (int p = 0; p < kPhaseCount; ++p)
        chkPhase_[p]->setEnabled(!locked && (p == 0 || selectable));
    for (QCheckBox* c : chkReadout_)
        c->setEnabled(!locked);
    if (!locked) {
        refreshPhases();
        showModeCaptions();
    }
    if (!on) cmdMeas_->setFocus();
}

void frmMeas::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run unwinds first; the window closes when it has.
        closeRequested_ = true;
        state_.stop = true;
        event->ignore();
        return;
    }
    state_.measurementBusy = false;
    QWidget::closeEvent(event);
}

void frmMeas::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) refreshPhases();
}

} // namespace ostrel
