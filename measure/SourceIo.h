#pragma once
// What the measurement logic needs of a conversation with the source. The
// windows hand it the program's link (or, in simulation, the simulated
// meter); tests hand it a scripted conversation.
#include <QByteArray>
#include <QString>

namespace ostrel {

class SourceIo {
public:
    virtual ~SourceIo() = default;
    virtual void send(const QString& command) = 0;
    // The reply without its terminator; "" on time-out or failure.
    virtual QString query(const QString& command, double timeoutSeconds) = 0;
    // A long array reply as it arrived, whole: a text list or a
    // definite-length block of up to `maxValues` values. Empty on failure;
    // `error` then says why (for example a reply that stopped half-way).
    virtual QByteArray queryArray(const QString& command, double timeoutSeconds, int maxValues,
                                  QString& error) = 0;
    // The source's error queue: "" when empty.
    virtual QString checkError() = 0;
    // The connection to the source is lost: a repeating loop stops.
    virtual bool lost() const { return false; }
};

} // namespace ostrel
