#include "config/SourceConfiguration.h"

#include "core/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Waits.h"

#include <cmath>

namespace ostrel {

namespace {
bool simulated(const Program& p) { return p.settings.link.bus == BusSimulation; }
} // namespace

LimitTexts LimitTextsOf(const UserLimits& l) {
    return {FormatNumber(l.freqMax, u"###0.0"), FormatNumber(l.freqMin, u"###0.0"),
            FormatNumber(l.vacHigh, u"##0.0"),  FormatNumber(l.vacLow, u"##0.0"),
            FormatNumber(l.vpdcHigh, u"##0.0"), FormatNumber(l.vpdcLow, u"##0.0"),
            FormatNumber(l.vndcHigh, u"##0.0"), FormatNumber(l.vndcLow, u"##0.0")};
}

LimitTexts ModelLimitTexts(const SourceModel& m) {
    UserLimits l;
    l.freqMax = m.FreqMax;
    l.freqMin = m.FreqMin;
    l.vacHigh = m.VoltHighRange;
    l.vacLow = m.VoltLowRange;
    l.vpdcHigh = m.DcPosHigh;
    l.vpdcLow = m.DcPosLow;
    l.vndcHigh = m.DcNegHigh;
    l.vndcLow = m.DcNegLow;
    return LimitTextsOf(l);
}

LimitCheck CheckUserLimits(const LimitTexts& texts, bool allowAC, bool allowDC, bool allowACDC,
                           const SourceModel& model, QChar separator) {
    LimitCheck r;
    std::array<float, kLimitBoxes> v{};
    for (int i = 0; i < kLimitBoxes; ++i) {
        if (!TryParseSingle(texts[i], v[i], separator)) {
            r.message = QStringLiteral("Sorry. User data entry error.");
            return r;
        }
    }
    if (v[0] <= v[1]) {
        r.message = QStringLiteral("Upper Freq Limit must be greater than lower Freq limit.\r\nWindow will not close.");
        return r;
    }
    if (!allowAC && !allowDC && !allowACDC) {
        r.message = QStringLiteral("Error. You must at least allow one output mode.\r\nWindow will not close.");
        return r;
    }
    UserLimits& l = r.limits;
    l = {v[0], v[1], v[2], v[3], v[4], v[5], -std::abs(v[6]), -std::abs(v[7]), allowAC, allowDC, allowACDC};
    const UserLimits typed = l;
    ClampUserLimits(l, model);
    r.closeWindow = true;
    if (typed.freqMax != l.freqMax || typed.freqMin != l.freqMin || typed.vacHigh != l.vacHigh ||
        typed.vacLow != l.vacLow)
        r.message = QStringLiteral("Warning. Program made changes to User Limits\r\nto avoid conflicts !");
    return r;
}

void ApplySynchronisation(Program& program, int choice) {
    OutputState& s = program.outputState;
    s.ExtSync = choice == 1 ? 1 : 0;
    s.AuxSync = choice == 2 ? 1 : 0;
    if (simulated(program)) return;
    static const char* commands[] = {"FREQ:MODE FIX", "FREQ:MODE SENS", "FREQ:MODE EXT"};
    program.link.Send(0, QLatin1String(commands[std::clamp(choice, 0, 2)]));
    if (choice == 1) Delay(0.8);
    const QString errors = program.link.CheckError();
    if (errors.isEmpty()) return;
    program.prompt().showMessage(errors.trimmed() +
                                     QStringLiteral("\r\nExternal Sync signal or -LNS option not found!\r\n"
                                                    "Clock mode set back to internal."),
                                 PromptIcon::Information);
    program.link.Send(0, QStringLiteral("*CLS"));
    s.ExtSync = s.AuxSync = 0;
}

void ApplyTriggerOutput(Program& program, int frameStrobe) {
    program.sourceModel.TtlStrobeMode = frameStrobe ? 1 : 0;
    if (!simulated(program))
        program.link.Send(0, frameStrobe ? QStringLiteral("outp:ttlt:mode fstr") : QStringLiteral("outp:ttlt:mode trig"));
}

void ApplyRelayHoldOff(Program& program, float holdOff) {
    program.sourceModel.RelayHold = static_cast<int>(std::lround(holdOff));
    if (!simulated(program)) program.link.Send(0, QStringLiteral("pons:relay:hold ") + FormatNumber(holdOff, u"0.000"));
}

void ApplyRemoteInhibit(Program& program, int mode) {
    program.outputState.RemoteInhibit = mode;
    if (simulated(program)) return;
    static const char* commands[] = {"outp:ri:mode live", "outp:ri:mode latc", "outp:ri:mode off"};
    program.link.Send(0, QLatin1String(commands[std::clamp(mode, 0, 2)]));
}

QString LanSettingsText(Program& program) {
    if (simulated(program))
        return QStringLiteral("Program is in simulation mode. No interface available to query the LAN settings of the AC source.");
    InstrumentLink& link = program.link;
    const auto q = [&](const char* query) { return link.Query(0, QLatin1String(query)); };
    return QStringLiteral("User LAN Settings:\r\nIP Address = ") + q("syst:comm:lan:addr?") +
           QStringLiteral("\r\nGateway = ") + q("syst:comm:lan:gwad?") + QStringLiteral("\r\nHost bits = ") +
           q("syst:comm:lan:hbits?") + QStringLiteral("\r\n\r\nNetwork Connection Settings:\r\nIP Address = ") +
           q("syst:comm:lan:addr? ncon") + QStringLiteral("\r\nGateway = ") + q("syst:comm:lan:gwad? ncon") +
           QStringLiteral("\r\nHost bits = ") + q("syst:comm:lan:hbits? ncon") + QStringLiteral("\r\n\r\nSocket port = ") +
           q("syst:comm:lan:port?");
}

void ApplyPowerOn(Program& program, bool reset, int clockMode) {
    QString errors = program.link.SendAndReport(0, reset ? QStringLiteral("outp:pon rst") : QStringLiteral("outp:pon rcl0"));
    static const char* clocks[] = {"pons:cloc stan", "pons:cloc mast", "pons:cloc aux"};
    errors += program.link.SendAndReport(0, QLatin1String(clocks[std::clamp(clockMode, 0, 2)]));
    if (!errors.isEmpty()) program.prompt().showMessage(errors.trimmed(), PromptIcon::Information);
}

bool ChooseModel(Program& program, int index) {
    if (index == program.sourceModel.ModelIndex) return false;
    if (!simulated(program)) {
        program.prompt().showMessage(QStringLiteral("You are not allowed to change models\r\n"
                                                    "as long as actual unit is connected.\r\n"
                                                    "Switch to simulation mode using\r\n"
                                                    "Source, Interface menu to simulate\r\n"
                                                    "other model numbers."),
                                     PromptIcon::Information);
        return false;
    }
    program.settings.powerSource.modelNumber = index;
    LoadModel(program, index);
    SimulationSetup(program);
    return true;
}

} // namespace ostrel
