#include "link/Configuration.h"

#include "core/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/QueryReader.h"

#include <cmath>

namespace ostrel {

namespace {

bool has(const QString& reply, const char* text) {
    return reply.contains(QLatin1String(text));
}

QString afterFirstComma(const QString& text) {
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    return comma < 0 ? text : text.mid(comma + 1);
}

// A repeated "freq? max" or "freq? min" when the first answer reads 0.
std::optional<float> askTwiceForNonZero(QueryReader& read, const QString& command) {
    const auto value = read.number(command);
    return value && *value == 0 ? read.number(command) : value;
}

void readConfiguration(QueryReader& read, int modelIndex) {
    Program& program = read.program;
    SourceModel& m = program.sourceModel;
    OutputState& out = program.outputState;
    auto store = [](const std::optional<float>& value, float& field) {
        if (value) field = *value;
    };

    store(askTwiceForNonZero(read, QStringLiteral("freq? max")), m.FreqMax);
    store(read.optionalNumber(QStringLiteral("lim:freq:high?")), m.FreqMax);
    store(askTwiceForNonZero(read, QStringLiteral("freq? min")), m.FreqMin);
    store(read.optionalNumber(QStringLiteral("lim:freq:low?")), m.FreqMin);

    if (const auto mode = read.optional(QStringLiteral("source:mode?"))) {
        if (has(mode->text, "ACDC"))
            out.OutputMode = ModeACDC;
        else if (has(mode->text, "DC"))
            out.OutputMode = ModeDC;
        else if (has(mode->text, "AC"))
            out.OutputMode = ModeAC;
    }

    const bool dc = out.OutputMode == ModeDC;
    if (const auto high = read.optionalNumber(QStringLiteral("lim:volt:high?"))) {
        if (dc) {
            m.DcPosHigh = *high;
            m.DcNegHigh = -m.DcPosHigh;
        } else {
            m.VoltHighRange = *high;
        }
    }
    if (const auto low = read.optionalNumber(QStringLiteral("lim:volt:low?"))) {
        if (dc) {
            m.DcPosLow = *low;
            m.DcNegLow = -m.DcPosLow;
        } else {
            m.VoltLowRange = *low;
        }
    }

    store(read.number(QStringLiteral("inst:nsel 1;:curr? max")), m.CurrentMax);
    // In the high range the source reports half the current it allows in the low one.
    if (const auto range = read.optionalNumber(QStringLiteral("volt:range?")))
        if (*range == m.VoltHighRange) m.CurrentMax *= 2;
    store(read.optionalNumber(QStringLiteral("lim:curr?")), m.CurrentBase);

    if (const auto configuration = read.optional(QStringLiteral("syst:conf?"))) {
        if (configuration->text.contains(QLatin1String("AUX"), Qt::CaseInsensitive))
            m.ModelName = QStringLiteral("AUX");
        else if (!configuration->text.isEmpty())
            m.ModelName = afterFirstComma(afterFirstComma(configuration->text.right(7)));
    }

    if (const auto options = read.optional(QStringLiteral("*opt?"))) {
        const QStringList items = options->text.split(QLatin1Char(','));
        for (int i = 0; i < items.size() && i < kOptionCount; ++i)
            m.Options[i] = items[i].trimmed() == QLatin1String("0") ? 0 : 1;
    }

    if (const auto spacing = read.optionalNumber(QStringLiteral("lim:phase?")))
        m.PhaseSpacing = static_cast<int>(std::lround(*spacing));

    m.PowerRating = m.VoltLowRange * m.CurrentBase;
    if (modelIndex >= 6 && modelIndex <= 8) m.PowerRating *= 2;

    if (const auto outputs = read.text(QStringLiteral("syst:conf:nout?"))) {
        if (has(*outputs, "FIX")) {
            m.MultiPhase = out.MultiPhaseOutput = m.PhaseSpacing == 0 ? 0 : 1;
        } else if (has(*outputs, "+3") || has(*outputs, "+2")) {
            m.MultiPhase = out.MultiPhaseOutput = 1;
        } else {
            m.MultiPhase = m.Options[OptPhaseMode] == 1 ? 1 : 0;
            out.MultiPhaseOutput = 0;
        }
    }

    if (const auto strobe = read.optional(QStringLiteral("outp:ttlt:mode?")))
        m.TtlStrobeMode = has(strobe->text, "FSTR") ? 1 : 0;
    if (const auto version = read.optional(QStringLiteral("syst:vers?")))
        if (!version->text.isEmpty()) m.ScpiVersion = version->text;
    // The options read above decide the suffixes.
    m.Designation = BuildDesignation(m);
}

} // namespace

QueryFailure ReadSourceConfiguration(Program& program, int modelIndex) {
    InstrumentLink& link = program.link;
    SourceModel& m = program.sourceModel;
    Prompt& prompt = program.prompt();

    prompt.setStatus(1, QStringLiteral("Analyzing AC Source Hardware Configuration..."));
    prompt.setBusy(true);
    program.configurationInProgress = true;
    link.CheckError();

    const SourceModel modelBefore = m;
    const OutputState outputBefore = program.outputState;
    QueryReader read{program, {}};
    readConfiguration(read, modelIndex);
    program.configurationInProgress = false;
    if (!read.failure) {
        ClampUserLimits(program.settings.userLimits, m);
        if (program.settings.link.bus == BusSerial) link.Send(0, QStringLiteral("syst:rwl"));
        if (const auto hold = read.optionalNumber(QStringLiteral("pons:relay:hold?")))
            m.RelayHold = static_cast<int>(std::lround(*hold));
    }
    prompt.setBusy(false);
    if (read.failure) {
        m = modelBefore;
        program.outputState = outputBefore;
        prompt.setStatus(1, QStringLiteral("AC source limits not read"));
        return read.failure;
    }
    prompt.setStatus(1, QStringLiteral("Query of AC source limits done..."));
    return {};
}

} // namespace ostrel
