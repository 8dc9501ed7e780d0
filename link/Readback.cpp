#include "link/Readback.h"

#include "app/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"

#include <cmath>
#include <vector>

namespace ostrel {

namespace {

QString query(Program& program, const QString& command) {
    return program.link.Query(0, command, 1);
}

bool has(const QString& reply, const char* text) {
    return reply.contains(QLatin1String(text));
}

// 2 AC+DC, 1 DC, 0 AC; -1 when the reply names none.
int modeOf(const QString& reply) {
    if (has(reply, "ACDC")) return ModeACDC;
    if (has(reply, "DC")) return ModeDC;
    if (has(reply, "AC")) return ModeAC;
    return -1;
}

void readMode(Program& program) {
    OutputState& out = program.outputState;
    QString reply = query(program, QStringLiteral("source:mode?"));
    int mode = modeOf(reply);
    if (mode < 0) {
        reply = query(program, QStringLiteral("source:mode?"));
        mode = modeOf(reply);
    }
    if (mode >= 0)
        out.OutputMode = mode;
    else if (reply.isEmpty())
        // Firmware 0.03 has no mode query and always runs AC+DC.
        out.OutputMode = program.sourceModel.FirmwareRevision == 0.03f ? ModeACDC : ModeAC;
}

void readFunction(Program& program, PhaseState& phase, QString function) {
    const qsizetype lf = function.indexOf(QLatin1Char('\n'));
    if (lf >= 0) function.truncate(lf);
    function = function.trimmed().toUpper();
    if (function.isEmpty()) return;
    static const QStringList sine{QStringLiteral("SIN"), QStringLiteral("SINE"),
                                  QStringLiteral("SINUSOID")};
    static const QStringList square{QStringLiteral("SQU"), QStringLiteral("SQUARE")};
    static const QStringList clipped{QStringLiteral("CSIN"), QStringLiteral("CSINUSOID"),
                                     QStringLiteral("CLIPPED")};
    if (sine.contains(function)) {
        phase.WaveformIndex = 0;
    } else if (square.contains(function)) {
        phase.WaveformIndex = 1;
    } else if (clipped.contains(function)) {
        phase.WaveformIndex = 2;
    } else {
        const SourceModel& m = program.sourceModel;
        const QString key = function.left(12);
        for (int i = kFirstUserWaveform; i <= m.WaveformLastIndex && i < kWaveformSlots; ++i) {
            if (!m.WaveformNames[i].isEmpty() && m.WaveformNames[i].left(12).toUpper() == key) {
                phase.WaveformIndex = i;
                break;
            }
        }
    }
}

void readPhase(Program& program, int p) {
    OutputState& out = program.outputState;
    PhaseState& phase = out.Phase[p];
    program.link.Send(0, QStringLiteral("inst:nsel ") + QString::number(p + 1));
    QString function = QStringLiteral("SIN");
    QString clip;
    const QString v = query(program, QStringLiteral("volt?"));
    if (program.sourceModel.SeriesFamily() == 1) {
        function = query(program, QStringLiteral("func?"));
        clip = query(program, QStringLiteral("func:csin? thd"));
    }
    const QString c = query(program, QStringLiteral("curr?"));
    const QString a = query(program, QStringLiteral("phas?"));
    if (!v.isEmpty()) {
        switch (out.OutputMode) {
        case ModeAC:
            phase.Voltage = static_cast<float>(Val(v));
            break;
        case ModeDC:
            phase.DcVoltage = static_cast<float>(Val(v));
            break;
        default: {
            phase.Voltage = static_cast<float>(Val(v));
            const QString offset = query(program, QStringLiteral("volt:offs?"));
            if (!offset.isEmpty()) phase.DcOffset = static_cast<float>(Val(offset));
        }
        }
    }
    if (!c.isEmpty()) phase.CurrentLimit = static_cast<float>(Val(c));
    if (!a.isEmpty()) phase.PhaseAngle = static_cast<float>(Val(a));
    readFunction(program, phase, function);
    if (!clip.isEmpty()) phase.ClipLevel = static_cast<int>(std::lround(Val(clip)));
}

} // namespace

void ReadBackState(Program& program, int modelIndex) {
    if (program.readbackInProgress) return;
    program.readbackInProgress = true;
    Prompt& prompt = program.prompt();
    prompt.setStatus(1, QStringLiteral("Obtaining AC source steady state settings..."));
    prompt.setBusy(true);
    Delay(0.3);
    program.link.CheckError();

    OutputState& out = program.outputState;
    const SourceModel& model = program.sourceModel;
    readMode(program);

    const QString frequency = query(program, QStringLiteral("freq?"));
    if (frequency.isEmpty())
        program.link.CheckError();
    else
        out.Frequency = static_cast<float>(Val(frequency));

    const QString freqMode = query(program, QStringLiteral("freq:mode?"));
    out.ExtSync = has(freqMode, "SENS");
    out.AuxSync = has(freqMode, "AUX");

    const float range = static_cast<float>(Val(query(program, QStringLiteral("volt:rang?"))));
    out.HighRange = range == (out.OutputMode == ModeDC ? model.DcPosHigh : model.VoltHighRange);

    const QString protection = query(program, QStringLiteral("curr:prot:stat?"));
    out.CurrentProtection = has(protection, "ON") || has(protection, "1");
    out.ExternalSense = has(query(program, QStringLiteral("volt:sens?")), "EXT");
    out.SenseCoupling = has(query(program, QStringLiteral("sens:coup?")), "AC") ? 0 : 1;

    const QString inhibit = query(program, QStringLiteral("outp:ri:mode?"));
    out.RemoteInhibit = has(inhibit, "LATC") ? 1 : has(inhibit, "OFF") ? 2 : 0;
    const QString alc = query(program, QStringLiteral("volt:alc?"));
    out.AlcMode = has(alc, "1") ? 1 : has(alc, "2") ? 2 : 0;
    const QString relay = query(program, QStringLiteral("outp?"));
    out.OutputOn = has(relay, "ON") || has(relay, "1");

    const QString delay = query(program, QStringLiteral("curr:prot:del?"));
    if (!delay.isEmpty()) out.ProtectionDelay = static_cast<float>(Val(delay));

    const QString outputs = query(program, QStringLiteral("syst:conf:nout?"));
    out.MultiPhaseOutput = has(outputs, "+2") || has(outputs, "+3") ||
                           (has(outputs, "FIX") && model.PhaseSpacing != 0);

    ReadWaveformCatalog(program, modelIndex);

    std::vector<int> phases{0};
    if (out.MultiPhaseOutput == 1)
        phases = IsSplitPhase(model) ? std::vector<int>{0, 2} : std::vector<int>{0, 1, 2};
    for (int p : phases)
        readPhase(program, p);

    UpdateMaxVoltage(program, 3);
    prompt.setStatus(1, QStringLiteral("Ready..."));
    prompt.setBusy(false);
    program.readbackInProgress = false;
}

void SetMaxVoltageFromModel(Program& program, int phase) {
    const SourceModel& m = program.sourceModel;
    const OutputState& out = program.outputState;
    const float limit = out.OutputMode == ModeDC
                            ? (out.HighRange ? m.DcPosHigh : m.DcPosLow)
                            : (out.HighRange ? m.VoltHighRange : m.VoltLowRange);
    if (phase >= 0 && phase <= 2) {
        program.maxVoltage[phase] = limit;
        return;
    }
    program.maxVoltage[0] = limit;
    if (out.MultiPhaseOutput == 1) program.maxVoltage[1] = program.maxVoltage[2] = limit;
}

void UpdateMaxVoltage(Program& program, int phase) {
    if (program.settings.link.bus == BusSimulation) return SetMaxVoltageFromModel(program, phase);
    auto ask = [&](int p, const QString& command) {
        const QString reply = query(program, command);
        if (!reply.isEmpty()) program.maxVoltage[p] = static_cast<float>(Val(reply));
    };
    if (phase >= 0 && phase <= 2) {
        ask(phase, QStringLiteral("inst:coup none;:inst:nsel ") + QString::number(phase + 1) +
                       QStringLiteral(";:volt? max"));
        return;
    }
    if (program.outputState.MultiPhaseOutput == 0) {
        ask(0, QStringLiteral("volt? max"));
        return;
    }
    ask(0, QStringLiteral("inst:coup none;:inst:nsel 1;:volt? max"));
    for (int p = 1; p <= 2; ++p)
        ask(p,
            QStringLiteral("inst:nsel ") + QString::number(p + 1) + QStringLiteral(";:volt? max"));
}

} // namespace ostrel
