#include "cli/Commands.h"
#include "cli/RunIec.h"
#include "cli/RunTest.h"
#include "cli/RunResident.h"
#include "cli/RunMacro.h"
#include "cli/RunSequence.h"
#include "cli/RunDcRipple.h"
#include "cli/RunModulation.h"
#include "cli/RunTransient.h"
#include "cli/RunWaveforms.h"

#include "core/Program.h"
#include "cli/BenchmarkStats.h"
#include "cli/RecordJson.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/WaveformTransfer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>

#include <vector>

namespace ostrel {

namespace {

constexpr int kMaxBenchmarkCount = 10'000'000;

// Whether the transport took something from us: then a failure is one
// "after something was sent".
bool transportOpened(Program& program) {
    switch (program.settings.link.bus) {
    case BusLan:
        return program.link.lan().isConnected();
    case BusSerial:
        return program.link.SerialPortOpen();
    case BusGpib: {
        QString error;
        return program.link.LoadGpib(error);
    }
    default:
        return false;
    }
}

Outcome lostOr(Program& program, ExitStatus status, const QString& error) {
    if (!program.link.Lost()) return Outcome::failed(status, error);
    QString reason = program.link.state.lostReason;
    reason[0] = reason[0].toUpper();
    return Outcome::failed(ExitFailedSent, reason);
}

Outcome runBenchmark(Program& program, const QStringList& args) {
    int count = 1000;
    QString text = QStringLiteral("*IDN?");
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--count") && i + 1 < args.size()) {
            bool ok = false;
            count = args[++i].toInt(&ok);
            if (!ok || count < 1 || count > kMaxBenchmarkCount)
                return Outcome::failed(
                    ExitUsage, QStringLiteral("benchmark: --count must be 1 to %L1").arg(kMaxBenchmarkCount));
        } else if (args[i] == QLatin1String("--query") && i + 1 < args.size()) {
            text = args[++i];
        } else {
            return Outcome::failed(ExitUsage, QStringLiteral("benchmark: unknown argument ") + args[i]);
        }
    }
    RoundTripHistogram times;
    int answered = 0;
    QString failure;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        const QueryResult r = program.link.TryQuery(0, text, 1);
        if (!r.ok()) {
            failure = r.error;
            // A lost source answers nothing more: stop at once.
            if (program.link.Lost()) break;
            continue;
        }
        times.add(one.nsecsElapsed());
        ++answered;
    }
    const double seconds = total.nsecsElapsed() / 1e9;
    QJsonObject fields{{QStringLiteral("query"), text},
                       {QStringLiteral("count"), count},
                       {QStringLiteral("answered"), answered}};
    if (answered > 0) {
        fields.insert(QStringLiteral("queriesPerSecond"), answered / seconds);
        fields.insert(QStringLiteral("medianRoundTripUs"), times.quantileUs(0.5));
        fields.insert(QStringLiteral("p99RoundTripUs"), times.quantileUs(0.99));
    }
    if (failure.isEmpty()) return Outcome::completed(fields);
    Outcome outcome = lostOr(program, ExitFailedSent,
                             QStringLiteral("%1 of %2 queries unanswered; the last: %3")
                                 .arg(count - answered)
                                 .arg(count)
                                 .arg(failure));
    outcome.fields = fields;
    return outcome;
}

