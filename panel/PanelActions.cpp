#include "panel/PanelActions.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Waits.h"
#include "panel/PanelLimits.h"

#include <QElapsedTimer>

#include <algorithm>

namespace ostrel {

namespace {

bool simulated(const Program& p) { return p.settings.link.bus == BusSimulation; }

// The per-phase prefix of one phase, given whether it is the first of the loop.
QString prefixed(bool threePhase, int phase, bool& first, const QString& command) {
    if (!threePhase) return command;
    const QString prefix = first ? QStringLiteral("inst:coup none;:inst:nsel ") : QStringLiteral("inst:nsel ");
    first = false;
    return prefix + QString::number(phase + 1) + QStringLiteral(";:") + command;
}

Ticked effective(const Program& p, Ticked ticked) {
    if (!IsThreePhase(p)) ticked = {ticked[0], false, false};
    return ticked;
}

void showErrors(Program& p, const QString& errors, PromptIcon icon) {
    if (!errors.isEmpty()) p.prompt().showMessage(errors.trimmed(), icon);
}

void relayHold(Program& p) { WaitMs(p.sourceModel.RelayHold); }

} // namespace

bool IsThreePhase(const Program& program) { return program.outputState.MultiPhaseOutput == 1; }

float ApplyVoltage(Program& program, const Ticked& ticked, float volts, bool send) {
    OutputState& s = program.outputState;
    const bool three = IsThreePhase(program);
    bool first = true;
    float programmed = volts;
    const Ticked phases = effective(program, ticked);
    for (int p = 0; p < 3; ++p) {
        if (!phases[p]) continue;
        float v = volts;
        if (send && program.maxVoltage[p] > 0) v = std::min(v, program.maxVoltage[p]);
        if (send && s.OutputMode == ModeDC && program.maxVoltage[p] > 0) v = std::max(v, -program.maxVoltage[p]);
        if (s.OutputMode == ModeDC)
            s.Phase[p].DcVoltage = v;
        else
            s.Phase[p].Voltage = v;
        programmed = v;
        if (!send) continue;
        const QString cmd = (s.OutputMode == ModeDC ? QStringLiteral("volt ") : QStringLiteral("volt:ac ")) +
                            FormatNumber(v, u"##0.0");
        program.link.Send(0, prefixed(three, p, first, cmd));
    }
    return programmed;
}

void ApplyCurrentLimit(Program& program, const Ticked& ticked, float amps, bool send) {
    const bool three = IsThreePhase(program);
    bool first = true;
    const Ticked phases = effective(program, ticked);
    for (int p = 0; p < 3; ++p) {
        if (!phases[p]) continue;
        program.outputState.Phase[p].CurrentLimit = amps;
        if (send)
            program.link.Send(0, prefixed(three, p, first, QStringLiteral("curr ") + FormatNumber(amps, u"##0.00")));
    }
}

void ApplyPhaseAngle(Program& program, int phase, float degrees, bool send) {
    if (phase < 0 || phase > 2) return;
    program.outputState.Phase[phase].PhaseAngle = degrees;
    if (!send) return;
    const QString value = FormatNumber(degrees, u"##0.0");
    if (IsThreePhase(program))
        program.link.Send(0, QStringLiteral("inst:coup none;:inst:nsel %1;:phas %2").arg(phase + 1).arg(value));
    else
        program.link.Send(0, QStringLiteral("phas ") + value);
}

void ApplyDcOffset(Program& program, const Ticked& ticked, float volts, bool send) {
    const bool three = IsThreePhase(program);
    bool first = true;
    const Ticked phases = effective(program, ticked);
    for (int p = 0; p < 3; ++p) {
        if (!phases[p]) continue;
        program.outputState.Phase[p].DcOffset = volts;
        if (send)
            program.link.Send(0, prefixed(three, p, first, QStringLiteral("volt:offs ") + FormatNumber(volts, u"##0.0")));
    }
}

bool ApplyFrequency(Program& program, float hertz, bool send) {
    const float previous = program.outputState.Frequency;
    program.outputState.Frequency = hertz;
    if (!send) return true;
    program.link.Send(0, QStringLiteral("FREQ ") + FormatNumber(hertz, u"###0.0"));
    const QString errors = program.link.CheckError();
    if (errors.isEmpty()) return true;
    program.prompt().showMessage(errors.trimmed(), PromptIcon::Exclamation);
    program.outputState.Frequency = previous;
    return false;
}

void ApplyWaveform(Program& program, int phase, int index, bool send) {
    if (phase < 0 || phase > 2) return;
    OutputState& s = program.outputState;
    const float halfRange = RangeValue(program.sourceModel, ModeAC, s.HighRange) / 2;
    if (send && index != 0 && s.Phase[phase].Voltage > halfRange) {
        Ticked only{};
        only[phase] = true;
        ApplyVoltage(program, only, 0, true);
    }
    s.Phase[phase].WaveformIndex = index;
    if (index == 2) s.Phase[phase].ClipLevel = ClipLevelOf(s.Phase[phase]);
    if (!send || program.sourceModel.SeriesFamily() != 1) return;
    const QString name = WaveformArgument(index, program.sourceModel);
    if (name.isEmpty()) return;
    bool first = true;
    const bool three = IsThreePhase(program);
    program.link.Send(0, prefixed(three, phase, first, QStringLiteral("func ") + name));
    if (index == 2)
        program.link.Send(0, prefixed(three, phase, first,
                                      QStringLiteral("func:csin ") + FormatNumber(s.Phase[phase].ClipLevel, u"#0.0") +
                                          QStringLiteral(" thd")));
    Delay(0.5);
    showErrors(program, program.link.CheckError(), PromptIcon::Information);
}

void ApplyClipLevel(Program& program, const Ticked& ticked, int thd, bool send) {
    const bool three = IsThreePhase(program);
    bool first = true;
    const Ticked phases = effective(program, ticked);
    for (int p = 0; p < 3; ++p) {
        if (!phases[p]) continue;
        program.outputState.Phase[p].ClipLevel = thd;
        if (send)
            program.link.Send(0, prefixed(three, p, first,
                                          QStringLiteral("func:csin ") + FormatNumber(thd, u"#0.0") +
                                              QStringLiteral(" thd")));
    }
}

void ApplyAlc(Program& program, int mode, bool send) {
    program.outputState.AlcMode = mode;
    if (!send) return;
    static const char* words[] = {"off", "on", "reg"};
    program.link.Send(0, QStringLiteral("volt:alc ") + QLatin1String(words[std::clamp(mode, 0, 2)]));
}

void ApplyProtection(Program& program, int trip, bool send) {
    program.outputState.CurrentProtection = trip;
    if (!send) return;
    showErrors(program,
               program.link.SendAndReport(0, trip ? QStringLiteral("CURR:PROT:STAT ON")
                                                  : QStringLiteral("CURR:PROT:STAT OFF")),
               PromptIcon::Information);
}

void ApplyProtectionDelay(Program& program, float seconds, bool send) {
    program.outputState.ProtectionDelay = seconds;
    if (send) program.link.Send(0, QStringLiteral("curr:prot:del ") + FormatNumber(seconds, u"##0.000"));
}

void ApplySense(Program& program, int external, bool send) {
    program.outputState.ExternalSense = external;
    if (send) program.link.Send(0, external ? QStringLiteral("volt:sens ext") : QStringLiteral("volt:sens int"));
}

void ApplyImpedanceNetwork(Program& program, int engaged, bool send) {
    program.outputState.ImpedanceNetwork = engaged;
    if (send) program.link.Send(0, engaged ? QStringLiteral("outp:vanu eng") : QStringLiteral("outp:vanu byp"));
}

void ApplyImpedanceOn(Program& program, bool on, bool send) {
    for (PhaseState& p : program.outputState.Phase) p.ImpedanceOn = on ? 1 : 0;
    if (send) program.link.Send(0, on ? QStringLiteral("outp:imp:stat on") : QStringLiteral("outp:imp:stat off"));
}

float ApplyResistance(Program& program, const Ticked& ticked, float ohms, bool send) {
    float value = std::max(0.0f, ohms);
    if (send) {
        float max = 0;
        if (TryParseSingle(program.link.Query(0, QStringLiteral("outp:imp:real? max")), max))
            value = std::min(value, std::max(0.0f, max));
    }
    for (PhaseState& p : program.outputState.Phase) p.ResistiveImpedance = value;
    if (!send) return value;
    const QString arg = FormatNumber(value, u"#0.000");
    if (!IsThreePhase(program)) {
        program.link.Send(0, QStringLiteral("inst:coup none"));
        program.link.Send(0, QStringLiteral("outp:imp:real ") + arg);
        return value;
    }
    program.link.Send(0, QStringLiteral("inst:coup none"));
    for (int p = 0; p < 3; ++p)
        if (ticked[p]) program.link.Send(0, QStringLiteral("inst:nsel %1;:outp:imp:real %2").arg(p + 1).arg(arg));
    return value;
}

void ApplyRelay(Program& program, bool closed, bool send) {
    program.outputState.OutputOn = closed ? 1 : 0;
    program.prompt().setStatus(4, closed ? QStringLiteral("Output ON") : QStringLiteral("Output OFF"));
    if (!send) return;
    program.link.Send(0, closed ? QStringLiteral("outp 1") : QStringLiteral("outp 0"));
    relayHold(program);
    showErrors(program, program.link.CheckError(), PromptIcon::Information);
}

void ApplyRange(Program& program, int range, const Ticked& ticked, bool send) {
    OutputState& s = program.outputState;
    s.HighRange = range;
    const ValueRange fits = VoltageSliderRange(program.sourceModel, s);
    const Ticked phases = effective(program, ticked);
    for (int p = 0; p < 3; ++p) {
        if (!phases[p]) continue;
        float& v = s.OutputMode == ModeDC ? s.Phase[p].DcVoltage : s.Phase[p].Voltage;
        v = std::clamp(v, fits.min, fits.max);
    }
    if (!send || simulated(program)) return;
    program.link.Send(0, QStringLiteral("outp 0;:volt:rang ") +
                             FormatNumber(RangeValue(program.sourceModel, s.OutputMode, range), u"##0.0"));
    relayHold(program);
    showErrors(program, program.link.CheckError(), PromptIcon::Information);
    if (s.OutputOn) program.link.Send(0, QStringLiteral("outp 1"));
}

QString ApplyMode(Program& program, int mode, bool send) {
    OutputState& s = program.outputState;
    s.OutputMode = mode;
    QString errors;
    if (send) {
        static const char* commands[] = {"source:mode ac;:sens:coup ac", "source:mode dc;:sens:coup dc",
                                         "source:mode acdc;:sens:coup dc"};
        errors = program.link.SendAndReport(0, QLatin1String(commands[std::clamp(mode, 0, 2)]));
    }
    s.SenseCoupling = mode == ModeAC ? 0 : 1;
    const float maxCurrent = MaxCurrent(program.sourceModel, s);
    for (PhaseState& p : s.Phase) p.CurrentLimit = std::min(p.CurrentLimit, maxCurrent);
    program.prompt().setStatus(1, errors.isEmpty() ? QStringLiteral("Ready...") : errors.trimmed());
    if (send && simulated(program)) {
        for (PhaseState& p : s.Phase) p.Voltage = p.DcVoltage = p.DcOffset = 0;
    }
    return errors;
}

void ApplyPhaseMode(Program& program, bool threePhase, bool send) {
    program.outputState.MultiPhaseOutput = threePhase ? 1 : 0;
    if (!send || simulated(program)) return;
    program.prompt().setStatus(1, QStringLiteral("Switching Phase Mode. Wait while AC source resets..."));
    program.prompt().setBusy(true);
    program.link.Send(0, threePhase ? QStringLiteral("syst:conf:nout 3") : QStringLiteral("syst:conf:nout 1"));
    // The unit does not answer while it resets; it is back when it answers again.
    QElapsedTimer waited;
    waited.start();
    Delay(0.5);
    while (waited.elapsed() < 30000 && program.link.Query(0, QStringLiteral("syst:conf:nout?")).isEmpty()) Delay(0.2);
    program.prompt().setBusy(false);
    program.prompt().setStatus(1, QStringLiteral("Ready..."));
}

} // namespace ostrel
