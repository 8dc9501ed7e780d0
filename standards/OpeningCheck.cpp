#include "standards/OpeningCheck.h"

#include "core/Program.h"
#include "link/OutputState.h"

#include <cmath>

namespace ostrel {

namespace {

bool near(double a, double b) {
    return std::abs(a - b) < 0.05;
}

} // namespace

bool PhaseAnglesNeedOffer(const OutputState& out) {
    if (out.OutputMode == ModeDC || out.MultiPhaseOutput != 1) return false;
    return !near(out.Phase[1].PhaseAngle, 240) || !near(out.Phase[2].PhaseAngle, 120);
}

QString PhaseAngleOfferQuestion(const QString& standardName) {
    return QStringList{QStringLiteral("Do you want to have these changes made and continue "),
                       QStringLiteral("with the %1 test? (Output will be turned").arg(standardName),
                       QStringLiteral("off momentarily to change phase angles)")}
        .join(QStringLiteral("\r\n"));
}

QStringList PhaseAngleOfferLines(bool relayClosed) {
    // The coupling goes off first, so "phas" reaches the selected output only.
    QStringList lines{QStringLiteral("inst:coup none;:inst:nsel 2;:phas 240"),
                      QStringLiteral("inst:nsel 3;:phas 120")};
    if (relayClosed) {
        lines.prepend(QStringLiteral("outp 0"));
        lines.append(QStringLiteral("outp 1"));
    }
    return lines;
}

bool OfferStandardPhaseAngles(Program& program, const QString& standardName) {
    OutputState& out = program.outputState;
    if (!PhaseAnglesNeedOffer(out)) return true;
    if (program.prompt().ask(PhaseAngleOfferQuestion(standardName), PromptButtons::YesNo, 0,
                             PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    for (const QString& line : PhaseAngleOfferLines(out.OutputOn != 0))
        program.link.Send(0, line);
    program.link.CheckError();
    out.Phase[1].PhaseAngle = 240;
    out.Phase[2].PhaseAngle = 120;
    return true;
}

} // namespace ostrel
