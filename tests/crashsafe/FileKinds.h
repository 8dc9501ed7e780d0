#pragma once
// The kinds of file the program writes, each with two contents A and B that
// differ in size (a few rows against many), written through the program's
// own writers. The writer child and the kill test share this table: the
// child writes the contents, the test knows which files one write makes and
// how to tell a whole file from a damaged one.
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel::crashsafe {

enum class Check {
    Bytes,     // the file is byte for byte the one a write of A or of B made
    DocxParts, // a complete zip whose parts are those of A or of B (the zip dates move)
    PdfBody,   // byte for byte, once the creation date and document id are blanked
    LogRows,   // an appended log: every flushed row there, whole, in order
};

// Writes content A (which = 0) or B (which = 1) of a kind into `dir`.
using ContentWriter = bool (*)(int which, const QString& dir, QString& error);

struct FileKind {
    QString name;
    QStringList files;         // what one write makes in the folder
    std::vector<Check> checks; // one per file
    ContentWriter write = nullptr; // none for the log, which appends rows instead
};

const std::vector<FileKind>& FileKinds();
const FileKind* FindFileKind(const QString& name);

// The log: its file name, the layout of row n (odd rows narrow, even rows
// wide) and the text of row n of writer `worker`.
inline const QString kLogFile = QStringLiteral("measurements.csv");
QString LogRowText(int worker, int n);
QString LogHeaderText(); // the header of the layout the log is started with
QString LogComment();

} // namespace ostrel::crashsafe
