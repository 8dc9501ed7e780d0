#include "measure/frmWattHour.h"

#include "app/ControlArrays.h"
#include "app/EntrySignals.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/GraphView.h"
#include "measure/WindowParts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const char* const kEnergyCaptions[4] = {"Phase A:", "Phase B:", "Phase C:", "Total:"};

} // namespace

frmWattHour::frmWattHour(Program& program, MeasurementState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program), state_(state), io_(program),
      meter_(state, io_, program.outputState.MultiPhaseOutput != 0 ? 3 : 1,
             program.sourceModel.MultiPhase != 0) {
    setObjectName(QStringLiteral("frmWattHour"));
    setWindowTitle(QStringLiteral("Watt Hour Measurement"));
    build();
    showValues();
    drawPlot();
    if (!io_.simulated() && meter_.queryRunning()) {
        running_ = true;
        metering_.start();
        cmdStart_->setEnabled(false);
        cmdStop_->setEnabled(true);
        tmrUpdate_->start();
    }
}

frmWattHour::~frmWattHour() {
    DisconnectEntries(*this);
}

void frmWattHour::build() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* values = new QGroupBox(QStringLiteral("Energy (WH)"), this);
    auto* grid = new QGridLayout(values);
    grid->addWidget(new QLabel(QStringLiteral("Elapsed time:"), values), 0, 0);
    lblMELT_ = Named(new QLabel(values), QStringLiteral("lblMELT"));
    lblMELT_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblMELT_->setMinimumWidth(110);
    grid->addWidget(lblMELT_, 0, 1);
    const bool threePhase = meter_.phases() == 3;
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(kEnergyCaptions[i]), values);
        energy_[i] = Named(new QLabel(values), QStringLiteral("lblWH"), i);
        energy_[i]->setFrameShape(QFrame::StyledPanel);
        energy_[i]->setFrameShadow(QFrame::Sunken);
        energy_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, 1 + i, 0);
        grid->addWidget(energy_[i], 1 + i, 1);
        const bool shown = i == 0 || (i < 3 ? threePhase : meter_.selectable());
        caption->setVisible(shown);
        energy_[i]->setVisible(shown);
    }
    top->addWidget(values);

    auto* controls = new QVBoxLayout;
    cmdStart_ = Named(new QPushButton(QStringLiteral("Start"), this), QStringLiteral("cmdStart"));
    cmdStop_ = Named(new QPushButton(QStringLiteral("Stop"), this), QStringLiteral("cmdStop"));
    cmdStop_->setEnabled(false);
    controls->addWidget(cmdStart_);
    controls->addWidget(cmdStop_);
    auto* span = new QHBoxLayout;
    span->addWidget(new QLabel(QStringLiteral("Plot span:"), this));
    txtPlotTime_ = Named(new QLineEdit(QStringLiteral("1"), this), QStringLiteral("txtPlotTime"));
    txtPlotTime_->setValidator(new QIntValidator(0, 99999, txtPlotTime_));
    txtPlotTime_->setMaximumWidth(56);
    txtPlotTime_->setAlignment(Qt::AlignRight);
    span->addWidget(txtPlotTime_);
    span->addWidget(new QLabel(QStringLiteral("h"), this));
    controls->addLayout(span);
    chkPlot_ = Named(new QCheckBox(QStringLiteral("Show plot"), this), QStringLiteral("chkPlot"));
    chkPlot_->setChecked(true);
    controls->addWidget(chkPlot_);
    controls->addStretch();
    top->addLayout(controls);
    layout->addLayout(top);

    tbsPhase_ = Named(new QTabBar(this), QStringLiteral("tbsPhase"));
    for (int i = 0; i < 4; ++i) {
        const int tab = tbsPhase_->addTab(QString::fromLatin1(kEnergyCaptions[i]).chopped(1));
        tbsPhase_->setTabVisible(tab, energy_[i]->isVisibleTo(this));
    }
    pegoPlot_ = Named(new GraphView(this), QStringLiteral("pegoPlot"));
    pegoPlot_->setMinimumSize(520, 280);
    layout->addWidget(tbsPhase_);
    layout->addWidget(pegoPlot_, 1);

    tmrUpdate_ = new QTimer(this);
    tmrUpdate_->setObjectName(QStringLiteral("tmrUpdate"));
    tmrUpdate_->setInterval(1000);

    connect(cmdStart_, &QPushButton::clicked, this, &frmWattHour::start);
    connect(cmdStop_, &QPushButton::clicked, this, &frmWattHour::stop);
    connect(tmrUpdate_, &QTimer::timeout, this, &frmWattHour::tick);
    connect(txtPlotTime_, &QLineEdit::editingFinished, this, &frmWattHour::spanEntered);
    connect(tbsPhase_, &QTabBar::currentChanged, this, &frmWattHour::drawPlot);
    connect(chkPlot_, &QCheckBox::toggled, this, [this](bool on) {
        tbsPhase_->setVisible(on);
        pegoPlot_->setVisible(on);
        adjustSize();
    });
}

