#pragma once
// How the kill test tells a whole file from a damaged one: which of the two
// contents a file on disk is, and whether an appended log still holds every
// row that was reported flushed, whole and in order.
#include "FileKinds.h"

#include "reports/DocxPackage.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace ostrel::crashsafe {

// What a write of A and of B made, from the writer child's copies.
struct ExpectedFile {
    Check check = Check::Bytes;
    std::array<QByteArray, 2> bytes;  // as compared: PDF dates blanked
    std::array<DocxPackage, 2> docx;
};
bool LoadExpected(Check check, const QString& pathA, const QString& pathB, ExpectedFile& out,
                  QString& error);

// 0 for A, 1 for B; -1 with `why` for a file that is neither (missing,
// truncated, mixed).
int WhichContent(const ExpectedFile& expected, const QString& path, QString& why);

QByteArray WithoutPdfDates(QByteArray pdf);

// Follows an appended log across kills: what was checked once must stay
// byte for byte; after it, writer n's rows 1, 2, ... each whole, at least
// up to the last one reported done and at most the one after it. The row
// in hand at the kill may be cut short; the next append must remove it.
class LogCheck {
public:
    // The file as started: its first line and the header.
    bool start(const QByteArray& file, QString& why);
    // After writer `worker` was killed having reported rows 1..done flushed.
    bool afterKill(const QByteArray& file, int worker, int done, QString& why);
    // The file up to its last whole row.
    const QByteArray& whole() const { return checked_; }
    int tornRows() const { return tornRows_; }

private:
    QByteArray checked_;
    int tornRows_ = 0;
};

} // namespace ostrel::crashsafe
