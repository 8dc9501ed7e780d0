#include "cli/RunTransient.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "cli/RunPointLists.h"
#include "cli/TransientCommon.h"
#include "transients/StepTableRun.h"
#include "transients/TransientListFile.h"

#include <QFileInfo>
#include <QJsonArray>

#include <cmath>
#include <optional>

namespace ostrel {

namespace {

struct Options {
    QString file;
    QString format; // "tls" or "trl"
    std::optional<std::array<bool, 3>> phases;
    std::optional<int> count;
    bool continuous = false;
    std::optional<TriggerSource> trigger;
    std::optional<bool> once;
    std::optional<QString> vnom;
    std::optional<QString> fnom;
    bool steady = false;
    std::optional<int> triggerStep;
    bool acquire = false;
    double timeoutS = 0;
    bool dryRun = false;
    // Point list files only.
    std::optional<bool> freqList;
    std::optional<std::optional<double>> startAngle; // none inside: random
    bool retrigger = false;
};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-transient"), why);
}

bool positive(const QString& text, double& out) {
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out) && out > 0;
}

// The command's own options; "" when they are well formed.
QString parse(const QStringList& args, Options& o) {
    QStringList stepOnly, pointOnly; // options of one format
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const auto value = [&](QString& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (!a.startsWith(QLatin1String("--"))) {
            if (!o.file.isEmpty()) return QStringLiteral("one file only (\"%1\" too)").arg(a);
            o.file = a;
        } else if (a == QLatin1String("--format")) {
            if (!value(v) || (v != QLatin1String("tls") && v != QLatin1String("trl")))
                return QStringLiteral("--format is tls or trl");
            o.format = v;
        } else if (a == QLatin1String("--phases")) {
            if (!value(v)) return QStringLiteral("--phases needs A,B,C or none");
            std::array<bool, 3> p{};
            if (v.compare(QLatin1String("none"), Qt::CaseInsensitive) != 0)
                for (const QString& letter : v.split(QLatin1Char(','))) {
                    const QString l = letter.trimmed().toUpper();
                    if (l.size() != 1 || l[0] < QLatin1Char('A') || l[0] > QLatin1Char('C'))
                        return QStringLiteral("--phases is a list of A, B and C, or none");
                    p[size_t(l[0].unicode() - 'A')] = true;
                }
            o.phases = p;
        } else if (a == QLatin1String("--count")) {
            bool ok = false;
            const int n = value(v) ? v.toInt(&ok) : 0;
            if (!ok || n < 1 || n > 65535) return QStringLiteral("--count is a whole number from 1 to 65535");
            o.count = n;
        } else if (a == QLatin1String("--continuous")) {
            o.continuous = true;
            stepOnly << a;
        } else if (a == QLatin1String("--trigger")) {
            if (!value(v)) return QStringLiteral("--trigger is imm, bus or ext");
            if (v == QLatin1String("imm")) o.trigger = TriggerSource::Immediate;
            else if (v == QLatin1String("bus")) o.trigger = TriggerSource::Bus;
            else if (v == QLatin1String("ext")) o.trigger = TriggerSource::External;
            else return QStringLiteral("--trigger is imm, bus or ext");
        } else if (a == QLatin1String("--pacing")) {
            if (!value(v) || (v != QLatin1String("auto") && v != QLatin1String("once")))
                return QStringLiteral("--pacing is auto or once");
            o.once = v == QLatin1String("once");
        } else if (a == QLatin1String("--vnom") || a == QLatin1String("--fnom")) {
            double x = 0;
            if (!value(v) || !positive(v, x)) return a + QStringLiteral(" is a positive number");
            (a == QLatin1String("--vnom") ? o.vnom : o.fnom) = v;
            stepOnly << a;
        } else if (a == QLatin1String("--steady")) {
            o.steady = true;
            stepOnly << a;
        } else if (a == QLatin1String("--trigger-step")) {
            bool ok = false;
            const int n = value(v) ? v.toInt(&ok) : 0;
            if (!ok || n < 1 || n > kMaxStepRows)
                return QStringLiteral("--trigger-step is a row number from 1 to %1").arg(kMaxStepRows);
            o.triggerStep = n;
            stepOnly << a;
        } else if (a == QLatin1String("--acquire")) {
            o.acquire = true;
            stepOnly << a;
        } else if (a == QLatin1String("--timeout")) {
            if (!value(v) || !positive(v, o.timeoutS)) return QStringLiteral("--timeout is a positive number of seconds");
        } else if (a == QLatin1String("--dry-run")) {
            o.dryRun = true;
        } else if (a == QLatin1String("--yes")) {
            // The prompt answers the questions; main set it up.
        } else if (a == QLatin1String("--freq-list")) {
            if (!value(v) || (v != QLatin1String("on") && v != QLatin1String("off")))
                return QStringLiteral("--freq-list is on or off");
            o.freqList = v == QLatin1String("on");
            pointOnly << a;
        } else if (a == QLatin1String("--start-angle")) {
            if (!value(v)) return QStringLiteral("--start-angle is DEG or random");
            bool ok = false;
            const double deg = v.toDouble(&ok);
            if (v == QLatin1String("random"))
                o.startAngle = std::optional<double>();
            else if (ok && deg >= 0 && deg <= 360)
                o.startAngle = std::optional<double>(deg);
            else
                return QStringLiteral("--start-angle is an angle from 0 to 360 or random");
            pointOnly << a;
        } else if (a == QLatin1String("--retrigger")) {
            o.retrigger = true;
            pointOnly << a;
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty()) return QStringLiteral("which file?");
    if (o.count && o.continuous) return QStringLiteral("--count and --continuous exclude each other");
    if (o.format.isEmpty()) {
        const QString suffix = QFileInfo(o.file).suffix().toLower();
        if (suffix == QLatin1String("tls") || suffix == QLatin1String("dtl"))
            o.format = QStringLiteral("tls");
        else if (suffix == QLatin1String("trl"))
            o.format = QStringLiteral("trl");
        else
            return QStringLiteral("the format of %1 is not known by its extension; give --format").arg(o.file);
    }
    if (o.format == QLatin1String("tls") && !pointOnly.isEmpty())
        return QStringLiteral("%1 is an option of point list (.trl) files").arg(pointOnly.first());
    if (o.format == QLatin1String("trl") && !stepOnly.isEmpty())
        return QStringLiteral("%1 is an option of step table (.tls) files").arg(stepOnly.first());
    return {};
}

QString triggerName(TriggerSource t) {
    return t == TriggerSource::Bus ? QStringLiteral("bus")
           : t == TriggerSource::External ? QStringLiteral("ext")
                                          : QStringLiteral("imm");
}

} // namespace

