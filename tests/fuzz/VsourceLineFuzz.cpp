// The virtual source's SCPI parser and command dispatch, without sockets or
// timers: each input line is one program message for the instrument, on a
// clock that only moves where a line "@<seconds>" says (up to 10 s), and
// "!bus" / "!ext" are triggers from the bus and the rear input. Any lines
// run without a crash or a hang; afterwards the unit's state holds together
// (outputs, selection, error queue, next event), and the same lines on a
// fresh unit give the same replies.
#include "FuzzInput.h"

#include "vsource/Instrument.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

using namespace ostrel;
using namespace ostrel::fuzz;
using namespace ostrel::vsource;

namespace {

constexpr double kLongestWait = 10;
constexpr size_t kMostLines = 64;

void checkState(const Instrument& unit, std::string_view line) {
    const QString where = QString::fromUtf8(line.data(), qsizetype(line.size()));
    Check(unit.state.outputs == 1 || unit.state.outputs == 3, "one or three outputs", where);
    Check(unit.selectedPhase() >= 0 && unit.selectedPhase() < unit.state.outputs, "the selection is an output", where);
    Check(unit.errors.size() <= 30, "the error queue stays bounded", where);
    const double next = unit.nextEventTime();
    Check(!std::isnan(next) && next > unit.now, "the next event lies ahead", where + QStringLiteral(" next %1 now %2").arg(next).arg(unit.now));
}

// The replies of every line, one a line.
std::string run(const std::string_view input, bool check) {
    VirtualClock clock;
    double t = 0;
    clock.holdAt(t);
    InstrumentConfig config;
    config.resetSeconds = 0;
    Instrument unit(config, clock, nullptr);
    std::string replies;
    size_t start = 0;
    for (size_t n = 0; n < kMostLines && start <= input.size(); ++n) {
        size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        std::string_view line = input.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with('@')) {
            const double wait = std::atof(std::string(line.substr(1)).c_str());
            if (std::isfinite(wait)) t += std::clamp(wait, 0.0, kLongestWait);
            clock.holdAt(t);
            unit.advance(t);
            unit.now = t;
        } else if (line == "!bus" || line == "!ext") {
            replies += std::to_string(unit.trigger(line == "!bus" ? TriggerSource::Bus : TriggerSource::External));
        } else {
            std::string reply;
            if (unit.executeLine(line, reply)) replies += reply;
        }
        replies += '\n';
        if (check) checkState(unit, line);
    }
    unit.describe();
    unit.modes();
    return replies;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string first = run(input, true);
    Check(run(input, false) == first, "the same lines give the same replies",
          QString::fromUtf8(first.data(), qsizetype(first.size())));
    return 0;
}
