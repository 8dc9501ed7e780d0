#include "cli/RunIec.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "cli/StdinTerminal.h"
#include "iec/IecPlan.h"
#include "iec/IecRun.h"
#include "iec/IecRunReport.h"
#include "iec/IecTrendGraph.h"
#include "iec/IecTestFile.h"
#include "link/Readback.h"
#include "reports/DocxPackage.h"
#include "reports/IecReport.h"
#include "reports/ReportTemplates.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QTextStream>

#include <cmath>
#include <optional>

namespace ostrel {

namespace {

const QString kInrushQuestion = QStringLiteral("The source can not handle the peak inrush");

struct Options {
    QString file;
    int klass = 0;
    std::optional<double> frequency, voltage;
    IecTable table = IecTable::Dips;
    QString report, pdf, text, templ;
    std::optional<bool> verdict;
    QString eutCheck;
    QList<std::pair<QString, QString>> user;
    double timeScale = 1;
    double timeoutS = 0;
    bool dryRun = false;
};

const QStringList kUserKeys{QStringLiteral("TestedBy"),    QStringLiteral("Test_Location"),
                            QStringLiteral("EUT"),         QStringLiteral("Comment"),
                            QStringLiteral("Temperature"), QStringLiteral("Humidity"),
                            QStringLiteral("Pressure"),    QStringLiteral("Observations")};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-iec"), why);
}

std::optional<double> positive(const QString& text) {
    bool ok = false;
    const double x = text.toDouble(&ok);
    return ok && std::isfinite(x) && x > 0 ? std::optional<double>(x) : std::nullopt;
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
            if (!o.file.isEmpty()) return QStringLiteral("one test file only (\"%1\" too)").arg(a);
            o.file = a;
        } else if (a == QLatin1String("--class")) {
            if (!value() || (v != QLatin1String("2") && v != QLatin1String("3")))
                return QStringLiteral("--class is 2 or 3");
            o.klass = v.toInt();
        } else if (a == QLatin1String("--frequency") || a == QLatin1String("--voltage")) {
            std::optional<double> x = value() ? positive(v) : std::nullopt;
            if (!x) return a + QStringLiteral(" is a positive number");
            (a == QLatin1String("--frequency") ? o.frequency : o.voltage) = x;
        } else if (a == QLatin1String("--table")) {
            if (!value() || (v != QLatin1String("dips") && v != QLatin1String("variations")))
                return QStringLiteral("--table is dips or variations");
            o.table = v == QLatin1String("dips") ? IecTable::Dips : IecTable::Variations;
        } else if (a == QLatin1String("--report") || a == QLatin1String("--pdf") ||
                   a == QLatin1String("--text") || a == QLatin1String("--template") ||
                   a == QLatin1String("--eut-check")) {
            if (!value() || v.isEmpty()) return a + QStringLiteral(" needs a value");
            (a == QLatin1String("--report")     ? o.report
             : a == QLatin1String("--pdf")      ? o.pdf
             : a == QLatin1String("--text")     ? o.text
             : a == QLatin1String("--template") ? o.templ
                                                : o.eutCheck) = v;
        } else if (a == QLatin1String("--verdict")) {
            if (!value() || (v != QLatin1String("pass") && v != QLatin1String("fail")))
                return QStringLiteral("--verdict is pass or fail");
            o.verdict = v == QLatin1String("pass");
        } else if (a == QLatin1String("--accept-inrush")) {
            // answered by the prompt, set up by main
        } else if (a == QLatin1String("--user")) {
            if (!value() || !v.contains(QLatin1Char('=')))
                return QStringLiteral("--user is KEY=VALUE");
            const QString key = v.section(QLatin1Char('='), 0, 0).trimmed();
            if (!kUserKeys.contains(key))
                return QStringLiteral("--user keys: ") + kUserKeys.join(QStringLiteral(", "));
            o.user.append({key, v.section(QLatin1Char('='), 1)});
        } else if (a == QLatin1String("--time-scale") || a == QLatin1String("--timeout")) {
            std::optional<double> x = value() ? positive(v) : std::nullopt;
            if (!x) return a + QStringLiteral(" is a positive number");
            (a == QLatin1String("--time-scale") ? o.timeScale : o.timeoutS) = *x;
        } else if (a == QLatin1String("--dry-run")) {
            o.dryRun = true;
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty() == (o.klass == 0)) return QStringLiteral("give a FILE.411 or --class 2|3");
    if (o.verdict && !o.eutCheck.isEmpty())
        return QStringLiteral("give --verdict or --eut-check, not both");
    if (o.klass && o.frequency && *o.frequency != 50 && *o.frequency != 60)
        return QStringLiteral("--class files are for --frequency 50 or 60");
    return {};
}

