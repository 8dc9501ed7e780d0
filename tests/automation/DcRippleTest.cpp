// The DC ripple programs, their times and the ripple tables.
#include "automation/DcRipple.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

TEST(DcRipplePrograms, EachTestNumberHasItsLinesAndTotal) {
    const struct {
        int nominal, category, test, points, total;
        const char* volt;
        const char* shape;
        const char* freq;
        const char* time;
    } cases[] = {
        {0, 0, 0, 8, 4500, "list:volt 0.4,0.4,1.1,1.1,2.8,4,3.8,0",
         "list:shap sin,sin,dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin",
         "list:freq 16.01,200,100,500,62.5,250,312.5,16.01", "000:01:15:00"},
        {0, 1, 1, 6, 2520, "list:volt 1.1,1.1,2.8,4,3.8,0",
         "list:shap dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin",
         "list:freq 100,500,62.5,250,312.5,16.01", "000:00:42:00"},
        {1, 0, 2, 8, 4500, "list:volt 0.2,0.2,0.6,0.6,1.4,2,1.8,0",
         "list:shap sin,sin,dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin",
         "list:freq 16.01,200,100,500,62.5,250,312.5,16.01", "000:01:15:00"},
        {1, 1, 3, 6, 2520, "list:volt 0.6,0.6,1.4,2,1.8,0",
         "list:shap dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin",
         "list:freq 100,500,62.5,250,312.5,16.01", "000:00:42:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.test);
        ASSERT_EQ(RippleTestNumber(c.nominal, c.category), c.test);
        const RippleProgram& p = RippleProgramOf(c.test);
        EXPECT_EQ(p.voltage, QLatin1String(c.volt));
        EXPECT_EQ(p.shape, QLatin1String(c.shape));
        EXPECT_EQ(p.frequency, QLatin1String(c.freq));
        EXPECT_EQ(p.points, c.points);
        EXPECT_EQ(p.totalS, c.total);
        EXPECT_EQ(RippleTime(p.totalS), QLatin1String(c.time));
        // Every list holds one entry per point, and the dwells add up to the total.
        for (const QString& line :
             {p.frequency, p.frequencySlew, p.dwell, p.voltage, p.voltageSlew, p.shape})
            EXPECT_EQ(line.section(QLatin1Char(' '), 1).split(QLatin1Char(',')).size(), c.points)
                << line.toStdString();
        double sum = 0;
        for (const QString& d : p.dwell.section(QLatin1Char(' '), 1).split(QLatin1Char(',')))
            sum += d.toDouble();
        EXPECT_NEAR(sum, c.total, 0.01);
    }
    EXPECT_EQ(RippleTime(0), QStringLiteral("000:00:00:00"));
    EXPECT_EQ(RippleTime(90061), QStringLiteral("001:01:01:01"));
}

TEST(DcRippleTables, WholePeriodsThatJoinUpWithoutARepeatedSample) {
    for (int periods : {2, 16}) {
        SCOPED_TRACE(periods);
        const std::vector<float> t = RippleTable(periods);
        ASSERT_EQ(t.size(), 1024u);
        float lo = 0, hi = 0;
        for (size_t i = 0; i < t.size(); ++i) {
            EXPECT_NEAR(t[i], std::sin(periods * 2 * std::numbers::pi * double(i) / 1024), 1e-6);
            lo = std::min(lo, t[i]);
            hi = std::max(hi, t[i]);
        }
        EXPECT_NEAR(hi, 1.0f, 1e-6);
        EXPECT_NEAR(lo, -1.0f, 1e-6);
        // The sample after the last is the first: the next period starts cleanly.
        EXPECT_NEAR(t.back(), std::sin(-periods * 2 * std::numbers::pi / 1024), 1e-6);
        EXPECT_NE(t.back(), t.front());
    }
}

} // namespace
