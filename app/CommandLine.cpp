#include "app/CommandLine.h"

namespace ostrel {

ProgramOptions ParseProgramOptions(const QStringList& arguments) {
    ProgramOptions options;
    QStringList rest;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
        } else if (a == QLatin1String("--virtual-source")) {
            options.virtualSource = true;
        } else if (a == QLatin1String("--model")) {
            bool ok = false;
            options.virtualModel = hasValue ? arguments[++i].toInt(&ok) : -1;
            if (!ok || options.virtualModel < 0 || options.virtualModel > 12) {
                options.error = QStringLiteral("--model needs a model index from 0 to 12.");
                options.virtualModel = -1;
            }
        } else if (a == QLatin1String("--settings")) {
            if (hasValue)
                options.settingsFile = arguments[++i];
            else
                options.error = QStringLiteral("--settings needs a file name.");
        } else {
            rest.append(a);
        }
    }
    options.setupArgument = rest.join(QLatin1Char(' '));
    return options;
}

QString ProgramUsage() {
    return QStringLiteral(
        "Usage: ostrel [options] [SETUP.stp] [/O WORD]\n"
        "Controls a programmable AC/DC power source over LAN, RS-232 or GPIB, or in simulation.\n"
        "\n"
        "Options:\n"
        "  --virtual-source   start the virtual power source and use it over LAN for this run\n"
        "  --model N          the model the virtual source plays, 0 to 12 (default: the stored model)\n"
        "  --settings FILE    keep the preferences in this INI file instead of the per-user store\n"
        "  -h, --help         print this text and end\n"
        "\n"
        "SETUP.stp            a setup file sent to the source at start\n"
        "/O WORD              opens a window after start: DEFN_ARB, DEFN_HARM, MEAS_STANDARD,\n"
        "                     MEAS_HARM or MEAS_WAVE\n");
}

SetupCommandLine ParseSetupCommandLine(const QString& commandLine) {
    SetupCommandLine result;
    const QString upper = commandLine.toUpper();
    const qsizetype at = upper.indexOf(QLatin1String("/O"));
    if (at < 0) {
        result.setupFile = upper.trimmed();
        return result;
    }
    result.hasOption = true;
    result.setupFile = upper.left(at).trimmed();
    QString word = upper.mid(at + 2);
    while (!word.isEmpty() && word.front().isSpace()) word.remove(0, 1);
    result.optionWord = word.trimmed();
    return result;
}

} // namespace ostrel
