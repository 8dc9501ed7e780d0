#include "measure/LinkIo.h"

#include "core/Program.h"
#include "measure/ArrayReply.h"

#include <algorithm>

namespace ostrel {

namespace {
// The longest text form of one value ("-1.234567E+03,") with room to spare.
constexpr int kTextBytesPerValue = 20;
} // namespace

void LinkIo::send(const QString& command) {
    program_.link.Send(0, command);
}

QString LinkIo::query(const QString& command, double timeoutSeconds) {
    return program_.link.Query(0, command, timeoutSeconds);
}

QString LinkIo::checkError() {
    return program_.link.CheckError();
}

bool LinkIo::lost() const {
    return program_.link.Lost();
}

QByteArray LinkIo::queryArray(const QString& command, double timeoutSeconds, int maxValues,
                              QString& error) {
    if (program_.settings.link.bus == BusSimulation) return {};
    const int room = std::max(BlockBufferSize(maxValues, BlockNumberForm::Double),
                              maxValues * kTextBytesPerValue + 16);
    const QueryResult r = program_.link.TryQueryBlock(command, timeoutSeconds, room);
    if (!r.ok()) {
        error = r.error;
        return {};
    }
    return r.text.toLatin1();
}

} // namespace ostrel