Outcome ConnectForTransient(Program& program) {
    if (program.settings.link.bus == 0)
        return Outcome::failed(ExitRefused,
                               QStringLiteral("A transient runs on a connected source: give the "
                                              "bus options (the simulation runs none)."));
    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted)
        return opened;
    if (const QueryFailure failure = ReadBackState(program, index))
        return Outcome::failed(ExitFailedSent, failure.error);
    return Outcome::completed();
}

Outcome RunTransientCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);

    if (o.format == QLatin1String("trl")) {
        PointListFileRun run;
        run.file = o.file;
        run.phases = o.phases;
        run.count = o.count;
        if (o.trigger) run.trigger = triggerName(*o.trigger);
        run.once = o.once;
        run.freqList = o.freqList;
        run.startAngle = o.startAngle;
        run.retrigger = o.retrigger;
        run.timeoutS = o.timeoutS;
        run.dryRun = o.dryRun;
        run.stopRequested = [] { return TakeStopSignal(); };
        return RunPointListFile(program, run);
    }

    const TransientListRead read = ReadTransientList(o.file);
    if (!read.table) return Outcome::failed(ExitRefused, read.error);
    StepTable table = *read.table;
    if (o.phases) table.phases = *o.phases;
    if (o.count) {
        table.runCount = *o.count;
        table.continuous = false;
    }
    if (o.continuous) table.continuous = true;
    if (o.trigger) table.triggerSource = *o.trigger;
    if (o.once) table.autoPacing = !*o.once;
    if (o.vnom) table.vnomText = *o.vnom;
    if (o.fnom) table.fnomText = *o.fnom;
    if (o.steady) table.useSteadyState = true;
    if (o.triggerStep) table.triggerStep = *o.triggerStep;
    if (o.acquire) table.monitor = true;

    if (Outcome ready = ConnectForTransient(program); ready.status != ExitCompleted) return ready;

    QJsonObject fields{
        {QStringLiteral("file"), o.file},
        {QStringLiteral("format"), o.format},
        {QStringLiteral("model"), program.sourceModel.ModelName},
        {QStringLiteral("mode"), TransientModeName(program.outputState.OutputMode)},
        {QStringLiteral("trigger"), triggerName(table.triggerSource)},
        {QStringLiteral("pacing"), table.autoPacing ? QStringLiteral("auto") : QStringLiteral("once")},
        {QStringLiteral("passes_requested"),
         table.continuous ? QJsonValue() : QJsonValue(std::max(1, table.runCount))},
    };
    QJsonArray phases;
    for (int p = 0; p < 3; ++p)
        if (table.phases[size_t(p)]) phases.append(QString(QChar(u'A' + p)));
    fields.insert(QStringLiteral("phases"), phases);

    StepTableRun run(program, table);
    const auto describe = [&](const StepTableRunOutcome& r) {
        fields.insert(QStringLiteral("segments"), r.segments);
        QJsonArray points;
        for (int n : r.points)
            points.append(n);
        fields.insert(QStringLiteral("points"), points);
        fields.insert(QStringLiteral("nominal_s"), r.nominalS);
    };

    if (o.dryRun) {
        std::vector<QStringList> lines;
        const StepTableRunOutcome checked = run.check(lines);
        describe(checked);
        if (checked.refused) return {ExitRefused, fields, checked.refusal};
        QJsonArray segments;
        for (const QStringList& segment : lines)
            segments.append(QJsonArray::fromStringList(segment));
        fields.insert(QStringLiteral("lines"), segments);
        fields.insert(QStringLiteral("outcome"), QStringLiteral("checked"));
        return {ExitCompleted, fields, {}};
    }

    // SIGINT, SIGTERM and the time-out act as Stop.
    std::optional<RunStopWatch> watch;
    watch.emplace(o.timeoutS, [&run] { run.stop(); });
    const StepTableRunOutcome outcome = run.run();
    watch.reset();

    describe(outcome);
    const ListRunOutcome& r = outcome.run;
    fields.insert(QStringLiteral("passes_completed"), r.passesCompleted);
    fields.insert(QStringLiteral("points_sent"), r.pointsSent);
    fields.insert(QStringLiteral("duration_s"), r.durationS);
    fields.insert(QStringLiteral("outcome"), outcome.refused ? QStringLiteral("failed") : TransientResultName(r.result));
    QString message = r.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    fields.insert(QStringLiteral("message"), message);
    fields.insert(QStringLiteral("source_errors"), QJsonArray::fromStringList(r.sourceErrors));
    fields.insert(QStringLiteral("restored"), r.restored);
    if (outcome.refused) return {ExitRefused, fields, outcome.refusal};
    switch (r.result) {
    case ListRunResult::Completed:
        return {ExitCompleted, fields, {}};
    case ListRunResult::Aborted:
        return {ExitAborted, fields, r.message};
    case ListRunResult::Failed:
        break;
    }
    return {ExitFailedSent, fields, r.message};
}

} // namespace ostrel
