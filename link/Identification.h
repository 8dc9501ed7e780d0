#pragma once
// Which model is connected: the identification reply mapped to a model index.
#include <QString>

namespace ostrel {

struct Program;
struct SourceModel;

// The model text of an identification reply ("maker,model,serial,firmware"):
// the model field without blanks. Sets the serial number, the firmware
// revision and the firmware part number of `model`. Missing fields read as "".
QString ParseIdentity(SourceModel& model, const QString& reply);

// The model index for a model text, first matching rule wins; -1 when none.
// `reply` is the whole identification reply (maker and serial fields).
int MatchModel(const QString& modelText, const QString& reply);

// Opens the transport of `bus` and identifies the source. GPIB: param1 =
// source address, param2 = board. RS-232: param1 = port number, param2 = baud
// index. LAN: param1 = socket port, `text` carries the IP address on entry.
// Returns the model index, or -1; `text` then holds the message for the operator.
int IdentifySource(Program& program, int bus, int param1, int param2, QString& text);

// Opens the configured transport and identifies the source (start-up): the
// model index, or -1 with the message and the bus set to simulation. In
// simulation the stored model index.
int OpenAndIdentify(Program& program, QString& message);

// After the link was lost: opens the configured transport again and
// identifies the source. The model index, or -1 when no source answers
// there; the link then stays lost and the operator is told once. The bus is
// kept either way.
int ReconnectSource(Program& program);

// Opens the configured transport without talking to the source.
bool OpenTransport(Program& program, QString& message);

} // namespace ostrel
