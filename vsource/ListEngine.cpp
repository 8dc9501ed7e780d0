#include "vsource/ListEngine.h"

#include "vsource/ErrorQueue.h"

#include <cmath>

namespace ostrel::vsource {

namespace {

// A list not in use may be of any length; its points beyond the end are the fallback.
template <class T> T pick(const std::vector<T>& list, int k, T fallback) {
    if (list.size() == 1) return list[0];
    return size_t(k) < list.size() ? list[size_t(k)] : fallback;
}

} // namespace

RunModes runModes(const SteadySettings& steady) {
    RunModes m;
    m.freq = steady.freqMode == FreqMode::List;
    m.freqSlew = steady.freqSlewList;
    for (size_t p = 0; p < 3; ++p) {
        m.volt[p] = steady.phase[p].voltList;
        m.voltSlew[p] = steady.phase[p].voltSlewList;
        m.func[p] = steady.phase[p].funcList;
    }
    return m;
}

int validateLists(const InstrumentState& state, const RunModes& modes, int outputs, int& points) {
    const ListSettings& l = state.lists;
    size_t longest = 0;
    bool conflict = false;
    bool empty = false;
    auto use = [&](size_t size) {
        if (size == 0) empty = true;
        if (size <= 1) return;
        if (longest > 1 && size != longest) conflict = true;
        longest = std::max(longest, size);
    };
    auto useOptional = [&](size_t size) {
        if (size > 0) use(size);
    };
    use(l.dwell.size());
    if (modes.freq) use(l.freq.size());
    if (modes.freqSlew) use(l.freqSlew.size());
    useOptional(l.repeat.size());
    useOptional(l.ttl.size());
    for (size_t p = 0; p < size_t(outputs); ++p) {
        if (modes.volt[p]) use(l.phase[p].volt.size());
        if (modes.voltSlew[p]) use(l.phase[p].voltSlew.size());
        if (modes.func[p]) use(l.phase[p].shape.size());
    }
    if (conflict) return err::ListsNotSameLength;
    if (empty) return err::SettingsConflict;
    points = int(std::max<size_t>(longest, 1));
    return 0;
}

PointValues pointValues(const TransientRun& run, const SteadySettings& steady, int k) {
    const ListSettings& l = run.lists;
    PointValues v;
    v.dwell = pick(l.dwell, k, 0.0);
    v.freq = pick(l.freq, k, steady.freq);
    v.freqSlew = pick(l.freqSlew, k, steady.freqSlew);
    v.repeat = int(std::lround(pick(l.repeat, k, 0.0)));
    v.ttl = std::lround(pick(l.ttl, k, 0.0)) != 0;
    for (size_t p = 0; p < 3; ++p) {
        const PhaseSettings& ps = steady.phase[p];
        double immediate = steady.mode == OutputMode::Dc ? ps.voltDc : ps.voltAc;
        v.volt[p] = pick(l.phase[p].volt, k, immediate);
        v.voltSlew[p] = pick(l.phase[p].voltSlew, k, ps.voltSlew);
        v.shape[p] = pick(l.phase[p].shape, k, ps.function);
    }
    return v;
}

bool nextPosition(const TransientRun& run, Position& at) {
    int repeats = int(std::lround(pick(run.lists.repeat, at.point, 0.0)));
    if (at.repeat < repeats) {
        ++at.repeat;
        return true;
    }
    at.repeat = 0;
    if (at.point + 1 < run.points) {
        ++at.point;
        return true;
    }
    if (double(at.pass) < run.lists.count) {
        ++at.pass;
        at.point = 0;
        return true;
    }
    return false;
}

} // namespace ostrel::vsource
