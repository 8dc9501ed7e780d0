#include "panel/SetupFile.h"

#include "link/Numbers.h"
#include "panel/PanelLimits.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace ostrel {

namespace {

QString number(float v) { return QString::number(static_cast<double>(v), 'g', 7); }

class LineReader {
public:
    LineReader(QString file, int line, const QString& text, int expectedFields)
        : file_(std::move(file)), line_(line), fields_(text.split(QLatin1Char(','))) {
        if (text.trimmed().isEmpty() || fields_.size() != expectedFields)
            fail(QStringLiteral("%1 fields expected, %2 found").arg(expectedFields).arg(
                text.trimmed().isEmpty() ? 0 : fields_.size()));
    }

    float real(int field, const char* name) {
        float v = 0;
        if (ok() && !TryParseSingle(fields_[field], v))
            fail(QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(name), fields_[field].trimmed()));
        return v;
    }

    // The range is checked before the conversion: a float beyond int has no integer value.
    int integer(int field, const char* name, int min, int max) {
        const float v = real(field, name);
        if (!ok()) return min;
        if (v < static_cast<float>(min) || v > static_cast<float>(max) || v != std::trunc(v)) {
            fail(QStringLiteral("%1 must be a whole number from %2 to %3")
                     .arg(QLatin1String(name)).arg(min).arg(max));
            return min;
        }
        return static_cast<int>(v);
    }

    void within(float v, float min, float max, const char* name, const char* unit) {
        if (ok() && (v < min - 1e-4f || v > max + 1e-4f))
            fail(QStringLiteral("%1 %2 %3 is outside %4 to %5 %3")
                     .arg(QLatin1String(name), number(v), QLatin1String(unit), number(min), number(max)));
    }

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

private:
    void fail(const QString& why) {
        if (ok()) error_ = QStringLiteral("%1, line %2: %3.").arg(file_).arg(line_).arg(why);
    }

    QString file_;
    int line_;
    QStringList fields_;
    QString error_;
};

} // namespace

SetupReadResult ReadSetupFile(const QString& path, const SourceModel& model, const OutputState& current) {
    SetupReadResult r;
    r.state = current;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        r.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return r;
    }
    QStringList lines;
    while (!file.atEnd() && lines.size() < 6) lines.append(QString::fromLatin1(file.readLine()).trimmed());
    while (lines.size() < 5) lines.append(QString());

    LineReader first(name, 1, lines[0], 1);
    const int modelIndex = first.integer(0, "Model index", 0, 100);
    if (!first.ok()) {
        r.error = first.error();
        return r;
    }
    if (modelIndex != model.ModelIndex) {
        r.wrongModel = true;
        r.error = kWrongModelMessage;
        return r;
    }

    OutputState s = current;
    LineReader g(name, 2, lines[1], 12);
    s.Frequency = g.real(0, "Frequency");
    s.HighRange = g.integer(1, "Voltage range", 0, 1);
    s.OutputMode = g.integer(2, "Output mode", 0, 2);
    s.MultiPhaseOutput = g.integer(3, "Phase mode", 0, 1);
    s.CurrentProtection = g.integer(4, "Current protection", 0, 1);
    s.OutputOn = g.integer(5, "Output relay", 0, 1);
    s.ProtectionDelay = g.real(6, "Protection delay");
    s.ExternalSense = g.integer(7, "Voltage sense", 0, 1);
    s.SenseCoupling = g.integer(8, "Measurement coupling", 0, 1);
    s.AlcMode = g.integer(9, "ALC mode", 0, 2);
    s.ImpedanceNetwork = g.integer(10, "Impedance network", 0, 1);
    s.RemoteInhibit = g.integer(11, "Remote inhibit mode", 0, 2);
    if (s.OutputMode != ModeDC) g.within(s.Frequency, model.FreqMin, model.FreqMax, "Frequency", "Hz");
    g.within(s.ProtectionDelay, 0, 1000, "Protection delay", "s");
    if (!g.ok()) {
        r.error = g.error();
        return r;
    }

    const float acMax = s.HighRange ? model.VoltHighRange : model.VoltLowRange;
    const float dcMax = s.HighRange ? model.DcPosHigh : model.DcPosLow;
    const float dcMin = s.HighRange ? model.DcNegHigh : model.DcNegLow;
    const float currentMax = MaxCurrent(model, s);
    for (int p = 0; p < 3; ++p) {
        LineReader l(name, 3 + p, lines[2 + p], 6);
        PhaseState& ph = s.Phase[p];
        ph.Voltage = l.real(0, "AC voltage");
        ph.CurrentLimit = l.real(1, "Current limit");
        ph.PhaseAngle = l.real(2, "Phase angle");
        ph.WaveformIndex = l.integer(3, "Waveform", 0, kWaveformSlots - 1);
        ph.ClipLevel = l.integer(4, "Clip level", 0, 100);
        ph.DcVoltage = l.real(5, "DC voltage");
        l.within(ph.Voltage, 0, acMax, "AC voltage", "V");
        l.within(ph.CurrentLimit, 0, currentMax, "Current limit", "A");
        l.within(ph.PhaseAngle, -360, 360, "Phase angle", "degrees");
        l.within(ph.DcVoltage, dcMin, dcMax, "DC voltage", "V");
        if (!l.ok()) {
            r.error = l.error();
            return r;
        }
    }
    r.ok = true;
    r.state = s;
    return r;
}

bool WriteSetupFile(const QString& path, int modelIndex, const OutputState& s, QString* error) {
    QStringList lines{QString::number(modelIndex)};
    lines.append(QStringList{number(s.Frequency), QString::number(s.HighRange),
                             QString::number(s.OutputMode), QString::number(s.MultiPhaseOutput),
                             QString::number(s.CurrentProtection), QString::number(s.OutputOn),
                             number(s.ProtectionDelay), QString::number(s.ExternalSense),
                             QString::number(s.SenseCoupling), QString::number(s.AlcMode),
                             QString::number(s.ImpedanceNetwork), QString::number(s.RemoteInhibit)}
                     .join(QLatin1Char(',')));
    for (const PhaseState& p : s.Phase)
        lines.append(QStringList{number(p.Voltage), number(p.CurrentLimit), number(p.PhaseAngle),
                                 QString::number(p.WaveformIndex), QString::number(p.ClipLevel),
                                 number(p.DcVoltage)}
                         .join(QLatin1Char(',')));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
        if (file.commit()) return true;
    }
    if (error) *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
    return false;
}

} // namespace ostrel
