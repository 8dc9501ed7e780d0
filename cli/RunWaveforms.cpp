#include "cli/RunWaveforms.h"

#include "core/Program.h"
#include "cli/Commands.h"
#include "waveforms/FunctionLibrary.h"
#include "waveforms/HarmonicTableFile.h"
#include "waveforms/LibraryBatch.h"
#include "waveforms/Synthesis.h"
#include "waveforms/WaveformName.h"
#include "waveforms/WaveformSend.h"

#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

namespace ostrel {

namespace {


// The outcome with the fields gathered so far, printed on failure too.
Outcome with(Outcome outcome, const QJsonObject& fields, bool ok) {
    outcome.fields = fields;
    outcome.fields.insert(QStringLiteral("ok"), ok);
    return outcome;
}

QJsonValue nullable(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

Outcome RunSynthCommand(Program& program, const QStringList& args) {
    const QString command = QStringLiteral("synth");
    QString table, out;
    std::optional<QString> name;
    bool download = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--out") || a == QLatin1String("--name")) {
            if (i + 1 >= args.size()) return UsageFailure(command, a + QStringLiteral(" needs a value"));
            (a == QLatin1String("--out") ? out : name.emplace()) = args[++i];
        } else if (a == QLatin1String("--download")) {
            download = true;
        } else if (a.startsWith(QLatin1String("--")) || !table.isEmpty()) {
            return UsageFailure(command, QStringLiteral("unknown argument ") + a);
        } else {
            table = a;
        }
    }
    if (table.isEmpty()) return UsageFailure(command, QStringLiteral("a table file (.hwv) is needed"));
    if (name && name->isEmpty()) return UsageFailure(command, QStringLiteral("--name needs a value"));

    const QString registerName = name ? TypedWaveformName(*name) : FileWaveformName(table);
    QJsonObject fields{{QStringLiteral("table"), table},
                       {QStringLiteral("name"), registerName},
                       {QStringLiteral("abw"), QJsonValue()},
                       {QStringLiteral("downloaded"), false},
                       {QStringLiteral("source_error"), QJsonValue()}};
    QString error;
    const std::optional<HarmonicTable> cells =
        ReadHarmonicTableFile(table, program.decimalSeparator, error);
    if (!cells) return with(Outcome::failed(ExitRefused, error), fields, false);

    const std::vector<Harmonic> harmonics = TableHarmonics(*cells, program.decimalSeparator);
    QJsonArray list;
    for (const Harmonic& h : harmonics)
        list.append(QJsonArray{h.order, h.percent, h.degrees});
    fields.insert(QStringLiteral("harmonics"), list);
    const std::optional<double> thd = TableThdPercent(harmonics);
    fields.insert(QStringLiteral("thd_percent"), thd ? QJsonValue(*thd) : QJsonValue());

    const double vpk = PeakScale(program.sourceModel, program.outputState);
    const Synthesis s = Synthesise(harmonics, vpk);
    fields.insert(QStringLiteral("raw_max"), s.rawMax);
    fields.insert(QStringLiteral("raw_min"), s.rawMin);
    fields.insert(QStringLiteral("transfer_min"),
                  double(*std::min_element(s.d.begin(), s.d.end())));
    fields.insert(QStringLiteral("transfer_max"),
                  double(*std::max_element(s.d.begin(), s.d.end())));
    if (s.empty())
        return with(Outcome::failed(ExitRefused,
                                    table + QStringLiteral(":\nAll harmonic amplitudes are zero.\n"
                                                           "Enter at least one amplitude before "
                                                           "saving or transferring.")),
                    fields, false);
    if (download && !CheckWaveformName(program, registerName))
        return with(Outcome::failed(ExitRefused, {}), fields, false);

    if (!out.isEmpty()) {
        WaveformSamples samples{};
        for (int k = 0; k < kSynthesisSamples; ++k)
            samples[k] = s.y[k] / vpk;
        if (!WriteAbwFile(out, samples, error))
            return with(Outcome::failed(ExitRefused, error), fields, false);
        fields.insert(QStringLiteral("abw"), QFileInfo(out).absoluteFilePath());
    }
    if (!download) return with(Outcome::completed(), fields, true);

