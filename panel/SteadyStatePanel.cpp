#include "panel/SteadyStatePanel.h"

#include "app/ControlArrays.h"
#include "app/EntrySignals.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "panel/PanelActions.h"
#include "panel/PanelLimits.h"
#include "panel/SetupActions.h"
#include "panel/SpinButton.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QAbstractItemView>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

namespace ostrel {

namespace {

constexpr float kMaxProtectionDelay = 60;


QString phaseLetter(int p) { return QString(QChar('A' + p)); }

QRadioButton* option(QButtonGroup* group, const QString& name, int index, const QString& text, QWidget* parent) {
    auto* b = Named(new QRadioButton(text, parent), name, index);
    group->addButton(b, index);
    return b;
}

int sliderValue(float v, int scale) { return static_cast<int>(std::lround(v * scale)); }

} // namespace

SteadyStatePanel::SteadyStatePanel(Program& program, QWidget* parent) : QWidget(parent), program_(program) {
    setObjectName(QStringLiteral("SteadyStatePanel"));
    pendingTimer_ = new QTimer(this);
    pendingTimer_->setInterval(10);
    connect(pendingTimer_, &QTimer::timeout, this, &SteadyStatePanel::runPending);
    build();
    connectEntries();
    connectOptions();
    fill();
}

SteadyStatePanel::~SteadyStatePanel() {
    DisconnectEntries(*this);
}

void SteadyStatePanel::build() {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(12);
    layout->addWidget(buildPhaseTable(), 0, 0, 1, 2);
    layout->addWidget(buildEntries(), 1, 0);
    layout->addWidget(buildOutputBox(), 1, 1);
    layout->addWidget(buildSettingsBox(), 2, 0);
    layout->addWidget(buildRegisterBox(), 2, 1);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);
}

QWidget* SteadyStatePanel::buildPhaseTable() {
    auto* box = new QGroupBox(QStringLiteral("Programmed output"), this);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(18);
    const QStringList rows{QStringLiteral("Program"), QStringLiteral("Voltage"), QStringLiteral("DC"),
                           QStringLiteral("Current limit"), QStringLiteral("Phase angle"),
                           QStringLiteral("Waveform"), QStringLiteral("Clip level")};
    for (int r = 0; r < rows.size(); ++r) {
        auto* caption = new QLabel(rows[r], box);
        caption->setStyleSheet(QStringLiteral("color: #555;"));
        grid->addWidget(caption, r + 1, 0);
    }
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.7);
    big.setBold(true);
    for (int p = 0; p < 3; ++p) {
        auto* head = new QLabel(QStringLiteral("Phase ") + phaseLetter(p), box);
        head->setAlignment(Qt::AlignCenter);
        head->setStyleSheet(QStringLiteral("font-weight: bold;"));
        grid->addWidget(head, 0, p + 1);
        auto* tick = Named(new QCheckBox(QStringLiteral("Program ") + phaseLetter(p), box), QStringLiteral("chkPh"), p);
        tick->setChecked(true);
        chkPh_.append(tick);
        grid->addWidget(tick, 1, p + 1, Qt::AlignCenter);

        auto* volt = Named(new QLabel(box), QStringLiteral("lblVolt"), p);
        volt->setFont(big);
        volt->setAlignment(Qt::AlignCenter);
        volt->setStyleSheet(QStringLiteral("color: #1f4e79;"));
        lblVolt_.append(volt);
        grid->addWidget(volt, 2, p + 1);
        lblDc_.append(Named(new QLabel(box), QStringLiteral("lblDC"), p));
        lblCurr_.append(Named(new QLabel(box), QStringLiteral("lblCurr"), p));
        lblPhase_.append(Named(new QLabel(box), QStringLiteral("lblPhase"), p));
        for (QLabel* l : {lblDc_[p], lblCurr_[p], lblPhase_[p]}) l->setAlignment(Qt::AlignCenter);
        grid->addWidget(lblDc_[p], 3, p + 1);
        grid->addWidget(lblCurr_[p], 4, p + 1);
        grid->addWidget(lblPhase_[p], 5, p + 1);

        auto* wave = Named(new QComboBox(box), QStringLiteral("cmbWave"), p);
        wave->setMinimumContentsLength(12);
        cmbWave_.append(wave);
        grid->addWidget(wave, 6, p + 1);
        auto* clip = Named(new QComboBox(box), QStringLiteral("cmbClip"), p);
        for (int level : kClipLevels) clip->addItem(QStringLiteral("%1 % THD").arg(level), level);
        cmbClip_.append(clip);
        grid->addWidget(clip, 7, p + 1);
    }
    return box;
}