QJsonValue number(const std::optional<double>& x) {
    return x ? QJsonValue(*x) : QJsonValue();
}

QJsonObject stepJson(const IecStepReport& r, IecTable table) {
    const IecStep& s = r.step;
    QJsonObject o{
        {QStringLiteral("row"), s.row + 1},
        {QStringLiteral("level"), s.level},
        {QStringLiteral("phase"), s.phase},
        {QStringLiteral("repetitions"), s.repetitions},
        {QStringLiteral("done"), r.done},
        {QStringLiteral("dwell"), s.dwell},
        {QStringLiteral("recovery"), s.recovery},
        {QStringLiteral("v_min"), number(r.vMin)},
        {QStringLiteral("i_max"), number(r.iMax)},
        {QStringLiteral("result"), IecStepResultName(r.result)},
        {QStringLiteral("error"), r.error.isEmpty() ? QJsonValue() : QJsonValue(r.error)}};
    if (table == IecTable::Dips) {
        o.insert(QStringLiteral("cycles"), s.cycles);
    } else {
        o.insert(QStringLiteral("td"), s.td);
        o.insert(QStringLiteral("ts"), s.ts);
        o.insert(QStringLiteral("ti"), s.ti);
    }
    return o;
}

std::optional<bool> askTerminal() {
    QTextStream err(stderr);
    QTextStream in(stdin);
    for (;;) {
        err << kIecVerdictQuestion << " [y/n] " << Qt::flush;
        const QString line = in.readLine().trimmed().toLower();
        if (line.isNull()) return std::nullopt;
        if (line == QLatin1String("y") || line == QLatin1String("yes")) return true;
        if (line == QLatin1String("n") || line == QLatin1String("no")) return false;
    }
}

} // namespace

std::function<std::optional<bool>(const QString&)> RunIecAnswers(const QStringList& args) {
    const bool accept = args.contains(QStringLiteral("--accept-inrush"));
    return [accept](const QString& question) -> std::optional<bool> {
        if (question.startsWith(kInrushQuestion)) return accept;
        return std::nullopt;
    };
}

