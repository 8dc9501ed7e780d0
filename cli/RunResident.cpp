#include "cli/RunResident.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "reports/PlainTextReport.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"
#include "standards/ResidentFiles.h"
#include "standards/ResidentReport.h"
#include "standards/ResidentRun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <cmath>
#include <optional>

namespace ostrel {

namespace {

struct Options {
    QString file;
    std::optional<QList<int>> tests;
    std::optional<bool> vfRepeat;
    std::optional<int> phase;
    QList<std::pair<QString, QString>> fields;
    double timeScale = 1;
    double timeoutS = 0;
    QString reportDir;
};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-resident"), why);
}

QString parse(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        if (!a.startsWith(QLatin1String("--"))) {
            if (!o.file.isEmpty()) return QStringLiteral("one set-up file only (\"%1\" too)").arg(a);
            o.file = a;
        } else if (a == QLatin1String("--tests")) {
            if (!value()) return QStringLiteral("--tests is a list of catalogue indexes, e.g. 0,1,2");
            QList<int> list;
            for (const QString& item : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const int n = item.trimmed().toInt(&ok);
                if (!ok || n < 0) return QStringLiteral("--tests: \"%1\" is not a catalogue index").arg(item);
                list << n;
            }
            if (list.isEmpty()) return QStringLiteral("--tests names no test");
            o.tests = list;
        } else if (a == QLatin1String("--vf-repeat")) {
            if (!value() || (v != QLatin1String("on") && v != QLatin1String("off")))
                return QStringLiteral("--vf-repeat is on or off");
            o.vfRepeat = v == QLatin1String("on");
        } else if (a == QLatin1String("--phase")) {
            const QString p = value() ? v.toUpper() : QString();
            if (p != QLatin1String("A") && p != QLatin1String("B") && p != QLatin1String("C"))
                return QStringLiteral("--phase is A, B or C");
            o.phase = p[0].unicode() - u'A' + 1;
        } else if (a == QLatin1String("--set")) {
            if (!value() || !v.contains(QLatin1Char('='))) return QStringLiteral("--set is FIELD=TEXT");
            const QString name = v.section(QLatin1Char('='), 0, 0).trimmed().toLower();
            if (!UserDataFieldNames().contains(name))
                return QStringLiteral("--set: the fields are %1").arg(UserDataFieldNames().join(QStringLiteral(", ")));
            o.fields.append({name, v.section(QLatin1Char('='), 1)});
        } else if (a == QLatin1String("--time-scale") || a == QLatin1String("--timeout")) {
            bool ok = false;
            const double x = value() ? v.toDouble(&ok) : 0;
            if (!ok || !std::isfinite(x) || x <= 0) return a + QStringLiteral(" is a positive number");
            (a == QLatin1String("--time-scale") ? o.timeScale : o.timeoutS) = x;
        } else if (a == QLatin1String("--report")) {
            if (!value()) return QStringLiteral("--report needs a folder");
            o.reportDir = v;
        } else if (a == QLatin1String("--trace")) {
            // Set up by main.
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty()) return QStringLiteral("give a .704 or .160 set-up file");
    return {};
}

QJsonValue textOrNull(const QString& s) {
    return s.isEmpty() ? QJsonValue() : QJsonValue(s);
}

QString phaseLetters(const QList<int>& phases) {
    QString s;
    for (int p : phases)
        s += QChar(u'A' + p - 1);
    return s;
}

QJsonObject recordJson(const TestReportRecord& record) {
    QJsonObject fields;
    for (int f = 1; f < kReportFieldCount; ++f)
        if (!record.field[size_t(f)].isEmpty()) fields.insert(QString::number(f), record.field[size_t(f)]);
    return {{QStringLiteral("fields"), fields}};
}

// The first free "<prefix><n>.txt" in the folder.
QString reportPath(const QString& dir, const ResidentOption& option, const ResidentSetup& setup) {
    for (int n = 1;; ++n) {
        const QString path = QDir(dir).filePath(ResidentReportName(option, setup, n) + QStringLiteral(".txt"));
        if (!QFileInfo::exists(path)) return path;
    }
}

} // namespace

