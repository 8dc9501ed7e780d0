#include "cli/RunModulation.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "automation/ModulationFile.h"
#include "automation/ModulationRun.h"
#include "cli/TransientCommon.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace ostrel {

namespace {

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-modulation"), why);
}

QJsonObject entryJson(const ModulationEntry& e) {
    return {{QStringLiteral("average"), e.average},
            {QStringLiteral("depth"), e.depth},
            {QStringLiteral("rate"), e.rate},
            {QStringLiteral("run_time"), e.runTime}};
}

} // namespace

void WatchListRunStop(double timeoutS, const std::function<void()>& stop,
                      const std::function<void()>& run) {
    const RunStopWatch watch(timeoutS, stop);
    run();
}

Outcome RunModulationCommand(Program& program, const QStringList& args) {
    QString file;
    QString tabName;
    double timeoutS = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == QLatin1String("--tab")) {
            if (i + 1 >= args.size()) return usage(QStringLiteral("--tab is voltage or frequency"));
            tabName = args[++i];
            if (tabName != QLatin1String("voltage") && tabName != QLatin1String("frequency"))
                return usage(QStringLiteral("--tab is voltage or frequency"));
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            timeoutS = i + 1 < args.size() ? args[++i].toDouble(&ok) : 0;
            if (!ok || !std::isfinite(timeoutS) || timeoutS <= 0)
                return usage(QStringLiteral("--timeout is a positive number of seconds"));
        } else if (a.startsWith(QLatin1String("--"))) {
            return usage(QStringLiteral("unknown option %1").arg(a));
        } else if (!file.isEmpty()) {
            return usage(QStringLiteral("one file only (\"%1\" too)").arg(a));
        } else {
            file = a;
        }
    }
    if (file.isEmpty()) return usage(QStringLiteral("which .mod file?"));
    if (tabName.isEmpty()) return usage(QStringLiteral("--tab voltage or --tab frequency?"));
    const ModulationTab tab =
        tabName == QLatin1String("voltage") ? ModulationTab::Voltage : ModulationTab::Frequency;

    const ModulationFileRead read = ReadModulationFile(file);
    if (!read.settings) return Outcome::failed(ExitRefused, read.error);
    ModulationSettings settings = *read.settings;
    settings.entry(tab) = RoundedModulationEntry(settings.entry(tab));

    QJsonObject fields{{QStringLiteral("file"), file}, {QStringLiteral("tab"), tabName}};
    QJsonObject entry = entryJson(settings.entry(tab));
    if (tab == ModulationTab::Voltage) {
        QJsonArray phases;
        for (int p = 0; p < 3; ++p)
            if ((settings.phaseMask >> p) & 1) phases.append(QString(QChar(u'A' + p)));
        entry.insert(QStringLiteral("phases"), phases);
    }
    fields.insert(QStringLiteral("settings"), entry);

    if (Outcome ready = ConnectForTransient(program); ready.status != ExitCompleted) return ready;
    fields.insert(QStringLiteral("model"), program.sourceModel.ModelName);
    fields.insert(QStringLiteral("mode"), TransientModeName(program.outputState.OutputMode));

    ModulationRun run(program, settings, tab);
    ModulationRunOutcome r;
    WatchListRunStop(
        timeoutS, [&] { run.stop(); }, [&] { r = run.run(); });

    QString message = r.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    fields.insert(QStringLiteral("message"), message);
    if (r.refused) {
        fields.insert(QStringLiteral("outcome"), QStringLiteral("refused"));
        return {ExitRefused, fields, r.message};
    }
    fields.insert(QStringLiteral("list"), QJsonObject{{QStringLiteral("levels"), r.list.levels},
                                                      {QStringLiteral("dwell"), r.list.dwell},
                                                      {QStringLiteral("slew"), r.list.slew},
                                                      {QStringLiteral("count"), r.list.count},
                                                      {QStringLiteral("span_s"), r.list.spanS}});
    fields.insert(QStringLiteral("lines"), QJsonArray::fromStringList(r.listLines));
    fields.insert(QStringLiteral("outcome"), TransientResultName(r.result));
    fields.insert(QStringLiteral("restored"), r.restored);
    fields.insert(QStringLiteral("source_errors"), QJsonArray::fromStringList(r.sourceErrors));
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
