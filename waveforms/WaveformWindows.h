#pragma once
// What the waveform windows share beside the transfer itself: the register
// list, the name asked for a transfer, the limit check on opening and the
// catalog read on closing.
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ostrel {

struct Program;
struct SourceModel;

inline const QString kEmptyRegister = QStringLiteral(">EMPTY<");

// One entry per user register: its name, or ">EMPTY<".
QStringList RegisterEntries(const SourceModel& model);

// The name a transfer goes under. A name from a file is used as it is; none
// (or "LASTSAVE" for the harmonic window) asks, proposing `prefix` and a
// number 0..19 from `pick`. Either way the name rule is applied; nothing
// when the operator cancels or the name is refused.
std::optional<QString> TransferName(Program& program, const QString& current, const QString& prefix,
                                    const std::function<int()>& pick);

// "trac:lim off" when the "Protection"/"ArbRestriction" setting is on and a
// source is connected: the windows' samples may leave full scale.
void ReleaseLimitCheck(Program& program);

// The catalog read again (and a pause of 300 ms) when a source is connected.
void RefreshCatalog(Program& program);

} // namespace ostrel