Outcome RunIecCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);
    program.engineClock.timeScale = o.timeScale;
    const int hz = int(o.frequency.value_or(50));
    const QString path =
        o.klass
            ? program.paths.shippedFile(
                  QStringLiteral("Seq_Test/IEC61000-4-11_Class%1_%2Hz.411").arg(o.klass).arg(hz))
            : o.file;
    QJsonObject out{{QStringLiteral("file"), path},
                    {QStringLiteral("class"), o.klass ? QJsonValue(o.klass) : QJsonValue()},
                    {QStringLiteral("table"), o.table == IecTable::Dips
                                                  ? QStringLiteral("dips")
                                                  : QStringLiteral("variations")},
                    {QStringLiteral("time_scale"), o.timeScale},
                    {QStringLiteral("inrush"), QJsonValue()},
                    {QStringLiteral("verdict"), QJsonValue()},
                    {QStringLiteral("result"), QStringLiteral("NONE")},
                    {QStringLiteral("reports"), QJsonArray()},
                    {QStringLiteral("steps"), QJsonArray()}};
    QJsonArray warnings;
    const auto finish = [&](ExitStatus status, const QString& error = {}) {
        out.insert(QStringLiteral("warnings"), warnings);
        out.insert(QStringLiteral("exit"), int(status));
        return Outcome{status, out, error};
    };
    // A template that cannot make the report refuses the run before anything is sent.
    QString templ = o.templ;
    if (!o.report.isEmpty() || !o.pdf.isEmpty()) {
        if (templ.isEmpty())
            templ = FindReportTemplate(program.paths, IecTemplateName(kIecReportTitle));
        if (templ.isEmpty())
            return finish(ExitRefused, QStringLiteral("No report template %1 was found.")
                                           .arg(IecTemplateName(kIecReportTitle)));
        DocxPackage package;
        QString error;
        if (!ReadDocxPackage(templ, QFileInfo(templ).fileName(), package, error))
            return finish(ExitRefused, error);
    } else if (!templ.isEmpty() && !QFileInfo(templ).isReadable()) {
        return finish(ExitRefused, QStringLiteral("The template %1 cannot be read.").arg(templ));
    }

    // A dry run opens no transport: nothing at all goes to the source.
    if (o.dryRun) program.settings.link.bus = BusSimulation;
    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted)
        return finish(opened.status, opened.error);
    const bool connected = program.settings.link.bus != BusSimulation;
    if (connected)
        if (const QueryFailure failure = ReadBackState(program, index))
            return finish(ExitFailedSent, failure.error);

    IecTestFile file;
    const SourceModel& m = program.sourceModel;
    const OutputState& state = program.outputState;
    const IecLoad loaded = LoadIecTestFile(
        path, file, {m.FreqMin, m.FreqMax, state.Phase[0].Voltage, state.Frequency});
    if (!loaded.ok) return finish(ExitRefused, loaded.error);
    for (const QString& note : loaded.notes)
        warnings.append(note);
    if (file.nominalUnreadable) warnings.append(IecNominalWarning());
    if (o.voltage) file.voltage = *o.voltage;
    if (o.frequency && !o.klass) file.frequency = *o.frequency;
    for (const auto& [key, value] : o.user) {
        if (key == QLatin1String("TestedBy")) file.user.testedBy = value;
        if (key == QLatin1String("Test_Location")) file.user.location = value;
        if (key == QLatin1String("EUT")) file.user.eut = value;
        if (key == QLatin1String("Comment")) file.user.comment = value;
    }
    out.insert(QStringLiteral("nominal"),
               QJsonObject{{QStringLiteral("voltage"), file.voltage},
                           {QStringLiteral("frequency"), file.frequency}});
    IecPlanOptions options;
    options.table = o.table;
    options.threePhase = state.MultiPhaseOutput == 1;
    options.advanced = m.SeriesFamily() == 1;
    const IecPlan plan = PlanIecTest(file, options);
    if (o.dryRun || !connected) {
        QJsonArray steps;
        for (const IecStep& s : plan.steps) {
            IecStepReport r;
            r.step = s;
            QJsonObject j = stepJson(r, o.table);
            j.insert(QStringLiteral("lines"), QJsonArray::fromStringList(s.program + s.start));
            steps.append(j);
        }
        out.insert(QStringLiteral("steps"), steps);
        out.insert(QStringLiteral("plan"),
                   QJsonObject{{QStringLiteral("init"),
                                QJsonArray::fromStringList(plan.init + plan.closeRelay)},
                               {QStringLiteral("end"), QJsonArray::fromStringList(plan.end)},
                               {QStringLiteral("seconds"), plan.seconds},
                               {QStringLiteral("test_time"), IecTestTimeText(plan.seconds)}});
        return finish(ExitNoVerdict);
    }

    IecRunCallbacks callbacks;
    callbacks.verdict = [&]() -> std::optional<bool> {
        if (o.verdict) return o.verdict;
        if (!o.eutCheck.isEmpty()) {
#ifdef _WIN32
            const int code =
                QProcess::execute(QStringLiteral("cmd"), {QStringLiteral("/c"), o.eutCheck});
#else
            const int code =
                QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), o.eutCheck});
