#pragma once
// One line of a command macro as the player sees it: empty, a comment, a
// directive ("#DELAY 2.5", "#PROMPT(...)", ...), a query or a command.
// Keywords are matched whatever their case; arguments keep the line's own.
#include <QString>

namespace ostrel {

enum class MacroKind {
    Empty,
    Comment,
    Delay,
    StopOnError,
    Halt,
    Prompt,
    Save,
    Input,
    Read,
    Write,
    Query,
    Command,
    BadDirective, // a "#" line that is none of the above, or "DELAY " without a number
};

struct MacroLine {
    MacroKind kind = MacroKind::Empty;
    QString argument; // PROMPT text, SAVE query, INPUT prompt, READ query, WRITE command
    QString second;   // SAVE file name, INPUT command
    double seconds = 0; // DELAY
};

MacroLine ParseMacroLine(const QString& text);

// "command", "query", "delay", ... as the command-line tool's JSON names them.
QString MacroKindName(MacroKind kind);

// Lines holding "*RST", "*TST", "*SAV" or "*RCL" wait for the source to settle.
bool MacroLineSettles(const QString& text);
constexpr double kMacroSettleSeconds = 3.0;

} // namespace ostrel
