// ostrel-cli: the instrument link from the command line, for scripts and
// automated test stations. Same code as the program; no windows.
#include "app/Program.h"
#include "cli/RecordJson.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/WaveformTransfer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace ostrel;

namespace {

void printTo(FILE* stream, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Messages go to standard error; questions are answered "no".
class StderrPrompt : public SilentPrompt {
public:
    void showMessage(const QString& text, PromptIcon) override { printTo(stderr, text); }
};

int fail(const QString& text) {
    printTo(stderr, text);
    return 1;
}

void printJson(const QJsonObject& object) {
    printTo(stdout,
            QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed());
}

int busFromName(const QString& name) {
    static const QStringList names{QStringLiteral("sim"), QStringLiteral("serial"),
                                   QStringLiteral("gpib"), QStringLiteral("lan")};
    return static_cast<int>(names.indexOf(name.toLower()));
}

// Identification and configuration readout as at start-up; -1 on failure.
int identify(Program& program, QString& message) {
    const int bus = program.settings.link.bus;
    const int index = OpenAndIdentify(program, message);
    if (bus != BusSimulation && index < 0) return -1;
    LoadModel(program, index);
    if (bus != BusSimulation) ReadSourceConfiguration(program, index);
    return index;
}

int runBenchmark(Program& program, const QStringList& args) {
    int count = 1000;
    QString text = QStringLiteral("*IDN?");
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--count") && i + 1 < args.size())
            count = args[++i].toInt();
        else if (args[i] == QLatin1String("--query") && i + 1 < args.size())
            text = args[++i];
        else
            return fail(QStringLiteral("benchmark: unknown argument ") + args[i]);
    }
    if (count < 1) return fail(QStringLiteral("benchmark: --count must be at least 1"));
    std::vector<qint64> times;
    times.reserve(count);
    int unanswered = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        if (program.link.Query(0, text, 1).isEmpty()) ++unanswered;
        times.push_back(one.nsecsElapsed());
    }
    const double seconds = total.nsecsElapsed() / 1e9;
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        const size_t i =
            std::min(times.size() - 1, static_cast<size_t>(std::ceil(q * times.size())) - 1);
        return times[i] / 1000.0;
    };
    QString report;
    QTextStream out(&report);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(1);
    out << count << " queries of \"" << text << "\"\n"
        << "queries per second: " << count / seconds << "\n"
        << "median round trip: " << at(0.5) << " us\n"
        << "99th percentile round trip: " << at(0.99) << " us";
    if (unanswered) out << "\nunanswered: " << unanswered;
    printTo(stdout, report);
    return unanswered ? 1 : 0;
}

int runDownload(Program& program, const QString& name, const QString& path) {
    if (!ValidateWaveformName(program, name)) return 1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(path + QStringLiteral(": ") + file.errorString());
    std::vector<float> samples;
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        if (text.isEmpty()) continue;
        float value = 0;
        if (!TryParseSingle(text, value))
            return fail(path + QLatin1Char(':') + QString::number(line) +
                        QStringLiteral(": not a number: ") + text);
        samples.push_back(value);
    }
    if (samples.empty()) return fail(path + QStringLiteral(": no samples"));
    return DownloadWaveform(program, name, static_cast<int>(samples.size()) - 1, samples) ? 0 : 1;
}