Outcome runDownload(Program& program, const QString& name, const QString& path) {
    if (!ValidateWaveformName(program, name))
        return Outcome::failed(ExitRefused, QStringLiteral("The waveform name ") + name +
                                                QStringLiteral(" must start with a letter A-Z."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return Outcome::failed(ExitRefused, path + QStringLiteral(": ") + file.errorString());
    std::vector<float> samples;
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        if (text.isEmpty()) continue;
        float value = 0;
        if (!TryParseSingle(text, value))
            return Outcome::failed(ExitRefused, path + QLatin1Char(':') + QString::number(line) +
                                                    QStringLiteral(": not a number: ") + text);
        samples.push_back(value);
    }
    if (samples.empty()) return Outcome::failed(ExitRefused, path + QStringLiteral(": no samples"));
    if (!DownloadWaveform(program, name, static_cast<int>(samples.size()) - 1, samples))
        return lostOr(program, ExitFailedSent,
                      QStringLiteral("The waveform ") + name +
                          QStringLiteral(" was not taken by the AC source."));
    return Outcome::completed({{QStringLiteral("name"), name},
                               {QStringLiteral("samples"), static_cast<int>(samples.size())}});
}

QJsonArray errorList(const QString& errors) {
    QJsonArray list;
    for (const QString& e : errors.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        list.append(e);
    return list;
}

} // namespace

Outcome IdentifyAndConfigure(Program& program, int& index) {
    const int bus = program.settings.link.bus;
    const QString where = program.link.TransportName();
    QString message;
    index = OpenAndIdentify(program, message);
    if (bus != BusSimulation && index < 0) {
        const bool sent = [&] {
            program.settings.link.bus = bus;
            const bool opened = transportOpened(program);
            program.settings.link.bus = BusSimulation;
            return opened;
        }();
        if (!sent) {
            message.remove(QStringLiteral("\r\nInterface will be set to No Connection."));
            if (bus != BusSerial)
                message = QStringLiteral("No source answered at ") + where + QStringLiteral(": ") +
                          message;
            return Outcome::failed(ExitRefused, message);
        }
        return Outcome::failed(ExitFailedSent,
                               QStringLiteral("No supported AC source answered on ") + where +
                                   QLatin1Char('.'));
    }
    LoadModel(program, index);
    if (bus != BusSimulation)
        if (const QueryFailure failure = ReadSourceConfiguration(program, index))
            return Outcome::failed(ExitFailedSent, failure.error);
    return Outcome::completed();
}

Outcome RunCommand(Program& program, const QStringList& args) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);

    if ((command == QLatin1String("identify") || command == QLatin1String("readback") ||
         command == QLatin1String("catalog")) &&
        rest.isEmpty()) {
        int index = -1;
        Outcome opened = IdentifyAndConfigure(program, index);
        if (opened.status != ExitCompleted) return opened;
        if (command == QLatin1String("identify"))
            return Outcome::completed(
                {{QStringLiteral("SourceModel"), SourceModelJson(program.sourceModel)}});
        if (command == QLatin1String("readback")) {
            if (const QueryFailure failure = ReadBackState(program, index))
                return Outcome::failed(ExitFailedSent, failure.error);
            return Outcome::completed(
                {{QStringLiteral("OutputState"), OutputStateJson(program.outputState)},
                 {QStringLiteral("MaxVoltage"), MaxVoltageJson(program.maxVoltage)}});
        }
        if (const QueryFailure failure = ReadWaveformCatalog(program, index))
            return Outcome::failed(ExitFailedSent, failure.error);
        QJsonArray waveforms;
        const SourceModel& m = program.sourceModel;
        for (int i = 0; i < kWaveformSlots; ++i)
            if (!m.WaveformNames[i].isEmpty())
                waveforms.append(QJsonObject{{QStringLiteral("index"), i},
                                             {QStringLiteral("name"), m.WaveformNames[i]}});
        return Outcome::completed({{QStringLiteral("waveforms"), waveforms}});
    }

    if (command == QLatin1String("run-transient")) return RunTransientCommand(program, rest);
    if (command == QLatin1String("run-test")) return RunTestCommand(program, rest);
    if (command == QLatin1String("run-resident")) return RunResidentCommand(program, rest);
    if (command == QLatin1String("run-iec")) return RunIecCommand(program, rest);
    if (command == QLatin1String("synth")) return RunSynthCommand(program, rest);
    if (command == QLatin1String("download-abw")) return RunDownloadAbwCommand(program, rest);
    if (command == QLatin1String("run-sequence")) return RunSequenceCommand(program, rest);
    if (command == QLatin1String("run-macro")) return RunMacroCommand(program, rest);
    if (command == QLatin1String("run-modulation")) return RunModulationCommand(program, rest);
    if (command == QLatin1String("run-dc-ripple")) return RunDcRippleCommand(program, rest);
    if (command == QLatin1String("shape")) return RunShapeCommand(program, rest);

    const bool known = (command == QLatin1String("send") && !rest.isEmpty()) ||
                       (command == QLatin1String("query") && !rest.isEmpty()) ||
                       (command == QLatin1String("errors") && rest.isEmpty()) ||
                       (command == QLatin1String("download") && rest.size() == 2) ||
                       command == QLatin1String("benchmark");
    if (!known)
        return Outcome::failed(ExitUsage, QStringLiteral("Unknown or incomplete command: ") +
                                              args.join(QLatin1Char(' ')) +
                                              QStringLiteral("\nSee ostrel-cli --help."));
    QString message;
    if (!OpenTransport(program, message))
        return transportOpened(program) ? lostOr(program, ExitFailedSent, message)
                                        : Outcome::failed(ExitRefused, message);

    if (command == QLatin1String("send")) {
        const QString text = rest.join(QLatin1Char(' '));
        const QString refused = program.link.SendAndReport(0, text);
        if (!refused.isEmpty())
            return lostOr(program, ExitFailedSent,
                          QStringLiteral("\"") + text + QStringLiteral("\" was refused:") + refused);
        return Outcome::completed({{QStringLiteral("sent"), text}});
    }
    if (command == QLatin1String("query")) {
        const QueryResult r = program.link.TryQuery(0, rest.join(QLatin1Char(' ')), 1);
        if (!r.ok()) return lostOr(program, ExitFailedSent, r.error);
        return Outcome::completed(
            {{QStringLiteral("query"), r.command}, {QStringLiteral("reply"), r.text}});
    }
    if (command == QLatin1String("errors")) {
        const QString errors = program.link.CheckError();
        if (program.link.Lost()) return lostOr(program, ExitFailedSent, errors);
        return Outcome::completed({{QStringLiteral("errors"), errorList(errors)}});
    }
    if (command == QLatin1String("download")) return runDownload(program, rest[0], rest[1]);
    return runBenchmark(program, rest);
}

} // namespace ostrel
