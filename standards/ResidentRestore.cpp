#include "standards/ResidentRestore.h"

#include "app/Program.h"
#include "standards/CompileGroup.h"

namespace ostrel {

namespace {
constexpr double kAbortSettleS = 0.2;
}

QString RestoreSteadyOutput(Program& program, bool steadyState) {
    InstrumentLink& link = program.link;
    if (link.Lost()) return {};
    const OutputState& out = program.outputState;
    link.Send(0, QStringLiteral("abort"));
    program.engineClock.wait(kAbortSettleS);
    const QString errors = link.CheckError();
    if (link.Lost()) return errors;
    QStringList lines = SetFixedModesLines(out.OutputMode);
    if (steadyState) lines += SteadyStateLines(out, out.MultiPhaseOutput == 1);
    for (const QString& line : lines)
        link.Send(0, line);
    return errors;
}

} // namespace ostrel
