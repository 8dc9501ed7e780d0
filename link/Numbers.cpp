#include "link/Numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ostrel {

namespace {

struct Mask {
    int minIntegerDigits = 0; // count of "0" before the point
    int requiredDecimals = 0; // up to and including the last "0" after the point
    int maxDecimals = 0;      // every placeholder after the point
};

Mask parseMask(QStringView mask) {
    Mask m;
    bool afterPoint = false;
    int position = 0;
    for (QChar c : mask) {
        if (c == QLatin1Char('.') && !afterPoint) {
            afterPoint = true;
            continue;
        }
        if (c != QLatin1Char('0') && c != QLatin1Char('#')) continue;
        if (!afterPoint) {
            if (c == QLatin1Char('0')) ++m.minIntegerDigits;
            continue;
        }
        ++position;
        m.maxDecimals = position;
        if (c == QLatin1Char('0')) m.requiredDecimals = position;
    }
    return m;
}

// Digits of |value| rounded half away from zero to `decimals` places, as an
// integer digit string and a fraction digit string of exactly `decimals`.
void roundDecimal(double value, int significant, int decimals, std::string& integer,
                  std::string& fraction) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, std::fabs(value));
    // buffer: d.ddddde[+-]xx
    std::string mantissa;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') mantissa += *p;
    const int exponent = *p ? std::atoi(p + 1) : 0;
    // mantissa digit i has weight 10^(exponent - i); keep weights >= 10^-decimals.
    int keep = exponent + 1 + decimals;
    std::string digits;
    bool roundUp = false;
    if (keep < 0) {
        digits.clear();
    } else if (keep >= static_cast<int>(mantissa.size())) {
        digits = mantissa + std::string(keep - mantissa.size(), '0');
    } else {
        digits = mantissa.substr(0, keep);
        roundUp = mantissa[keep] >= '5';
    }
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0)
            ++digits[i];
        else
            digits.insert(digits.begin(), '1');
    }
    // digits now holds the value * 10^decimals as an integer.
    if (static_cast<int>(digits.size()) < decimals + 1)
        digits.insert(0, decimals + 1 - digits.size(), '0');
    integer = digits.substr(0, digits.size() - decimals);
    fraction = digits.substr(digits.size() - decimals);
    const auto first = integer.find_first_not_of('0');
    integer = first == std::string::npos ? std::string() : integer.substr(first);
}

QString formatWith(double value, int significant, QStringView maskText) {
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    const Mask mask = parseMask(maskText);
    std::string integer, fraction;
    roundDecimal(value, significant, mask.maxDecimals, integer, fraction);
    while (static_cast<int>(fraction.size()) > mask.requiredDecimals && !fraction.empty() &&
           fraction.back() == '0')
        fraction.pop_back();
    if (static_cast<int>(integer.size()) < mask.minIntegerDigits)
        integer.insert(0, mask.minIntegerDigits - integer.size(), '0');
    const bool zero = integer.find_first_not_of('0') == std::string::npos &&
                      fraction.find_first_not_of('0') == std::string::npos;
    std::string text;
    if (value < 0 && !zero) text += '-';
    text += integer;
    if (integer.empty() && fraction.empty()) text += '0';
    if (!fraction.empty()) text += '.' + fraction;
    return QString::fromStdString(text);
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

QString FormatNumber(double value, QStringView mask) { return formatWith(value, 15, mask); }

QString FormatNumber(float value, QStringView mask) {
    return formatWith(static_cast<double>(value), 7, mask);
}

double Val(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    std::string number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += static_cast<char>(text[i++].unicode());
    bool digits = false, point = false;
    for (; i < n; ++i) {
        if (isDigit(text[i])) {
            digits = true;
            number += static_cast<char>(text[i].unicode());
        } else if (text[i] == QLatin1Char('.') && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E') ||
                  text[i] == QLatin1Char('d') || text[i] == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent += static_cast<char>(text[j++].unicode());
        bool expDigits = false;
        for (; j < n && isDigit(text[j]); ++j) {
            expDigits = true;
            exponent += static_cast<char>(text[j].unicode());
        }
        if (expDigits) number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

bool TryParseSingle(QStringView text, float& value, QChar decimalSeparator) {
    const QStringView t = text.trimmed();
    if (t.isEmpty()) return false;
    std::string number;
    qsizetype i = 0;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))
        number += static_cast<char>(t[i++].unicode());
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (isDigit(c)) {
            digits = true;
            number += static_cast<char>(c.unicode());
        } else if ((c == QLatin1Char('.') || c == decimalSeparator) && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        number += 'e';
        ++i;
        if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            number += static_cast<char>(t[i++].unicode());
        bool expDigits = false;
        for (; i < t.size() && isDigit(t[i]); ++i) {
            expDigits = true;
            number += static_cast<char>(t[i].unicode());
        }
        if (!expDigits) return false;
    }
    if (i != t.size()) return false;
    const double parsed = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(static_cast<float>(parsed))) return false;
    value = static_cast<float>(parsed);
    return true;
}

float ParseSingle(QStringView text, QChar decimalSeparator) {
    float value = 0;
    return TryParseSingle(text, value, decimalSeparator) ? value : 0.0f;
}

} // namespace ostrel
