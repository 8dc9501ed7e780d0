#pragma once
// Small step grids for the engine's tests, in the column order the engine
// programs from.
#include "standards/StepGrid.h"

#include <QStringList>

#include <initializer_list>

namespace ostrel::test {

inline QStringList StepHeaders() {
    return {QStringLiteral("Step"),    QStringLiteral("Freq"),    QStringLiteral("FreqSlew"),
            QStringLiteral("Volt_A"),  QStringLiteral("VSlew_A"), QStringLiteral("Wave_A"),
            QStringLiteral("Volt_B"),  QStringLiteral("VSlew_B"), QStringLiteral("Wave_B"),
            QStringLiteral("Volt_C"),  QStringLiteral("VSlew_C"), QStringLiteral("Wave_C"),
            QStringLiteral("Dwell"),   QStringLiteral("Loop"),    QStringLiteral("Link"),
            QStringLiteral("Comment"), QStringLiteral("Description")};
}

// A step: frequency, its slew, per phase voltage, slew and shape, dwell, loop, link.
struct Step {
    QString freq = QStringLiteral("400.0");
    QString freqSlew = QStringLiteral("MAX");
    QStringList a{QStringLiteral("115.0"), QStringLiteral("MAX"), QString()};
    QStringList b{QStringLiteral("115.0"), QStringLiteral("MAX"), QString()};
    QStringList c{QStringLiteral("115.0"), QStringLiteral("MAX"), QString()};
    QString dwell = QStringLiteral("1.0000");
    QString loop;
    QString link;
};

inline StepGrid Grid(std::initializer_list<Step> steps) {
    StepGrid grid;
    grid.headers = StepHeaders();
    int row = 0;
    for (const Step& s : steps) {
        grid.rows.push_back(QStringList{QString::number(++row), s.freq, s.freqSlew} + s.a + s.b + s.c +
                            QStringList{s.dwell, s.loop, s.link, QStringLiteral("example"),
                                        QStringLiteral("step %1").arg(row)});
    }
    return grid;
}

} // namespace ostrel::test
