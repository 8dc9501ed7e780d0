// The distortion limits of a test library, in both layouts, each for one of
// the supplies' sets (by the input's size, so every set has its share): any
// file is read without a crash; a refusal names the file; accepted limits
// are finite numbers.
#include "FuzzInput.h"

#include "standards/DistortionLimits.h"

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = QStringLiteral("input_Distortion_Limits.ini");
    const QString input = InputFile(name, data, size);
    DistortionLayout mil;
    mil.thdDefault = 12;
    constexpr int kSets[] = {0, 1, 3};
    const std::pair<DistortionLayout, int> reads[] = {{DistortionLayout{}, kSets[size % 3]},
                                                      {mil, kSets[(size + 1) % 3]}};
    for (const auto& [layout, set] : reads) {
        const DistortionLimitsRead read = ReadDistortionLimits(input, set, layout);
        if (!read.ok) {
            Check(read.error.startsWith(name), "a refused file is named", read.error);
            continue;
        }
        Check(read.found, "an existing file is found");
        Check(std::isfinite(read.limits.thdLimit), "a THD limit is finite", QString::number(read.limits.thdLimit));
        for (const std::optional<float>& h : read.limits.harmonic)
            Check(!h || std::isfinite(*h), "a harmonic limit is finite", QString::number(h.value_or(0)));
    }
    return 0;
}
