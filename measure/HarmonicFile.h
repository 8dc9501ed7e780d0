#pragma once
// Harmonic data files (".hmd"): "write" records, one a line — the
// acquisition date, the parameter name, the fundamental frequency, voltage
// and current THD, then 51 rows of amplitude and phase of that parameter.
#include "measure/Harmonics.h"

#include <QString>

namespace ostrel {

inline const QString kHarmonicFilter =
    QStringLiteral("Harm Meas Data (*.hmd)|*.HMD|All Files (*.*)|*.*");

// The set named by data.parameter is written. Whole or not at all: a date
// or parameter holding a double quote or a line break is refused.
bool WriteHarmonicFile(const QString& path, const HarmonicData& data, QString& error);

// Reads and checks the whole file first; on success the header fields and the
// set the file names are replaced, the other set is kept. On failure `data`
// is unchanged and `error` names the file and the line.
bool ReadHarmonicFile(const QString& path, HarmonicData& data, QString& error);

} // namespace ostrel
