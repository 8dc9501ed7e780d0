#pragma once
// What one ostrel-cli run ends with: one JSON object on standard output and
// an exit status that a test rack can act on without reading the text.
#include <QJsonObject>
#include <QString>

namespace ostrel {

enum ExitStatus {
    ExitCompleted = 0,  // completed (and passed)
    ExitFail = 1,       // completed with the verdict Fail
    ExitUsage = 2,      // the command line is wrong
    ExitRefused = 3,    // refused before anything was sent
    ExitAborted = 4,    // stopped by the operator
    ExitFailedSent = 5, // failed after something was sent
    ExitNoVerdict = 6,  // completed without a verdict
};

struct Outcome {
    ExitStatus status = ExitCompleted;
    QJsonObject fields; // what the command found, beside "command", "status" and "error"
    QString error;

    static Outcome completed(QJsonObject fields = {}) { return {ExitCompleted, std::move(fields), {}}; }
    static Outcome failed(ExitStatus status, const QString& error) { return {status, {}, error}; }
};

// "completed", "usage", "refused", ... as printed in the object's "status".
QString ExitStatusName(ExitStatus status);

// The object printed for `command`: its fields, "command", "status", "exit"
// and, on failure, "error" (CR LF as line feeds).
QJsonObject OutcomeJson(const QString& command, const Outcome& outcome);

// A bad argument of a command: its name, why, and where to read more.
Outcome UsageFailure(const QString& command, const QString& why);

} // namespace ostrel