QLineEdit* SteadyStatePanel::entry(const QString& name, const QString& unit, QSlider*& slider,
                                   const QString& sliderName, QWidget* parent, QGridLayout* grid, int row,
                                   const QString& label) {
    grid->addWidget(new QLabel(label, parent), row, 0);
    auto* box = Named(new QLineEdit(parent), name);
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(90);
    grid->addWidget(box, row, 1);
    auto* unitLabel = new QLabel(unit, parent);
    if (name == QLatin1String("txtAmpc")) lblAmpUnit_ = unitLabel;
    grid->addWidget(unitLabel, row, 2);
    slider = Named(new QSlider(Qt::Horizontal, parent), sliderName);
    slider->setMinimumWidth(180);
    grid->addWidget(slider, row, 3);
    return box;
}

QWidget* SteadyStatePanel::buildEntries() {
    auto* box = new QGroupBox(QStringLiteral("Set (Enter applies)"), this);
    auto* grid = new QGridLayout(box);
    auto* select = new QHBoxLayout;
    select->addWidget(new QLabel(QStringLiteral("Show phase"), box));
    phaseSelect_ = new QButtonGroup(box);
    for (int p = 0; p < 3; ++p) {
        optPhaseSelect_.append(option(phaseSelect_, QStringLiteral("optPhaseSelect"), p, phaseLetter(p), box));
        select->addWidget(optPhaseSelect_[p]);
    }
    optPhaseSelect_[0]->setChecked(true);
    select->addStretch();
    grid->addLayout(select, 0, 0, 1, 4);
    txtAmpc_ = entry(QStringLiteral("txtAmpc"), QStringLiteral("V rms"), hscAmp_, QStringLiteral("hscAmp"), box, grid,
                     1, QStringLiteral("Voltage"));
    txtFreq_ = entry(QStringLiteral("txtFreq"), QStringLiteral("Hz"), hscFreq_, QStringLiteral("hscFreq"), box, grid,
                     2, QStringLiteral("Frequency"));
    txtCurc_ = entry(QStringLiteral("txtCurc"), QStringLiteral("A"), hscCur_, QStringLiteral("hscCur"), box, grid, 3,
                     QStringLiteral("Current limit"));
    txtPhsc_ = entry(QStringLiteral("txtPhsc"), QStringLiteral("deg"), hscPhase_, QStringLiteral("hscPhase"), box,
                     grid, 4, QStringLiteral("Phase angle"));
    txtOffset_ = entry(QStringLiteral("txtOffset"), QStringLiteral("V DC"), hscOffset_, QStringLiteral("hscOffset"),
                       box, grid, 5, QStringLiteral("DC offset"));
    offsetRow_[0] = grid->itemAtPosition(5, 0)->widget();
    offsetRow_[1] = grid->itemAtPosition(5, 2)->widget();
    offsetRow_[2] = hscOffset_;
    grid->setColumnStretch(3, 1);
    return box;
}

QWidget* SteadyStatePanel::buildOutputBox() {
    auto* box = new QGroupBox(QStringLiteral("Output"), this);
    auto* grid = new QGridLayout(box);

    grid->addWidget(new QLabel(QStringLiteral("Relay"), box), 0, 0);
    optRelay_ = new QButtonGroup(box);
    auto* open = option(optRelay_, QStringLiteral("optRelay"), 0, QStringLiteral("Open (OFF)"), box);
    relayClosed_ = option(optRelay_, QStringLiteral("optRelay"), 1, QStringLiteral("Closed (ON)"), box);
    grid->addWidget(open, 0, 1);
    grid->addWidget(relayClosed_, 0, 2);

    grid->addWidget(new QLabel(QStringLiteral("Mode"), box), 1, 0);
    optMode_ = new QButtonGroup(box);
    grid->addWidget(option(optMode_, QStringLiteral("optMode"), 0, QStringLiteral("AC"), box), 1, 1);
    grid->addWidget(option(optMode_, QStringLiteral("optMode"), 1, QStringLiteral("DC"), box), 1, 2);
    grid->addWidget(option(optMode_, QStringLiteral("optMode"), 2, QStringLiteral("AC+DC"), box), 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("Range"), box), 2, 0);
    optRange_ = new QButtonGroup(box);
    rangeButtons_ = {option(optRange_, QStringLiteral("optRange"), 0, QString(), box),
                     option(optRange_, QStringLiteral("optRange"), 1, QString(), box)};
    grid->addWidget(rangeButtons_[0], 2, 1);
    grid->addWidget(rangeButtons_[1], 2, 2);

    grid->addWidget(new QLabel(QStringLiteral("Phases"), box), 3, 0);
    optPhase_ = new QButtonGroup(box);
    grid->addWidget(option(optPhase_, QStringLiteral("optPhase"), 0, QStringLiteral("Single"), box), 3, 1);
    grid->addWidget(option(optPhase_, QStringLiteral("optPhase"), 1, QStringLiteral("Three"), box), 3, 2);
    grid->setRowStretch(4, 1);
    return box;
}

