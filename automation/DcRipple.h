#pragma once
// The DC ripple test's built-in programs: a nominal DC level with a ripple
// whose amplitude, frequency and shape step along a fixed list, per nominal
// voltage and equipment category. The ripple shapes are two and sixteen sine
// periods over a waveform register, so a point at 100 or 62.5 Hz plays a
// continuous ripple at 200 and 1000 Hz.
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

// The registers the programs play, as they are downloaded and deleted.
inline const QStringList kRippleWaveforms{QStringLiteral("dcrip2"), QStringLiteral("dcrip16")};

struct RippleProgram {
    // Each line goes out as it stands.
    QString frequency, frequencySlew, dwell;
    QString voltage, voltageSlew, shape; // per taking-part phase
    int points = 0;
    int totalS = 0;
};

// 0 = 28 V, category A(R), Z; 1 = 28 V, B; 2 = 14 V, A(R), Z; 3 = 14 V, B.
int RippleTestNumber(int nominalIndex, int categoryIndex);
double RippleNominalVolts(int nominalIndex); // 28 or 14
const RippleProgram& RippleProgramOf(int test);

// Days, hours, minutes and seconds: "000:01:15:00" for 4500 s.
QString RippleTime(double seconds);

// `periods` sine periods over 1024 samples, sample i = sin(periods x 2 pi x i / 1024).
std::vector<float> RippleTable(int periods);

} // namespace ostrel
