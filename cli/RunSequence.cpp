#include "cli/RunSequence.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "automation/SequenceReport.h"
#include "automation/SequencerRun.h"
#include "cli/Commands.h"
#include "link/Readback.h"
#include "measure/ProgramIo.h"

#include <QFileInfo>
#include <QJsonArray>

#include <cmath>

namespace ostrel {

namespace {

struct Options {
    QString file;
    SequencerOptions run;
    QString report;
    double timeoutS = 0;
};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-sequence"), why);
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
        } else if (a == QLatin1String("--abort-on-fail")) {
            o.run.abortOnFail = true;
        } else if (a == QLatin1String("--auto-range")) {
            o.run.autoRange = true;
        } else if (a == QLatin1String("--output-off")) {
            o.run.outputOff = true;
        } else if (a == QLatin1String("--save-data")) {
            o.run.saveData = true;
        } else if (a == QLatin1String("--fail-only")) {
            o.run.failOnly = true;
        } else if (a == QLatin1String("--report")) {
            if (!hasValue) return QStringLiteral("--report needs a FILE.pdf");
            o.report = args[++i];
            o.run.printReport = true;
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            o.timeoutS = hasValue ? args[++i].toDouble(&ok) : 0;
            if (!ok || !std::isfinite(o.timeoutS) || o.timeoutS <= 0)
                return QStringLiteral("--timeout is a positive number of seconds");
        } else if (a == QLatin1String("--yes")) {
            // The prompt answers the questions; main set it up.
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty()) return QStringLiteral("which file?");
    return {};
}

QString modeName(int mode) {
    return mode == ModeDC ? QStringLiteral("DC") : mode == ModeACDC ? QStringLiteral("ACDC")
                                                                     : QStringLiteral("AC");
}

QJsonValue optional(const std::optional<double>& v) {
    return v ? QJsonValue(*v) : QJsonValue();
}

QJsonObject optionsJson(const SequencerOptions& o) {
    return {{QStringLiteral("passes"), o.passes},
            {QStringLiteral("abort_on_fail"), o.abortOnFail},
            {QStringLiteral("auto_range"), o.autoRange},
            {QStringLiteral("output_off"), o.outputOff},
            {QStringLiteral("save_data"), o.saveData},
            {QStringLiteral("fail_only"), o.failOnly},
            {QStringLiteral("print_report"), o.printReport}};
}

QJsonArray stepsJson(const std::vector<SequencerStepResult>& steps) {
    QJsonArray list;
    for (const SequencerStepResult& s : steps) {
        QJsonObject readings;
        for (int k = 0; k < kSequenceReadings; ++k) {
            const SequencerReading& r = s.readings[size_t(k)];
            readings.insert(SequenceReadingKey(k),
                            QJsonObject{{QStringLiteral("value"), optional(r.value)},
                                        {QStringLiteral("hi"), optional(r.hi)},
                                        {QStringLiteral("lo"), optional(r.lo)},
                                        {QStringLiteral("pass"), r.pass}});
        }
        list.append(QJsonObject{{QStringLiteral("pass"), s.pass},
                                {QStringLiteral("step"), s.step},
                                {QStringLiteral("phase"), QString(QChar(u'A' + s.phase))},
                                {QStringLiteral("status"), s.passed ? QStringLiteral("PASS")
                                                                    : QStringLiteral("FAIL")},
                                {QStringLiteral("freq"), optional(s.freq)},
                                {QStringLiteral("volt"), s.volt},
                                {QStringLiteral("curr"), s.curr},
                                {QStringLiteral("dwell"), s.dwell},
                                {QStringLiteral("readings"), readings}});
    }
    return list;
}

} // namespace

Outcome RunSequenceCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);
    const SequenceRead read = ReadSequenceFile(o.file);
    if (!read.table) return Outcome::failed(ExitRefused, read.error);
    const SequenceUserData user = ReadSequenceUserData(SequenceIniPath(o.file));

    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted)
        return opened;
    if (const QueryFailure failure = ReadBackState(program, index))
        return Outcome::failed(ExitFailedSent, failure.error);

    const OutputState& out = program.outputState;
    QJsonObject fields{{QStringLiteral("file"), o.file},
                       {QStringLiteral("model"), program.sourceModel.ModelName},
                       {QStringLiteral("serial"), program.sourceModel.SerialNumber},
                       {QStringLiteral("mode"), modeName(out.OutputMode)},
                       {QStringLiteral("simulation"), program.settings.link.bus == BusSimulation},
                       {QStringLiteral("options"), optionsJson(o.run)}};

    SequenceReportData report;
    report.model = program.sourceModel.ModelName;
    report.serial = program.sourceModel.SerialNumber;
    report.outputMode = out.OutputMode;
    report.threePhase = out.MultiPhaseOutput == 1;
    report.simulated = program.settings.link.bus == BusSimulation;
    report.user = user;
    report.options = o.run;
    bool reportWritten = false;
    SequencerHooks hooks;
    hooks.printReport = [&](const SequenceTable& table, QString& error) {
        report.table = table;
        report.printedOn = QDateTime::currentDateTime();
        reportWritten = WriteTextPdf(o.report, SequenceReportLines(report), error);
        return reportWritten;
    };
    ProgramIo io(program);
    SequencerRun run(program, io, *read.table, QFileInfo(o.file).absoluteFilePath(), user, o.run,
                     hooks);
    SequencerOutcome outcome;
    {
        const RunStopWatch watch(o.timeoutS, [&run] { run.stop(); });
        outcome = run.run();
    }
    if (outcome.result == SequencerResult::Refused)
        return {ExitRefused, fields, outcome.message};

    static const char* const kOutcome[] = {"refused", "completed", "aborted", "failed"};
    fields.insert(QStringLiteral("outcome"), QString::fromLatin1(kOutcome[int(outcome.result)]));
    fields.insert(QStringLiteral("verdict"), outcome.passed ? QJsonValue(*outcome.passed ? QStringLiteral("PASS")
                                                                                       : QStringLiteral("FAIL"))
                                                            : QJsonValue());
    QString message = outcome.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    fields.insert(QStringLiteral("message"), message);
    fields.insert(QStringLiteral("data_file"),
                  outcome.dataFile.isEmpty() ? QJsonValue() : QJsonValue(outcome.dataFile));
    fields.insert(QStringLiteral("report"), reportWritten ? QJsonValue(o.report) : QJsonValue());
    fields.insert(QStringLiteral("steps"), stepsJson(outcome.steps));

    switch (outcome.result) {
    case SequencerResult::Aborted:
        return {ExitAborted, fields, outcome.message};
    case SequencerResult::Failed:
        return {ExitFailedSent, fields, outcome.message};
    default:
        break;
    }
    if (outcome.dataFileFailed || outcome.reportFailed)
        return {ExitFailedSent, fields,
                outcome.dataFileFailed ? QStringLiteral("The data file was not written.")
                                       : QStringLiteral("The report was not written.")};
    if (outcome.passed == false)
        return {ExitFail, fields, outcome.stoppedOnFail ? outcome.message : QString()};
    return {ExitCompleted, fields, {}};
}

} // namespace ostrel