QWidget* SteadyStatePanel::buildSettingsBox() {
    auto* box = new QGroupBox(QStringLiteral("Regulation and protection"), this);
    auto* grid = new QGridLayout(box);
    chkALC_ = Named(new QCheckBox(QStringLiteral("Automatic level control"), box), QStringLiteral("chkALC"));
    chkALCTrip_ = Named(new QCheckBox(QStringLiteral("Trip on ALC fault"), box), QStringLiteral("chkALCTrip"));
    grid->addWidget(chkALC_, 0, 0);
    grid->addWidget(chkALCTrip_, 0, 1);

    optProt_ = new QButtonGroup(box);
    grid->addWidget(new QLabel(QStringLiteral("Over-current"), box), 1, 0);
    grid->addWidget(option(optProt_, QStringLiteral("optProt"), 0, QStringLiteral("Constant current"), box), 1, 1);
    grid->addWidget(option(optProt_, QStringLiteral("optProt"), 1, QStringLiteral("Trip"), box), 1, 2);
    auto* delay = new QHBoxLayout;
    txtCLDelay_ = Named(new QLineEdit(box), QStringLiteral("txtCLDelay"));
    txtCLDelay_->setMaximumWidth(70);
    txtCLDelay_->setAlignment(Qt::AlignRight);
    spnCLDelay_ = Named(new SpinButton(box), QStringLiteral("spnCLDelay"));
    delay->addWidget(new QLabel(QStringLiteral("Delay"), box));
    delay->addWidget(txtCLDelay_);
    delay->addWidget(spnCLDelay_);
    delay->addWidget(new QLabel(QStringLiteral("s"), box));
    delay->addStretch();
    grid->addLayout(delay, 1, 3);

    optSense_ = new QButtonGroup(box);
    grid->addWidget(new QLabel(QStringLiteral("Voltage sense"), box), 2, 0);
    grid->addWidget(option(optSense_, QStringLiteral("optSense"), 0, QStringLiteral("Internal"), box), 2, 1);
    grid->addWidget(option(optSense_, QStringLiteral("optSense"), 1, QStringLiteral("External"), box), 2, 2);

    optVanu_ = new QButtonGroup(box);
    grid->addWidget(new QLabel(QStringLiteral("Impedance network"), box), 3, 0);
    grid->addWidget(option(optVanu_, QStringLiteral("optVanu"), 0, QStringLiteral("Bypassed"), box), 3, 1);
    grid->addWidget(option(optVanu_, QStringLiteral("optVanu"), 1, QStringLiteral("Engaged"), box), 3, 2);

    chkImpedance_ = Named(new QCheckBox(QStringLiteral("Programmable impedance"), box), QStringLiteral("chkImpedance"));
    grid->addWidget(chkImpedance_, 4, 0);
    auto* z = new QHBoxLayout;
    txtResistive_ = Named(new QLineEdit(box), QStringLiteral("txtResistive"));
    txtResistive_->setMaximumWidth(70);
    txtResistive_->setAlignment(Qt::AlignRight);
    spnResistive_ = Named(new SpinButton(box), QStringLiteral("spnResistive"));
    cmdFlickZ_ = Named(new QPushButton(QStringLiteral("Flicker reference"), box), QStringLiteral("cmdFlickZ"));
    z->addWidget(new QLabel(QStringLiteral("Resistance"), box));
    z->addWidget(txtResistive_);
    z->addWidget(spnResistive_);
    z->addWidget(new QLabel(QStringLiteral("ohm"), box));
    z->addWidget(cmdFlickZ_);
    z->addStretch();
    grid->addLayout(z, 4, 1, 1, 3);
    grid->setColumnStretch(4, 1);
    return box;
}

QWidget* SteadyStatePanel::buildRegisterBox() {
    auto* box = new QGroupBox(QStringLiteral("Source setup registers"), this);
    auto* grid = new QGridLayout(box);
    cmbNvm_ = Named(new QComboBox(box), QStringLiteral("cmbNvm"));
    for (int i = 0; i <= 15; ++i) cmbNvm_->addItem(QString::number(i), i);
    grid->addWidget(new QLabel(QStringLiteral("Register"), box), 0, 0);
    grid->addWidget(cmbNvm_, 0, 1);
    cmdSave_ = Named(new QPushButton(QStringLiteral("Save"), box), QStringLiteral("cmdSave"));
    cmdRecall_ = Named(new QPushButton(QStringLiteral("Recall"), box), QStringLiteral("cmdRecall"));
    grid->addWidget(cmdSave_, 1, 0);
    grid->addWidget(cmdRecall_, 1, 1);
    chkFront_ = Named(new QCheckBox(QStringLiteral("Lock the source's front panel"), box), QStringLiteral("chkFront"));
    grid->addWidget(chkFront_, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);

    connect(cmdSave_, &QPushButton::clicked, this,
            [this] { whenLinkFree([this] { SaveRegister(program_, cmbNvm_->currentData().toInt()); }); });
    connect(cmdRecall_, &QPushButton::clicked, this, [this] {
        whenLinkFree([this] {
            cmdRecall_->setEnabled(false);
            if (RecallRegister(program_, cmbNvm_->currentData().toInt())) fill();
            cmdRecall_->setEnabled(true);
        });
    });
    connect(chkFront_, &QCheckBox::clicked, this, [this](bool locked) {
        if (!SetFrontPanelLock(program_, locked)) {
            const QSignalBlocker block(chkFront_);
            chkFront_->setChecked(!locked);
        }
    });
    return box;
}

