#pragma once
// A program object on a LAN virtual source with a fast clock, set to a steady
// state, for the run controller's conversation tests.
#include "StepFixtures.h"

#include "core/Program.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace ostrel::test {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

constexpr double kEngineTimeScale = 100;

class EngineConversation : public ::testing::Test, public ProgramFixture {
protected:
    // Starts the source (model, extra options), identifies it, sets `steady`
    // ("volt 115;:freq 400;:outp 1") and reads it back.
    void connect(int model = 0, const QStringList& extra = {},
                 const QString& steady = QStringLiteral("volt 115;:freq 400;:outp 1"));
    // Every line the source received, in order, once it has taken all sent so far.
    QStringList received();
    // The lines logged so far, without waiting: a mark for receivedSince.
    qsizetype mark() const { return logged().size(); }
    QStringList receivedSince(qsizetype from) { return received().mid(from); }
    // The control port's one-line answers.
    QString modes() { return controlLine(QStringLiteral("modes?")); }
    QString state() { return controlLine(QStringLiteral("state?")); }
    QString controlLine(const QString& command);
    QStringList logged() const;
    bool control(const QString& command) { return source.control(command); }

    VirtualSourceProcess source;
    QString logPath = tempPath(QStringLiteral("vsource.log"));
    QString timelinePath = tempPath(QStringLiteral("timeline.jsonl"));
};

// The index of the first line at or after `from` that equals `line`, -1 when none.
qsizetype IndexOf(const QStringList& lines, const QString& line, qsizetype from = 0);

} // namespace ostrel::test
