#include "standards/HfFactors.h"

#include "config/CalFactors.h"
#include "config/Paths.h"

namespace ostrel {

double HfFactors::at(double f, int phase, bool dc) const {
    if (dc || f <= 500 || phase < 0 || phase > 2) return 1.0;
    const int band = f <= 600 ? 0 : f <= 700 ? 1 : 2;
    return factor[size_t(phase)][size_t(band)];
}

HfFactors ReadHfFactorsFile(const QString& path) {
    const CalFactors cal = ReadCalFactors(path, 3);
    HfFactors out;
    for (int p = 0; p < 3; ++p)
        for (int band = 0; band < 3; ++band)
            out.factor[size_t(p)][size_t(band)] = cal.factor(p, band);
    return out;
}

HfFactors ReadHfFactors(const Paths& paths) {
    return ReadHfFactorsFile(paths.readableFile(kCalFactorsFile));
}

} // namespace ostrel
