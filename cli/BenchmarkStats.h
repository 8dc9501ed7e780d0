#pragma once
// Round-trip times of a benchmark run in fixed bins: the memory does not grow
// with the number of queries, and quantiles come out to a tenth of a
// microsecond below 100 ms (longer trips count in the last bin).
#include <QtGlobal>

#include <vector>

namespace ostrel {

class RoundTripHistogram {
public:
    RoundTripHistogram() : bins_(kBins, 0) {}
    void add(qint64 nanoseconds);
    // The q-quantile (0 < q <= 1) in microseconds; 0 when empty.
    double quantileUs(double q) const;

private:
    static constexpr qint64 kBinNs = 100;
    static constexpr int kBins = 1'000'000;
    std::vector<quint32> bins_;
    qint64 count_ = 0;
};

} // namespace ostrel
