#pragma once
// The meter of simulation mode: with no source attached the measurement
// windows still show readings, invented from the programmed output with a
// small random spread across a resistive load. Each query and reply is echoed
// in the command trace as a real one would be.
#include "measure/SourceIo.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

namespace ostrel {

struct Program;

class SimulatedMeter : public SourceIo {
public:
    // The load every phase drives: its impedance in ohms and how far its
    // current lags the voltage.
    static constexpr double kLoadOhms = 60.0;
    static constexpr double kLoadLagDegrees = 25.0;

    explicit SimulatedMeter(Program& program, quint32 seed = 1);

    void send(const QString& command) override;
    QString query(const QString& command, double timeoutSeconds) override;
    QByteArray queryArray(const QString& command, double timeoutSeconds, int maxValues,
                          QString& error) override;
    QString checkError() override { return {}; }

private:
    // A command's effect on the simulated state (phase, interval, meter).
    void apply(const QString& part);
    // Traces the command, applies all but its last part and returns that.
    QString lastPart(const QString& command);
    QString answer(const QString& query);
    QString harmonics(bool current, bool phases);
    QString samples(bool current, int count);
    double spread(double value, double fraction);
    double volts() const;
    double amps() const { return volts() / kLoadOhms; }
    void trace(const QString& text);

    Program& program_;
    QRandomGenerator random_;
    int phase_ = 0;
    double intervalSeconds_ = 10.4e-3 / 4096;
    bool meterOn_ = false;
    QElapsedTimer metering_;
};

} // namespace ostrel
