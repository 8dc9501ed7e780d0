#pragma once
// The program's command line: options of this run (never stored), then the
// setup file argument and an optional "/O" option word.
#include <QString>
#include <QStringList>

namespace ostrel {

struct ProgramOptions {
    bool help = false;          // print the usage and end
    bool virtualSource = false; // start ostrel-vsource and use it over LAN for this run
    int virtualModel = -1;      // --model N for the virtual source; -1 = the stored model
    QString settingsFile;       // --settings FILE instead of the per-user store
    QString setupArgument;      // the rest of the command line, joined with blanks
    QString error;              // a malformed option, for the operator
};

ProgramOptions ParseProgramOptions(const QStringList& arguments);

// What `--help` prints.
QString ProgramUsage();

struct SetupCommandLine {
    QString setupFile;  // upper-cased, as the command line is searched
    QString optionWord; // the word after "/O", or "" when there is none
    bool hasOption = false;
};

// The whole command line is upper-cased and searched for "/O": the text before
// it is the setup file, the left-trimmed text after it the option word.
SetupCommandLine ParseSetupCommandLine(const QString& commandLine);

} // namespace ostrel
