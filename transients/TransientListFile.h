#pragma once
// Transient list files (".tls", and the auto-saved ".dtl"): the comment on
// line 1, twelve setting records, then one line of seven quoted cell texts
// per non-empty row.
#include "transients/StepTable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ostrel {

inline const QString kTransientListFilter =
    QStringLiteral("Transient List (*.tls)|*.TLS|All Files (*.*)|*.*");

struct TransientListRead {
    std::optional<StepTable> table; // only when the whole file is good
    QString error;                  // names the file and the line
};

// The records of a file, one per line; blank rows after the last step are
// left out (one between steps stays: it ends the table there). The phase mask and the phase boxes are written from the same
// settings, so they always agree.
QStringList TransientListRecords(const StepTable& table);
// Parses the lines of a file; `file` names it in the message.
TransientListRead ParseTransientList(const QString& file, const QStringList& lines);

TransientListRead ReadTransientList(const QString& path);
// Why the table cannot be stored (a quote or a line break in a quoted text,
// which would damage the file); empty when it can.
QString UnstorableText(const StepTable& table);
// The whole file or nothing; false with a message naming the file, and for
// an unstorable table nothing is written.
bool WriteTransientList(const QString& path, const StepTable& table, QString& error);

// A typed file name with ".tls" added when its file-name part has no ".".
QString TransientListPath(const QString& typed);

} // namespace ostrel
