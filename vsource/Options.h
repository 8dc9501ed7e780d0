#pragma once
// The command line of ostrel-vsource.
#include "vsource/Instrument.h"

#include <QString>
#include <QStringList>

namespace ostrel::vsource {

struct LaunchOptions {
    QString listen = QStringLiteral("127.0.0.1");
    int port = 5025; // 0 = a free port
    bool pty = false;
    bool gpib = false;
    QString gpibPath; // empty = a fresh path in the temporary folder
    int controlPort = 0;
    QString timelinePath;
    QString logPath;
    double timeScale = 1;
    QStringList faults;
    bool exitWithStdin = false;
    bool help = false;
    InstrumentConfig instrument;
};

// Reads the arguments (without the program name); false with a message on a bad one.
bool parseOptions(const QStringList& args, LaunchOptions& options, QString& error);

QString usageText();

} // namespace ostrel::vsource
