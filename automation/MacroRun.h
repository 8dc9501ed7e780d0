#pragma once
// Plays a command macro on the source, as the macro window's Run and Step and
// the command-line tool do: each line in turn, the directives' waits,
// questions and files, the error check, Abort live in every wait.
#include "automation/MacroLine.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

struct Program;
class SourceIo;

struct MacroOptions {
    int passes = 1; // 0: until aborted (loop)
    bool errorCheck = false;
};

struct MacroLineRecord {
    int pass = 1;
    int line = 1; // from 1
    QString text;
    MacroKind kind = MacroKind::Empty;
    std::optional<QString> reply;
    std::optional<QString> error;
};

enum class MacroResult { Completed, Halted, Aborted, Failed };

struct MacroOutcome {
    MacroResult result = MacroResult::Completed;
    QString message;
    std::vector<MacroLineRecord> lines;
};

struct MacroHooks {
    std::function<void(const QString&)> status;
    // The line about to run (0-based): the list selects it.
    std::function<void(int index)> lineStarted;
    // A query's reply, for the response label.
    std::function<void(const QString&)> reply;
};

class MacroRun {
public:
    // SAVE( names are relative to `folder`.
    MacroRun(Program& program, SourceIo& io, QStringList lines, QString folder,
             MacroOptions options, MacroHooks hooks = {});

    // From the first line, every pass.
    MacroOutcome run();
    // The one line at `index`.
    MacroOutcome step(int index);
    // Ends after the line in progress; a running delay is cut short.
    void abort() { abortRequested_ = true; }
    bool running() const { return running_; }

private:
    enum class LineEnd { Next, Halt, Abort, Fail };
    LineEnd execute(int index, int pass);
    LineEnd fail(MacroLineRecord& record, const QString& why);
    bool wait(double seconds);
    QString ask(MacroLineRecord& record, const QString& query, bool& ok);
    void status(const QString& text);
    MacroOutcome finish(LineEnd end, int index);

    Program& program_;
    SourceIo& io_;
    const QStringList lines_;
    const QString folder_;
    const MacroOptions options_;
    const MacroHooks hooks_;
    bool simulated_ = false;
    bool abortRequested_ = false;
    bool running_ = false;
    QString stored_; // the reply READ( keeps for WRITE(
    MacroOutcome outcome_;
};

} // namespace ostrel