    int index = -1;
    const Outcome opened = IdentifyAndConfigure(program, index);
    if (opened.status != ExitCompleted) return with(opened, fields, false);
    const SendOutcome sent = SendWaveform(program, registerName, s.d);
    fields.insert(QStringLiteral("source_error"), nullable(sent.sourceError));
    switch (sent.result) {
    case SendResult::Done:
        fields.insert(QStringLiteral("downloaded"), true);
        return with(Outcome::completed(), fields, true);
    case SendResult::NoSource:
        return with(Outcome::failed(ExitRefused, {}), fields, false);
    default:
        return with(Outcome::failed(ExitFailedSent, {}), fields, false);
    }
}

Outcome RunShapeCommand(Program&, const QStringList& args) {
    const QString command = QStringLiteral("shape");
    static const QStringList shapes{QStringLiteral("sine"),    QStringLiteral("triangle"),
                                    QStringLiteral("stepped"), QStringLiteral("noise"),
                                    QStringLiteral("clipped"), QStringLiteral("level")};
    if (args.isEmpty() || !shapes.contains(args[0]))
        return UsageFailure(command,
                     QStringLiteral("the shape is one of ") + shapes.join(QStringLiteral(", ")));
    ShapeSettings settings;
    QString out;
    unsigned seed = 1;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) return UsageFailure(command, a + QStringLiteral(" needs a value"));
        const QString v = args[++i];
        bool ok = true;
        const double x = v.toDouble(&ok);
        if (a == QLatin1String("--out")) {
            out = v;
            continue;
        }
        if (!ok || !std::isfinite(x)) return UsageFailure(command, a + QStringLiteral(" needs a number"));
        if (a == QLatin1String("--mult"))
            settings.multiplierIndex = int(x);
        else if (a == QLatin1String("--amplitude"))
            settings.sinePercent = x;
        else if (a == QLatin1String("--noise"))
            settings.noisePercent = x;
        else if (a == QLatin1String("--clip"))
            settings.clippedPercent = x;
        else if (a == QLatin1String("--angle"))
            settings.angle = x;
        else if (a == QLatin1String("--width"))
            settings.width = x;
        else if (a == QLatin1String("--level"))
            settings.levelPercent = int(x);
        else if (a == QLatin1String("--seed"))
            seed = unsigned(x);
        else
            return UsageFailure(command, QStringLiteral("unknown argument ") + a);
    }
    if (out.isEmpty()) return UsageFailure(command, QStringLiteral("--out FILE is needed"));
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::vector<float> period(kWaveformPeriod, 0.0f);
    FillShape(Shape(shapes.indexOf(args[0])), settings, period, [&] { return uniform(generator); });
    WaveformSamples samples{};
    std::copy(period.begin(), period.end(), samples.begin());
    QString error;
    if (!WriteAbwFile(out, samples, error)) return Outcome::failed(ExitRefused, error);
    return Outcome::completed({{QStringLiteral("shape"), args[0]},
                               {QStringLiteral("abw"), QFileInfo(out).absoluteFilePath()}});
}

Outcome RunDownloadAbwCommand(Program& program, const QStringList& args) {
    const QString command = QStringLiteral("download-abw");
    std::optional<QString> name;
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--name")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return UsageFailure(command, QStringLiteral("--name needs a value"));
            name = TypedWaveformName(args[++i]);
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return UsageFailure(command, QStringLiteral("unknown argument ") + args[i]);
        } else {
            paths << args[i];
        }
    }
    if (paths.isEmpty()) return UsageFailure(command, QStringLiteral("a file or folder is needed"));
    QStringList files;
    for (const QString& p : paths)
        files << (QFileInfo(p).isDir() ? LibraryFiles(p) : QStringList{p});
    if (name && files.size() != 1)
        return UsageFailure(command, QStringLiteral("--name applies to a single file"));

    QJsonObject fields{{QStringLiteral("downloaded"), QJsonArray()},
                       {QStringLiteral("failed"), QJsonArray()},
                       {QStringLiteral("stopped"), QJsonValue()},
                       {QStringLiteral("catalog"), QJsonArray()}};
    int index = -1;
    const Outcome opened = IdentifyAndConfigure(program, index);
    if (opened.status != ExitCompleted) return with(opened, fields, false);

    const BatchReport report = DownloadBatch(program, files, name);
    const auto items = [](const QList<BatchItem>& list, bool reasons) {
        QJsonArray a;
        for (const BatchItem& item : list) {
            QJsonObject o{{QStringLiteral("file"), item.file}, {QStringLiteral("name"), item.name}};
            if (reasons) o.insert(QStringLiteral("reason"), item.reason);
            a.append(o);
        }
        return a;
    };
    fields.insert(QStringLiteral("downloaded"), items(report.downloaded, false));
    fields.insert(QStringLiteral("failed"), items(report.failed, true));
    if (report.stopped == BatchStop::MemoryFull)
        fields.insert(QStringLiteral("stopped"), QStringLiteral("memory full"));
    if (report.stopped == BatchStop::LinkLost)
        fields.insert(QStringLiteral("stopped"), QStringLiteral("link lost"));
    QJsonArray catalog;
    const SourceModel& m = program.sourceModel;
    for (int i = kFirstUserWaveform; i < kWaveformSlots; ++i)
        if (!m.WaveformNames[i].isEmpty()) catalog.append(m.WaveformNames[i]);
    fields.insert(QStringLiteral("catalog"), catalog);

    if (report.stopped == BatchStop::NoSource)
        return with(Outcome::failed(ExitRefused, {}), fields, false);
    if (report.stopped == BatchStop::MemoryFull || report.stopped == BatchStop::LinkLost ||
        report.sourceErrors > 0)
        return with(
            Outcome::failed(ExitFailedSent, QStringLiteral("%1 of %2 waveforms were not taken.")
                                                .arg(files.size() - report.downloaded.size())
                                                .arg(files.size())),
            fields, false);
    if (report.refused > 0)
        return with(Outcome::failed(ExitRefused, QStringLiteral("%1 of %2 files were refused.")
                                                     .arg(report.refused)
                                                     .arg(files.size())),
                    fields, false);
    return with(Outcome::completed(), fields, true);
}

} // namespace ostrel