#endif
            return code == 0;
        }
        if (StdinIsTerminal()) return askTerminal();
        return std::nullopt;
    };
    IecRun run(program, callbacks);
    std::optional<RunStopWatch> watch;
    watch.emplace(o.timeoutS, [&run] { run.requestAbort(); });
    const IecRunOutcome result = run.run(file, options);
    watch.reset();

    for (const QString& w : result.warnings)
        warnings.append(w);
    QJsonArray steps;
    for (const IecStepReport& r : result.steps)
        steps.append(stepJson(r, o.table));
    out.insert(QStringLiteral("steps"), steps);
    out.insert(QStringLiteral("started"), result.started.toString(Qt::ISODate));
    out.insert(QStringLiteral("ended"), result.ended.toString(Qt::ISODate));
    out.insert(QStringLiteral("result"), result.result);
    out.insert(QStringLiteral("verdict"),
               result.result == QLatin1String("PASS") || result.result == QLatin1String("FAIL")
                   ? QJsonValue(result.result)
                   : QJsonValue());
    if (result.inrushTested) {
        QJsonArray attempts;
        for (const IecInrushAttempt& a : result.attempts)
            attempts.append(QJsonObject{{QStringLiteral("angle"), a.angle},
                                        {QStringLiteral("peak"), number(a.peak)}});
        out.insert(QStringLiteral("inrush"),
                   QJsonObject{{QStringLiteral("attempts"), attempts},
                               {QStringLiteral("limit"), result.inrushLimit},
                               {QStringLiteral("text"), result.inrushText}});
    }
    if (!result.reason.isEmpty()) out.insert(QStringLiteral("reason"), result.reason);

    // Reports only where asked; a report that was not written fails the run.
    bool reportsWritten = true;
    QString reportError;
    if (result.end != IecRunEnd::NotStarted) {
        IecReportInput input = IecRunReportInput(program, file, path, o.table, result);
        for (const auto& [key, value] : o.user)
            SetIecUserField(input.record, key, value);
        QJsonArray reports;
        const auto failed = [&](const QString& error) {
            reportsWritten = false;
            if (reportError.isEmpty()) reportError = error;
            program.prompt().showMessage(error, PromptIcon::Exclamation);
        };
        if (!o.text.isEmpty()) {
            QString error;
            if (WriteIecTextReport(o.text, input, error))
                reports.append(o.text);
            else
                failed(error);
        }
        if (!o.report.isEmpty() || !o.pdf.isEmpty()) {
            const auto strip = [](const QString& p, const QString& ext) {
                return p.endsWith(ext, Qt::CaseInsensitive) ? p.left(p.size() - ext.size()) : p;
            };
            const QString base = !o.report.isEmpty() ? strip(o.report, QStringLiteral(".docx"))
                                                     : strip(o.pdf, QStringLiteral(".pdf"));
            // The same trend picture the window's report carries.
            input.trendPng = IecTrendPng(result);
            DocumentReportOutcome written;
            QString error;
            if (!WriteIecDocumentReport(input, templ, base, written, error)) {
                failed(error);
            } else {
                if (!written.missingBookmarks.isEmpty())
                    warnings.append(MissingBookmarksMessage(templ, written.missingBookmarks));
                reports.append(written.docxPath);
                QString pdf = written.pdfPath;
                // A PDF asked for elsewhere than beside the document is moved there.
                if (!o.pdf.isEmpty() && !o.report.isEmpty() && QFileInfo(o.pdf) != QFileInfo(pdf)) {
                    QFile::remove(o.pdf);
                    if (QFile::rename(pdf, o.pdf))
                        pdf = o.pdf;
                    else
                        failed(
                            QStringLiteral("The PDF report %1 could not be written.").arg(o.pdf));
                }
                reports.append(pdf);
            }
        }
        out.insert(QStringLiteral("reports"), reports);
    }

    switch (result.end) {
    case IecRunEnd::NotStarted:
        return finish(ExitRefused, result.reason);
    case IecRunEnd::Aborted:
        return finish(ExitAborted, result.reason);
    case IecRunEnd::Failed:
        return finish(ExitFailedSent, result.reason);
    case IecRunEnd::Completed:
        break;
    }
    if (!reportsWritten) return finish(ExitFailedSent, reportError);
    if (result.result == QLatin1String("FAIL")) return finish(ExitFail);
    if (result.result == QLatin1String("PASS")) return finish(ExitCompleted);
    return finish(ExitNoVerdict, result.reason);
}

} // namespace ostrel
