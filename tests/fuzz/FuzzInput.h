#pragma once
// What every fuzz target shares: the input as text or as the lines of a
// record file, and a failed check that libFuzzer reports as a crash.
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace ostrel::fuzz {

// The bytes as UTF-8 text, the way the readers decode files and replies.
QString InputText(const uint8_t* data, size_t size);

// The lines as the record-file reader hands them over: split at line feeds,
// a carriage return before each dropped, trailing blank lines left out.
QStringList RecordLines(const QByteArray& bytes);

// The bytes a record file holds after a write: CR LF lines in UTF-8.
QByteArray RecordBytes(const QStringList& records);

// The bytes written whole to a file of that name in a folder of the run's own.
QString InputFile(const QString& name, const uint8_t* data, size_t size);
// A file's bytes, or a marker when it cannot be read.
QByteArray FileBytes(const QString& path);

// Aborts with the reason and the input text, so the reproducer says what broke.
[[noreturn]] void Fail(const char* check, const QString& detail);

inline void Check(bool ok, const char* check, const QString& detail = QString()) {
    if (!ok) Fail(check, detail);
}

} // namespace ostrel::fuzz
