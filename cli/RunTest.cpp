#include "cli/RunTest.h"
#include "cli/StopWatch.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "cli/TestJson.h"
#include "cli/TransientCommon.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "measure/ProgramIo.h"
#include "panel/SetupActions.h"
#include "reports/DocxPackage.h"
#include "reports/PlainTextReport.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"
#include "reports/TableReport.h"
#include "reports/TestReportRecord.h"
#include "standards/DistortionLimits.h"
#include "standards/EutGraphs.h"
#include "standards/EutMeasurement.h"
#include "standards/GroupRules.h"
#include "standards/HfFactors.h"
#include "standards/TestFiles.h"
#include "standards/TestLibrary.h"
#include "standards/TestRun.h"
#include "standards/TestStandard.h"
#include "standards/WindowStart.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <cmath>
#include <optional>

namespace ostrel {

namespace {

const QString kRelayQuestion = QStringLiteral("WARNING: Output relay is not closed.");
const QString kRangeWarning = QStringLiteral("WARNING: One or more test");

struct Options {
    QString standard = QStringLiteral("do160");
    std::optional<QString> library;
    std::optional<QString> group;
    std::optional<QString> test;
    std::optional<int> row;
    QString file;
    QString setup;
    std::optional<int> single;
    bool triggerOutBot = false;
    bool noRevert = false;
    QString acquire = QStringLiteral("once");
    QList<std::pair<QString, QString>> fields;
    double timeScale = 1;
    double timeoutS = 0;
    QString report; // the text report's file, or the document report's folder ("ReportFormat" 2)
};

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-test"), why);
}

std::optional<int> positiveInt(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 1 ? std::optional<int>(n) : std::nullopt;
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
            if (!o.file.isEmpty()) return QStringLiteral("one sequence file only (\"%1\" too)").arg(a);
            o.file = a;
        } else if (a == QLatin1String("--standard")) {
            if (!value()) return QStringLiteral("--standard needs a name");
            o.standard = v;
        } else if (a == QLatin1String("--library")) {
            if (!value()) return QStringLiteral("--library needs an entry");
            o.library = v;
        } else if (a == QLatin1String("--group")) {
            if (!value()) return QStringLiteral("--group needs a power group code");
            o.group = v;
        } else if (a == QLatin1String("--test")) {
            if (!value()) return QStringLiteral("--test needs a sequence name");
            o.test = v;
        } else if (a == QLatin1String("--row")) {
            if (!value() || !(o.row = positiveInt(v))) return QStringLiteral("--row is a row number from 1");
        } else if (a == QLatin1String("--setup")) {
            if (!value()) return QStringLiteral("--setup needs a file");
            o.setup = v;
        } else if (a == QLatin1String("--single")) {
            if (!value() || !(o.single = positiveInt(v))) return QStringLiteral("--single is a step row from 1");
        } else if (a == QLatin1String("--trigger-out")) {
            if (!value() || (v != QLatin1String("list") && v != QLatin1String("bot")))
                return QStringLiteral("--trigger-out is list or bot");
            o.triggerOutBot = v == QLatin1String("bot");
        } else if (a == QLatin1String("--no-revert")) {
            o.noRevert = true;
        } else if (a == QLatin1String("--acquire")) {
            if (!value() || !QStringList{QStringLiteral("none"), QStringLiteral("once"), QStringLiteral("sweep")}.contains(v))
                return QStringLiteral("--acquire is none, once or sweep");
            o.acquire = v;
        } else if (a == QLatin1String("--close-relay") || a == QLatin1String("--accept-warnings") ||
                   a == QLatin1String("--trace")) {
            // The prompt and the trace are set up by main.
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
            if (!value()) return QStringLiteral("--report needs a file (a folder for a document report)");
            o.report = v;
        } else {
            return QStringLiteral("unknown option %1").arg(a);
        }
    }
    if (o.file.isEmpty()) {
        if (!o.group) return QStringLiteral("give --group CODE with --test NAME or --row N, or a sequence file");
        if (o.test.has_value() == o.row.has_value()) return QStringLiteral("give one of --test NAME and --row N");
    } else if (o.test || o.row || o.library) {
        return QStringLiteral("a sequence file takes no --library, --test or --row");
    }
    return {};
}

