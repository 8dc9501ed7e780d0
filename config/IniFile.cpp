#include "config/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

namespace ostrel {

namespace {
bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

IniFile::Line IniFile::parse(const QString& raw) {
    Line line;
    line.raw = raw;
    const QString t = raw.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';'))) return line;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = Line::Section;
            line.section = t.mid(1, close - 1).trimmed();
        }
        return line; // a "[" without "]" is not a section header
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0) return line;
    line.kind = Line::Key;
    line.key = t.left(eq).trimmed();
    line.value = t.mid(eq + 1).trimmed();
    return line;
}

bool IniFile::load(const QString& path) {
    error_.clear();
    QFile file(path);
    if (!file.exists()) {
        setText({});
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        setText({});
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    utf8_ = !utf8.hasError();
    if (!utf8_) text = QString::fromLatin1(bytes); // an 8-bit file keeps its bytes
    setText(text);
    return true;
}

void IniFile::setText(const QString& text) {
    lines_.clear();
    lookup_.clear();
    lookupBuilt_ = false;
    lineEnd_ = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList raw = body.split(QLatin1Char('\n'));
    if (!raw.isEmpty() && raw.last().isEmpty()) raw.removeLast();
    for (const QString& r : raw) lines_.append(parse(r));
}

QString IniFile::text() const {
    QString out;
    for (const Line& l : lines_) out += l.raw + lineEnd_;
    return out;
}

QString IniFile::lookupName(QStringView section, QStringView key) {
    return section.toString().toCaseFolded() + QLatin1Char('\n') + key.toString().toCaseFolded();
}

// A repeated section continues the first: its keys come later.
void IniFile::buildLookup() const {
    lookup_.clear();
    lookup_.reserve(lines_.size());
    QString section;
    bool inSection = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) {
            section = l.section;
            inSection = true;
        } else if (inSection && l.kind == Line::Key) {
            const QString name = lookupName(section, l.key);
            if (!lookup_.contains(name)) lookup_.insert(name, i); // the first match wins
        }
    }
    lookupBuilt_ = true;
}

qsizetype IniFile::find(QStringView section, QStringView key) const {
    if (!lookupBuilt_) buildLookup();
    return lookup_.value(lookupName(section, key), -1);
}

QString IniFile::value(QStringView section, QStringView key, const QString& defaultValue) const {
    const qsizetype i = find(section, key);
    return i < 0 ? defaultValue : lines_[i].value;
}

bool IniFile::contains(QStringView section, QStringView key) const {
    return find(section, key) >= 0;
}

QStringList IniFile::sections() const {
    QStringList names;
    QSet<QString> seen;
    for (const Line& l : lines_)
        if (l.kind == Line::Section && !seen.contains(l.section.toCaseFolded())) {
            seen.insert(l.section.toCaseFolded());
            names.append(l.section);
        }
    return names;
}

QStringList IniFile::keys(QStringView section) const {
    QStringList names;
    QSet<QString> seen;
    bool inSection = false;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section)
            inSection = sameName(l.section, section);
        else if (inSection && l.kind == Line::Key && !seen.contains(l.key.toCaseFolded())) {
            seen.insert(l.key.toCaseFolded());
            names.append(l.key);
        }
    }
    return names;
}

void IniFile::setValue(QStringView section, QStringView key, const QString& value) {
    const QString raw = key.toString() + QLatin1Char('=') + value;
    const qsizetype existing = find(section, key);
    if (existing >= 0) {
        lines_[existing] = parse(raw);
        return;
    }
    // Append after the last key line of the first section of that name.
    qsizetype sectionLine = -1, insertAt = -1;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) {
            if (sectionLine >= 0) break;
            if (sameName(l.section, section)) sectionLine = insertAt = i;
        } else if (sectionLine >= 0 && l.kind == Line::Key) {
            insertAt = i;
        }
    }
    if (sectionLine < 0) {
        lines_.append(parse(QLatin1Char('[') + section.toString() + QLatin1Char(']')));
        insertAt = lines_.size() - 1;
    }
    lines_.insert(insertAt + 1, parse(raw));
    // The lines after the new one moved down by one.
    for (auto it = lookup_.begin(); it != lookup_.end(); ++it)
        if (it.value() > insertAt) ++it.value();
    lookup_.insert(lookupName(section, key), insertAt + 1);
}

bool IniFile::save(const QString& path) {
    error_.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QString t = text();
    file.write(utf8_ ? t.toUtf8() : t.toLatin1());
    if (!file.commit()) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QString ReadIniString(const QString& path, const QString& section, const QString& key,
                      const QString& defaultValue) {
    IniFile ini;
    ini.load(path);
    return ini.value(section, key, defaultValue);
}

bool WriteIniString(const QString& path, const QString& section, const QString& key,
                    const QString& value) {
    IniFile ini;
    if (!ini.load(path)) return false;
    ini.setValue(section, key, value);
    return ini.save(path);
}

} // namespace ostrel
