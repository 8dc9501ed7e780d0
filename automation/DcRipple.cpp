#include "automation/DcRipple.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

constexpr int kSamples = 1024;

RippleProgram program(bool longList, const char* volt, const char* voltSlew, const char* shape) {
    RippleProgram p;
    if (longList) {
        p.frequency = QStringLiteral("list:freq 16.01,200,100,500,62.5,250,312.5,16.01");
        p.frequencySlew = QStringLiteral("list:freq:slew max,0.094,max,0.248,max,0.261,0.348,max");
        p.dwell = QStringLiteral("list:dwell 0.001,1980,0.001,1620,0.001,720,180,0.001");
        p.points = 8;
        p.totalS = 4500;
    } else {
        p.frequency = QStringLiteral("list:freq 100,500,62.5,250,312.5,16.01");
        p.frequencySlew = QStringLiteral("list:freq:slew max,0.248,max,0.261,0.348,max");
        p.dwell = QStringLiteral("list:dwell 0.001,1620,0.001,720,180,0.001");
        p.points = 6;
        p.totalS = 2520;
    }
    p.voltage = QString::fromLatin1(volt);
    p.voltageSlew = QString::fromLatin1(voltSlew);
    p.shape = QString::fromLatin1(shape);
    return p;
}

} // namespace

int RippleTestNumber(int nominalIndex, int categoryIndex) {
    return (nominalIndex == 1 ? 2 : 0) + (categoryIndex == 1 ? 1 : 0);
}

double RippleNominalVolts(int nominalIndex) {
    return nominalIndex == 1 ? 14.0 : 28.0;
}

const RippleProgram& RippleProgramOf(int test) {
    static const std::array<RippleProgram, 4> programs{
        program(true, "list:volt 0.4,0.4,1.1,1.1,2.8,4,3.8,0",
                "list:volt:slew max,max,max,max,max,0.003,0.002,max",
                "list:shap sin,sin,dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin"),
        program(false, "list:volt 1.1,1.1,2.8,4,3.8,0",
                "list:volt:slew max,max,max,0.003,0.002,max",
                "list:shap dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin"),
        program(true, "list:volt 0.2,0.2,0.6,0.6,1.4,2,1.8,0",
                "list:volt:slew max,max,max,max,max,0.003,0.002,max",
                "list:shap sin,sin,dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin"),
        program(false, "list:volt 0.6,0.6,1.4,2,1.8,0",
                "list:volt:slew max,max,max,0.003,0.002,max",
                "list:shap dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin"),
    };
    return programs[size_t(std::clamp(test, 0, 3))];
}

QString RippleTime(double seconds) {
    const qint64 s = seconds > 0 ? qint64(seconds) : 0;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(s / 86400, 3, 10, QLatin1Char('0'))
        .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

std::vector<float> RippleTable(int periods) {
    std::vector<float> samples(kSamples);
    for (int i = 0; i < kSamples; ++i)
        samples[size_t(i)] = float(std::sin(periods * 2.0 * std::numbers::pi * i / kSamples));
    return samples;
}

} // namespace ostrel
