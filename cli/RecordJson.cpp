#include "cli/RecordJson.h"

#include <QJsonArray>
#include <QString>

namespace ostrel {

namespace {
// A single-precision value as the number it was read as: 2.34, not 2.3399999.
double number(float value) {
    return QString::number(static_cast<double>(value), 'g', 7).toDouble();
}
} // namespace

QJsonObject SourceModelJson(const SourceModel& m) {
    QJsonArray options;
    for (int o : m.Options)
        options.append(o);
    QJsonArray names;
    for (const QString& n : m.WaveformNames)
        names.append(n);
    return QJsonObject{
        {QStringLiteral("ModelIndex"), m.ModelIndex},
        {QStringLiteral("ModelName"), m.ModelName},
        {QStringLiteral("Designation"), m.Designation},
        {QStringLiteral("SerialNumber"), m.SerialNumber},
        {QStringLiteral("FirmwareRevision"), number(m.FirmwareRevision)},
        {QStringLiteral("FirmwarePartNumber"), m.FirmwarePartNumber},
        {QStringLiteral("ScpiVersion"), m.ScpiVersion},
        {QStringLiteral("FreqMax"), number(m.FreqMax)},
        {QStringLiteral("FreqMin"), number(m.FreqMin)},
        {QStringLiteral("VoltLowRange"), number(m.VoltLowRange)},
        {QStringLiteral("VoltHighRange"), number(m.VoltHighRange)},
        {QStringLiteral("DcPosLow"), number(m.DcPosLow)},
        {QStringLiteral("DcPosHigh"), number(m.DcPosHigh)},
        {QStringLiteral("DcNegLow"), number(m.DcNegLow)},
        {QStringLiteral("DcNegHigh"), number(m.DcNegHigh)},
        {QStringLiteral("CurrentBase"), number(m.CurrentBase)},
        {QStringLiteral("CurrentMax"), number(m.CurrentMax)},
        {QStringLiteral("PowerRating"), number(m.PowerRating)},
        {QStringLiteral("PhaseSpacing"), m.PhaseSpacing},
        {QStringLiteral("MultiPhase"), m.MultiPhase},
        {QStringLiteral("Options"), options},
        {QStringLiteral("SeriesFamily"), m.SeriesFamily()},
        {QStringLiteral("TtlStrobeMode"), m.TtlStrobeMode},
        {QStringLiteral("RelayHold"), m.RelayHold},
        {QStringLiteral("ListCapacity"), m.ListCapacity},
        {QStringLiteral("MinimumDwell"), m.MinimumDwell},
        {QStringLiteral("WaveformNames"), names},
    };
}

QJsonObject OutputStateJson(const OutputState& s) {
    QJsonArray phases;
    for (const PhaseState& p : s.Phase)
        phases.append(QJsonObject{
            {QStringLiteral("Voltage"), number(p.Voltage)},
            {QStringLiteral("CurrentLimit"), number(p.CurrentLimit)},
            {QStringLiteral("PhaseAngle"), number(p.PhaseAngle)},
            {QStringLiteral("WaveformIndex"), p.WaveformIndex},
            {QStringLiteral("ClipLevel"), p.ClipLevel},
            {QStringLiteral("DcVoltage"), number(p.DcVoltage)},
            {QStringLiteral("DcOffset"), number(p.DcOffset)},
            {QStringLiteral("ResistiveImpedance"), number(p.ResistiveImpedance)},
            {QStringLiteral("ImpedanceOn"), p.ImpedanceOn},
        });
    return QJsonObject{
        {QStringLiteral("Frequency"), number(s.Frequency)},
        {QStringLiteral("ExtSync"), s.ExtSync},
        {QStringLiteral("AuxSync"), s.AuxSync},
        {QStringLiteral("HighRange"), s.HighRange},
        {QStringLiteral("OutputMode"), s.OutputMode},
        {QStringLiteral("MultiPhaseOutput"), s.MultiPhaseOutput},
        {QStringLiteral("AlcMode"), s.AlcMode},
        {QStringLiteral("CurrentProtection"), s.CurrentProtection},
        {QStringLiteral("OutputOn"), s.OutputOn},
        {QStringLiteral("ProtectionDelay"), number(s.ProtectionDelay)},
        {QStringLiteral("ExternalSense"), s.ExternalSense},
        {QStringLiteral("SenseCoupling"), s.SenseCoupling},
        {QStringLiteral("RemoteInhibit"), s.RemoteInhibit},
        {QStringLiteral("ImpedanceNetwork"), s.ImpedanceNetwork},
        {QStringLiteral("Phase"), phases},
    };
}

QJsonArray MaxVoltageJson(const std::array<float, 3>& maxVoltage) {
    QJsonArray a;
    for (float v : maxVoltage)
        a.append(number(v));
    return a;
}

} // namespace ostrel