void SteadyStatePanel::showFrontPanelLocked() {
    const QSignalBlocker block(chkFront_);
    chkFront_->setChecked(true);
}

std::array<bool, 3> SteadyStatePanel::tickedPhases() const {
    std::array<bool, 3> t{};
    for (int p = 0; p < 3; ++p) t[p] = chkPh_[p]->isChecked() && chkPh_[p]->isEnabled();
    return t;
}

int SteadyStatePanel::selectedPhase() const { return std::max(0, phaseSelect_->checkedId()); }

bool SteadyStatePanel::readEntry(const QString& typed, float& value) const {
    return TryParseSingle(typed, value, program_.decimalSeparator);
}

QString SteadyStatePanel::entryText(const QLineEdit* box) const {
    const OutputState& s = program_.outputState;
    const PhaseState& shown = s.Phase[selectedPhase()];
    if (box == txtAmpc_) return FormatNumber(s.OutputMode == ModeDC ? shown.DcVoltage : shown.Voltage, u"##0.0");
    if (box == txtCurc_) return FormatNumber(shown.CurrentLimit, u"##0.00");
    if (box == txtPhsc_) return FormatNumber(shown.PhaseAngle, u"##0.0");
    if (box == txtFreq_) return FormatNumber(s.Frequency, u"###0.0");
    if (box == txtOffset_) return FormatNumber(shown.DcOffset, u"##0.0");
    if (box == txtCLDelay_) return FormatNumber(s.ProtectionDelay, u"##0.00");
    return FormatNumber(s.Phase[0].ResistiveImpedance, u"#0.000");
}

void SteadyStatePanel::restoreEntry(QLineEdit* box) { box->setText(entryText(box)); }

void SteadyStatePanel::setEntry(QLineEdit* box, bool everything) {
    // What the operator is typing, or typed and did not confirm, stays.
    if (!everything && (box->hasFocus() || box->isModified())) return;
    box->setText(entryText(box));
}

void SteadyStatePanel::setSlider(QSlider* slider, int value, bool everything) {
    if (!everything && slider->isSliderDown()) return;
    slider->setValue(value);
}

void SteadyStatePanel::refreshPhaseLabels() {
    const OutputState& s = program_.outputState;
    for (int p = 0; p < 3; ++p) {
        // A phase the output does not have shows nothing.
        if (p > 0 && s.MultiPhaseOutput != 1) {
            for (QLabel* l : {lblVolt_[p], lblDc_[p], lblCurr_[p], lblPhase_[p]}) l->clear();
            continue;
        }
        const PhaseState& ph = s.Phase[p];
        const bool dc = s.OutputMode == ModeDC;
        lblVolt_[p]->setText(FormatNumber(dc ? ph.DcVoltage : ph.Voltage, u"##0.0") +
                             (dc ? QStringLiteral(" V DC") : QStringLiteral(" V")));
        lblDc_[p]->setText(s.OutputMode == ModeACDC ? FormatNumber(ph.DcOffset, u"##0.0") + QStringLiteral(" V offset")
                                                    : QStringLiteral("-"));
        lblCurr_[p]->setText(FormatNumber(ph.CurrentLimit, u"##0.00") + QStringLiteral(" A"));
        lblPhase_[p]->setText(FormatNumber(ph.PhaseAngle, u"##0.0") + QStringLiteral(" deg"));
    }
}

void SteadyStatePanel::setSliderRanges() {
    const SourceModel& m = program_.sourceModel;
    const OutputState& s = program_.outputState;
    const ValueRange v = VoltageSliderRange(m, s);
    hscAmp_->setRange(sliderValue(v.min, kVoltageScale), sliderValue(v.max, kVoltageScale));
    hscAmp_->setPageStep(std::max(1, (hscAmp_->maximum() - hscAmp_->minimum()) / 10));
    const ValueRange f = ModelFrequencyRange(m);
    hscFreq_->setRange(sliderValue(f.min, kFrequencyScale), sliderValue(f.max, kFrequencyScale));
    hscFreq_->setPageStep(100);
    const ValueRange c = CurrentRange(m, s);
    hscCur_->setRange(0, sliderValue(c.max, kCurrentScale));
    hscCur_->setPageStep(std::max(1, hscCur_->maximum() / 10));
    hscPhase_->setRange(0, sliderValue(PhaseRange().max, kPhaseScale));
    hscPhase_->setPageStep(150);
    const ValueRange o = OffsetRange(m, s);
    hscOffset_->setRange(sliderValue(o.min, kOffsetScale), sliderValue(o.max, kOffsetScale));
    rangeButtons_[0]->setText(FormatNumber(RangeValue(m, s.OutputMode, 0), u"##0") + QStringLiteral(" V"));
    rangeButtons_[1]->setText(FormatNumber(RangeValue(m, s.OutputMode, 1), u"##0") + QStringLiteral(" V"));
}

