#include "cli/BenchmarkStats.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

void RoundTripHistogram::add(qint64 nanoseconds) {
    const qint64 bin = std::clamp<qint64>(nanoseconds / kBinNs, 0, kBins - 1);
    ++bins_[static_cast<size_t>(bin)];
    ++count_;
}

double RoundTripHistogram::quantileUs(double q) const {
    if (count_ == 0) return 0;
    const qint64 rank = std::max<qint64>(1, static_cast<qint64>(std::ceil(q * count_)));
    qint64 seen = 0;
    for (int bin = 0; bin < kBins; ++bin) {
        seen += bins_[static_cast<size_t>(bin)];
        if (seen >= rank) return (bin + 0.5) * kBinNs / 1000.0;
    }
    return kBins * kBinNs / 1000.0;
}

} // namespace ostrel
