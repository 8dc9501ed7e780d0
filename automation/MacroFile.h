#pragma once
// Command macro files: plain text, one macro line per text line, no header.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace ostrel {

constexpr int kMaxMacroLines = 10000;

struct MacroRead {
    std::optional<QStringList> lines;
    QString error; // file + ", line " + n + ": " + reason
};

// UTF-8, or the older files' Latin-1 when the bytes are not UTF-8; control
// characters (NUL, binary data), over-long lines or too many lines refuse it.
MacroRead ReadMacroFile(const QString& path);
MacroRead ParseMacroText(const QByteArray& bytes, const QString& name);
// CR LF lines, the whole file or nothing.
bool WriteMacroFile(const QString& path, const QStringList& lines, QString& error);

struct SourceModel;

// The printed listing: heading, source and program, a rule, the lines.
QStringList MacroListingLines(const QStringList& lines, const SourceModel& model,
                              const QDateTime& printedOn);

} // namespace ostrel
