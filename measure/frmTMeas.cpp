#include "measure/frmTMeas.h"

#include "app/ControlArrays.h"
#include "app/EntryRejection.h"
#include "app/EntrySignals.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/CaptureFile.h"
#include "measure/GraphView.h"
#include "measure/StandardMeasurement.h"
#include "measure/WindowParts.h"
#include "measure/frmWaveStp.h"
#include "panel/SpinButton.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

// The toolbar's own icons live in this static library; registered by hand.
static void initMeasureIcons() {
    Q_INIT_RESOURCE(measure_icons);
}

namespace ostrel {

namespace {

constexpr int kMaxReadouts = 8;
// Colours of phases A, B and C in the three-phase plots.
constexpr int kPhaseColors[3] = {12, 10, 9};

} // namespace

frmTMeas::frmTMeas(Program& program, MeasurementState& state, QWidget* parent)
    : QMainWindow(parent), program_(program), state_(state), io_(program) {
    initMeasureIcons();
    setObjectName(QStringLiteral("frmTMeas"));
    setWindowTitle(QStringLiteral("Waveform Capture"));
    build();
    buildActions();
    readInterval();
    showStatus(QStringLiteral("Ready..."));
    clearGraph();
    resize(1000, 620);
}

frmTMeas::~frmTMeas() {
    DisconnectEntries(*this);
}

void frmTMeas::build() {
    const WaveAcquisitionSettings& acq = program_.settings.waveAcquisition;
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    auto* side = new QVBoxLayout;

    auto* what = new QGroupBox(QStringLiteral("Parameter"), central);
    auto* whatLayout = new QVBoxLayout(what);
    cmbParam_ = Named(new QComboBox(what), QStringLiteral("cmbParam"));
    whatLayout->addWidget(cmbParam_);
    auto* phases = new QHBoxLayout;
    QList<QRadioButton*> phaseButtons;
    optPhs_ = OptionArray(
        what, QStringLiteral("optPhs"),
        {QStringLiteral("Phase A"), QStringLiteral("Phase B"), QStringLiteral("Phase C")},
        &phaseButtons);
    for (QRadioButton* b : phaseButtons)
        phases->addWidget(b);
    phaseButtons[0]->setChecked(true);
    const bool selectable = program_.sourceModel.MultiPhase != 0;
    phaseButtons[1]->setEnabled(selectable);
    phaseButtons[2]->setEnabled(selectable);
    whatLayout->addLayout(phases);
    side->addWidget(what);

    auto* trigger = new QGroupBox(QStringLiteral("Acquisition"), central);
    auto* grid = new QGridLayout(trigger);
    chkSync_ = Named(new QCheckBox(QStringLiteral("Trigger on output phase"), trigger),
                     QStringLiteral("chkSync"));
    chkSync_->setChecked(acq.mode != 0);
    grid->addWidget(chkSync_, 0, 0, 1, 3);
    const auto entry = [&](int row, const QString& caption, const char* name, const QString& unit) {
        grid->addWidget(new QLabel(caption, trigger), row, 0);
        auto* e = Named(new QLineEdit(trigger), QString::fromLatin1(name));
        e->setAlignment(Qt::AlignRight);
        e->setMaximumWidth(80);
        grid->addWidget(e, row, 1);
        grid->addWidget(new QLabel(unit, trigger), row, 3);
        return e;
    };
    txtTrigPhase_ =
        entry(1, QStringLiteral("Trigger phase:"), "txtTrigPhase", QStringLiteral("\u00b0"));
    txtTrigPhase_->setText(shown(FormatNumber(triggerAngle_, u"##0.0")));
    txtOffset_ = entry(2, QStringLiteral("Trigger offset:"), "txtOffset", QStringLiteral("ms"));
    txtOffset_->setText(FormatNumber(acq.offset, u"###0"));
    txtOffset_->setValidator(new QIntValidator(-9999, 9999, txtOffset_));
    auto* spnOffset = Named(new SpinButton(trigger), QStringLiteral("spnOffset"));
    grid->addWidget(spnOffset, 2, 2);
    txtPeriod_ = entry(3, QStringLiteral("Display period:"), "txtPeriod", QStringLiteral("ms"));
    chkContinuous_ = Named(new QCheckBox(QStringLiteral("Continuous"), trigger),
                           QStringLiteral("chkContinuous"));
    grid->addWidget(chkContinuous_, 4, 0, 1, 3);
    side->addWidget(trigger);

    auto* readings = new QGroupBox(QStringLiteral("Readings"), central);
    readoutGrid_ = new QGridLayout(readings);
    for (int i = 0; i < kMaxReadouts; ++i) {
        lblMType_ << Named(new QLabel(readings), QStringLiteral("lblMType"), i);
        auto* value = Named(new QLabel(readings), QStringLiteral("lblMeas"), i);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(80);
        lblMeas_ << value;
        readoutGrid_->addWidget(lblMType_[i], i, 0);
        readoutGrid_->addWidget(value, i, 1);
    }
    side->addWidget(readings);
    side->addStretch();
    layout->addLayout(side);

    graph_ = Named(new GraphView(central), QStringLiteral("Pego1"));
    layout->addWidget(graph_, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    fillParameters();

    connect(optPhs_, &QButtonGroup::idClicked, this, &frmTMeas::fillParameters);
    connect(txtPeriod_, &QLineEdit::returnPressed, this, &frmTMeas::periodEntered);
    connect(txtTrigPhase_, &QLineEdit::editingFinished, this, &frmTMeas::triggerPhaseEntered);
    connect(txtOffset_, &QLineEdit::editingFinished, this,
            [this] { program_.settings.waveAcquisition.offset = txtOffset_->text().toInt(); });
    connect(spnOffset, &SpinButton::stepped, this, [this](int direction) {
        const int value = std::clamp(txtOffset_->text().toInt() + direction, -9999, 9999);
        txtOffset_->setText(FormatNumber(value, u"###0"));
        program_.settings.waveAcquisition.offset = value;
    });
    connect(chkSync_, &QCheckBox::toggled, this,
            [this](bool on) { program_.settings.waveAcquisition.mode = on ? 1 : 0; });
    connect(graph_, &GraphView::zoomed, this,
            [this] { showStatus(QStringLiteral("Use 'Z' key to unzoom...")); });
    connect(graph_, &GraphView::unzoomed, this, [this] { showStatus(QStringLiteral("Ready...")); });
}

void frmTMeas::buildActions() {
    auto* toolbar = new QToolBar(QStringLiteral("Toolbar1"), this);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setIconSize(QSize(24, 24));
    addToolBar(toolbar);
    const auto button = [&](const char* key, const QString& icon, const QString& tip) {
        QAction* a = toolbar->addAction(QIcon(icon), tip);
        a->setObjectName(QString::fromLatin1(key));
        a->setToolTip(tip);
        return a;
    };
    const auto menuEntry = [](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    acquireAction_ = button("tb-wavemeas", QStringLiteral(":/measure-icons/tb-wavemeas.svg"),
                            QStringLiteral("Acquire data"));
    abortAction_ = button("tb-abort", QStringLiteral(":/measure-icons/tb-abort.svg"),
                          QStringLiteral("Abort acquisition"));
    abortAction_->setEnabled(false);
    toolbar->addSeparator();
    QAction* open = button("tb-fileopen", QStringLiteral(":/icons/tb-fileopen.svg"),
                           QStringLiteral("Open waveform data file"));
    QAction* save = button("tb-filesave", QStringLiteral(":/icons/tb-filesave.svg"),
                           QStringLiteral("Save waveform data to disk"));
    QAction* clear = button("tb-clear", QStringLiteral(":/measure-icons/tb-clear.svg"),
                            QStringLiteral("Clear Graph Display"));
    QAction* setupAction =
        button("tb-wavesetup", QStringLiteral(":/measure-icons/tb-wavesetup.svg"),
               QStringLiteral("Configure waveform display and scaling"));
    QAction* printAction = button("tb-print", QStringLiteral(":/measure-icons/tb-print.svg"),
                                  QStringLiteral("Print waveform data"));
    toolbar->addSeparator();
    QAction* exit =
        button("tb-exit", QStringLiteral(":/measure-icons/tb-exit.svg"), QStringLiteral("Exit"));
    QAction* help =
        button("tb-help", QStringLiteral(":/icons/tb-help.svg"), QStringLiteral("Help"));

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* acquireMenu = menuBar()->addMenu(QStringLiteral("&Acquire"));
    QMenu* graphMenu = menuBar()->addMenu(QStringLiteral("&Graph"));
    const QList<std::pair<QAction*, QAction*>> pairs = {
        {menuEntry(file, "mnuFOpen", QStringLiteral("&Open...")), open},
        {menuEntry(file, "mnuFSaveAs", QStringLiteral("Save &As...")), save},
        {menuEntry(file, "mnuFPrint", QStringLiteral("&Print...")), printAction},
        {menuEntry(file, "mnuFExit", QStringLiteral("E&xit")), exit},
        {menuEntry(acquireMenu, "mnuAData", QStringLiteral("Acquire &Data")), acquireAction_},
        {menuEntry(graphMenu, "mnuGSetup", QStringLiteral("&Set-up...")), setupAction},
        {menuEntry(graphMenu, "mnuGClear", QStringLiteral("&Clear")), clear},
    };
    for (const auto& [entry, tool] : pairs)
        connect(entry, &QAction::triggered, tool, &QAction::trigger);
    file->insertSeparator(file->actions().last());

    QAction* mode = menuEntry(acquireMenu, "mnuAMode", QStringLiteral("&Continuous"));
    mode->setCheckable(true);
    connect(mode, &QAction::toggled, chkContinuous_, &QCheckBox::setChecked);
    connect(chkContinuous_, &QCheckBox::toggled, mode, &QAction::setChecked);
    QAction* sync = menuEntry(acquireMenu, "mnuASync", QStringLiteral("&Trigger on Output Phase"));
    sync->setCheckable(true);
    sync->setChecked(chkSync_->isChecked());
    connect(sync, &QAction::toggled, chkSync_, &QCheckBox::setChecked);
    connect(chkSync_, &QCheckBox::toggled, sync, &QAction::setChecked);
    QMenu* parameter = graphMenu->addMenu(QStringLiteral("&Parameter"));
    parameter->menuAction()->setObjectName(QStringLiteral("mnuGPParam"));
    connect(parameter, &QMenu::aboutToShow, this, [this, parameter] {
        parameter->clear();
        for (int i = 0; i < cmbParam_->count(); ++i)
            connect(parameter->addAction(cmbParam_->itemText(i)), &QAction::triggered, this,
                    [this, i] { cmbParam_->setCurrentIndex(i); });
    });

    connect(acquireAction_, &QAction::triggered, this, &frmTMeas::acquire);
    connect(abortAction_, &QAction::triggered, this, [this] { abort_ = true; });
    connect(open, &QAction::triggered, this, &frmTMeas::openFile);
    connect(save, &QAction::triggered, this, &frmTMeas::saveFile);
    connect(clear, &QAction::triggered, this, &frmTMeas::clearGraph);
    connect(setupAction, &QAction::triggered, this, &frmTMeas::setup);
    connect(printAction, &QAction::triggered, this, &frmTMeas::print);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(help, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
}

QString frmTMeas::shown(const QString& invariant) const {
    return Shown(invariant, program_.decimalSeparator);
}

int frmTMeas::phase() const {
    return std::max(0, optPhs_->checkedId());
}

int frmTMeas::samples() const {
    return std::clamp(program_.settings.wave.bufferSize, 1, kMaxBlocks) * kBlockSamples;
}

void frmTMeas::showStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void frmTMeas::fillParameters() {
    const int index = std::max(0, cmbParam_->currentIndex());
    const QSignalBlocker block(cmbParam_);
    cmbParam_->clear();
    cmbParam_->addItems(CaptureParameterNames(phase()));
    cmbParam_->setCurrentIndex(index);
}

void frmTMeas::readInterval() {
    const float periodMs = program_.settings.waveAcquisition.period;
    intervalUs_ = periodMs * 1000.0f / samples();
    if (!io_.simulated()) {
        float seconds = 0;
        if (TryParseSingle(io_.query(QStringLiteral("sens:swe:tint?"), 1.0), seconds) &&
            seconds > 0)
            intervalUs_ = seconds * 1e6f;
    }
    showPeriod();
}

void frmTMeas::showPeriod() {
    txtPeriod_->setText(shown(FormatNumber(samples() * double(intervalUs_) / 1000.0, u"##0.0")));
}

void frmTMeas::periodEntered() {
    float periodMs = 0;
    if (!TryParseSingle(txtPeriod_->text(), periodMs, program_.decimalSeparator) || periodMs <= 0) {
        showPeriod();
        return;
    }
    program_.settings.waveAcquisition.period = periodMs;
    intervalUs_ = periodMs * 1000.0f / samples();
    intervalChanged_ = true;
}

void frmTMeas::triggerPhaseEntered() {
    float degrees = 0;
    if (!TryParseSingle(txtTrigPhase_->text(), degrees, program_.decimalSeparator) || degrees < 0 ||
        degrees > 360) {
        const PromptOwner owner(program_.prompt(), this);
        ReportRejectedEntry(program_);
    } else {
        triggerAngle_ = degrees;
    }
    txtTrigPhase_->setText(shown(FormatNumber(triggerAngle_, u"##0.0")));
}

ScaleLimits frmTMeas::limits() const {
    const WaveSettings& w = program_.settings.wave;
    const auto pair = [](int manual, int maximum) {
        return manual ? std::pair<float, float>(-maximum, maximum) : std::pair<float, float>(0, 0);
    };
    const auto [vMin, vMax] = pair(w.vYScale, w.vYMaximum);
    const auto [cMin, cMax] = pair(w.cYScale, w.cYMaximum);
    const auto [pMin, pMax] = pair(w.pYScale, w.pYMaximum);
    return {vMin, vMax, cMin, cMax, pMin, pMax};
}

void frmTMeas::setAcquiring(bool on) {
    busy_ = on;
    acquireAction_->setEnabled(!on);
    abortAction_->setEnabled(on);
}

void frmTMeas::acquire() {
    if (busy_) return;
    abort_ = false;
    setAcquiring(true);
    bool again = true;
    while (again) {
        AcquisitionRequest r;
        r.kind = static_cast<CaptureKind>(std::max(0, cmbParam_->currentIndex()));
        r.phase = phase();
        r.parameter = cmbParam_->currentText();
        r.dcMode = program_.outputState.OutputMode == ModeDC;
        r.singlePhase = program_.sourceModel.MultiPhase == 0;
        r.intervalChanged = intervalChanged_;
        r.intervalSeconds = intervalUs_ / 1e6;
        r.intervalUs = intervalUs_;
        r.triggered = chkSync_->isChecked();
        // Once only: the next acquisition arms the source itself.
        r.armed = std::exchange(state_.acquisitionArmed, false);
        r.offsetMs = txtOffset_->text().toInt();
        r.triggerAngle = triggerAngle_;
        r.bufferBlocks = std::clamp(program_.settings.wave.bufferSize, 1, kMaxBlocks);
        r.offsetBlocks =
            std::clamp(program_.settings.wave.bufferOffset, 0, kMaxBlocks - r.bufferBlocks);
        r.limits = limits();
        const QString date = QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(" , ") +
                             QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        const AcquisitionResult result =
            RunAcquisition(r, io_,
                           {[this](const QString& s) { showStatus(s); },
                            [this](const QString& e) {
                                // A lost link has told the operator already.
                                if (!io_.lost())
                                    prompt_.showMessage(e, PromptIcon::Exclamation);
                            },
                            [this] { return abort_ || io_.lost(); }},
                           date);
        intervalUs_ = result.intervalUs;
        intervalChanged_ = false;
        showPeriod();
        if (result.ok) {
            capture_ = result.capture;
            plot();
            showReadouts();
        }
        again = result.ok && chkContinuous_->isChecked() && !abort_;
    }
    if (abort_) showStatus(QStringLiteral("Ready..."));
    setAcquiring(false);
    if (closeRequested_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmTMeas::plot() {
    const WaveSettings& w = program_.settings.wave;
    const CaptureKind kind = capture_.kind();
    graph_->reset();
    graph_->setTitle(capture_.title);
    graph_->setGrid(w.grid != 0);
    graph_->setKeys(0, capture_.intervalUs / 1000.0);
    const int channels = capture_.channels();
    graph_->setSize(channels, capture_.samples);
    const ScaleLimits& l = capture_.limits;
    const auto scale = [&](int quantity, bool second) {
        const float lo = l[static_cast<size_t>(2 * quantity)];
        const float hi = l[static_cast<size_t>(2 * quantity + 1)];
        if (lo == hi) return;
        if (second)
            graph_->setManualY2Scale(lo, hi);
        else
            graph_->setManualYScale(lo, hi);
    };
    const QString units[3] = {QStringLiteral("Voltage (V)"), QStringLiteral("Current (A)"),
                              QStringLiteral("Power (W)")};
    const int colors[3] = {w.voltColor, w.currentColor, w.powerColor};
    int quantity = 0;
    switch (kind) {
    case CaptureKind::Current:
    case CaptureKind::ThreeCurrent:
        quantity = 1;
        break;
    case CaptureKind::Power:
        quantity = 2;
        break;
    default:
        break;
    }
    graph_->setAxisTitles(QStringLiteral("Time (ms)"), units[quantity]);
    scale(quantity, false);
    if (kind == CaptureKind::VoltCurrent) {
        graph_->setSubsetLabel(0, QStringLiteral("Voltage"));
        graph_->setSubsetLabel(1, QStringLiteral("Current"));
        graph_->setSubsetColor(0, colors[0]);
        graph_->setSubsetColor(1, DistinctColor(colors[1], colors[0]));
        graph_->setSubsetOnSecondAxis(1);
        graph_->setSecondAxisTitle(units[1]);
        scale(1, true);
    } else if (IsThreePhase(kind)) {
        for (int c = 0; c < 3; ++c) {
            graph_->setSubsetLabel(c, QStringLiteral("Phase ") + PhaseLetter(c));
            graph_->setSubsetColor(c, kPhaseColors[c]);
        }
    } else {
        graph_->setSubsetColor(0, colors[quantity]);
    }
    graph_->setYData(capture_.values);
    graph_->redraw();
    // A saved capture keeps the scales it is shown with, automatic ones too.
    capture_.limits[static_cast<size_t>(2 * quantity)] = static_cast<float>(graph_->yMinimum());
    capture_.limits[static_cast<size_t>(2 * quantity + 1)] = static_cast<float>(graph_->yMaximum());
    if (kind == CaptureKind::VoltCurrent) {
        capture_.limits[2] = static_cast<float>(graph_->y2Minimum());
        capture_.limits[3] = static_cast<float>(graph_->y2Maximum());
    }
}

void frmTMeas::showReadouts() {
    for (int i = 0; i < kMaxReadouts; ++i) {
        const bool used = i < capture_.readouts.size();
        lblMType_[i]->setText(used ? capture_.readouts[i].name + QLatin1Char(':') : QString());
        lblMeas_[i]->setText(used ? shown(capture_.readouts[i].value) : QString());
    }
}

void frmTMeas::clearGraph() {
    graph_->reset();
    graph_->setAxisTitles(QStringLiteral("Time (ms)"), QString());
    graph_->redraw();
}

void frmTMeas::openFile() {
    const QString path = prompt_.chooseOpenFile(
        {QStringLiteral("Open Waveform Data File..."), kCaptureFilter, QStringLiteral("wfd"), {}});
    if (path.isEmpty()) return;
    QString error;
    if (!ReadCaptureFile(path, capture_, error)) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return;
    }
    for (int p = 0; p < kPhaseCount; ++p) {
        const int index = CaptureParameterNames(p).indexOf(capture_.parameter);
        if (index < 0) continue;
        if (!IsThreePhase(capture_.kind())) optPhs_->button(p)->setChecked(true);
        fillParameters();
        cmbParam_->setCurrentIndex(index);
        break;
    }
    plot();
    showReadouts();
}

void frmTMeas::saveFile() {
    const QString path = ChooseSavePath(
        prompt_,
        {QStringLiteral("Save Waveform Data As ..."), kCaptureFilter, QStringLiteral("wfd"), {}});
    if (path.isEmpty()) return;
    QString error;
    if (!WriteCaptureFile(path, capture_, error))
        prompt_.showMessage(error, PromptIcon::Critical);
}

void frmTMeas::print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer);
}

void frmTMeas::printTo(QPrinter& printer) {
    showStatus(QStringLiteral("Processing print request...Please stand by..."));
    QPainter painter;
    if (!painter.begin(&printer)) {
        showStatus(QStringLiteral("Ready..."));
        return;
    }
    const QRect page = painter.viewport();
    const int line = painter.fontMetrics().height() * 3 / 2;
    const bool dc = program_.outputState.OutputMode == ModeDC;
    QFont titleFont = painter.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    painter.save();
    painter.setFont(titleFont);
    painter.drawText(QRect(0, 0, page.width(), 2 * line), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Waveform Data : ") + capture_.parameter +
                         (dc ? QStringLiteral(" in DC mode") : QString()) + QStringLiteral(" @ ") +
                         shown(FormatNumber(program_.outputState.Frequency, u"##0.00")) +
                         QStringLiteral(" Hz"));
    painter.restore();
    painter.drawText(QRect(0, 2 * line, page.width(), line), Qt::AlignLeft,
                     capture_.title + QStringLiteral(" - Acquisition Date : ") + capture_.date);
    const int graphTop = 4 * line;
    graph_->render(painter, QRect(0, graphTop, page.width(), page.width() * 2 / 3));

    // The samples in four column pairs, down each column, page after page.
    const int columnWidth = page.width() / 4;
    const int rowsPerPage = std::max(1, (page.height() - 4 * line) / line);
    const qsizetype count = capture_.values.size();
    const int valueIndent = painter.fontMetrics().horizontalAdvance(QStringLiteral("Buf#      "));
    for (qsizetype first = 0; first < count; first += 4 * qsizetype(rowsPerPage)) {
        printer.newPage();
        for (int c = 0; c < 4; ++c) {
            painter.drawText(c * columnWidth, line, QStringLiteral("Buf#        Value"));
            painter.drawText(c * columnWidth, 2 * line, QStringLiteral("-----------------"));
        }
        for (qsizetype i = first; i < std::min(count, first + 4 * qsizetype(rowsPerPage)); ++i) {
            const qsizetype at = i - first;
            const int x = static_cast<int>(at / rowsPerPage) * columnWidth;
            const int y = (3 + static_cast<int>(at % rowsPerPage)) * line;
            painter.drawText(x, y, FormatNumber(static_cast<int>(i), u"0000"));
            painter.drawText(x + valueIndent, y,
                             shown(FormatNumber(capture_.values[i], u"##0.000")));
        }
    }
    painter.end();
    showStatus(QStringLiteral("Ready..."));
}

void frmTMeas::setup() {
    frmWaveStp dialog(program_.settings.wave, this);
    if (dialog.exec() != QDialog::Accepted) return;
    showPeriod();
    if (capture_.samples > 0) plot();
}

void frmTMeas::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The acquisition unwinds first; the window closes when it has.
        closeRequested_ = true;
        abort_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace ostrel
