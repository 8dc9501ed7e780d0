#include "link/Numbers.h"

#include <gtest/gtest.h>

using namespace ostrel;

struct MaskCase {
    double value;
    const char* mask;
    const char* expected;
};

class FormatNumberTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FormatNumberTest, FormatsWithMask) {
    const MaskCase c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, QString::fromLatin1(c.mask)).toStdString(), c.expected)
        << c.value << " with " << c.mask;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, FormatNumberTest,
    ::testing::Values(
        MaskCase{0, "##0.0", "0.0"}, MaskCase{0.05, "##0.0", "0.1"}, MaskCase{1, "##0.0", "1.0"},
        MaskCase{-0.123456, "##0.0", "-0.1"}, MaskCase{115, "##0.0", "115.0"},
        MaskCase{1234.5, "##0.0", "1234.5"}, MaskCase{999.95, "##0.0", "1000.0"},
        MaskCase{-0.04, "##0.0", "0.0"}, MaskCase{-999.95, "##0.0", "-1000.0"},
        MaskCase{0, "###0.0", "0.0"}, MaskCase{400.04, "###0.0", "400.0"},
        MaskCase{0.05, "##0.00", "0.05"}, MaskCase{0.125, "##0.00", "0.13"},
        MaskCase{1.005, "##0.00", "1.01"}, MaskCase{-0.123456, "##0.00", "-0.12"},
        MaskCase{0.1, "###0.000", "0.100"}, MaskCase{0.0005, "###0.000", "0.001"},
        MaskCase{0.25, "0.0###", "0.25"}, MaskCase{1, "0.0###", "1.0"},
        MaskCase{-0.123456, "0.0###", "-0.1235"}, MaskCase{0, "0.0###", "0.0"},
        MaskCase{0.05, "##0.0#", "0.05"}, MaskCase{115, "##0.0#", "115.0"},
        MaskCase{999.999, "##0.0#", "1000.0"}, MaskCase{1234.5, "###0.0000", "1234.5000"},
        MaskCase{0.00001234, "0.0000000", "0.0000123"}, MaskCase{999.95, "#0", "1000"},
        MaskCase{0.5, "#0", "1"}, MaskCase{-0.5, "#0", "-1"}, MaskCase{0.4, "#0", "0"},
        MaskCase{115, "#0", "115"}, MaskCase{1234.5, "#0.0", "1234.5"},
        MaskCase{-0.123456, "0.000", "-0.123"}, MaskCase{999.95, "0.00", "999.95"},
        MaskCase{1, "#0.0000", "1.0000"}, MaskCase{123456789, "0.0", "123456789.0"},
        MaskCase{1e-9, "0.0###", "0.0"}, MaskCase{0.99995, "0.0###", "1.0"}));

TEST(FormatNumber, SinglePrecisionRoundsAsTyped) {
    EXPECT_EQ(FormatNumber(2.675f, u"0.00"), "2.68");
    EXPECT_EQ(FormatNumber(0.1f, u"0.0###"), "0.1");
    EXPECT_EQ(FormatNumber(115.0f, u"##0.0"), "115.0");
}

TEST(Val, ReadsTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"1.150000E+02", 115.0}, {"+3", 3.0}, {"  12.5 V", 12.5},
        {"-113,\"Undefined header\"", -113.0}, {"9.90000E+37", 9.9e37}, {"", 0.0},
        {"ON", 0.0}, {"0,\"No error\"", 0.0}, {"1.5E", 1.5}, {"-.5", -0.5}, {"\t7\n", 7.0}};
    for (const auto& [text, expected] : cases)
        EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(text)), expected) << text;
}

TEST(TryParseSingle, AcceptsOnlyWholeNumbers) {
    struct Case {
        const char* text;
        QChar separator;
        bool ok;
        float value;
    };
    const Case cases[] = {
        {"1.5", '.', true, 1.5f},     {" 42 ", '.', true, 42.f},  {"-3e2", '.', true, -300.f},
        {"1,5", ',', true, 1.5f},     {"1.5", ',', true, 1.5f},   {"1,5", '.', false, 0},
        {"1,500.5", ',', false, 0},   {"1.500,5", ',', false, 0}, {"12.5 V", '.', false, 0},
        {"", '.', false, 0},          {"abc", '.', false, 0},     {"1e", '.', false, 0},
        {"1e99", '.', false, 0},      {"9.90000E+37", '.', true, 9.9e37f},
    };
    for (const Case& c : cases) {
        float v = -1;
        EXPECT_EQ(TryParseSingle(QString::fromLatin1(c.text), v, c.separator), c.ok) << c.text;
        if (c.ok) {
            EXPECT_FLOAT_EQ(v, c.value) << c.text;
        }
        EXPECT_FLOAT_EQ(ParseSingle(QString::fromLatin1(c.text), c.separator), c.ok ? c.value : 0.f)
            << c.text;
    }
}
