#include "cli/RunPointLists.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "cli/TransientCommon.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "transients/PointListFile.h"
#include "transients/PointListRun.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

namespace ostrel {

namespace {

QString pointTriggerName(int source) {
    return source == PointTriggerBus ? QStringLiteral("bus")
           : source == PointTriggerExternal ? QStringLiteral("ext")
                                            : QStringLiteral("imm");
}

} // namespace

// A ".TRL" file: the list editor's checks, set-up, lists and run.
Outcome RunPointListFile(Program& program, const PointListFileRun& o) {
    QString error;
    std::optional<PointTable> read = ReadPointListFile(o.file, error);
    if (!read) return Outcome::failed(ExitRefused, error);
    PointTable table = *read;
    if (o.phases)
        for (int p = 0; p < 3; ++p)
            table.select[size_t(SelectVoltA + p)] = (*o.phases)[size_t(p)];
    if (o.count) table.listCount = *o.count;
    if (!o.trigger.isEmpty())
        table.triggerSource = o.trigger == QLatin1String("bus")   ? PointTriggerBus
                              : o.trigger == QLatin1String("ext") ? PointTriggerExternal
                                                                  : PointTriggerImmediate;
    if (o.once) table.once = *o.once;
    if (o.freqList) table.select[SelectFreq] = *o.freqList;
    if (o.startAngle) {
        table.startAtAngle = o.startAngle->has_value();
        if (*o.startAngle) table.startAngle = **o.startAngle;
    }
    if (o.retrigger) table.retrigger = true;

    if (Outcome ready = ConnectForTransient(program); ready.status != ExitCompleted) return ready;

    const PointListTarget target = PointListTargetOf(program);
    int gap = 0;
    const int points = ColumnCount(table.columns[ColDwell], gap);
    double perPass = 0;
    for (int i = 0; i < points; ++i) {
        float dwell = 0, repeat = 0;
        TryParseSingle(table.columns[ColDwell][i], dwell);
        TryParseSingle(table.columns[ColListRepeat].value(i, table.columns[ColListRepeat].value(0)), repeat);
        perPass += double(dwell) * (1 + repeat);
    }
    QJsonArray phases;
    for (int p = 0; p < target.outputs; ++p)
        if (table.select[size_t(SelectVoltA + p)]) phases.append(QString(QChar(u'A' + p)));
    QJsonObject fields{
        {QStringLiteral("file"), o.file},
        {QStringLiteral("format"), QStringLiteral("trl")},
        {QStringLiteral("model"), program.sourceModel.ModelName},
        {QStringLiteral("mode"), TransientModeName(program.outputState.OutputMode)},
        {QStringLiteral("phases"), phases},
        {QStringLiteral("trigger"), pointTriggerName(table.triggerSource)},
        {QStringLiteral("pacing"), table.once ? QStringLiteral("once") : QStringLiteral("auto")},
        {QStringLiteral("passes_requested"), table.listCount},
        {QStringLiteral("segments"), 1},
        {QStringLiteral("points"), QJsonArray{points}},
        {QStringLiteral("nominal_s"), perPass * table.listCount},
    };
    const PointListLines lists = PointListWriteCommands(table, target);
    if (o.dryRun) {
        if (!lists.refusal.isEmpty()) return {ExitRefused, fields, lists.refusal};
        const QStringList all = PointListRunSetup(table, target, program.settings.waveAcquisition.offset) +
                                lists.lines + PointListStartCommands(table);
        fields.insert(QStringLiteral("lines"), QJsonArray{QJsonArray::fromStringList(all)});
        fields.insert(QStringLiteral("outcome"), QStringLiteral("checked"));
        return {ExitCompleted, fields, {}};
    }

    QElapsedTimer sinceStart;
    PointListRunHooks hooks;
    hooks.started = [&] { sinceStart.start(); };
    hooks.stopRequested = [&] {
        const bool late = o.timeoutS > 0 && sinceStart.isValid() &&
                          sinceStart.elapsed() > qint64(o.timeoutS * 1000);
        return (o.stopRequested && o.stopRequested()) || late;
    };
    const PointListRunOutcome r = RunPointLists(program, program.prompt(), table, hooks);
    const bool completed = r.result == ListRunResult::Completed;
    fields.insert(QStringLiteral("passes_completed"), completed ? table.listCount : 0);
    fields.insert(QStringLiteral("points_sent"), r.refused ? 0 : points * table.listCount);
    fields.insert(QStringLiteral("duration_s"), sinceStart.isValid() ? sinceStart.elapsed() / 1000.0 : 0.0);
    fields.insert(QStringLiteral("outcome"), TransientResultName(r.result));
    QString message = r.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    fields.insert(QStringLiteral("message"), message);
    fields.insert(QStringLiteral("source_errors"), QJsonArray::fromStringList(r.sourceErrors));
    fields.insert(QStringLiteral("restored"), !r.refused && !program.link.Lost());
    if (r.refused) return {ExitRefused, fields, r.message};
    if (completed) return {ExitCompleted, fields, {}};
    if (r.result == ListRunResult::Aborted) return {ExitAborted, fields, r.message};
    return {ExitFailedSent, fields, r.message};
}

} // namespace ostrel
