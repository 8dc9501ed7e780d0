#include "automation/MacroLine.h"

#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

// The argument from "(" to the last ")", or to the line's end without one.
QString inParentheses(QStringView directive) {
    const qsizetype open = directive.indexOf(u'(');
    const qsizetype close = directive.lastIndexOf(u')');
    const qsizetype end = close > open ? close : directive.size();
    return directive.mid(open + 1, end - open - 1).toString();
}

void splitAtLastComma(const QString& argument, MacroLine& line) {
    const qsizetype comma = argument.lastIndexOf(u',');
    if (comma < 0) {
        line.argument = argument.trimmed();
        return;
    }
    line.argument = argument.left(comma).trimmed();
    line.second = argument.mid(comma + 1).trimmed();
}

bool starts(QStringView text, const char* keyword) {
    return text.startsWith(QLatin1String(keyword), Qt::CaseInsensitive);
}

} // namespace

MacroLine ParseMacroLine(const QString& text) {
    MacroLine line;
    if (text.trimmed().isEmpty()) return line;
    if (text.contains(u'\'')) {
        line.kind = MacroKind::Comment;
        return line;
    }
    const qsizetype hash = text.indexOf(u'#');
    if (hash < 0) {
        line.kind = text.contains(u'?') ? MacroKind::Query : MacroKind::Command;
        return line;
    }
    const QStringView d = QStringView(text).mid(hash + 1).trimmed();
    line.kind = MacroKind::BadDirective;
    if (starts(d, "DELAY ")) {
        float seconds = 0;
        if (TryParseSingle(d.mid(6).trimmed(), seconds) && std::isfinite(seconds) && seconds >= 0) {
            line.kind = MacroKind::Delay;
            line.seconds = seconds;
        }
    } else if (d.compare(QLatin1String("STOP ON ERROR"), Qt::CaseInsensitive) == 0) {
        line.kind = MacroKind::StopOnError;
    } else if (d.compare(QLatin1String("HALT"), Qt::CaseInsensitive) == 0) {
        line.kind = MacroKind::Halt;
    } else if (starts(d, "PROMPT(")) {
        line.kind = MacroKind::Prompt;
        line.argument = inParentheses(d).trimmed();
    } else if (starts(d, "SAVE(")) {
        line.kind = MacroKind::Save;
        splitAtLastComma(inParentheses(d), line);
        if (line.second.isEmpty() || line.argument.isEmpty()) line.kind = MacroKind::BadDirective;
    } else if (starts(d, "INPUT(")) {
        line.kind = MacroKind::Input;
        splitAtLastComma(inParentheses(d), line);
        if (line.second.isEmpty()) line.kind = MacroKind::BadDirective;
    } else if (starts(d, "READ(")) {
        line.kind = MacroKind::Read;
        line.argument = inParentheses(d).trimmed();
    } else if (starts(d, "WRITE(")) {
        line.kind = MacroKind::Write;
        // Kept as written: "WRITE(volt )" sends "volt " and the stored reply.
        line.argument = inParentheses(d);
    }
    return line;
}

QString MacroKindName(MacroKind kind) {
    static const char* const kNames[] = {"empty", "comment", "delay", "stop_on_error", "halt",
                                         "prompt", "save", "input", "read", "write", "query",
                                         "command", "bad_directive"};
    return QString::fromLatin1(kNames[int(kind)]);
}

bool MacroLineSettles(const QString& text) {
    for (const char* c : {"*RST", "*TST", "*SAV", "*RCL"})
        if (text.contains(QLatin1String(c), Qt::CaseInsensitive)) return true;
    return false;
}

} // namespace ostrel