ReportTable gridTable(const StepGrid& grid) {
    ReportTable t{grid.headers};
    for (const QStringList& row : grid.rows)
        t.append(row);
    return t;
}

ReportTable structureReport(const StructureTable& s) {
    ReportTable t{QStringList{QString()} + s.headers};
    for (size_t r = 0; r < s.rows.size(); ++r)
        t.append(QStringList{QString::number(r + 1)} + s.rows[r]);
    return t;
}

EutSweep sweepOf(const PowerGroup& g) {
    if (g.sweepFirst.isEmpty()) return EutSweep::Present;
    return g.sweepLast == QLatin1String("800_Hz") ? EutSweep::WideBand : EutSweep::NarrowBand;
}

// The test a run-test names: a row of the group's structure table, or the
// sequence file given; the refusal when it cannot be had.
struct ChosenTest {
    QString path;
    QJsonObject json{{QStringLiteral("row"), QJsonValue()}, {QStringLiteral("label"), QJsonValue()}};
    QString label;
    ReportTable structure;
    QString refusal;
};

ChosenTest chooseTest(const Program& program, const TestStandard& standard, const Options& o,
                      const QString& folder, int group) {
    ChosenTest c;
    if (!o.file.isEmpty()) {
        c.path = o.file;
        return c;
    }
    const PowerGroup& pg = standard.groups[size_t(group)];
    const QString tablePath = StructureTablePath(program.paths, standard, folder, group);
    QString error = QStringLiteral("%1%2%3.ini: the file does not exist.").arg(folder, standard.structurePrefix, pg.code);
    const std::optional<StructureTable> table = tablePath.isEmpty() ? std::nullopt : ReadStructureTable(tablePath, error);
    if (!table) {
        c.refusal = QStringLiteral("Load FAILED\n") + error;
        return c;
    }
    int row = o.row.value_or(0);
    if (o.test)
        for (int r = 1; r <= int(table->rows.size()); ++r)
            if (table->sequenceName(r).compare(*o.test, Qt::CaseInsensitive) == 0) row = r;
    if (row < 1 || row > int(table->rows.size())) {
        c.refusal = o.test ? QStringLiteral("The structure table of %1 lists no test \"%2\".").arg(pg.code, *o.test)
                           : QStringLiteral("The structure table of %1 has %2 rows.").arg(pg.code).arg(table->rows.size());
        return c;
    }
    c.json.insert(QStringLiteral("row"), row);
    c.json.insert(QStringLiteral("label"), table->testLabel(row));
    c.label = table->testLabel(row);
    c.structure = structureReport(*table);
    const QString name = table->sequenceName(row);
    if (name.isEmpty()) {
        c.refusal = QStringLiteral("No test sequence file available for this entry, test settings cleared.");
        return c;
    }
    c.path = SequenceFilePath(program.paths, folder, name);
    if (c.path.isEmpty())
        c.refusal = QStringLiteral("ERROR: Test file failed to load.\n%1%2.ini: the file does not exist.").arg(folder, name);
    return c;
}