Outcome RunResidentCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);
    program.engineClock.timeScale = o.timeScale;

    QJsonObject out;
    for (const char* key : {"window", "option", "standard", "revision", "group", "frequency", "phases", "reason",
                            "result", "started", "ended", "plannedSeconds", "elapsedSeconds", "tests",
                            "measurementLog", "report", "record"})
        out.insert(QLatin1String(key), QJsonValue());
    out.insert(QStringLiteral("file"), o.file);
    out.insert(QStringLiteral("outcome"), RunOutcomeName(RunOutcome::NotStarted));
    const auto notStarted = [&](ExitStatus status, const QString& why) {
        out.insert(QStringLiteral("reason"), why);
        return Outcome{status, out, why};
    };

    QString error;
    const ResidentOption* found = ResidentOptionOfFile(o.file, error);
    if (!found) return notStarted(ExitRefused, error);
    const ResidentOption& option = *found;
    out.insert(QStringLiteral("window"), option.window);
    out.insert(QStringLiteral("option"), option.optionText);
    std::optional<ResidentSetup> read = ReadResidentFile(option, o.file, error);
    if (!read) return notStarted(ExitRefused, error);
    ResidentSetup setup = *read;
    if (o.tests) {
        setup.selected.assign(setup.selected.size(), false);
        for (int i : *o.tests) {
            if (i >= int(setup.selected.size()))
                return usage(QStringLiteral("--tests: %1 is not an index of the %2 catalogue (0 to %3)")
                                 .arg(i).arg(option.window).arg(setup.selected.size() - 1));
            setup.selected[size_t(i)] = true;
        }
    }
    if (o.vfRepeat) setup.vfRepeat = *o.vfRepeat;
    if (o.phase) setup.phase = *o.phase;
    out.insert(QStringLiteral("standard"), setup.standard);
    out.insert(QStringLiteral("revision"), setup.revision);
    out.insert(QStringLiteral("group"), setup.group);
    out.insert(QStringLiteral("frequency"), ResidentRun::NominalFrequency(option, setup));

    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted) {
        opened.fields = out;
        opened.fields.insert(QStringLiteral("reason"), opened.error);
        return opened;
    }
    const bool connected = program.settings.link.bus != BusSimulation;
    if (!connected) SimulationSetup(program);
    if (connected)
        if (const QueryFailure failure = ReadBackState(program, index)) {
            out.insert(QStringLiteral("outcome"), RunOutcomeName(RunOutcome::Failed));
            out.insert(QStringLiteral("reason"), failure.error);
            return {ExitFailedSent, out, failure.error};
        }
    if (!ResidentOptionInstalled(option, program.sourceModel))
        return notStarted(ExitRefused, QStringLiteral("The source has no %1 option (%2).").arg(option.optionName, option.optionText));
    if (const QString refusal = ResidentOpeningRefusal(option, program.outputState); !refusal.isEmpty())
        return notStarted(ExitRefused, refusal);

    const int g = option.groupIndex(setup.group);
    const std::vector<int> durations =
        ReadResidentDurations(option, option.groups[size_t(g)], ResidentDurationsPath(program.paths));
    const QString logPath = program.paths.userFile(QStringLiteral("Reports/MS704_Meas_Log.txt"));
    QDir().mkpath(QFileInfo(logPath).absolutePath());

    ResidentRun run(program, option);
    std::optional<RunStopWatch> watch;
    watch.emplace(o.timeoutS, [&run] { run.requestAbort(); });
    const ResidentOutcome result = run.run(setup, durations, logPath);
    watch.reset();

    const OutputState& state = program.outputState;
    const QString coupling = ResidentRun::CouplingLine(option, setup, program.sourceModel.MultiPhase == 1 ? 3 : 1,
                                                       state.MultiPhaseOutput == 1);
    QList<int> phases;
    if (coupling == QLatin1String("inst:coup all"))
        phases = {1, 2, 3};
    else
        phases = {coupling.right(1).toInt()};
    out.insert(QStringLiteral("phases"), phaseLetters(phases));
    QJsonArray tests;
    for (const ResidentTestReport& t : result.tests) {
        QJsonArray freqs;
        for (double f : t.frequencies)
            freqs.append(f);
        tests.append(QJsonObject{{QStringLiteral("index"), t.index},
                                 {QStringLiteral("entry"), t.entry},
                                 {QStringLiteral("command"), t.command},
                                 {QStringLiteral("frequency"), t.frequencies.isEmpty() ? QJsonValue(ResidentRun::NominalFrequency(option, setup)) : QJsonValue(freqs)},
                                 {QStringLiteral("status"), ResidentTestStatusName(t.status)},
                                 {QStringLiteral("error"), textOrNull(t.error)},
                                 {QStringLiteral("seconds"), t.seconds}});
    }
    out.insert(QStringLiteral("tests"), tests);
    out.insert(QStringLiteral("outcome"), RunOutcomeName(result.outcome));
    out.insert(QStringLiteral("reason"), textOrNull(result.reason));
    out.insert(QStringLiteral("result"), textOrNull(result.result));
    out.insert(QStringLiteral("started"), result.started.toString(Qt::ISODate));
    out.insert(QStringLiteral("ended"), result.ended.isValid() ? QJsonValue(result.ended.toString(Qt::ISODate)) : QJsonValue());
    out.insert(QStringLiteral("plannedSeconds"), result.plannedSeconds);
    out.insert(QStringLiteral("elapsedSeconds"), result.elapsedSeconds);
    out.insert(QStringLiteral("measurementLog"), result.logWritten ? QJsonValue(logPath) : QJsonValue());

    if (result.outcome != RunOutcome::NotStarted) {
        TestReportRecord record = ResidentReportRecord(option, setup, result, QStringLiteral("Ostrel ") + QStringLiteral(OSTREL_VERSION), o.file);
        for (const auto& [name, text] : o.fields)
            SetUserDataField(record, name, text);
        out.insert(QStringLiteral("record"), recordJson(record));
        if (!o.reportDir.isEmpty()) {
            QDir().mkpath(o.reportDir);
            QStringList files;
            if (program.settings.report.reportFormat == ReportDocument) {
                // The option's template, named automatically by its prefix in the folder.
                const ResidentReportSource source{QStringLiteral(OSTREL_VERSION), program.sourceModel.ModelName,
                                                  program.sourceModel.SerialNumber, QDateTime::currentDateTime()};
                const DocumentReportJob job = ResidentReportJob(option, setup, record, source);
                const QString templatePath = FindReportTemplate(program.paths, job.templateName);
                DocumentReportOutcome written;
                if (templatePath.isEmpty())
                    error = MissingTemplateMessage(program.paths, job.templateName);
                else if (WriteAutomaticDocumentReport(templatePath, job, o.reportDir, written, error))
                    files << written.docxPath << written.pdfPath;
            } else {
                const QString path = reportPath(o.reportDir, option, setup);
                if (WritePlainTextReport(path, record, QDateTime::currentDateTime(), QStringLiteral(OSTREL_VERSION), error))
                    files << path;
            }
            if (files.isEmpty()) program.prompt().showMessage(error, PromptIcon::Exclamation);
            out.insert(QStringLiteral("report"), QJsonArray::fromStringList(files));
        }
    }

    switch (result.outcome) {
    case RunOutcome::NotStarted:
        return {ExitRefused, out, result.reason};
    case RunOutcome::Aborted:
        return {ExitAborted, out, result.reason};
    case RunOutcome::Failed:
        return {ExitFailedSent, out, result.reason};
    case RunOutcome::Completed:
        break;
    }
    return {ExitCompleted, out, {}};
}

} // namespace ostrel