void SteadyStatePanel::showModeControls() {
    const OutputState& s = program_.outputState;
    const bool acdc = s.OutputMode == ModeACDC;
    const bool ac = s.OutputMode != ModeDC;
    for (QWidget* w : offsetRow_) w->setVisible(acdc);
    txtOffset_->setVisible(acdc);
    // A DC output has neither frequency nor phase angle.
    for (QWidget* w : {static_cast<QWidget*>(txtFreq_), static_cast<QWidget*>(hscFreq_),
                       static_cast<QWidget*>(txtPhsc_), static_cast<QWidget*>(hscPhase_)})
        w->setEnabled(ac);
    lblAmpUnit_->setText(ac ? QStringLiteral("V rms") : QStringLiteral("V DC"));
    const bool three = s.MultiPhaseOutput == 1;
    for (int p = 0; p < 3; ++p) {
        const bool used = p == 0 || three;
        chkPh_[p]->setEnabled(used);
        chkPh_[p]->setVisible(used);
        optPhaseSelect_[p]->setEnabled(used);
        cmbWave_[p]->setVisible(ac && used);
        cmbClip_[p]->setVisible(ac && used && s.Phase[p].WaveformIndex == 2);
    }
    relayClosed_->setStyleSheet(s.OutputOn ? QStringLiteral("color: #c0392b; font-weight: bold;") : QString());
    chkFront_->setVisible(program_.settings.link.bus != BusSimulation);
}

void SteadyStatePanel::fillWaveformLists(bool everything) {
    const SourceModel& m = program_.sourceModel;
    for (int p = 0; p < 3; ++p) {
        QComboBox* list = cmbWave_[p];
        // A list the operator has open is left alone.
        if (!everything && list->view()->isVisible()) continue;
        list->clear();
        for (int i = 0; i < kWaveformSlots; ++i) {
            const QString& name = m.WaveformNames[i];
            if (i < 3 || !name.isEmpty()) list->addItem(name.isEmpty() ? QStringLiteral("-") : name, i);
        }
        const int at = list->findData(program_.outputState.Phase[p].WaveformIndex);
        list->setCurrentIndex(std::max(0, at));
    }
}

void SteadyStatePanel::showClipLevel(int phase) {
    const PhaseState& ph = program_.outputState.Phase[phase];
    QComboBox* list = cmbClip_[phase];
    // The clipped sine shows the level it runs at, also one the list does not offer.
    const int level = ph.WaveformIndex == 2 ? ph.ClipLevel : ClipLevelOf(ph);
    int at = list->findData(level);
    if (at < 0) {
        at = 0;
        while (at < list->count() && list->itemData(at).toInt() < level) ++at;
        list->insertItem(at, QStringLiteral("%1 % THD").arg(level), level);
    }
    list->setCurrentIndex(at);
}

void SteadyStatePanel::display(bool everything) {
    const OutputState& s = program_.outputState;
    // Only these report values given to them (a slider's move, the offset box losing focus).
    std::vector<QSignalBlocker> blockers;
    for (QObject* o : {static_cast<QObject*>(hscAmp_), static_cast<QObject*>(hscFreq_),
                       static_cast<QObject*>(hscCur_), static_cast<QObject*>(hscPhase_),
                       static_cast<QObject*>(hscOffset_), static_cast<QObject*>(txtOffset_)})
        blockers.emplace_back(o);

    setSliderRanges();
    fillWaveformLists(everything);
    optMode_->button(s.OutputMode)->setChecked(true);
    optRange_->button(s.HighRange ? 1 : 0)->setChecked(true);
    optRelay_->button(s.OutputOn ? 1 : 0)->setChecked(true);
    optPhase_->button(s.MultiPhaseOutput ? 1 : 0)->setChecked(true);
    optProt_->button(s.CurrentProtection ? 1 : 0)->setChecked(true);
    optSense_->button(s.ExternalSense ? 1 : 0)->setChecked(true);
    optVanu_->button(s.ImpedanceNetwork ? 1 : 0)->setChecked(true);
    chkALC_->setChecked(s.AlcMode != 0);
    chkALCTrip_->setChecked(s.AlcMode == 1);
    chkALCTrip_->setEnabled(s.AlcMode != 0);
    chkImpedance_->setChecked(s.Phase[0].ImpedanceOn != 0);
    for (int p = 0; p < 3; ++p) showClipLevel(p);
    if (s.MultiPhaseOutput != 1) optPhaseSelect_[0]->setChecked(true);

    const PhaseState& shown = s.Phase[selectedPhase()];
    setSlider(hscAmp_, sliderValue(s.OutputMode == ModeDC ? shown.DcVoltage : shown.Voltage, kVoltageScale),
              everything);
    setSlider(hscFreq_, sliderValue(s.Frequency, kFrequencyScale), everything);
    setSlider(hscCur_, sliderValue(shown.CurrentLimit, kCurrentScale), everything);
    setSlider(hscPhase_, sliderValue(shown.PhaseAngle, kPhaseScale), everything);
    setSlider(hscOffset_, sliderValue(shown.DcOffset, kOffsetScale), everything);
    for (QLineEdit* box : {txtAmpc_, txtFreq_, txtCurc_, txtPhsc_, txtOffset_, txtCLDelay_, txtResistive_})
        setEntry(box, everything);
    refreshPhaseLabels();
    showModeControls();
}