int run(Program& program, const QStringList& args) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    QString message;

    if (command == QLatin1String("identify") || command == QLatin1String("readback") ||
        command == QLatin1String("catalog")) {
        const int index = identify(program, message);
        if (index < 0) return fail(message);
        if (command == QLatin1String("identify")) {
            printJson(SourceModelJson(program.sourceModel));
        } else if (command == QLatin1String("readback")) {
            ReadBackState(program, index);
            printJson(
                QJsonObject{{QStringLiteral("OutputState"), OutputStateJson(program.outputState)},
                            {QStringLiteral("MaxVoltage"), MaxVoltageJson(program.maxVoltage)}});
        } else {
            ReadWaveformCatalog(program, index);
            const SourceModel& m = program.sourceModel;
            for (int i = 0; i < kWaveformSlots; ++i)
                if (!m.WaveformNames[i].isEmpty())
                    printTo(stdout, QString::number(i) + QLatin1Char(' ') + m.WaveformNames[i]);
        }
        return 0;
    }

    if (!OpenTransport(program, message)) return fail(message);
    if (command == QLatin1String("send") && !rest.isEmpty()) {
        program.link.Send(0, rest.join(QLatin1Char(' ')));
        return 0;
    }
    if (command == QLatin1String("query") && !rest.isEmpty()) {
        const QString text = rest.join(QLatin1Char(' '));
        const QString reply = program.link.Query(0, text, 1);
        if (reply.isEmpty()) return fail(QStringLiteral("No reply to ") + text);
        printTo(stdout, reply);
        return 0;
    }
    if (command == QLatin1String("errors") && rest.isEmpty()) {
        const QString errors = program.link.CheckError();
        if (!errors.isEmpty()) printTo(stdout, errors.mid(2));
        return 0;
    }
    if (command == QLatin1String("download") && rest.size() == 2)
        return runDownload(program, rest[0], rest[1]);
    if (command == QLatin1String("benchmark")) return runBenchmark(program, rest);
    return fail(QStringLiteral("Unknown or incomplete command: ") + args.join(QLatin1Char(' ')) +
                QStringLiteral("\nSee ostrel-cli --help."));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Talks to a power source through Ostrel's instrument link.\n\n"
        "Commands:\n"
        "  identify                 identify the source; print SourceModel as JSON\n"
        "  readback                 identify, read back; print OutputState and MaxVoltage\n"
        "  send TEXT...             send one command line\n"
        "  query TEXT...            send a query and print the reply\n"
        "  errors                   drain the error queue and print it\n"
        "  download NAME FILE       download a waveform, one sample a line\n"
        "  catalog                  identify; print the waveform catalog\n"
        "  benchmark [--count N] [--query TEXT]\n"
        "                           N queries (1000 of *IDN?): rate and round trips\n\n"
        "Bus options default to the stored settings."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption bus(QStringLiteral("bus"), QStringLiteral("sim, serial, gpib or lan."),
                                 QStringLiteral("BUS"));
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("LAN address."),
                                  QStringLiteral("ADDR"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("LAN port."),
                                  QStringLiteral("N"));
    const QCommandLineOption serialPort(QStringLiteral("serial-port"),
                                        QStringLiteral("Serial device (for example a pty path)."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption baudIndex(QStringLiteral("baud-index"),
                                       QStringLiteral("0..6: 9600 to 460800 baud."),
                                       QStringLiteral("I"));
    const QCommandLineOption handshake(QStringLiteral("handshake"),
                                       QStringLiteral("1 = RTS/CTS, 0 = none."),
                                       QStringLiteral("0|1"));
    const QCommandLineOption gpibBoard(QStringLiteral("gpib-board"), QStringLiteral("GPIB board."),
                                       QStringLiteral("B"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("GPIB address of the source."),
                                     QStringLiteral("A"));
    const QCommandLineOption cmdDelay(QStringLiteral("cmd-delay"),
                                      QStringLiteral("Pause after each command, ms."),
                                      QStringLiteral("MS"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Every command and reply to standard error."));
    const QCommandLineOption settingsFile(QStringLiteral("settings"),
                                          QStringLiteral("Read the settings from this INI file."),
                                          QStringLiteral("FILE"));
    parser.addOptions({bus, host, port, serialPort, baudIndex, handshake, gpibBoard, address,
                       cmdDelay, trace, settingsFile});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (above)."));
    parser.process(app);

    auto store = parser.isSet(settingsFile)
                     ? std::make_unique<SettingsStore>(parser.value(settingsFile))
                     : std::make_unique<SettingsStore>();
    Program program(std::make_unique<StderrPrompt>(), std::move(store), DefaultPaths());
    program.loadSettings();
    auto& link = program.settings.link;
    if (parser.isSet(bus)) {
        link.bus = busFromName(parser.value(bus));
        if (link.bus < 0) return fail(QStringLiteral("--bus must be sim, serial, gpib or lan"));
    }
    auto integer = [&](const QCommandLineOption& option, int& field) {
        if (parser.isSet(option)) field = parser.value(option).toInt();
    };
    if (parser.isSet(host)) link.ipAddress = parser.value(host);
    integer(port, link.socketPort);
    integer(baudIndex, link.commBaud);
    integer(handshake, link.handshake);
    integer(gpibBoard, link.gpibBoard);
    integer(address, link.sourceAddress);
    integer(cmdDelay, link.cmdDelay);
    if (parser.isSet(serialPort)) program.link.state.serialPortName = parser.value(serialPort);
    program.link.state.lanTimeoutMs = 1000;
    if (parser.isSet(trace)) {
        program.link.state.traceCommands = program.link.state.traceResponses = true;
        QObject::connect(&program.busTrace, &QAbstractItemModel::rowsInserted,
                         [&program](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i)
                                 printTo(stderr, program.busTrace.entries().at(i));
                         });
    }
    if (parser.positionalArguments().isEmpty()) parser.showHelp(2);
    const int status = run(program, parser.positionalArguments());
    program.link.CloseLan();
    program.link.CloseSerialPort();
    return status;
}
