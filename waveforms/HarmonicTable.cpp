#include "waveforms/HarmonicTable.h"

#include <cmath>

namespace ostrel {

HarmonicTable NewHarmonicTable() {
    HarmonicTable table{};
    table[0].oddAmplitude = QStringLiteral("100");
    return table;
}

std::optional<double> HarmonicCellValue(const QString& text, QChar separator) {
    QString t = text.trimmed();
    if (t.isEmpty()) return 0.0;
    t.replace(separator, QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<Harmonic> TableHarmonics(const HarmonicTable& table, QChar separator) {
    std::vector<Harmonic> out;
    const auto add = [&](int order, const QString& amplitude, const QString& phase) {
        const double a = HarmonicCellValue(amplitude, separator).value_or(0);
        if (a != 0) out.push_back({order, a, HarmonicCellValue(phase, separator).value_or(0)});
    };
    for (int r = 0; r < kHarmonicTableRows; ++r) {
        add(2 * r + 1, table[r].oddAmplitude, table[r].oddPhase);
        add(2 * r + 2, table[r].evenAmplitude, table[r].evenPhase);
    }
    std::sort(out.begin(), out.end(),
              [](const Harmonic& a, const Harmonic& b) { return a.order < b.order; });
    return out;
}

std::optional<double> TableThdPercent(const std::vector<Harmonic>& harmonics) {
    double fundamental = 0, sum = 0;
    for (const Harmonic& h : harmonics) {
        if (h.order == 1)
            fundamental = std::abs(h.percent);
        else
            sum += h.percent * h.percent;
    }
    if (fundamental == 0) return std::nullopt;
    return std::sqrt(sum) / fundamental * 100;
}

QString CellText(const QString& invariant, QChar separator) {
    QString t = invariant;
    if (separator != QLatin1Char('.')) t.replace(QLatin1Char('.'), separator);
    return t;
}

} // namespace ostrel