// The document report in `folder`, named automatically by the group's prefix;
// the files written, or false with the message.
bool writeTableReport(const Program& program, const PowerGroup& group, const QString& templatePath,
                      const TestReportRecord& record, const QString& folder, QStringList& files,
                      QStringList& warnings, QString& error) {
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("The report folder %1 cannot be made.").arg(folder);
        return false;
    }
    TableReportInput input;
    input.record = record;
    input.programVersion = QStringLiteral(OSTREL_VERSION);
    input.model = program.sourceModel.ModelName;
    input.serialNumber = program.sourceModel.SerialNumber;
    input.printed = QDateTime::currentDateTime();
    // Every phase's record and spectrum, as the window's report draws them.
    if (!record.eut.isEmpty())
        for (int p = 0; p < 3; ++p) {
            input.waveformPng[size_t(p)] = PhaseGraphPng(record.eut.last(), p, false);
            input.harmonicPng[size_t(p)] = PhaseGraphPng(record.eut.last(), p, true);
        }
    const DocumentReportJob job = TableReportJob(group, input);
    DocumentReportOutcome written;
    if (!WriteAutomaticDocumentReport(templatePath, job, folder, written, error)) return false;
    files << written.docxPath << written.pdfPath;
    if (!written.missingBookmarks.isEmpty())
        warnings << MissingBookmarksMessage(templatePath, written.missingBookmarks);
    return true;
}

// What the run reports, filled as far as it got.
struct Report {
    QJsonObject fields;
    void set(const QString& key, const QJsonValue& v) { fields.insert(key, v); }
};

} // namespace

std::function<std::optional<bool>(const QString&)> RunTestAnswers(const QStringList& args) {
    const bool relay = args.contains(QStringLiteral("--close-relay"));
    const bool warnings = args.contains(QStringLiteral("--accept-warnings"));
    return [relay, warnings](const QString& question) -> std::optional<bool> {
        if (question.startsWith(kRelayQuestion)) return relay;
        if (question.startsWith(kRangeWarning)) return warnings;
        return std::nullopt;
    };
}

