#include "waveforms/Synthesis.h"
#include "waveforms/HarmonicTable.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const double kVpk = std::sqrt(2.0) * 150; // 212.132 V, the low range of 150 V

HarmonicTable table(std::initializer_list<std::pair<int, std::pair<QString, QString>>> cells) {
    HarmonicTable t{};
    for (const auto& [h, cell] : cells) {
        HarmonicRow& row = t[size_t((h - 1) / 2)];
        (h % 2 ? row.oddAmplitude : row.evenAmplitude) = cell.first;
        (h % 2 ? row.oddPhase : row.evenPhase) = cell.second;
    }
    return t;
}

Synthesis synthesise(const HarmonicTable& t, QChar separator = QLatin1Char('.')) {
    return Synthesise(TableHarmonics(t, separator), kVpk);
}

TEST(Synthesis, FundamentalAloneIsTheSineOnScreenAndOnTheWire) {
    const Synthesis s = synthesise(NewHarmonicTable());
    for (int k = 0; k < kSynthesisSamples; ++k) {
        ASSERT_NEAR(s.d[k], std::sin(2 * M_PI * k / 1024), 1e-6) << k;
        ASSERT_NEAR(s.y[k] / kVpk, s.d[k], 1e-6) << k; // the waveform file equals d
    }
    EXPECT_NEAR(s.y[128], 150.000, 0.0005);
}

TEST(Synthesis, UnevenExtremesCentreTheShapeButKeepTheSentMean) {
    const Synthesis s = synthesise(table({{1, {"100", ""}}, {2, {"20", "90"}}}));
    EXPECT_NEAR(s.rawMax, 0.8, 1e-9);
    EXPECT_NEAR(s.rawMin, -1.2, 1e-9);
    const struct {
        int k;
        double d, file;
    } points[] = {{0, 0.2, 0.4}, {256, 0.8, 1.0}, {768, -1.2, -1.0}};
    for (const auto& p : points) {
        EXPECT_NEAR(s.d[p.k], p.d, 1e-6) << p.k;
        EXPECT_NEAR(s.y[p.k] / kVpk, p.file, 1e-6) << p.k;
    }
    // At 0 degrees the extremes are symmetric: y and d coincide.
    const Synthesis zero = synthesise(table({{1, {"100", ""}}, {2, {"20", "0"}}}));
    EXPECT_NEAR(zero.rawMax, 1.0686878, 1e-6);
    EXPECT_NEAR(zero.rawMin, -1.0686878, 1e-6);
}

TEST(Synthesis, NegativePhasesAndAllRowsCount) {
    const Synthesis minus =
        synthesise(table({{1, {"100", ""}}, {49, {"5", "-90"}}, {50, {"3", "-45"}}}));
    const Synthesis plus =
        synthesise(table({{1, {"100", ""}}, {49, {"5", "270"}}, {50, {"3", "315"}}}));
    const Synthesis fundamental = synthesise(NewHarmonicTable());
    bool differs = false;
    for (int k = 0; k < kSynthesisSamples; ++k) {
        ASSERT_NEAR(minus.d[k], plus.d[k], 1e-6) << k;
        differs = differs || std::abs(minus.d[k] - fundamental.d[k]) > 0.01;
    }
    EXPECT_TRUE(differs) << "the last rows of both grids take part";
}

TEST(Synthesis, AnAllZeroTableIsEmptyAndFlat) {
    const Synthesis s = synthesise(table({{1, {"0", "30"}}, {3, {"", "10"}}, {4, {"abc", ""}}}));
    EXPECT_TRUE(s.empty());
    EXPECT_TRUE(std::all_of(s.y.begin(), s.y.end(), [](float v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(s.d.begin(), s.d.end(), [](float v) { return v == 0; }));
}

TEST(HarmonicCells, ReadWithTheSeparatorTheyAreShownWith) {
    const auto harmonics = TableHarmonics(
        table({{1, {"100", ""}}, {3, {"12,5", "180"}}, {5, {"7.5", "x"}}}), QLatin1Char(','));
    ASSERT_EQ(harmonics.size(), 3u);
    EXPECT_EQ(harmonics[1].percent, 12.5);
    EXPECT_EQ(harmonics[2].percent, 7.5);
    EXPECT_EQ(harmonics[2].degrees, 0); // not a number: 0
    EXPECT_NEAR(*TableThdPercent(harmonics), std::hypot(12.5, 7.5), 1e-9);
    EXPECT_FALSE(TableThdPercent(TableHarmonics(table({{2, {"10", ""}}}), QLatin1Char('.'))));
}

} // namespace
