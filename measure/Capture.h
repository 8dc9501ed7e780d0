#pragma once
// Waveform capture: the source digitises its output over one acquisition
// window; the program fetches the voltage and current arrays of one or three
// phases and reads a set of meter values taken with them.
#include "measure/ArrayReply.h"
#include "measure/SourceIo.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>

namespace ostrel {

constexpr int kBlockSamples = 256;
constexpr int kMaxBlocks = 16;
constexpr int kMaxChannelSamples = kBlockSamples * kMaxBlocks;

enum class CaptureKind { Voltage, Current, Power, VoltCurrent, ThreeVoltage, ThreeCurrent };

// The parameter list of the window for one phase letter, in CaptureKind order.
QStringList CaptureParameterNames(int phase);
// Told from the parameter text ("Volt & Curr phase B" -> VoltCurrent).
CaptureKind CaptureKindOf(const QString& parameter);
int ChannelCount(CaptureKind kind);
bool IsThreePhase(CaptureKind kind);

struct MeterReadout {
    QString name;
    QString value; // as shown, with its unit where it has one
};

// Scale limits: voltage min, max, current min, max, power min, max.
using ScaleLimits = std::array<float, 6>;

struct Capture {
    QString parameter;    // the parameter text it was taken with
    QString title;        // "Phase A Voltage"
    QString date;         // acquisition date; not kept in files
    int samples = 0;      // per channel
    QString offsetText;   // trigger offset as shown, ms
    float intervalUs = 0; // sample interval
    ScaleLimits limits{};
    QVector<MeterReadout> readouts;
    QVector<float> values; // channel after channel, `samples` each

    CaptureKind kind() const { return CaptureKindOf(parameter); }
    int channels() const { return ChannelCount(kind()); }
    QVector<float> channel(int index) const { return values.mid(index * samples, samples); }
};

QString CaptureTitle(CaptureKind kind, int phase);

struct AcquisitionRequest {
    CaptureKind kind = CaptureKind::Voltage;
    int phase = 0;     // 0..2, the phase of a one-phase parameter
    QString parameter; // the window's parameter text
    bool dcMode = false;
    bool singlePhase = false;     // the source has one output
    bool intervalChanged = false; // send intervalSeconds first
    double intervalSeconds = 0;
    float intervalUs = 0;   // the interval the source uses now
    bool triggered = false; // synchronised with the output phase
    // A list run armed the acquisition already: fetch what it took.
    bool armed = false;
    double offsetMs = 0;
    double triggerAngle = 0;
    int bufferBlocks = kMaxBlocks;
    int offsetBlocks = 0;
    ScaleLimits limits{};
};

struct AcquisitionEvents {
    std::function<void(const QString&)> status;
    std::function<void(const QString&)> error; // shown to the operator
    std::function<bool()> aborted;
};

struct AcquisitionResult {
    bool ok = false;      // false when aborted or an array did not arrive whole
    float intervalUs = 0; // the interval read back (or kept)
    Capture capture;
};

// The commands and queries of the steps, for the window and its tests.
QString FetchQuery(const QString& channel, int bufferBlocks, int offsetBlocks);
QString SelectPhaseCommand(int phase);
QStringList TriggerCommands(bool dcMode, double angle);

struct ReadoutItem {
    QString name;
    QString query;
    QString mask;
    QString suffix;
};
QVector<ReadoutItem> MeterReadoutItems(bool dcMode, int phase, bool singlePhase);

// Time to wait after starting the acquisition before fetching.
double AcquisitionWaitSeconds(int samples, float intervalUs, double offsetMs);

AcquisitionResult RunAcquisition(const AcquisitionRequest& request, SourceIo& io,
                                 const AcquisitionEvents& events, const QString& date);

} // namespace ostrel