void SteadyStatePanel::fill() {
    const bool wasEnabled = commandsEnabled_;
    commandsEnabled_ = false;
    display(true);
    commandsEnabled_ = wasEnabled;
}

void SteadyStatePanel::refresh() {
    runPending();
    const bool wasEnabled = commandsEnabled_;
    commandsEnabled_ = false;
    display(false);
    commandsEnabled_ = wasEnabled;
}

namespace {
bool linkBusy(const Program& p) { return p.readbackInProgress || p.link.state.queryInProgress; }
} // namespace

void SteadyStatePanel::whenLinkFree(std::function<void()> action) {
    if (pending_.empty() && !linkBusy(program_)) {
        action();
        return;
    }
    pending_.push_back(std::move(action));
    pendingTimer_->start();
}

void SteadyStatePanel::runPending() {
    if (linkBusy(program_)) return;
    pendingTimer_->stop();
    // Taken out first: an action may queue another while it talks to the source.
    const std::vector<std::function<void()>> actions = std::move(pending_);
    pending_.clear();
    for (const auto& action : actions) action();
}

void SteadyStatePanel::onVoltageEntered(float v) {
    txtAmpc_->setText(FormatNumber(v, u"##0.0"));
    {
        const QSignalBlocker block(hscAmp_);
        hscAmp_->setValue(sliderValue(v, kVoltageScale));
    }
    const float programmed = ApplyVoltage(program_, tickedPhases(), v, commandsEnabled_);
    if (programmed != v) {
        txtAmpc_->setText(FormatNumber(programmed, u"##0.0"));
        const QSignalBlocker block(hscAmp_);
        hscAmp_->setValue(sliderValue(programmed, kVoltageScale));
    }
    refreshPhaseLabels();
}

void SteadyStatePanel::enterVoltage(const QString& typed) {
    float v = 0;
    if (!readEntry(typed, v) || !VoltageEntryRange(program_.outputState, program_.settings.userLimits).contains(v)) {
        ReportRejectedEntry(program_);
        restoreEntry(txtAmpc_);
        return;
    }
    onVoltageEntered(v);
}

void SteadyStatePanel::enterFrequency(const QString& typed) {
    float v = 0;
    if (!readEntry(typed, v) || !ModelFrequencyRange(program_.sourceModel).contains(v)) {
        ReportRejectedEntry(program_);
        restoreEntry(txtFreq_);
        return;
    }
    if (!UserFrequencyRange(program_.settings.userLimits).contains(v)) {
        restoreEntry(txtFreq_);
        return;
    }
    txtFreq_->setText(FormatNumber(v, u"###0.0"));
    const QSignalBlocker block(hscFreq_);
    hscFreq_->setValue(sliderValue(v, kFrequencyScale));
    if (!ApplyFrequency(program_, v, commandsEnabled_)) {
        restoreEntry(txtFreq_);
        hscFreq_->setValue(sliderValue(program_.outputState.Frequency, kFrequencyScale));
    }
}

void SteadyStatePanel::enterCurrent(const QString& typed) {
    float v = 0;
    if (!readEntry(typed, v) || !CurrentRange(program_.sourceModel, program_.outputState).contains(v)) {
        ReportRejectedEntry(program_);
        restoreEntry(txtCurc_);
        return;
    }
    txtCurc_->setText(FormatNumber(v, u"###0.00"));
    {
        const QSignalBlocker block(hscCur_);
        hscCur_->setValue(sliderValue(v, kCurrentScale));
    }
    ApplyCurrentLimit(program_, tickedPhases(), v, commandsEnabled_);
    refreshPhaseLabels();
}

