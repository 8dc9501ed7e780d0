#include "link/Configuration.h"

#include "app/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

bool has(const QString& reply, const char* text) {
    return reply.contains(QLatin1String(text));
}

// A repeated "freq? max" or "freq? min" when the first answer reads 0.
QString askTwiceForNonZero(InstrumentLink& link, const QString& command) {
    const QString reply = link.Query(0, command, 1);
    return ParseSingle(reply) == 0 ? link.Query(0, command, 1) : reply;
}

void storeIfAnswered(const QString& reply, float& field) {
    if (!reply.isEmpty()) field = ParseSingle(reply);
}

QString afterFirstComma(const QString& text) {
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    return comma < 0 ? text : text.mid(comma + 1);
}

} // namespace

void ReadSourceConfiguration(Program& program, int modelIndex) {
    InstrumentLink& link = program.link;
    SourceModel& m = program.sourceModel;
    OutputState& out = program.outputState;
    Prompt& prompt = program.prompt();
    auto ask = [&link](const char* command) { return link.Query(0, QLatin1String(command), 1); };

    prompt.setStatus(1, QStringLiteral("Analyzing AC Source Hardware Configuration..."));
    prompt.setBusy(true);
    program.configurationInProgress = true;
    link.CheckError();

    storeIfAnswered(askTwiceForNonZero(link, QStringLiteral("freq? max")), m.FreqMax);
    storeIfAnswered(ask("lim:freq:high?"), m.FreqMax);
    storeIfAnswered(askTwiceForNonZero(link, QStringLiteral("freq? min")), m.FreqMin);
    storeIfAnswered(ask("lim:freq:low?"), m.FreqMin);

    const QString mode = ask("source:mode?");
    if (has(mode, "ACDC"))
        out.OutputMode = ModeACDC;
    else if (has(mode, "DC"))
        out.OutputMode = ModeDC;
    else if (has(mode, "AC"))
        out.OutputMode = ModeAC;

    const bool dc = out.OutputMode == ModeDC;
    const QString high = ask("lim:volt:high?");
    if (!high.isEmpty()) {
        if (dc) {
            m.DcPosHigh = ParseSingle(high);
            m.DcNegHigh = -m.DcPosHigh;
        } else {
            m.VoltHighRange = ParseSingle(high);
        }
    }
    const QString low = ask("lim:volt:low?");
    if (!low.isEmpty()) {
        if (dc) {
            m.DcPosLow = ParseSingle(low);
            m.DcNegLow = -m.DcPosLow;
        } else {
            m.VoltLowRange = ParseSingle(low);
        }
    }

    const QString currentMax = ask("inst:nsel 1;:curr? max");
    if (currentMax.size() > 1) m.CurrentMax = ParseSingle(currentMax);
    // In the high range the source reports half the current it allows in the low one.
    const QString range = ask("volt:range?");
    if (range.size() > 1 && ParseSingle(range) == m.VoltHighRange) m.CurrentMax *= 2;
    const QString currentBase = ask("lim:curr?");
    if (currentBase.size() > 1) m.CurrentBase = ParseSingle(currentBase);

    const QString configuration = ask("syst:conf?");
    if (configuration.contains(QLatin1String("AUX"), Qt::CaseInsensitive))
        m.ModelName = QStringLiteral("AUX");
    else if (!configuration.isEmpty())
        m.ModelName = afterFirstComma(afterFirstComma(configuration.right(7)));

    const QString options = ask("*opt?");
    if (!options.isEmpty()) {
        const QStringList items = options.split(QLatin1Char(','));
        for (int i = 0; i < items.size() && i < kOptionCount; ++i)
            m.Options[i] = items[i].trimmed() == QLatin1String("0") ? 0 : 1;
    }

    const QString spacing = ask("lim:phase?");
    if (!spacing.isEmpty()) m.PhaseSpacing = static_cast<int>(Val(spacing));

    m.PowerRating = m.VoltLowRange * m.CurrentBase;
    if (modelIndex >= 6 && modelIndex <= 8) m.PowerRating *= 2;

    const QString outputs = ask("syst:conf:nout?");
    if (has(outputs, "FIX")) {
        m.MultiPhase = out.MultiPhaseOutput = m.PhaseSpacing == 0 ? 0 : 1;
    } else if (has(outputs, "+3") || has(outputs, "+2")) {
        m.MultiPhase = out.MultiPhaseOutput = 1;
    } else {
        m.MultiPhase = m.Options[OptPhaseMode] == 1 ? 1 : 0;
        out.MultiPhaseOutput = 0;
    }

    m.TtlStrobeMode = has(ask("outp:ttlt:mode?"), "FSTR") ? 1 : 0;
    const QString version = ask("syst:vers?");
    if (!version.isEmpty()) m.ScpiVersion = version;
    // The options read above decide the suffixes.
    m.Designation = BuildDesignation(m);

    program.configurationInProgress = false;
    ClampUserLimits(program.settings.userLimits, m);
    if (program.settings.link.bus == BusSerial) link.Send(0, QStringLiteral("syst:rwl"));
    const QString hold = ask("pons:relay:hold?");
    if (!hold.isEmpty()) m.RelayHold = static_cast<int>(Val(hold));
    prompt.setBusy(false);
    prompt.setStatus(1, QStringLiteral("Query of AC source limits done..."));
}

} // namespace ostrel