void frmWattHour::start() {
    meter_.start();
    metering_.restart();
    running_ = true;
    showValues();
    drawPlot();
    cmdStart_->setEnabled(false);
    cmdStop_->setEnabled(true);
    tmrUpdate_->start();
}

void frmWattHour::stop() {
    tmrUpdate_->stop();
    meter_.stop();
    running_ = false;
    cmdStart_->setEnabled(true);
    cmdStop_->setEnabled(false);
}

void frmWattHour::tick() {
    if (inUpdate_) return;
    // No tick starts while one waits for its replies.
    tmrUpdate_->stop();
    inUpdate_ = true;
    const TickResult result = meter_.tick(metering_.elapsed() / 1000.0);
    if (result == TickResult::Waiting) setWindowTitle(QStringLiteral("Waiting for Meas cycle"));
    if (result == TickResult::Read) {
        setWindowTitle(QStringLiteral("Watt Hour Measurement"));
        showValues();
        drawPlot();
    }
    inUpdate_ = false;
    if (closeRequested_)
        QTimer::singleShot(0, this, &QWidget::close);
    else if (result == TickResult::Lost)
        stop();
    else if (running_)
        tmrUpdate_->start();
}

void frmWattHour::showValues() {
    lblMELT_->setText(meter_.elapsed());
    for (int i = 0; i < 4; ++i)
        energy_[i]->setText(
            QLatin1Char(' ') +
            Shown(FormatNumber(meter_.energy()[static_cast<size_t>(i)], u"###0.000"),
                  program_.decimalSeparator));
}

void frmWattHour::drawPlot() {
    const int index = std::max(0, tbsPhase_->currentIndex());
    const QVector<EnergyPoint>& points = meter_.plot();
    pegoPlot_->reset();
    pegoPlot_->setTitle(QStringLiteral("Energy, ") + tbsPhase_->tabText(index));
    pegoPlot_->setAxisTitles(QStringLiteral("Metering time (hh:mm:ss)"), QStringLiteral("WH"));
    pegoPlot_->setGrid(true);
    pegoPlot_->setSize(1, static_cast<int>(points.size()));
    pegoPlot_->setSubsetColor(0, 9);
    QStringList labels;
    QVector<float> values;
    float highest = 0;
    for (const EnergyPoint& p : points) {
        labels << p.time;
        values << static_cast<float>(p.energy[static_cast<size_t>(index)]);
        highest = std::max(highest, values.back());
    }
    // Energy starts at nothing and only grows.
    pegoPlot_->setManualYScale(0, highest > 0 ? highest * 1.1 : 1.0);
    pegoPlot_->setPointLabels(labels);
    pegoPlot_->setYData(values);
    pegoPlot_->redraw();
}

void frmWattHour::spanEntered() {
    const int hours = ClampPlotSpan(txtPlotTime_->text().toInt());
    txtPlotTime_->setText(QString::number(hours));
    meter_.setPlotSpan(hours);
    drawPlot();
}

void frmWattHour::closeEvent(QCloseEvent* event) {
    if (inUpdate_) {
        // The tick unwinds first; the window closes when it has.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    tmrUpdate_->stop();
    state_.wattHourBusy = false;
    QWidget::closeEvent(event);
}

} // namespace ostrel
