#include "automation/MacroRun.h"

#include "core/Program.h"
#include "config/SaveTarget.h"
#include "link/Waits.h"
#include "measure/MeasurementLog.h"
#include "measure/SourceIo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cmath>

namespace ostrel {

namespace {

QString entryError(int line) {
    return QStringLiteral("Macro Runtime Error at entry #") + QString::number(line);
}

} // namespace

MacroRun::MacroRun(Program& program, SourceIo& io, QStringList lines, QString folder,
                   MacroOptions options, MacroHooks hooks)
    : program_(program), io_(io), lines_(std::move(lines)), folder_(std::move(folder)),
      options_(options), hooks_(std::move(hooks)) {}

void MacroRun::status(const QString& text) {
    if (hooks_.status) hooks_.status(text);
}

MacroOutcome MacroRun::run() {
    outcome_ = {};
    simulated_ = program_.settings.link.bus == 0;
    running_ = true;
    abortRequested_ = false;
    status(QStringLiteral("Execution in progress..."));
    LineEnd end = LineEnd::Next;
    int index = 0;
    // Abort and the window stay live between lines; events are handled every
    // few milliseconds rather than after every line, which would slow a fast macro.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (int pass = 1; options_.passes == 0 || pass <= options_.passes; ++pass) {
        for (int i = 0; i < lines_.size() && end == LineEnd::Next; ++i) {
            index = i;
            if (hooks_.lineStarted) hooks_.lineStarted(i);
            if (sinceEvents.elapsed() >= 10) {
                QCoreApplication::processEvents();
                sinceEvents.restart();
            }
            end = execute(i, pass);
            if (end == LineEnd::Next && abortRequested_) end = LineEnd::Abort;
        }
        if (end != LineEnd::Next || lines_.isEmpty()) break;
        QCoreApplication::processEvents();
        if (abortRequested_) {
            end = LineEnd::Abort;
            break;
        }
    }
    return finish(end, index);
}

MacroOutcome MacroRun::step(int index) {
    outcome_ = {};
    simulated_ = program_.settings.link.bus == 0;
    running_ = true;
    abortRequested_ = false;
    if (index < 0 || index >= lines_.size()) return finish(LineEnd::Next, index);
    if (hooks_.lineStarted) hooks_.lineStarted(index);
    return finish(execute(index, 1), index);
}

MacroOutcome MacroRun::finish(LineEnd end, int index) {
    running_ = false;
    switch (end) {
    case LineEnd::Next:
        outcome_.result = MacroResult::Completed;
        outcome_.message = QStringLiteral("Execution completed.");
        break;
    case LineEnd::Halt:
        outcome_.result = MacroResult::Halted;
        outcome_.message = QStringLiteral("Execution halted at entry #%1.").arg(index + 1);
        break;
    case LineEnd::Abort:
        outcome_.result = MacroResult::Aborted;
        outcome_.message = QStringLiteral("Execution aborted by user.");
        break;
    case LineEnd::Fail:
        outcome_.result = MacroResult::Failed;
        break;
    }
    status(end == LineEnd::Fail ? QStringLiteral("Execution stopped.") : outcome_.message);
    return outcome_;
}

MacroRun::LineEnd MacroRun::fail(MacroLineRecord& record, const QString& why) {
    record.error = why;
    outcome_.message = why;
    outcome_.lines.push_back(record);
    program_.prompt().showMessage(why, PromptIcon::Exclamation);
    return LineEnd::Fail;
}

bool MacroRun::wait(double seconds) {
    return !WaitUntil([this] { return abortRequested_; }, int(std::lround(seconds * 1000)));
}

QString MacroRun::ask(MacroLineRecord& record, const QString& query, bool& ok) {
    const QString reply = io_.query(query, 3.0);
    record.reply = reply;
    // Nothing is sent in simulation, so nothing need come back.
    ok = simulated_ || !reply.isEmpty();
    return reply;
}

