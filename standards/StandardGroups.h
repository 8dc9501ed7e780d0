#pragma once
// Building blocks of the standards' descriptors: power groups by supply kind
// (constant frequency, a variable-frequency band, DC), so the selector and
// sweep rules follow the group itself, never its place in a list.
#include "standards/TestStandard.h"

namespace ostrel {

// A constant-frequency AC group: its entry ("400_Hz", "60_Hz"), fixed.
PowerGroup ConstantFrequencyGroup(const QString& caption, const QString& code, const QString& entry);
// A variable-frequency AC group: "400_Hz", open, swept from `first` to `last`.
PowerGroup VariableFrequencyGroup(const QString& caption, const QString& code, const QString& first,
                                  const QString& last);
PowerGroup DcGroup(const QString& caption, const QString& code);

// The engine's entries plus a set's own, "DC" first, then ascending in frequency.
QStringList TestFrequencyList(const QStringList& extra);

// The text before ":" of a caption ("Table A" of "Table A: 115V/400 Hz CF AC Power").
QString CaptionName(const QString& caption);

// What every set shares with the DO-160 descriptor: the mode refusals.
void TakeModeRefusals(TestStandard& standard);
// Fall-back warnings naming the groups by `name` (their caption's name, or a code).
void SetFallbacks(TestStandard& standard, int acGroup, int dcGroup, const QString& acName,
                  const QString& dcName);

} // namespace ostrel
