#pragma once
// The watt-hour window: starts and stops the source's energy meter, shows
// the metering time and the energy per phase and in total once a second,
// and plots the energy over a chosen span of hours.
#include "measure/MeasurementState.h"
#include "measure/ProgramIo.h"
#include "measure/WattHour.h"

#include <QElapsedTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTimer;

namespace ostrel {

struct Program;
class GraphView;

class frmWattHour : public QWidget {
    Q_OBJECT
public:
    frmWattHour(Program& program, MeasurementState& state, QWidget* parent = nullptr);
    ~frmWattHour() override;

    // One update, as the timer runs it.
    void tick();
    const WattHourMeter& meter() const { return meter_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void start();
    void stop();
    void showValues();
    void drawPlot();
    void spanEntered();

    Program& program_;
    MeasurementState& state_;
    ProgramIo io_;
    WattHourMeter meter_;
    QElapsedTimer metering_;
    bool running_ = false;
    bool inUpdate_ = false;
    bool closeRequested_ = false;

    QPushButton *cmdStart_, *cmdStop_;
    QLabel* lblMELT_ = nullptr;
    QLabel* energy_[4] = {};
    QLineEdit* txtPlotTime_ = nullptr;
    QCheckBox* chkPlot_ = nullptr;
    QTabBar* tbsPhase_ = nullptr;
    GraphView* pegoPlot_ = nullptr;
    QTimer* tmrUpdate_ = nullptr;
};

} // namespace ostrel
