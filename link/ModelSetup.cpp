#include "link/ModelSetup.h"

#include "core/Program.h"
#include "link/InstrumentLink.h"
#include "link/ModelTable.h"
#include "link/Readback.h"

#include <cmath>

namespace ostrel {

namespace {

const ModelRow* rowFor(int index) {
    return index >= 0 && index < static_cast<int>(kModelTable.size()) ? &kModelTable[index]
                                                                      : nullptr;
}

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

void powerOnOutput(Program& program, float currentLimit) {
    OutputState& out = program.outputState;
    const int multiPhase = out.MultiPhaseOutput;
    out = OutputState{};
    out.MultiPhaseOutput = multiPhase;
    static constexpr float angles[3] = {0, 240, 120};
    for (int p = 0; p < 3; ++p) {
        out.Phase[p].CurrentLimit = currentLimit;
        out.Phase[p].PhaseAngle = angles[p];
    }
    SetMaxVoltageFromModel(program, 3);
}

} // namespace

void LoadModel(Program& program, int index) {
    SourceModel& m = program.sourceModel;
    const ModelRow* row = rowFor(index);
    m.ModelIndex = index;

    m.Options.fill(1);
    m.Options[OptIec411] = m.Options[OptLfMb] = m.Options[12] = m.Options[OptLan] = 0;
    m.Options[OptSeriesFamily] = row && !row->vkFamily ? 0 : 1;
    m.ListCapacity = row ? row->listCapacity : 100;
    m.MinimumDwell = row ? row->minimumDwell : 0.001;

    m.PhaseSpacing = 0;
    m.MultiPhase = 0;
    m.Options[OptPhaseMode] = 0;
    m.CurrentBase = 5.0f;
    const bool threePhase = row && row->phases == 3;
    program.outputState.MultiPhaseOutput = threePhase ? 1 : 0;
    if (threePhase) {
        m.PhaseSpacing = 120;
        m.MultiPhase = 1;
        if (row->modeSwitchable) m.Options[OptPhaseMode] = 1;
    }
    m.CurrentMax = m.CurrentBase / 0.76923f;
    if (program.settings.link.bus == BusSimulation) m.MultiPhase = 0;

    m.FreqMax = 1000;
    m.FreqMin = 16;
    m.VoltLowRange = 150;
    m.VoltHighRange = 300;
    m.DcPosHigh = 400;
    m.DcPosLow = 200;
    m.DcNegHigh = -400;
    m.DcNegLow = -200;
    m.Options[OptAbl] = m.Options[OptLkm] = m.Options[OptLks] = 0;

    float power = std::trunc(m.VoltLowRange * m.CurrentBase);
    float current = m.CurrentMax;
    if (row) {
        power *= static_cast<float>(row->powerMultiplier);
        current *= static_cast<float>(row->currentMultiplier);
        m.ModelName = text(row->fixedName.empty() ? row->displayName : row->fixedName);
    }
    m.PowerRating = power;

    if (m.FirmwarePartNumber.isEmpty()) m.FirmwarePartNumber = QStringLiteral("KVP501-1");
    if (m.FirmwareRevision == 0) m.FirmwareRevision = 0.3f;

    m.WaveformLastIndex = 59;
    m.WaveformNames.fill(QString());
    m.WaveformNames[0] = QStringLiteral("SINUSOID");
    m.WaveformNames[1] = QStringLiteral("SQUARE");
    m.WaveformNames[2] = QStringLiteral("CSINUSOID");

    powerOnOutput(program, current);

    m.Designation = BuildDesignation(m);
    m.ScpiVersion = QStringLiteral("1991.0");
}

void SimulationSetup(Program& program) {
    powerOnOutput(program, 5.0f);
}

QString BuildDesignation(const SourceModel& model) {
    static constexpr struct {
        int position;
        const char* suffix;
    } suffixes[] = {
        {OptDo160, "-160"}, {OptIec411, "-411"}, {OptMs704, "-704"},      {OptMs704F, "-704F"},
        {OptA350, "-A350"}, {OptAbl, "-ABL"},    {OptAbd, "-ABD"},        {OptAmd, "-AMD"},
        {OptB787, "-B787"}, {OptLan, "-LAN"},    {OptLfMb, "-LF"},        {OptLkm, "-LKM"},
        {OptLks, "-LKS"},   {OptLfMb, "-MB"},    {OptPhaseMode, "-MODE"}, {OptWattHour, "-WHM"},
    };
    const ModelRow* row = rowFor(model.ModelIndex);
    QString designation = row ? text(row->displayName) : model.ModelName;
    for (const auto& s : suffixes)
        if (model.Options[s.position] == 1) designation += QLatin1String(s.suffix);
    return designation;
}

void ClampUserLimits(UserLimits& limits, const SourceModel& model) {
    auto outside = [](float v, float lo, float hi) { return v < lo || v > hi; };
    if (outside(limits.freqMax, model.FreqMin, model.FreqMax)) limits.freqMax = model.FreqMax;
    if (outside(limits.freqMin, model.FreqMin, model.FreqMax)) limits.freqMin = model.FreqMin;
    if (outside(limits.vacHigh, 0, model.VoltHighRange)) limits.vacHigh = model.VoltHighRange;
    if (outside(limits.vacLow, 0, model.VoltLowRange)) limits.vacLow = model.VoltLowRange;
}

bool IsSplitPhase(const SourceModel& model) {
    return model.PhaseSpacing != 0 && model.PhaseSpacing != 120;
}

bool IsMultiUnit(int) {
    return false;
}

} // namespace ostrel