void SteadyStatePanel::enterPhaseAngle(const QString& typed) {
    float v = 0;
    if (!readEntry(typed, v) || !PhaseRange().contains(v)) {
        ReportRejectedEntry(program_);
        restoreEntry(txtPhsc_);
        return;
    }
    txtPhsc_->setText(FormatNumber(v, u"###0.0"));
    {
        const QSignalBlocker block(hscPhase_);
        hscPhase_->setValue(sliderValue(v, kPhaseScale));
    }
    ApplyPhaseAngle(program_, selectedPhase(), v, commandsEnabled_);
    refreshPhaseLabels();
}

void SteadyStatePanel::enterOffset(const QString& typed) {
    float v = 0;
    if (!readEntry(typed, v) || !OffsetRange(program_.sourceModel, program_.outputState).contains(v)) {
        ReportRejectedEntry(program_);
        restoreEntry(txtOffset_);
        return;
    }
    txtOffset_->setText(FormatNumber(v, u"##0.0"));
    if (v == program_.outputState.Phase[selectedPhase()].DcOffset) return;
    {
        const QSignalBlocker block(hscOffset_);
        hscOffset_->setValue(sliderValue(v, kOffsetScale));
    }
    ApplyDcOffset(program_, tickedPhases(), v, commandsEnabled_);
    refreshPhaseLabels();
}

void SteadyStatePanel::connectEntry(QLineEdit* box, void (SteadyStatePanel::*entered)(const QString&)) {
    // Enter acts; the offset also acts when the box is left.
    const auto signal = box == txtOffset_ ? &QLineEdit::editingFinished : &QLineEdit::returnPressed;
    connect(box, signal, this, [this, box, entered] {
        // What was typed when it was confirmed, whenever it can go out.
        const QString typed = box->text();
        whenLinkFree([this, typed, entered] { (this->*entered)(typed); });
    });
}

void SteadyStatePanel::connectEntries() {
    connectEntry(txtAmpc_, &SteadyStatePanel::enterVoltage);
    connectEntry(txtFreq_, &SteadyStatePanel::enterFrequency);
    connectEntry(txtCurc_, &SteadyStatePanel::enterCurrent);
    connectEntry(txtPhsc_, &SteadyStatePanel::enterPhaseAngle);
    connectEntry(txtOffset_, &SteadyStatePanel::enterOffset);

    for (QSlider* s : {hscAmp_, hscFreq_, hscCur_, hscPhase_, hscOffset_}) {
        const auto settled = [this, s] {
            const int value = s->value();
            whenLinkFree([this, s, value] { onSliderSettled(s, value); });
        };
        connect(s, &QSlider::valueChanged, this, [this, s, settled] {
            // Over GPIB the value follows the thumb; elsewhere only the settled value goes out.
            if (!s->isSliderDown() || program_.settings.link.bus == BusGpib) settled();
        });
        connect(s, &QSlider::sliderReleased, this, settled);
    }
    // Another phase shown: every box shows that phase's values.
    connect(phaseSelect_, &QButtonGroup::idClicked, this, [this] { fill(); });
}

void SteadyStatePanel::onSliderSettled(QSlider* slider, int value) {
    const auto setText = [](QLineEdit* box, float v, QStringView mask) { box->setText(FormatNumber(v, mask)); };
    if (slider == hscAmp_) {
        const ValueRange r = VoltageEntryRange(program_.outputState, program_.settings.userLimits);
        const float v = std::clamp(value / float(kVoltageScale), r.min, r.max);
        if (sliderValue(v, kVoltageScale) != hscAmp_->value()) {
            const QSignalBlocker block(hscAmp_);
            hscAmp_->setValue(sliderValue(v, kVoltageScale));
        }
        onVoltageEntered(v);
    } else if (slider == hscFreq_) {
        const float v = value / float(kFrequencyScale);
        setText(txtFreq_, v, u"###0.0");
        if (!UserFrequencyRange(program_.settings.userLimits).contains(v) || !ApplyFrequency(program_, v, commandsEnabled_))
            restoreEntry(txtFreq_);
    } else if (slider == hscCur_) {
        const float v = value / float(kCurrentScale);
        setText(txtCurc_, v, u"###0.00");
        ApplyCurrentLimit(program_, tickedPhases(), v, commandsEnabled_);
    } else if (slider == hscPhase_) {
        const float v = value / float(kPhaseScale);
        setText(txtPhsc_, v, u"###0.0");
        ApplyPhaseAngle(program_, selectedPhase(), v, commandsEnabled_);
    } else if (slider == hscOffset_) {
        const float v = value / float(kOffsetScale);
        setText(txtOffset_, v, u"##0.0");
        ApplyDcOffset(program_, tickedPhases(), v, commandsEnabled_);
    }
    refreshPhaseLabels();
}

void SteadyStatePanel::onWaveformChosen(int phase, int index) {
    ApplyWaveform(program_, phase, index, commandsEnabled_);
    fill();
}

