#pragma once
// The watt-hour meter: the source's energy meter read once a second per
// phase and in total, with a plot series of the energy over a chosen span.
#include "measure/MeasurementState.h"
#include "measure/SourceIo.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

namespace ostrel {

constexpr int kPlotPointsPerHour = 15;

// "whm:stat?" says the meter runs when it holds "on" or "1", in any case.
bool WattHourRunning(const QString& reply);
// "0,1,23,456" -> "00:01:23:456"; "" for an empty reply.
QString ElapsedText(const QString& reply);
// The plot span in hours, 1..168.
int ClampPlotSpan(int hours);

struct EnergyPoint {
    QString time;                   // "hh:mm:ss" of the metering time
    std::array<double, 4> energy{}; // phases A, B, C, total
};

// Lost: the link to the source is lost; the tick plotted nothing.
enum class TickResult { Read, Waiting, Overlapped, Lost };

class WattHourMeter {
public:
    // `phases`: the source's outputs (1 or 3); `selectable`: the model has
    // selectable phases and reports a total.
    WattHourMeter(MeasurementState& state, SourceIo& io, int phases, bool selectable);
    ~WattHourMeter();
    WattHourMeter(const WattHourMeter&) = delete;
    WattHourMeter& operator=(const WattHourMeter&) = delete;

    bool queryRunning();
    void start();
    void stop();

    // One update. Waits (and lets the standard measurements read) while their
    // cycle is busy; never runs inside another tick. `elapsedSeconds` is the
    // metering time since start, used to decide when a plot point is due.
    TickResult tick(double elapsedSeconds);

    void setPlotSpan(int hours);
    int plotSpan() const { return span_; }
    QString elapsed() const { return elapsed_; }
    // Phases A..C then the total; meaningful for the phases read.
    const std::array<double, 4>& energy() const { return energy_; }
    const QVector<EnergyPoint>& plot() const { return plot_; }
    int phases() const { return phases_; }
    bool selectable() const { return selectable_; }

private:
    void readEnergy(int index);

    MeasurementState& state_;
    SourceIo& io_;
    int phases_;
    bool selectable_;
    bool inTick_ = false;
    int span_ = 1;
    double lastPoint_ = -1;
    QString elapsed_ = QStringLiteral("00:00:00:000");
    std::array<double, 4> energy_{};
    QVector<EnergyPoint> plot_;
};

} // namespace ostrel
