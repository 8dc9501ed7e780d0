#include "standards/RestoreOutput.h"

#include "core/Program.h"
#include "standards/CompileGroup.h"

namespace ostrel {

namespace {
constexpr double kAbortSettleS = 0.2;
}

RestoreResult RestoreOutput(Program& program, bool steadyState, const QStringList& firstLines) {
    RestoreResult result;
    InstrumentLink& link = program.link;
    if (link.Lost()) return result;
    const OutputState& out = program.outputState;
    link.Send(0, QStringLiteral("abort"));
    program.engineClock.wait(kAbortSettleS);
    result.errors = link.CheckError();
    if (link.Lost()) return result;
    QStringList lines = firstLines + SetFixedModesLines(out.OutputMode);
    if (steadyState) lines += SteadyStateLines(out, out.MultiPhaseOutput == 1);
    for (const QString& line : lines)
        link.Send(0, line);
    result.reached = !link.Lost();
    return result;
}

} // namespace ostrel
