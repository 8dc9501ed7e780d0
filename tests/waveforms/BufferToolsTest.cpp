// The tools that fill the waveform buffer: shapes, the point editor's table,
// mouse drawing and the capture upload.
#include "waveforms/CaptureUpload.h"
#include "waveforms/Drawing.h"
#include "waveforms/FunctionLibrary.h"
#include "waveforms/PointEdit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const double kVpk = std::sqrt(2.0) * 150;
using Period = std::array<float, 1024>;

Period shape(Shape s, ShapeSettings settings = {}, float before = 0.5f) {
    Period b;
    b.fill(before);
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> uniform(0, 1);
    FillShape(s, settings, b, [&] { return uniform(generator); });
    return b;
}

TEST(Shapes, FillThePeriodAsTheLibraryDescribesThem) {
    ShapeSettings four;
    four.multiplierIndex = 2;
    const Period sine = shape(Shape::Sine, four);
    EXPECT_NEAR(sine[64], 1, 1e-6);
    EXPECT_NEAR(sine[192], -1, 1e-6);
    EXPECT_NEAR(sine[256], 0, 1e-6);

    const Period triangle = shape(Shape::Triangle);
    EXPECT_EQ(triangle[0], 0);
    EXPECT_EQ(triangle[256], 1);
    EXPECT_EQ(triangle[768], -1);
    EXPECT_EQ(triangle[1023], -0.00390625f);

    // The steps start at 0, 103, 205, 307, 410, 512, 615, 717, 819, 922.
    const Period steps = shape(Shape::Stepped);
    const struct {
        int first, last;
        float level;
    } runs[] = {{0, 102, 0.25f},    {103, 204, 0.75f},  {205, 306, 1.0f},   {307, 409, 0.75f},
                {410, 511, 0.25f},  {512, 614, -0.25f}, {615, 716, -0.75f}, {717, 818, -1.0f},
                {819, 921, -0.75f}, {922, 1023, -0.25f}};
    for (const auto& r : runs)
        for (int k = r.first; k <= r.last; ++k)
            ASSERT_EQ(steps[k], r.level) << k;

    ShapeSettings half;
    half.clippedPercent = 50;
    const Period clipped = shape(Shape::ClippedSine, half);
    EXPECT_EQ(*std::max_element(clipped.begin(), clipped.end()), 0.5f);
    EXPECT_EQ(*std::min_element(clipped.begin(), clipped.end()), -0.5f);

    ShapeSettings noisy;
    noisy.noisePercent = 50;
    const Period noise = shape(Shape::NoisySine, noisy);
    EXPECT_TRUE(std::all_of(noise.begin(), noise.end(), [](float v) { return std::abs(v) <= 1; }));
    EXPECT_NE(noise, shape(Shape::Sine));
}

TEST(Shapes, LevelSegmentsStayInThePeriodAndWrap) {
    const struct {
        double angle, width;
        int level;
        std::vector<std::pair<int, int>> set; // index ranges written
    } cases[] = {
        {90, 90, 100, {{256, 512}}},
        {300, 120, 100, {{853, 1023}, {0, 170}}},
        {360, 0, -40, {{0, 0}}},      // 360 degrees is index 0, not 1024
        {-30, 400, 150, {{0, 1023}}}, // out of range: 0 degrees, 360 wide, full scale
    };
    for (const auto& c : cases) {
        ShapeSettings s;
        s.angle = c.angle;
        s.width = c.width;
        s.levelPercent = c.level;
        const Period b = shape(Shape::LevelSegment, s);
        const float level = float(std::clamp(c.level, -100, 100) * 0.01);
        for (int k = 0; k < 1024; ++k) {
            const bool inside = std::any_of(c.set.begin(), c.set.end(),
                                            [k](auto r) { return k >= r.first && k <= r.second; });
            ASSERT_EQ(b[k], inside ? level : 0.5f) << c.angle << "/" << c.width << " at " << k;
        }
    }
    ShapeSettings loud;
    loud.sinePercent = 180;
    const Period sine = shape(Shape::Sine, loud);
    EXPECT_NEAR(*std::max_element(sine.begin(), sine.end()), 1, 1e-6);
}

TEST(PointEditor, CellsAreVoltsReadBackAsLimitedSamples) {
    Period period{};
    period[3] = 0.123456f;
    std::vector<EditRow> rows = EditRows(period, kVpk, QLatin1Char(','));
    ASSERT_EQ(rows.size(), 1024u);
    EXPECT_EQ(rows[3].text, QStringLiteral("26,189"));
    int bad = -1;
    // OK without an edit changes nothing, not even below the third decimal.
    auto same = EditedSamples(rows, kVpk, QLatin1Char(','), bad);
    ASSERT_TRUE(same);
    EXPECT_EQ((*same)[3], 0.123456f);

    rows[0] = {QStringLiteral("100"), std::nullopt};
    rows[1] = {QString::number(2 * kVpk, 'f', 3), std::nullopt};
    rows[2] = {QStringLiteral("-50,5"), std::nullopt};
    rows[4] = {QStringLiteral("-1e4"), std::nullopt};
    auto edited = EditedSamples(rows, kVpk, QLatin1Char(','), bad);
    ASSERT_TRUE(edited);
    EXPECT_NEAR((*edited)[0], 0.471405, 1e-6);
    EXPECT_EQ((*edited)[1], 1.0f);
    EXPECT_NEAR((*edited)[2], -50.5 / kVpk, 1e-6);
    EXPECT_EQ((*edited)[4], -1.0f);

    rows[7] = {QStringLiteral("12V"), std::nullopt};
    EXPECT_FALSE(EditedSamples(rows, kVpk, QLatin1Char(','), bad));
    EXPECT_EQ(EntryErrorMessage(bad),
              QStringLiteral("Found Data Entry Error at Position 7Please Correct."));
}

