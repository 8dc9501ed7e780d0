// ostrel-cli: the instrument link from the command line, for scripts and
// automated test stations. Same code as the program; no windows. Every run
// prints one JSON object and ends with the exit status of cli/Outcome.h.
#include "core/Program.h"
#include "cli/StopWatch.h"
#include "cli/Commands.h"
#include "cli/RunIec.h"
#include "cli/RunTest.h"
#include "cli/RunResident.h"
#include "cli/RunSequence.h"
#include "cli/RunTransient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

using namespace ostrel;

namespace {

void printTo(FILE* stream, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Messages go to standard error; questions too, answered "no" unless the
// run was given --yes.
class StderrPrompt : public SilentPrompt {
public:
    void showMessage(const QString& text, PromptIcon) override {
        printTo(stderr, text);
        said = true;
    }
    PromptAnswer ask(const QString& text, PromptButtons buttons, int, PromptIcon) override {
        if (decide) {
            const std::optional<bool> given = decide(text);
            const bool yes = given.value_or(false);
            printTo(stderr, text + (yes ? QStringLiteral("\n(answered Yes by its option)")
                                        : QStringLiteral("\n(answered No)")));
            if (buttons == PromptButtons::YesNo) return yes ? PromptAnswer::Yes : PromptAnswer::No;
            return yes ? PromptAnswer::Ok : PromptAnswer::Cancel;
        }
        const bool yes = answerYes;
        printTo(stderr, text + (yes ? QStringLiteral("\n(answered Yes: --yes)")
                                    : QStringLiteral("\n(answered No; --yes answers Yes)")));
        if (buttons == PromptButtons::YesNo) return yes ? PromptAnswer::Yes : PromptAnswer::No;
        return yes ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
    // "INPUT(" of a macro: the --input values in order; none left cancels.
    std::optional<QString> inputText(const QString& title, const QString& text,
                                     const QString&) override {
        const bool answered = !inputs.isEmpty();
        const QString value = answered ? inputs.takeFirst() : QString();
        printTo(stderr, title + QStringLiteral(": ") + text +
                            (answered ? QStringLiteral("\n(answered \"%1\": --input)").arg(value)
                                      : QStringLiteral("\n(no --input left: cancelled)")));
        if (!answered) return std::nullopt;
        return value;
    }
    bool said = false;
    bool answerYes = false;
    // A command's own answers by question; unset: answerYes.
    std::function<std::optional<bool>(const QString&)> decide;
    QStringList inputs;
};

int finish(const QString& command, const Outcome& outcome, bool alreadySaid) {
    printTo(stdout, QString::fromUtf8(QJsonDocument(OutcomeJson(command, outcome))
                                          .toJson(QJsonDocument::Indented))
                        .trimmed());
    // One message for the operator: the link or the logic may have said it.
    if (!outcome.error.isEmpty() && !alreadySaid) printTo(stderr, outcome.error);
    return outcome.status;
}

int busFromName(const QString& name) {
    static const QStringList names{QStringLiteral("sim"), QStringLiteral("serial"),
                                   QStringLiteral("gpib"), QStringLiteral("lan")};
    return static_cast<int>(names.indexOf(name.toLower()));
}

struct Range {
    const QCommandLineOption& option;
    int low;
    int high;
    int& field;
};

// "" when every option is well formed, else what is wrong with the first.
QString checkOptions(const QCommandLineParser& parser, const std::vector<Range>& ranges) {
    for (const Range& r : ranges) {
        if (!parser.isSet(r.option)) continue;
        bool ok = false;
        const QString text = parser.value(r.option);
        const int value = text.toInt(&ok);
        if (!ok || value < r.low || value > r.high)
            return QStringLiteral("--%1 must be a whole number from %2 to %3, not \"%4\"")
                .arg(r.option.names().first())
                .arg(r.low)
                .arg(r.high)
                .arg(text);
        r.field = value;
    }
    return {};
}

// A settings file must be readable, or a new file in a folder we may write.
QString checkSettingsFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.isFile() && info.isReadable()
                   ? QString()
                   : QStringLiteral("--settings: %1 is not a readable file").arg(path);
    const QFileInfo folder(info.absolutePath());
    return folder.isDir() && folder.isWritable()
               ? QString()
               : QStringLiteral("--settings: %1 cannot be created").arg(path);
}

} // namespace

int main(int argc, char** argv) {
    // A PDF report is drawn with fonts and its pictures with the windows' graph,
    // which need a widget application; offscreen will do.
    bool drawsPdf = false;
    for (int i = 1; i < argc; ++i)
        drawsPdf |= std::strcmp(argv[i], "--report") == 0 || std::strcmp(argv[i], "--pdf") == 0;
    if (drawsPdf && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application =
        drawsPdf ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Talks to a power source through Ostrel's instrument link.\n\n"
        "Commands:\n"
        "  identify                 identify the source; print its SourceModel\n"
        "  readback                 identify, read back; print OutputState and MaxVoltage\n"
        "  send TEXT...             send one command line; fails when the source refuses it\n"
        "  query TEXT...            send a query and print the reply\n"
        "  errors                   drain the error queue and print it\n"
        "  download NAME FILE       download a waveform, one sample a line\n"
        "  catalog                  identify; print the waveform catalog\n"
        "  benchmark [--count N] [--query TEXT]\n"
        "                           N queries (1000 of *IDN?): rate and round trips\n"
        "  run-transient FILE [--format tls|trl] [--phases A,B,C|none] [--count N]\n"
        "                [--trigger imm|bus|ext] [--pacing auto|once] [--yes] [--timeout S]\n"
        "                [--dry-run]\n"
        "                step tables (.tls, .dtl): [--continuous] [--vnom V] [--fnom F]\n"
        "                [--steady] [--trigger-step K] [--acquire]\n"
        "                point lists (.trl): [--freq-list on|off] [--start-angle DEG|random]\n"
        "                [--retrigger]\n"
        "                           run a transient file; questions are answered No unless\n"
        "                           --yes; SIGINT, SIGTERM and --timeout stop it\n"
        "  run-test [--standard do160|ms704|abd010018|a350|amd24|b787]\n"
        "           [--library ENTRY] --group CODE (--test NAME | --row N)\n"
        "  run-test SEQUENCE.ini [--group CODE]\n"
        "           [--setup FILE.stp] [--single ROW] [--trigger-out list|bot] [--no-revert]\n"
        "           [--acquire none|once|sweep] [--close-relay] [--accept-warnings]\n"
        "           [--set FIELD=TEXT] [--time-scale K] [--timeout S] [--report FILE|DIR] [--trace]\n"
        "                           run a standard test as its window does; 1 when the EUT\n"
        "                           verdict is Fail, 6 when completed without a verdict\n"
        "  run-resident FILE.704|FILE.160 [--tests I,J,...] [--vf-repeat on|off]\n"
        "               [--phase A|B|C] [--set FIELD=TEXT] [--time-scale K] [--timeout S]\n"
        "               [--report DIR] [--trace]\n"
        "                           run the source's own test programs for the file's\n"
        "                           option; 5 when a selected test did not run\n"
        "  run-iec (FILE.411 | --class 2|3) [--frequency F] [--voltage U] [--table dips|variations]\n"
        "          [--report OUT.docx] [--pdf OUT.pdf] [--text OUT.txt] [--template T.docx]\n"
        "          [--verdict pass|fail | --eut-check CMD] [--accept-inrush] [--user KEY=VALUE]...\n"
        "          [--time-scale K] [--timeout S] [--dry-run]\n"
        "                           run the IEC 61000-4-11 dips or variations test; 1 for a\n"
        "                           FAIL verdict, 6 without a verdict or for a dry run\n"
        "  synth TABLE.hwv [--out WAVE.abw] [--download] [--name NAME]\n"
        "                           synthesise a harmonic table; write its waveform file,\n"
        "                           send it to a register (NAME or the table's name)\n"
        "  download-abw [--name NAME] PATH...\n"
        "                           download waveform files, a folder's in library order\n"
        "  run-sequence FILE.seq [--passes N] [--abort-on-fail] [--auto-range] [--output-off]\n"
        "                [--save-data] [--fail-only] [--report FILE.pdf] [--timeout S]\n"
        "                           run a sequencer table; exit 1 when a limit failed\n"
        "  run-macro FILE [--passes N] [--error-check] [--yes] [--input VALUE]... [--timeout S]\n"
        "                           play a command macro; --yes answers PROMPT( OK, --input\n"
        "                           answers INPUT( in order\n"
        "  run-modulation FILE.mod --tab voltage|frequency [--timeout S]\n"
        "                           run one tab of a modulation file; SIGINT, SIGTERM\n"
        "                           and --timeout abort it\n"
        "  run-dc-ripple --nominal 28|14 --category AZ|B [--phases ABC] [--yes]\n"
        "                [--timeout S]\n"
        "                           open the DC ripple test, run it and close it (the\n"
        "                           relay question needs --yes); the close restores the\n"
        "                           source\n"
        "  shape sine|triangle|stepped|noise|clipped|level --out WAVE.abw [--mult I]\n"
        "        [--amplitude P] [--noise P] [--clip P] [--angle D] [--width D] [--level P]\n"
        "        [--seed N]         a function library shape into a waveform file\n\n"
        "Every run prints one JSON object. Exit status: 0 completed (and passed),\n"
        "1 verdict Fail, 2 usage, 3 refused before anything was sent, 4 aborted,\n"
        "5 failed after something was sent, 6 completed without a verdict.\n"
        "Bus options default to the stored settings."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption bus(QStringLiteral("bus"), QStringLiteral("sim, serial, gpib or lan."),
                                 QStringLiteral("BUS"));
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("LAN address."),
                                  QStringLiteral("ADDR"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("LAN port, 1-65535."),
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
    const QCommandLineOption gpibBoard(QStringLiteral("gpib-board"),
                                       QStringLiteral("GPIB board, 0-15."), QStringLiteral("B"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("GPIB address of the source, 0-30."),
                                     QStringLiteral("A"));
    const QCommandLineOption cmdDelay(QStringLiteral("cmd-delay"),
                                      QStringLiteral("Pause after each command, 0-10000 ms."),
                                      QStringLiteral("MS"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Every command and reply to standard error."));
    const QCommandLineOption settingsFile(QStringLiteral("settings"),
                                          QStringLiteral("Read the settings from this INI file."),
                                          QStringLiteral("FILE"));
    parser.addOptions({bus, host, port, serialPort, baudIndex, handshake, gpibBoard, address,
                       cmdDelay, trace, settingsFile});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (above)."));
    if (!parser.parse(app.arguments()))
        return finish(QString(), Outcome::failed(ExitUsage, parser.errorText()), false);
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    if (args.isEmpty())
        return finish(command, Outcome::failed(ExitUsage, QStringLiteral("No command given.\nSee ostrel-cli --help.")), false);

    if (parser.isSet(settingsFile)) {
        const QString problem = checkSettingsFile(parser.value(settingsFile));
        if (!problem.isEmpty()) return finish(command, Outcome::failed(ExitUsage, problem), false);
    }
    auto store = parser.isSet(settingsFile)
                     ? std::make_unique<SettingsStore>(parser.value(settingsFile))
                     : std::make_unique<SettingsStore>();
    auto prompt = std::make_unique<StderrPrompt>();
    StderrPrompt& said = *prompt;
    Program program(std::move(prompt), std::move(store), DefaultPaths());
    program.loadSettings();
    auto& link = program.settings.link;
    if (parser.isSet(bus)) {
        link.bus = busFromName(parser.value(bus));
        if (link.bus < 0)
            return finish(command,
                          Outcome::failed(ExitUsage, QStringLiteral("--bus must be sim, serial, gpib or lan")),
                          false);
    }
    const QString problem = checkOptions(parser, {{port, 1, 65535, link.socketPort},
                                                  {baudIndex, 0, 6, link.commBaud},
                                                  {handshake, 0, 1, link.handshake},
                                                  {gpibBoard, 0, 15, link.gpibBoard},
                                                  {address, 0, 30, link.sourceAddress},
                                                  {cmdDelay, 0, 10000, link.cmdDelay}});
    if (!problem.isEmpty()) return finish(command, Outcome::failed(ExitUsage, problem), false);
    if (parser.isSet(host)) link.ipAddress = parser.value(host);
    if (parser.isSet(serialPort)) program.link.state.serialPortName = parser.value(serialPort);
    program.link.state.lanTimeoutMs = 1000;
    const bool runTrace = command == QLatin1String("run-test") || command == QLatin1String("run-resident");
    if (parser.isSet(trace) || (runTrace && args.contains(QStringLiteral("--trace")))) {
        program.link.state.traceCommands = program.link.state.traceResponses = true;
        QObject::connect(&program.busTrace, &QAbstractItemModel::rowsInserted,
                         [&program](const QModelIndex&, int first, int last) {
                             for (int i = first; i <= last; ++i)
                                 printTo(stderr, program.busTrace.entries().at(i));
                         });
    }
    if (command == QLatin1String("run-dc-ripple"))
        said.answerYes = args.contains(QStringLiteral("--yes"));
    if (command == QLatin1String("run-transient") || command == QLatin1String("run-dc-ripple"))
        said.answerYes = args.contains(QStringLiteral("--yes"));
    if (command == QLatin1String("run-iec")) said.decide = RunIecAnswers(args);
    if (command == QLatin1String("run-test")) said.decide = RunTestAnswers(args);
    if (command == QLatin1String("run-sequence") || command == QLatin1String("run-macro")) {
        said.answerYes = args.contains(QStringLiteral("--yes"));
        for (qsizetype i = 1; i + 1 < args.size(); ++i)
            if (args[i] == QLatin1String("--input")) said.inputs << args[++i];
    }
    // Every run stops on SIGINT and SIGTERM.
    if (command.startsWith(QLatin1String("run-"))) InstallStopSignals();
    const Outcome outcome = RunCommand(program, args);
    program.link.CloseLan();
    program.link.CloseSerialPort();
    return finish(command, outcome, said.said);
}
