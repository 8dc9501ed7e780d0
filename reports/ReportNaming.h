#pragma once
// Report file names: automatic (prefix + a six-digit number, the next free one
// from where it starts) or asked of the operator, never overwriting a report
// without asking first. A name is the folder and base, without extension:
// a document report is base + ".docx" and ".pdf", a text report base + ".txt".
#include "core/Prompt.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ostrel {

// A report under that base already exists with any of the extensions.
bool ReportExists(const QString& base, const QStringList& extensions);

// The first free prefix + "000000"-style number at or after `start` (taken
// modulo `limit`); past the limit when every number below it is taken.
QString AutomaticReportBase(const QString& folder, const QString& prefix, int start, int limit,
                            const QStringList& extensions);

// Why `answer` cannot be a file name (empty when it can): path separators,
// \ / : * ? " < > |, control characters, "." and "..".
QString ReportNameProblem(const QString& answer);

// Asks for the name in "Test Report Filename Input Request" until the answer
// is usable; a name in use is replaced only after Yes (No by default) to the
// question. Nothing for a cancelled or empty answer.
std::optional<QString> AskReportBase(Prompt& prompt, const QString& folder,
                                     const QStringList& extensions);

struct ReportNaming {
    bool prompt = true; // "FileNamePrompt" 1
    QString folder;
    QString prefix;  // "IEC411-", "DO160_ANF-"
    int start = 0;   // where automatic numbering starts (random)
    int limit = 100; // 100 for IEC reports, 30000 for DO-160
    QStringList extensions;
};
std::optional<QString> ChooseReportBase(Prompt& prompt, const ReportNaming& naming);

} // namespace ostrel
