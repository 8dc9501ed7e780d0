#pragma once
// High-frequency voltage correction factors ("HFVolt_CalFactors.ini"): one
// section per output phase ("1Voltage" ...), one key per calibration
// frequency point ("0VF" ...), and a "Calibration_Info" section.
#include <QMap>
#include <QString>

#include <array>

namespace ostrel {

struct CalibrationInfo {
    QString lastCalDate;
    QString lastCalTime;
    QString sourceModel; // the model designation
    QString serialNo;
    QString guiVersion;
};

struct CalFactors {
    std::array<QMap<int, double>, 3> factors; // [phase 0..2][point]
    CalibrationInfo info;

    // 1.0 where no factor was stored.
    double factor(int phase, int point) const;
};

inline const QString kCalFactorsFile = QStringLiteral("HFVolt_CalFactors.ini");

// Reads the factors of points 0 .. pointCount-1 of each phase.
CalFactors ReadCalFactors(const QString& path, int pointCount);
// Writes every stored factor ("#0.0000") and the calibration information,
// keeping whatever else the file holds. False with a message naming the file on failure.
bool WriteCalFactors(const QString& path, const CalFactors& cal, QString* errorText = nullptr);

} // namespace ostrel