void SteadyStatePanel::connectOptions() {
    for (int p = 0; p < 3; ++p) {
        connect(cmbWave_[p], &QComboBox::activated, this, [this, p](int row) {
            const int index = cmbWave_[p]->itemData(row).toInt();
            whenLinkFree([this, p, index] { onWaveformChosen(p, index); });
        });
        connect(cmbClip_[p], &QComboBox::activated, this, [this, p](int row) {
            const int level = cmbClip_[p]->itemData(row).toInt();
            whenLinkFree([this, p, level] {
                std::array<bool, 3> only{};
                only[p] = true;
                ApplyClipLevel(program_, only, level, commandsEnabled_);
            });
        });
    }
    // Each option acts when the link is free, with the choice made.
    const auto option = [this](QButtonGroup* group, std::function<void(int)> act) {
        connect(group, &QButtonGroup::idClicked, this,
                [this, act](int id) { whenLinkFree([act, id] { act(id); }); });
    };
    option(optMode_, [this](int mode) {
        ApplyMode(program_, mode, commandsEnabled_);
        fill();
        if (commandsEnabled_ && program_.settings.link.bus != BusSimulation) Q_EMIT readBackRequested();
    });
    option(optRange_, [this](int range) {
        ApplyRange(program_, range, tickedPhases(), commandsEnabled_);
        fill();
    });
    option(optRelay_, [this](int closed) {
        ApplyRelay(program_, closed == 1, commandsEnabled_);
        showModeControls();
    });
    option(optPhase_, [this](int three) {
        ApplyPhaseMode(program_, three == 1, commandsEnabled_);
        fill();
        if (commandsEnabled_ && program_.settings.link.bus != BusSimulation) Q_EMIT readBackRequested();
    });
    option(optProt_, [this](int trip) { ApplyProtection(program_, trip, commandsEnabled_); });
    option(optSense_, [this](int ext) { ApplySense(program_, ext, commandsEnabled_); });
    option(optVanu_, [this](int eng) { ApplyImpedanceNetwork(program_, eng, commandsEnabled_); });
    const auto alc = [this] {
        whenLinkFree([this] {
            chkALCTrip_->setEnabled(chkALC_->isChecked());
            const int mode = chkALCTrip_->isChecked() && chkALC_->isChecked() ? 1 : chkALC_->isChecked() ? 2 : 0;
            ApplyAlc(program_, mode, commandsEnabled_);
        });
    };
    connect(chkALC_, &QCheckBox::clicked, this, alc);
    connect(chkALCTrip_, &QCheckBox::clicked, this, alc);

    const auto delay = [this](float seconds) {
        txtCLDelay_->setText(FormatNumber(seconds, u"##0.00"));
        ApplyProtectionDelay(program_, seconds, commandsEnabled_);
    };
    connect(txtCLDelay_, &QLineEdit::returnPressed, this, [this, delay] {
        const QString typed = txtCLDelay_->text();
        whenLinkFree([this, delay, typed] {
            float v = 0;
            if (!readEntry(typed, v) || v < 0 || v > kMaxProtectionDelay) {
                ReportRejectedEntry(program_);
                restoreEntry(txtCLDelay_);
                return;
            }
            delay(v);
        });
    });
    connect(spnCLDelay_, &SpinButton::stepped, this, [this, delay](int direction) {
        whenLinkFree([this, delay, direction] {
            delay(std::clamp(program_.outputState.ProtectionDelay + direction * 0.01f, 0.0f, kMaxProtectionDelay));
        });
    });

    connect(chkImpedance_, &QCheckBox::clicked, this,
            [this](bool on) { whenLinkFree([this, on] { ApplyImpedanceOn(program_, on, commandsEnabled_); }); });
    const auto resistance = [this](float ohms) {
        const float applied = ApplyResistance(program_, tickedPhases(), ohms, commandsEnabled_);
        txtResistive_->setText(FormatNumber(applied, u"#0.000"));
    };
    connect(txtResistive_, &QLineEdit::returnPressed, this, [this, resistance] {
        const QString typed = txtResistive_->text();
        whenLinkFree([this, resistance, typed] {
            float v = 0;
            if (!readEntry(typed, v) || v < 0) {
                ReportRejectedEntry(program_);
                restoreEntry(txtResistive_);
                return;
            }
            resistance(v);
        });
    });
    connect(spnResistive_, &SpinButton::stepped, this, [this, resistance](int direction) {
        whenLinkFree([this, resistance, direction] {
            resistance(std::max(0.0f, program_.outputState.Phase[0].ResistiveImpedance + direction * 0.01f));
        });
    });
    connect(cmdFlickZ_, &QPushButton::clicked, this,
            [this, resistance] { whenLinkFree([this, resistance] { resistance(IsThreePhase(program_) ? 0.24f : 0.4f); }); });
}

} // namespace ostrel