TEST(PointEditor, InsertAndDeleteKeepThePeriodLength) {
    Period period;
    for (int k = 0; k < 1024; ++k)
        period[k] = float(k) / 1024;
    std::vector<EditRow> rows = EditRows(period, 1, QLatin1Char('.'));
    InsertRow(rows, 10);
    ASSERT_EQ(rows.size(), 1024u);
    EXPECT_EQ(rows[10].text, QStringLiteral("0"));
    EXPECT_EQ(rows[11].sample, period[10]);
    EXPECT_EQ(rows[1023].sample, period[1022]); // the last sample dropped
    DeleteRow(rows, 10);
    DeleteRow(rows, 0);
    ASSERT_EQ(rows.size(), 1024u);
    EXPECT_EQ(rows[0].sample, period[1]);
    EXPECT_EQ(rows[1023].text, QStringLiteral("0"));
}

TEST(Drawing, StraightLinesEitherWayWithinFullScale) {
    for (const bool backwards : {false, true}) {
        Period b{};
        DrawState state;
        const QPointF from = backwards ? QPointF(104.2, 90) : QPointF(100.7, 50);
        const QPointF to = backwards ? QPointF(100.1, 50) : QPointF(104.9, 90);
        ASSERT_TRUE(StartDrawing(state, from, 1023, kVpk));
        DrawTo(state, to, 1023, kVpk, b);
        EXPECT_NEAR(b[100], 0.235702, 1e-6) << backwards;
        EXPECT_NEAR(b[102], 70 / kVpk, 1e-6) << backwards;
        EXPECT_NEAR(b[104], 0.424264, 1e-6) << backwards;
        EXPECT_EQ(b[99], 0);
        EXPECT_EQ(b[105], 0);
    }
    Period b{};
    DrawState state;
    ASSERT_TRUE(StartDrawing(state, {10.2, 0}, 1023, kVpk));
    DrawTo(state, {10.8, 0}, 1023, kVpk, b); // within one index: no 0 / 0
    EXPECT_EQ(b[10], 0);
    DrawTo(state, {10.9, 106.066}, 1023, kVpk, b);
    EXPECT_NEAR(b[10], 0.5, 1e-6);
    // Off the graph: nothing drawn, the state kept.
    for (const QPointF off :
         {QPointF(20, 212.5), QPointF(20, -213), QPointF(1023.5, 0), QPointF(-0.5, 0)}) {
        DrawTo(state, off, 1023, kVpk, b);
        EXPECT_EQ(state.lastIndex, 10);
        EXPECT_FALSE(StartDrawing(state = {}, off, 1023, kVpk));
        state = {true, 10, 106.066};
    }
    EXPECT_TRUE(std::all_of(b.begin(), b.end(),
                            [](float v) { return std::isfinite(v) && std::abs(v) <= 1; }));
    EXPECT_EQ(std::count(b.begin(), b.end(), 0.0f), 1023);
}

Capture recordOf(double frequency, double intervalUs, int samples, double degrees) {
    Capture c;
    c.parameter = QStringLiteral("Voltage phase A");
    c.samples = samples;
    c.intervalUs = float(intervalUs);
    for (int i = 0; i < samples; ++i) {
        const double t = i * intervalUs * 1e-6;
        const double x = 2 * M_PI * frequency * t + degrees * M_PI / 180;
        c.values << float(5 + 170 * std::sin(x) + 34 * std::sin(3 * x + M_PI));
    }
    return c;
}

TEST(CaptureUpload, OnePeriodStartsAtZeroDegreesWithUnitPeak) {
    QString error;
    const auto period = PeriodFromCapture(recordOf(60, 10, 4096, 73), 0, 60, "a.wfd", error);
    ASSERT_TRUE(period) << error.toStdString();
    double peak = 0;
    for (int k = 0; k < 1024; ++k) {
        const double x = 2 * M_PI * k / 1024;
        const double expected =
            (std::sin(x) - 0.2 * std::sin(3 * x)) / 1.2; // unit peak at 90 degrees
        peak = std::max(peak, std::abs(double((*period)[k])));
        ASSERT_NEAR((*period)[k], expected, 0.002) << k;
    }
    EXPECT_NEAR(peak, 1, 1e-6);
}

TEST(CaptureUpload, RefusesWhatHoldsNoUsablePeriod) {
    const struct {
        Capture record;
        double frequency;
    } cases[] = {
        {recordOf(1000, 10000, 100, 0), 1000}, // a tenth of a sample per period
        {recordOf(60, 10, 1000, 0), 60},       // 1667 samples wanted, 1000 held
        {recordOf(60, 10, 4096, 0), 0},
        {recordOf(60, 10, 4096, 0), -60},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(PeriodFromCapture(c.record, 0, c.frequency, "dir/rec.wfd", error));
        EXPECT_EQ(error, "dir/rec.wfd\r\ndoes not hold one whole period of " +
                             QString::number(c.frequency) + " Hz with at least 64 samples.");
    }
}

} // namespace
