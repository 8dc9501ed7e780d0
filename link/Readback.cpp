#include "link/Readback.h"

#include "core/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/QueryReader.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"

#include <cmath>
#include <optional>
#include <vector>

namespace ostrel {

namespace {

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

void readMode(QueryReader& read) {
    Program& program = read.program;
    OutputState& out = program.outputState;
    // Firmware 0.03 has no mode query and always runs AC+DC.
    if (program.sourceModel.FirmwareRevision == 0.03f) {
        const auto reply = read.optional(QStringLiteral("source:mode?"));
        const int mode = reply ? modeOf(reply->text) : -1;
        out.OutputMode = mode >= 0 ? mode : ModeACDC;
        return;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto reply = read.text(QStringLiteral("source:mode?"));
        if (!reply) return;
        const int mode = modeOf(*reply);
        if (mode >= 0) {
            out.OutputMode = mode;
            return;
        }
    }
    read.failure.error = QStringLiteral("The reply to \"source:mode?\" names no output mode.");
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

void readPhase(QueryReader& read, int p) {
    Program& program = read.program;
    OutputState& out = program.outputState;
    PhaseState& phase = out.Phase[p];
    read.send(QStringLiteral("inst:nsel ") + QString::number(p + 1));
    QString function = QStringLiteral("SIN");
    const auto v = read.number(QStringLiteral("volt?"));
    if (program.sourceModel.SeriesFamily() == 1) {
        if (const auto f = read.optional(QStringLiteral("func?"))) function = f->text;
        if (const auto clip = read.optionalNumber(QStringLiteral("func:csin? thd")))
            phase.ClipLevel = static_cast<int>(std::lround(*clip));
    }
    const auto c = read.number(QStringLiteral("curr?"));
    const auto a = read.number(QStringLiteral("phas?"));
    if (read.failure) return;
    switch (out.OutputMode) {
    case ModeAC:
        phase.Voltage = *v;
        break;
    case ModeDC:
        phase.DcVoltage = *v;
        break;
    default:
        phase.Voltage = *v;
        if (const auto offset = read.optionalNumber(QStringLiteral("volt:offs?")))
            phase.DcOffset = *offset;
    }
    phase.CurrentLimit = *c;
    phase.PhaseAngle = *a;
    readFunction(program, phase, function);
}

void readSettings(QueryReader& read, int modelIndex) {
    Program& program = read.program;
    OutputState& out = program.outputState;
    const SourceModel& model = program.sourceModel;
    readMode(read);

    if (const auto frequency = read.number(QStringLiteral("freq?"))) out.Frequency = *frequency;
    if (const auto freqMode = read.text(QStringLiteral("freq:mode?"))) {
        out.ExtSync = has(*freqMode, "SENS");
        out.AuxSync = has(*freqMode, "AUX");
    }
    if (const auto range = read.number(QStringLiteral("volt:rang?")))
        out.HighRange =
            *range == (out.OutputMode == ModeDC ? model.DcPosHigh : model.VoltHighRange);
    if (const auto protection = read.text(QStringLiteral("curr:prot:stat?")))
        out.CurrentProtection = has(*protection, "ON") || has(*protection, "1");
    if (const auto sense = read.text(QStringLiteral("volt:sens?")))
        out.ExternalSense = has(*sense, "EXT");
    if (const auto coupling = read.text(QStringLiteral("sens:coup?")))
        out.SenseCoupling = has(*coupling, "AC") ? 0 : 1;
    if (const auto inhibit = read.text(QStringLiteral("outp:ri:mode?")))
        out.RemoteInhibit = has(*inhibit, "LATC") ? 1 : has(*inhibit, "OFF") ? 2 : 0;
    if (const auto alc = read.text(QStringLiteral("volt:alc?")))
        out.AlcMode = has(*alc, "1") ? 1 : has(*alc, "2") ? 2 : 0;
    if (const auto relay = read.text(QStringLiteral("outp?")))
        out.OutputOn = has(*relay, "ON") || has(*relay, "1");
    if (const auto delay = read.optionalNumber(QStringLiteral("curr:prot:del?")))
        out.ProtectionDelay = *delay;
    if (const auto outputs = read.text(QStringLiteral("syst:conf:nout?")))
        out.MultiPhaseOutput = has(*outputs, "+2") || has(*outputs, "+3") ||
                               (has(*outputs, "FIX") && model.PhaseSpacing != 0);
    if (read.failure) return;

    if (const QueryFailure catalog = ReadWaveformCatalog(program, modelIndex)) {
        read.failure = catalog;
        return;
    }

    std::vector<int> phases{0};
    if (out.MultiPhaseOutput == 1)
        phases = IsSplitPhase(model) ? std::vector<int>{0, 2} : std::vector<int>{0, 1, 2};
    for (int p : phases)
        readPhase(read, p);
    if (read.failure) return;
    read.failure = UpdateMaxVoltage(program, 3);
}

} // namespace

QueryFailure ReadBackState(Program& program, int modelIndex) {
    if (program.readbackInProgress) return {};
    Prompt& prompt = program.prompt();
    // In simulation the mirrored values are the output; only the maxima follow the model.
    if (program.settings.link.bus == BusSimulation) {
        SetMaxVoltageFromModel(program, 3);
        prompt.setStatus(1, QStringLiteral("Ready..."));
        return {};
    }
    program.readbackInProgress = true;
    prompt.setStatus(1, QStringLiteral("Obtaining AC source steady state settings..."));
    prompt.setBusy(true);
    Delay(0.3);
    program.link.CheckError();

    const OutputState before = program.outputState;
    const auto maxBefore = program.maxVoltage;
    const auto namesBefore = program.sourceModel.WaveformNames;
    QueryReader read{program, {}};
    readSettings(read, modelIndex);
    if (read.failure) {
        program.outputState = before;
        program.outputState.ReadBack = false;
        program.maxVoltage = maxBefore;
        program.sourceModel.WaveformNames = namesBefore;
    } else {
        program.outputState.ReadBack = true;
    }

    prompt.setBusy(false);
    program.readbackInProgress = false;
    if (!read.failure) {
        prompt.setStatus(1, QStringLiteral("Ready..."));
        return {};
    }
    prompt.setStatus(1, QStringLiteral("Output settings not read back"));
    if (!read.failure.linkLost)
        prompt.showMessage(QStringLiteral("The output settings could not be read back:\r\n") +
                               read.failure.error +
                               QStringLiteral("\r\nThe panel shows the last settings known."),
                           PromptIcon::Exclamation);
    return read.failure;
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

QueryFailure UpdateMaxVoltage(Program& program, int phase) {
    if (program.settings.link.bus == BusSimulation) {
        SetMaxVoltageFromModel(program, phase);
        return {};
    }
    QueryFailure failure;
    auto ask = [&](int p, const QString& command) {
        if (failure) return;
        const QueryResult r = program.link.TryQuery(0, command, 1);
        if (const auto value = r.number())
            program.maxVoltage[p] = *value;
        else
            failure.noteUnreadable(r);
    };
    if (phase >= 0 && phase <= 2) {
        ask(phase, QStringLiteral("inst:coup none;:inst:nsel ") + QString::number(phase + 1) +
                       QStringLiteral(";:volt? max"));
        return failure;
    }
    if (program.outputState.MultiPhaseOutput == 0) {
        ask(0, QStringLiteral("volt? max"));
        return failure;
    }
    ask(0, QStringLiteral("inst:coup none;:inst:nsel 1;:volt? max"));
    for (int p = 1; p <= 2; ++p)
        ask(p,
            QStringLiteral("inst:nsel ") + QString::number(p + 1) + QStringLiteral(";:volt? max"));
    return failure;
}

} // namespace ostrel