Outcome RunTestCommand(Program& program, const QStringList& args) {
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty()) return usage(problem);
    const TestStandard* found = FindStandard(o.standard);
    if (!found) return usage(QStringLiteral("unknown standard \"%1\"").arg(o.standard));
    const TestStandard& standard = *found;
    // A code of any revision's set; the revision chosen must have it.
    const auto groupOf = [&](const TestStandard& s) { return o.group ? s.groupIndex(*o.group) : -1; };
    if (o.group && groupOf(standard) < 0 &&
        (!standard.revisionSet || groupOf(standard.revisionSet(standard.userLibraryRevision)) < 0))
        return usage(QStringLiteral("unknown power group \"%1\"").arg(*o.group));
    program.engineClock.timeScale = o.timeScale;

    Report out;
    out.set(QStringLiteral("standard"), standard.key);
    for (const char* key : {"library", "revision", "group", "test", "mode", "phases", "steps", "groups",
                            "groupsCompiled", "plannedSeconds", "elapsedSeconds", "hfFactors", "reason",
                            "result", "eut", "verdict", "record", "report"})
        out.set(QLatin1String(key), QJsonValue());
    out.set(QStringLiteral("outcome"), RunOutcomeName(RunOutcome::NotStarted));
    const auto notStarted = [&](ExitStatus status, const QString& why) {
        out.set(QStringLiteral("reason"), why);
        return Outcome{status, out.fields, why};
    };

    // The library entry and its revision.
    const QStringList entries = LibraryEntries(program.paths, standard);
    int entryIndex = standard.defaultLibrary;
    if (o.library) {
        entryIndex = -1;
        for (qsizetype i = 0; i < entries.size(); ++i)
            if (entries[i].compare(*o.library, Qt::CaseInsensitive) == 0) entryIndex = int(i);
        if (entryIndex < 0)
            return notStarted(ExitRefused, QStringLiteral("Load FAILED: no library entry \"%1\".").arg(*o.library));
    }
    const int revision = standard.revisionIndex(entryIndex);
    // Sets whose groups differ by revision take the revision's set.
    const TestStandard& set = standard.revisionSet ? standard.revisionSet(revision) : standard;
    std::optional<int> chosenGroup;
    if (o.group) {
        chosenGroup = groupOf(set);
        if (*chosenGroup < 0)
            return notStarted(ExitRefused, QStringLiteral("Load FAILED: %1 has no power group \"%2\".")
                                               .arg(entries.value(entryIndex), *o.group));
    }
    const QString folder = LibraryFolder(entries.value(entryIndex));
    if (o.file.isEmpty()) {
        out.set(QStringLiteral("library"), entries.value(entryIndex));
        out.set(QStringLiteral("revision"), QString(QChar(u'A' + revision)));
    }

    int index = -1;
    if (Outcome opened = IdentifyAndConfigure(program, index); opened.status != ExitCompleted) {
        opened.fields = out.fields;
        opened.fields.insert(QStringLiteral("reason"), opened.error);
        return opened;
    }
    const bool connected = program.settings.link.bus != BusSimulation;
    if (!connected) SimulationSetup(program);
    if (!o.setup.isEmpty() && !OpenSetupFile(program, o.setup))
        return notStarted(ExitRefused, QStringLiteral("The setup file %1 was not sent.").arg(o.setup));
    // The window opens on a program that has read the source back.
    if (connected)
        if (const QueryFailure failure = ReadBackState(program, index)) {
            out.set(QStringLiteral("outcome"), RunOutcomeName(RunOutcome::Failed));
            out.set(QStringLiteral("reason"), failure.error);
            return {ExitFailedSent, out.fields, failure.error};
        }
    const WindowStartResult start = RunWindowStart(program, set, revision);
    if (program.link.Lost()) {
        out.set(QStringLiteral("outcome"), RunOutcomeName(RunOutcome::Failed));
        out.set(QStringLiteral("reason"), program.link.state.lostReason);
        return {ExitFailedSent, out.fields, program.link.state.lostReason};
    }

    const OutputState& state = program.outputState;
    const bool dc = state.OutputMode == ModeDC;
    const bool threePhase = state.MultiPhaseOutput == 1;
    out.set(QStringLiteral("mode"), TransientModeName(state.OutputMode));
    out.set(QStringLiteral("phases"), threePhase ? 3 : 1);

    // The group and the mode rule.
    const int group = chosenGroup.value_or(start.defaultGroup);
    const PowerGroup& pg = set.groups[size_t(group)];
    out.set(QStringLiteral("group"), QJsonObject{{QStringLiteral("index"), group},
                                                 {QStringLiteral("code"), pg.code},
                                                 {QStringLiteral("caption"), pg.caption},
                                                 {QStringLiteral("name"), pg.reportName}});
    if (const QString refusal = GroupRefusal(set, group, state.OutputMode); !refusal.isEmpty())
        return notStarted(ExitRefused, refusal);

    // A document report comes from the group's template: one that cannot be
    // had refuses the run before it starts, not after it.
    const bool document = !o.report.isEmpty() && program.settings.report.reportFormat == ReportDocument;
    QString templatePath;
    if (document) {
        const QString name = ReportTemplateName(pg.reportTemplate);
        templatePath = FindReportTemplate(program.paths, name);
        if (templatePath.isEmpty()) return notStarted(ExitRefused, MissingTemplateMessage(program.paths, name));
        DocxPackage package;
        QString templateError;
        if (!ReadDocxPackage(templatePath, QFileInfo(templatePath).fileName(), package, templateError))
            return notStarted(ExitRefused, templateError);
    }

    // The test: a row of the group's structure table, or the file given.
    TestReportRecord record;
    const ChosenTest chosen = chooseTest(program, set, o, folder, group);
    QJsonObject test = chosen.json;
    record.testLabel = chosen.label;
    record.structureTable = chosen.structure;
    if (!chosen.refusal.isEmpty()) {
        out.set(QStringLiteral("test"), test);
        return notStarted(ExitRefused, chosen.refusal);
    }
    const QString path = chosen.path;
    QString error;
    const std::optional<SequenceFile> sequence = ReadSequenceFile(path, program.decimalSeparator, error);
    test.insert(QStringLiteral("file"), path);
    test.insert(QStringLiteral("description"), sequence ? QJsonValue(sequence->description) : QJsonValue());
    out.set(QStringLiteral("test"), test);
    if (!sequence) return notStarted(ExitRefused, QStringLiteral("ERROR: Test file failed to load.\n") + error);
    out.set(QStringLiteral("steps"), sequence->grid.rowCount());

    const HfFactors factors = ReadHfFactors(program.paths);
    QJsonArray hf;
    for (const auto& phase : factors.factor)
        hf.append(QJsonArray{phase[0], phase[1], phase[2]});
    out.set(QStringLiteral("hfFactors"), hf);

    BeginReport(record, {QStringLiteral("Ostrel ") + QStringLiteral(OSTREL_VERSION),
                         ReportTitle(set), path, state.OutputMode,
                         dc ? state.Phase[0].DcVoltage : state.Phase[0].Voltage, state.Frequency,
                         QDateTime::currentDateTime()});
    record.library = o.file.isEmpty() ? entries.value(entryIndex) : QString();
    record.revision = QString(QChar(u'A' + revision));
    record.groupName = pg.reportName;
    record.groupCaption = pg.caption;
    record.threePhase = threePhase;
    record.stepTable = gridTable(sequence->grid);
    for (const auto& [name, text] : o.fields)
        SetUserDataField(record, name, text);

    // The EUT measurement after the run, as the window does it.
    ProgramIo io(program);
    const DistortionLimitsRead limits =
        ReadDistortionLimits(DistortionLimitsPath(program.paths, set, folder), DistortionLimitSet(dc, threePhase),
                             set.distortionLayout);
    EutRequest eut;
    eut.conditions = {connected, dc, state.OutputMode == ModeACDC, threePhase, program.sourceModel.SeriesFamily() == 1};
    eut.limits = limits.limits;
    eut.programmedFrequency = state.Frequency;
    eut.entries = set.testFrequencies;
    eut.entry = TestFrequencyIndexFor(eut.entries, state.Frequency, dc);
    eut.harmonicPhase = set.harmonicPhaseReadings;
    eut.sampleIntervalUs = float(start.sampleInterval.toDouble() * 1e6);
    bool measureAborted = false;
    const EutEvents events{[&](const QString& s) { program.prompt().setStatus(1, s); },
                           [&](const QString& e) { program.prompt().showMessage(e, PromptIcon::Exclamation); },
                           [&] { return measureAborted; }, {}};
    QVector<EutAcquisition> acquisitions;

    TestRunRequest request;
    request.grid = sequence->grid;
    request.dcGroup = pg.dc;
    request.mode = o.single ? ExecutionMode::SingleStep : ExecutionMode::AllSteps;
    request.selectedRow = o.single.value_or(1);
    request.triggerOutBot = o.triggerOutBot;
    request.returnSteady = !o.noRevert;
    request.autoAcquire = o.acquire == QLatin1String("once");
    request.factors = factors;
    TestRunCallbacks callbacks;
    callbacks.acquire = [&] {
        eut.programmedFrequency = program.outputState.Frequency;
        acquisitions.append(AcquireEutData(eut, io, program.measurements, events));
    };
    TestRun run(program, set, callbacks);

    std::optional<RunStopWatch> watch;
    watch.emplace(o.timeoutS, [&] {
        run.requestAbort();
        measureAborted = true;
    });
    const TestRunOutcome result = run.run(request);
    if (result.outcome == RunOutcome::Completed && o.acquire == QLatin1String("sweep") && !measureAborted) {
        EutSweepRequest sweep;
        sweep.acquisition = eut;
        sweep.sweep = sweepOf(pg);
        sweep.entries = SweepEntriesBetween(eut.entries, pg.sweepFirst, pg.sweepLast);
        sweep.presentEntry = eut.entry;
        sweep.settleSeconds = connected ? 2 : 5;
        acquisitions = RunEutSweep(sweep, io, program.measurements, events, [&](double s) {
            return !program.engineClock.wait(s, [&] { return measureAborted; });
        });
    }
    watch.reset();
    if (!acquisitions.isEmpty()) {
        QString summaryError;
        if (!WriteMeasurementSummary(program.paths.userFile(set.summaryFile), acquisitions, summaryError))
            program.prompt().showMessage(summaryError, PromptIcon::Exclamation);
    }

    QJsonArray groups;
    for (const GroupReport& g : result.groups)
        groups.append(QJsonObject{{QStringLiteral("rows"), QJsonArray{g.first, g.last}},
                                  {QStringLiteral("points"), g.points},
                                  {QStringLiteral("count"), g.count},
                                  {QStringLiteral("seconds"), g.seconds},
                                  {QStringLiteral("result"), GroupResultName(g.result)},
                                  {QStringLiteral("error"), g.error.isEmpty() ? QJsonValue() : QJsonValue(g.error)}});
    out.set(QStringLiteral("groups"), groups);
    out.set(QStringLiteral("groupsCompiled"), result.groupsCompiled);
    out.set(QStringLiteral("plannedSeconds"), result.plannedSeconds);
    out.set(QStringLiteral("elapsedSeconds"), result.elapsedSeconds);
    out.set(QStringLiteral("outcome"), RunOutcomeName(result.outcome));
    out.set(QStringLiteral("reason"), result.reason.isEmpty() ? QJsonValue() : QJsonValue(result.reason));
    out.set(QStringLiteral("result"), result.result.isEmpty() ? QJsonValue() : QJsonValue(result.result));

    std::optional<DistortionVerdict> verdict;
    QJsonArray eutJson;
    for (const EutAcquisition& a : acquisitions) {
        eutJson.append(AcquisitionJson(a));
        verdict = verdict ? WorseVerdict(*verdict, a.verdict) : a.verdict;
    }
    out.set(QStringLiteral("eut"), acquisitions.isEmpty() ? QJsonValue() : QJsonValue(eutJson));
    out.set(QStringLiteral("verdict"), verdict ? QJsonValue(VerdictText(*verdict)) : QJsonValue());

    // A report asked for and not written fails a run that completed.
    QString reportError;
    if (result.outcome != RunOutcome::NotStarted) {
        record.eut = acquisitions;
        EndReport(record, result.result, QDateTime::currentDateTime());
        out.set(QStringLiteral("record"), ReportRecordJson(record));
        QStringList files, warnings;
        if (document) {
            if (!writeTableReport(program, pg, templatePath, record, o.report, files, warnings, reportError))
                program.prompt().showMessage(reportError, PromptIcon::Exclamation);
        } else if (!o.report.isEmpty()) {
            if (WritePlainTextReport(o.report, record, QDateTime::currentDateTime(), QStringLiteral(OSTREL_VERSION),
                                     reportError))
                files << o.report;
            else
                program.prompt().showMessage(reportError, PromptIcon::Exclamation);
        }
        for (const QString& w : warnings)
            program.prompt().showMessage(w, PromptIcon::Information);
        if (!o.report.isEmpty()) out.set(QStringLiteral("report"), QJsonArray::fromStringList(files));
    }

    switch (result.outcome) {
    case RunOutcome::NotStarted:
        return {ExitRefused, out.fields, result.reason};
    case RunOutcome::Aborted:
        return {ExitAborted, out.fields, result.reason};
    case RunOutcome::Failed:
        return {ExitFailedSent, out.fields, result.reason};
    case RunOutcome::Completed:
        break;
    }
    if (!reportError.isEmpty()) return {ExitFailedSent, out.fields, reportError};
    if (!verdict || *verdict == DistortionVerdict::NoLimit || *verdict == DistortionVerdict::NoData)
        return {ExitNoVerdict, out.fields, {}};
    return {*verdict == DistortionVerdict::Fail ? ExitFail : ExitCompleted, out.fields, {}};
}

} // namespace ostrel
