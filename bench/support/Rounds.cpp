#include "support/Rounds.h"

#include <algorithm>
#include <chrono>

namespace ostrel::bench {

bool runRounds(std::vector<Contender>& contenders, int rounds, int count) {
    for (int r = 0; r < rounds; ++r) {
        for (Contender& c : contenders) {
            auto start = std::chrono::steady_clock::now();
            if (!c.run(count)) return false;
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            c.perSecond.push_back(count / seconds);
        }
    }
    return true;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace ostrel::bench
