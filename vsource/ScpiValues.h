#pragma once
// Reading SCPI parameters and writing reply values.
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

namespace ostrel::vsource {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// True when `text` is the short or the long form of `keyword`, any case. The
// keyword is written as SCPI documents it: capitals are the short form ("SINusoid").
bool matchKeyword(std::string_view text, std::string_view keyword);

std::string_view trimmed(std::string_view text);

struct NumberRange {
    double min;
    double max;
    double def;
    bool allowInfinity = false; // INF (and MAX) mean "no limit": slews and counts
};

// A decimal number with optional sign and exponent, or MIN / MAX / DEF / INF.
// Returns 0, or -109 (empty), -104 (not a number), -222 (outside the range).
int readNumber(std::string_view text, const NumberRange& range, double& out);

// A plain number without keywords; false when the text is not one.
bool parseDecimal(std::string_view text, double& out);

// ON / OFF / 1 / 0 (any non-zero number is on). Returns 0, -109 or -224.
int readBool(std::string_view text, bool& out);

struct Choice {
    std::string_view keyword;
    int value;
};
// One of the keywords. Returns 0, -109 or -224.
int readChoice(std::string_view text, std::initializer_list<Choice> choices, int& out);

// A number as a plain decimal ("115.0", "0.25"); infinity reads "9.90000E+37".
void appendReal(std::string& out, double value);
// A measured value rounded to six significant digits.
void appendReading(std::string& out, double value);
void appendInt(std::string& out, long long value);

} // namespace ostrel::vsource