MacroRun::LineEnd MacroRun::execute(int index, int pass) {
    const QString text = lines_[index];
    const MacroLine line = ParseMacroLine(text);
    const int number = index + 1;
    MacroLineRecord record;
    record.pass = pass;
    record.line = number;
    record.text = text;
    record.kind = line.kind;
    const auto noReply = [&](const QString& query) {
        if (!simulated_ && io_.lost())
            return fail(record, entryError(number) + QStringLiteral("\r\nThe connection to the AC "
                                                                    "source was lost."));
        return fail(record, entryError(number) + QStringLiteral("\r\nNo reply from the AC source to ") +
                                query);
    };
    bool sent = false;
    bool ok = true;
    switch (line.kind) {
    case MacroKind::Empty:
    case MacroKind::Comment:
        outcome_.lines.push_back(record);
        return LineEnd::Next;
    case MacroKind::BadDirective:
        return fail(record, entryError(number) + QStringLiteral("\r\n") + text.trimmed());
    case MacroKind::Delay:
        status(QStringLiteral("Executing %1 sec delay...").arg(line.seconds));
        if (!wait(line.seconds)) {
            outcome_.lines.push_back(record);
            return LineEnd::Abort;
        }
        status(QStringLiteral("Execution in progress..."));
        break;
    case MacroKind::StopOnError: {
        const QString error = io_.checkError().trimmed();
        if (!error.isEmpty()) return fail(record, error);
        break;
    }
    case MacroKind::Halt:
        outcome_.lines.push_back(record);
        return LineEnd::Halt;
    case MacroKind::Prompt:
        if (program_.prompt().askTitled(QStringLiteral("Operator Prompt #") + QString::number(number),
                                        line.argument, PromptButtons::OkCancel, 1,
                                        PromptIcon::Information) != PromptAnswer::Ok) {
            outcome_.lines.push_back(record);
            return LineEnd::Abort;
        }
        break;
    case MacroKind::Save: {
        const QString reply = ask(record, line.argument, ok);
        sent = true;
        if (!ok) return noReply(line.argument);
        const QString base = folder_.isEmpty() ? program_.paths.userDir : folder_;
        // A shipped folder stays as shipped: the reply goes to the per-user copy.
        const QString path = SaveTargetPath(program_.paths, QDir(base).absoluteFilePath(line.second));
        QDir().mkpath(QFileInfo(path).absolutePath());
        // One whole, flushed line per reply, as the measurement log writes them.
        LogFile file;
        QString error;
        if (!file.open(path, true, error)) return fail(record, error);
        if (!file.writeLine(reply))
            return fail(record, path + QStringLiteral(": the reply cannot be written."));
        break;
    }
    case MacroKind::Input: {
        const std::optional<QString> value =
            program_.prompt().inputText(QStringLiteral("Parameter Input"), line.argument);
        if (!value || value->trimmed().isEmpty()) {
            outcome_.lines.push_back(record);
            return LineEnd::Abort;
        }
        io_.send(line.second + u' ' + value->trimmed());
        sent = true;
        break;
    }
    case MacroKind::Read:
        stored_ = ask(record, line.argument, ok);
        sent = true;
        if (!ok) return noReply(line.argument);
        break;
    case MacroKind::Write:
        io_.send(line.argument + stored_);
        sent = true;
        break;
    case MacroKind::Query: {
        const QString reply = ask(record, text.trimmed(), ok);
        sent = true;
        if (!ok) return noReply(text.trimmed());
        if (hooks_.reply) hooks_.reply(reply);
        break;
    }
    case MacroKind::Command:
        io_.send(text.trimmed());
        sent = true;
        break;
    }
    if (!simulated_ && io_.lost())
        return fail(record, entryError(number) + QStringLiteral("\r\nThe connection to the AC source "
                                                                "was lost."));
    if ((line.kind == MacroKind::Query || line.kind == MacroKind::Command) && MacroLineSettles(text)) {
        status(QStringLiteral("Executing %1 sec delay...").arg(kMacroSettleSeconds));
        if (!wait(kMacroSettleSeconds)) {
            outcome_.lines.push_back(record);
            return LineEnd::Abort;
        }
        status(QStringLiteral("Execution in progress..."));
    }
    if (sent && options_.errorCheck) {
        const QString error = io_.checkError().trimmed();
        if (!error.isEmpty()) return fail(record, entryError(number) + QStringLiteral("\r\n") + error);
    }
    outcome_.lines.push_back(record);
    return LineEnd::Next;
}

} // namespace ostrel
