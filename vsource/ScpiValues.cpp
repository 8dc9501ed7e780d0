#include "vsource/ScpiValues.h"

#include "vsource/ErrorQueue.h"

#include <charconv>
#include <cmath>

namespace ostrel::vsource {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool matchKeyword(std::string_view text, std::string_view keyword) {
    size_t shortLength = 0;
    while (shortLength < keyword.size() &&
           !(keyword[shortLength] >= 'a' && keyword[shortLength] <= 'z'))
        ++shortLength;
    if (text.size() != shortLength && text.size() != keyword.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != upper(keyword[i])) return false;
    return true;
}

bool parseDecimal(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    size_t digitAt = (!text.empty() && text.front() == '-') ? 1 : 0;
    if (digitAt >= text.size()) return false;
    char first = text[digitAt];
    if (!((first >= '0' && first <= '9') || first == '.')) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

int readNumber(std::string_view text, const NumberRange& range, double& out) {
    text = trimmed(text);
    if (text.empty()) return err::MissingParameter;
    if (matchKeyword(text, "MINimum")) {
        out = range.min;
        return 0;
    }
    if (matchKeyword(text, "MAXimum")) {
        out = range.allowInfinity ? kInfinity : range.max;
        return 0;
    }
    if (matchKeyword(text, "DEFault")) {
        out = range.def;
        return 0;
    }
    if (matchKeyword(text, "INFinity")) {
        if (!range.allowInfinity) return err::DataOutOfRange;
        out = kInfinity;
        return 0;
    }
    double v = 0;
    if (!parseDecimal(text, v)) return err::DataTypeError;
    if (v < range.min || v > range.max) {
        if (range.allowInfinity && v >= 9.9e37) {
            out = kInfinity;
            return 0;
        }
        return err::DataOutOfRange;
    }
    out = v;
    return 0;
}

int readBool(std::string_view text, bool& out) {
    text = trimmed(text);
    if (text.empty()) return err::MissingParameter;
    if (matchKeyword(text, "ON")) {
        out = true;
        return 0;
    }
    if (matchKeyword(text, "OFF")) {
        out = false;
        return 0;
    }
    double v = 0;
    if (!parseDecimal(text, v)) return err::IllegalParameterValue;
    out = std::lround(v) != 0;
    return 0;
}

int readChoice(std::string_view text, std::initializer_list<Choice> choices, int& out) {
    text = trimmed(text);
    if (text.empty()) return err::MissingParameter;
    for (const Choice& c : choices) {
        if (matchKeyword(text, c.keyword)) {
            out = c.value;
            return 0;
        }
    }
    return err::IllegalParameterValue;
}

void appendReal(std::string& out, double value) {
    if (std::isinf(value)) {
        out += "9.90000E+37";
        return;
    }
    if (value == 0) value = 0; // no "-0.0"
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) {
        end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    }
    std::string_view text(buffer, size_t(end - buffer));
    out += text;
    if (text.find_first_of(".e") == std::string_view::npos) out += ".0";
}

void appendReading(std::string& out, double value) {
    if (value != 0 && std::isfinite(value)) {
        double scale = std::pow(10.0, 5 - std::floor(std::log10(std::fabs(value))));
        value = std::round(value * scale) / scale;
    }
    appendReal(out, value);
}

void appendInt(std::string& out, long long value) {
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, size_t(end - buffer));
}

} // namespace ostrel::vsource
