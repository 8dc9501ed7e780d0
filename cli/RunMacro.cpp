#include "cli/RunMacro.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "automation/MacroFile.h"
#include "automation/MacroRun.h"
#include "cli/Commands.h"
#include "cli/RunSequence.h"
#include "measure/ProgramIo.h"

#include <QFileInfo>
#include <QJsonArray>

#include <cmath>

namespace ostrel {

namespace {

struct Options {
    QString file;
    MacroOptions run;
    double timeoutS = 0;
};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-macro"), why);
}

QString parse(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (!a.startsWith(QLatin1String("--"))) {
            if (!o.file.isEmpty()) return QStringLiteral("one file only (\"%1\" too)").arg(a);
            o.file = a;
        } else if (a == QLatin1String("--passes")) {
            bool ok = false;
            const int n = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || n < 1 || n > 1000000) return QStringLiteral("--passes is a whole number from 1 to 1000000");
            o.run.passes = n;
        } else if (a == QLatin1String("--error-check")) {
            o.run.errorCheck = true;
        } else if (a == QLatin1String("--input")) {
            if (!hasValue) return QStringLiteral("--input needs a VALUE");
            ++i; // main hands the values to the prompt
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            o.timeoutS = hasValue ? args[++i].toDouble(&ok) : 0;
            if (!ok || !std::isfinite(o.timeoutS) || o.timeoutS <= 0)
                return QStringLiteral("--timeout is a positive number of seconds");
        } else if (a == QLatin1String("--yes")) {
            // The prompt answers "PROMPT(" OK; main set it up.
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty()) return QStringLiteral("which file?");
    return {};
}

QJsonValue optionalText(const std::optional<QString>& text) {
    if (!text) return QJsonValue();
    QString t = *text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

} // namespace

Outcome RunMacroCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);
    const MacroRead read = ReadMacroFile(o.file);
    if (!read.lines) return Outcome::failed(ExitRefused, read.error);

    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted)
        return opened;

    ProgramIo io(program);
    MacroRun run(program, io, *read.lines, QFileInfo(o.file).absolutePath(), o.run);
    MacroOutcome outcome;
    {
        const RunStopWatch watch(o.timeoutS, [&run] { run.abort(); });
        outcome = run.run();
    }
    QJsonArray lines;
    for (const MacroLineRecord& r : outcome.lines)
        lines.append(QJsonObject{{QStringLiteral("pass"), r.pass},
                                 {QStringLiteral("line"), r.line},
                                 {QStringLiteral("text"), r.text},
                                 {QStringLiteral("kind"), MacroKindName(r.kind)},
                                 {QStringLiteral("reply"), optionalText(r.reply)},
                                 {QStringLiteral("error"), optionalText(r.error)}});
    static const char* const kOutcome[] = {"completed", "halted", "aborted", "failed"};
    QString message = outcome.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    const QJsonObject fields{{QStringLiteral("file"), o.file},
                             {QStringLiteral("simulation"), program.settings.link.bus == BusSimulation},
                             {QStringLiteral("outcome"), QString::fromLatin1(kOutcome[int(outcome.result)])},
                             {QStringLiteral("message"), message},
                             {QStringLiteral("lines"), lines}};
    switch (outcome.result) {
    case MacroResult::Completed:
    case MacroResult::Halted:
        return {ExitCompleted, fields, {}};
    case MacroResult::Aborted:
        return {ExitAborted, fields, outcome.message};
    case MacroResult::Failed:
        break;
    }
    return {ExitFailedSent, fields, outcome.message};
}

} // namespace ostrel
