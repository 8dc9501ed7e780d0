#pragma once
// INI data files with the private-profile rules the shipped and user tables
// rely on: section and key names compare case-insensitively, the first match
// wins, values are trimmed and otherwise kept as they stand (commas, quotes,
// "="), ";" starts a comment line. Writing a key rewrites only its own line
// and keeps every other line, comment and the order.
#include <QHash>
#include <QString>
#include <QStringList>

namespace ostrel {

class IniFile {
public:
    IniFile() = default;
    // Reads a file; a missing file is an empty one. Returns false (and sets
    // errorText) only when an existing file cannot be read.
    bool load(const QString& path);
    void setText(const QString& text);
    QString text() const;

    QString value(QStringView section, QStringView key, const QString& defaultValue = {}) const;
    bool contains(QStringView section, QStringView key) const;
    QStringList sections() const;
    QStringList keys(QStringView section) const;
    void setValue(QStringView section, QStringView key, const QString& value);

    // Writes through a temporary file that replaces the old one only when complete.
    bool save(const QString& path);
    QString errorText() const { return error_; }

private:
    struct Line {
        QString raw;
        QString section; // for a section line: its name
        QString key;     // for a key line: its name
        QString value;
        enum Kind { Other, Section, Key } kind = Other;
    };
    static Line parse(const QString& raw);
    // Index of the first key line of `key` in a section named `section`, or -1.
    qsizetype find(QStringView section, QStringView key) const;
    static QString lookupName(QStringView section, QStringView key);
    void buildLookup() const;

    QList<Line> lines_;
    // The first line of each section and key, by their case-folded names,
    // built on the first look-up, so a large table is not scanned per key.
    mutable QHash<QString, qsizetype> lookup_;
    mutable bool lookupBuilt_ = false;
    QString lineEnd_ = QStringLiteral("\n");
    bool utf8_ = true;
    QString error_;
};

// One-shot helpers with the platform's profile-function shape.
QString ReadIniString(const QString& path, const QString& section, const QString& key,
                      const QString& defaultValue);
bool WriteIniString(const QString& path, const QString& section, const QString& key,
                    const QString& value);

} // namespace ostrel
