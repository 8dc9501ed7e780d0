#pragma once
// A program object talking to a running virtual source over one transport:
// its TCP port, its pseudo-terminal as a serial port, or the GPIB shim.
#include "core/Program.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace ostrel::test {

const char* BusName(int bus);

class LinkConversation : public ::testing::TestWithParam<int>, public ProgramFixture {
protected:
    // Starts the source with `args` and points the program's link at it.
    void start(QStringList args = {});
    // Identification and configuration readout, as at start-up; the model index.
    int identify();
    // Every line the source received, in order, without its terminator.
    QStringList received() const;
    // The lines received since `mark` (a count of received()).
    QStringList receivedSince(qsizetype mark) const { return received().mid(mark); }
    bool control(const QString& command) { return source.control(command); }

    VirtualSourceProcess source;
    QString logPath = tempPath(QStringLiteral("vsource.log"));
};

} // namespace ostrel::test
