#include "standards/TestFiles.h"

#include "link/Numbers.h"
#include "standards/TestSteps.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

namespace ostrel {

namespace {

// UTF-8 when the bytes are, else Latin-1: an 8-bit file keeps its bytes (as IniFile reads).
QString DecodeIniText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

const QString kDimensions = QStringLiteral("Dimensions");

// A header is the key of its column's cells: keys compare without case, and
// "=", a leading "[" or ";" or a line break would make the line something else.
bool StorableHeader(const QString& h) {
    return !h.startsWith(QLatin1Char('[')) && !h.startsWith(QLatin1Char(';')) && !h.contains(QLatin1Char('=')) &&
           !h.contains(QLatin1Char('\n')) && !h.contains(QLatin1Char('\r')) && h == h.trimmed();
}
const QString kGridData = QStringLiteral("GridData");

// A section or key name as it stands in the file, compared without case.
struct Name {
    QStringView text;
    friend bool operator==(Name a, Name b) { return a.text.compare(b.text, Qt::CaseInsensitive) == 0; }
};
size_t qHash(Name n, size_t seed = 0) {
    size_t h = seed;
    for (QChar c : n.text) {
        const char16_t u = c.unicode();
        h = h * 31 + (u < 128 ? (u >= u'A' && u <= u'Z' ? u + 32 : u) : c.toCaseFolded().unicode());
    }
    return h;
}

// A key of one section: one table for the whole file, not one per section.
struct KeyOf {
    int section = -1;
    Name name;
    friend bool operator==(const KeyOf& a, const KeyOf& b) { return a.section == b.section && a.name == b.name; }
};
size_t qHash(const KeyOf& k, size_t seed = 0) {
    return qHash(k.name, seed) ^ (size_t(k.section) * 0x9E3779B97F4A7C15ull);
}

// The file read once into a table of sections and keys, by the profile
// rules of IniFile (names without case, first match wins, values trimmed,
// ";" comments), so a large table costs one pass and no rescans. Names and
// values are views into the one decoded text.
class IniIndex {
public:
    struct Entry {
        QStringView value;
        int line = 0;
    };
    using Section = int; // an index into the file's sections; -1 for none

    bool load(const QString& path, QString& error) {
        path_ = path;
        QFile file(path);
        if (!QFileInfo(path).isFile()) {
            error = QStringLiteral("%1: the file does not exist.").arg(path);
            return false;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        text_ = DecodeIniText(file.readAll());
        const QStringView text(text_);
        keys_.reserve(text.count(QLatin1Char('\n')) + 1);
        qsizetype start = 0;
        int lineNumber = 0;
        // A section by name: an insert may move the others.
        Section section = -1;
        while (start < text.size()) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            if (end < 0) end = text.size();
            const QStringView raw = text.mid(start, end - start);
            start = end + 1;
            ++lineNumber;
            if (raw.contains(QChar(0))) {
                error = QStringLiteral("%1 line %2: the line holds a NUL byte.").arg(path).arg(lineNumber);
                return false;
            }
            const QStringView t = raw.trimmed();
            if (t.isEmpty() || t.startsWith(QLatin1Char(';'))) continue;
            if (t.startsWith(QLatin1Char('['))) {
                const qsizetype close = t.indexOf(QLatin1Char(']'));
                if (close > 0) {
                    const Name name{t.mid(1, close - 1).trimmed()};
                    // A repeated section continues the first: its keys come later.
                    auto it = sections_.constFind(name);
                    if (it == sections_.constEnd()) it = sections_.insert(name, int(sections_.size()));
                    section = *it;
                }
                continue;
            }
            const qsizetype eq = t.indexOf(QLatin1Char('='));
            if (eq <= 0 || section < 0) continue;
            const KeyOf key{section, Name{t.left(eq).trimmed()}};
            if (!keys_.contains(key)) keys_.insert(key, Entry{t.mid(eq + 1).trimmed(), lineNumber});
        }
        return true;
    }

    Section section(const QString& name) const { return sections_.value(Name{name}, -1); }
    std::optional<QString> valueIn(Section section, const QString& key) const {
        const auto k = keys_.constFind(KeyOf{section, Name{key}});
        if (k == keys_.constEnd()) return std::nullopt;
        return k->value.toString();
    }
    std::optional<QString> value(const QString& section, const QString& key) const {
        return valueIn(this->section(section), key);
    }
    QString text(const QString& section, const QString& key, const QString& fallback = {}) const {
        return value(section, key).value_or(fallback);
    }
    int line(const QString& section, const QString& key) const {
        return keys_.value(KeyOf{this->section(section), Name{key}}).line;
    }

    // A required whole number within 1 .. most.
    std::optional<int> count(const QString& key, int most, QString& error) const {
        const std::optional<QString> text = value(kDimensions, key);
        if (!text) {
            error = QStringLiteral("%1: [Dimensions] has no %2.").arg(path_, key);
            return std::nullopt;
        }
        bool ok = false;
        const int n = text->toInt(&ok);
        const QString where = QStringLiteral("%1 line %2").arg(path_).arg(line(kDimensions, key));
        if (!ok) {
            error = QStringLiteral("%1: %2 \"%3\" is not a whole number.").arg(where, key, *text);
            return std::nullopt;
        }
        if (n < 1 || n > most) {
            error = QStringLiteral("%1: %2 is %3; it must be from 1 to %4.").arg(where, key).arg(n).arg(most);
            return std::nullopt;
        }
        return n;
    }

    // Headers of columns first .. last; each non-empty one only once.
    std::optional<QStringList> headers(int first, int last, QString& error) const {
        QStringList out;
        QHash<QString, int> seen;
        for (int c = first; c <= last; ++c) {
            const QString key = QString::number(c) + QStringLiteral("Header");
            const QString h = text(kGridData, key);
            if (!h.isEmpty()) {
                if (!StorableHeader(h)) {
                    error = QStringLiteral("%1 line %2: the header \"%3\" of column %4 cannot name a key.")
                                .arg(path_)
                                .arg(line(kGridData, key))
                                .arg(h)
                                .arg(c);
                    return std::nullopt;
                }
                if (const auto it = seen.constFind(h.toCaseFolded()); it != seen.constEnd()) {
                    error = QStringLiteral("%1 line %2: the header \"%3\" of column %4 repeats column %5.")
                                .arg(path_)
                                .arg(line(kGridData, key))
                                .arg(h)
                                .arg(c)
                                .arg(*it);
                    return std::nullopt;
                }
                seen.insert(h.toCaseFolded(), c);
            }
            out << h;
        }
        return out;
    }

    std::vector<double> widths(int first, int last) const {
        std::vector<double> out;
        for (int c = first; c <= last; ++c) {
            float w = 8;
            // A width is a share of the grid: anything else would not fit a column's pixels.
            if (!TryParseSingle(text(kGridData, QString::number(c) + QStringLiteral("ColWidth")), w) || w < 0 || w > 100)
                w = 8;
            out.push_back(w);
        }
        return out;
    }

private:
    QString path_;
    QString text_;
    QHash<Name, Section> sections_;
    QHash<KeyOf, Entry> keys_;
};

// Already in the form the mask gives ("115.0" for one decimal): a file written
// by the engine is read and saved without formatting each cell again.
bool inMaskForm(QStringView t, int decimals) {
    qsizetype i = t.startsWith(u'-') ? 1 : 0;
    const qsizetype intStart = i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && t[intStart] == u'0')) return false;
    if (i >= t.size() || t[i] != u'.') return false;
    ++i;
    const qsizetype fracStart = i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') ++i;
    return i == t.size() && i - fracStart == decimals;
}

QString rowSection(int r) {
    return QString::number(r) + QStringLiteral("RowData");
}

bool isTextColumn(const QString& header) {
    return header.compare(QLatin1String("Comment"), Qt::CaseInsensitive) == 0 ||
           header.compare(QLatin1String("Description"), Qt::CaseInsensitive) == 0;
}

QString withSeparator(QString text, QChar sep) {
    if (sep != QLatin1Char('.')) text.replace(QLatin1Char('.'), sep);
    return text;
}

// A number typed with the locale's separator, a point or a comma.
std::optional<double> typedNumber(const QString& text, QChar sep) {
    if (auto v = CellNumber(text, sep)) return v;
    return CellNumber(text, QLatin1Char(','));
}

} // namespace

QString StructureTable::cell(int row, int column) const {
    if (row < 1 || row > int(rows.size())) return {};
    return rows[size_t(row - 1)].value(column - 1);
}

QString StructureTable::testLabel(int row) const {
    return cell(row, 1) + cell(row, 2) + QLatin1Char('\t') + cell(row, 3);
}

QString CellForDisplay(const QString& header, const QString& disk, QChar sep) {
    const auto shown = [&](QStringView mask) -> QString {
        if (inMaskForm(disk, int(mask.size() - mask.indexOf(u'.') - 1))) return withSeparator(disk, sep);
        const std::optional<double> v = CellNumber(disk, QLatin1Char('.'));
        return v ? withSeparator(FormatNumber(*v, mask), sep) : disk;
    };
    if (header == QLatin1String("Dwell")) return shown(u"#0.0000");
    if (header.contains(QLatin1String("Slew")))
        return disk.contains(QLatin1Char('.')) ? shown(u"#0.0000") : disk;
    if (disk.contains(QLatin1Char('.')) && !isTextColumn(header)) return shown(u"#0.0");
    return disk;
}

QString CellForDisk(const QString& header, const QString& shown, QChar sep) {
    const auto disk = [&](QStringView mask) -> QString {
        if (sep == QLatin1Char('.') && inMaskForm(shown, int(mask.size() - mask.indexOf(u'.') - 1))) return shown;
        const std::optional<double> v = typedNumber(shown, sep);
        return v ? FormatNumber(*v, mask) : shown;
    };
    if (header == QLatin1String("Dwell")) return disk(u"#0.0000");
    if (header.contains(QLatin1String("Slew"))) return IsMax(shown) ? shown : disk(u"##0.000");
    if (shown.contains(QLatin1Char(',')) || shown.contains(QLatin1Char('.'))) return disk(u"##0.0");
    return shown;
}

std::optional<StructureTable> ReadStructureTable(const QString& path, QString& error) {
    IniIndex ini;
    if (!ini.load(path, error)) return std::nullopt;
    const std::optional<int> rows = ini.count(QStringLiteral("NoRows"), kMaxTableRows, error);
    if (!rows) return std::nullopt;
    const std::optional<int> cols = ini.count(QStringLiteral("NoCols"), kMaxStructureColumns, error);
    if (!cols) return std::nullopt;
    const std::optional<QStringList> headers = ini.headers(1, *cols, error);
    if (!headers) return std::nullopt;
    StructureTable table;
    table.description = ini.text(kDimensions, QStringLiteral("Description"), QStringLiteral("Table X"));
    table.headers = *headers;
    table.widths = ini.widths(1, *cols);
    table.rows.reserve(size_t(*rows));
    const QStringList& keys = table.headers;
    for (int r = 1; r <= *rows; ++r) {
        QStringList cells;
        const IniIndex::Section section = ini.section(rowSection(r));
        for (const QString& key : keys)
            cells << (key.isEmpty() ? QString() : ini.valueIn(section, key).value_or(QString()));
        table.rows.push_back(cells);
    }
    return table;
}

std::optional<SequenceFile> ReadSequenceFile(const QString& path, QChar sep, QString& error) {
    IniIndex ini;
    if (!ini.load(path, error)) return std::nullopt;
    const std::optional<int> rows = ini.count(QStringLiteral("NoRows"), kMaxTableRows, error);
    if (!rows) return std::nullopt;
    const std::optional<int> cols = ini.count(QStringLiteral("NoCols"), kMaxSequenceColumns, error);
    if (!cols) return std::nullopt;
    const std::optional<QStringList> headers = ini.headers(0, *cols, error);
    if (!headers) return std::nullopt;
    SequenceFile file;
    file.description = ini.text(kDimensions, QStringLiteral("Description"), QStringLiteral("Table X"));
    file.phaseDisplay = ini.text(kDimensions, QStringLiteral("PhaseDisplay"), QStringLiteral("1")).toInt() != 0;
    file.grid.headers = *headers;
    file.widths = ini.widths(0, *cols);
    file.grid.rows.reserve(size_t(*rows));
    const QStringList& keys = file.grid.headers;
    for (int r = 1; r <= *rows; ++r) {
        QStringList cells{QString::number(r)};
        const IniIndex::Section section = ini.section(rowSection(r));
        for (int c = 1; c <= *cols; ++c) {
            const QString& h = file.grid.headers[c];
            cells << (h.isEmpty() ? QString()
                                  : CellForDisplay(h, ini.valueIn(section, keys[c]).value_or(QString()), sep));
        }
        file.grid.rows.push_back(cells);
    }
    return file;
}

bool WriteSequenceFile(const QString& path, const SequenceFile& file, QChar sep, QString& error) {
    const StepGrid& g = file.grid;
    const int cols = g.columnCount();
    if (cols < 1 || cols > kMaxSequenceColumns) {
        error = QStringLiteral("%1: a test file holds 1 to %2 columns, not %3.").arg(path).arg(kMaxSequenceColumns).arg(cols);
        return false;
    }
    QHash<QString, int> seen;
    for (int c = 1; c <= cols; ++c) {
        const QString& h = g.headers[c];
        if (h.isEmpty()) continue;
        if (!StorableHeader(h)) {
            error = QStringLiteral("%1: the header \"%2\" of column %3 cannot name a key.").arg(path, h).arg(c);
            return false;
        }
        const QString folded = h.toCaseFolded();
        if (seen.contains(folded)) {
            error = QStringLiteral("%1: columns %2 and %3 are both headed \"%4\".").arg(path).arg(seen[folded]).arg(c).arg(h);
            return false;
        }
        seen.insert(folded, c);
    }
    // The comment lines that open the file (its marking) stay.
    QString out;
    out.reserve(qsizetype(g.rowCount() + 2) * cols * 16);
    if (QFile old(path); old.open(QIODevice::ReadOnly)) {
        while (!old.atEnd()) {
            const QString t = DecodeIniText(old.readLine()).trimmed();
            if (!t.isEmpty() && !t.startsWith(QLatin1Char(';'))) break;
            if (!t.isEmpty()) out += t + QLatin1Char('\n');
        }
    }
    const auto key = [&out](const QString& k, const QString& v) {
        out += k;
        out += QLatin1Char('=');
        out += v;
        out += QLatin1Char('\n');
    };
    out += QStringLiteral("[Dimensions]\n");
    key(QStringLiteral("NoRows"), QString::number(g.rowCount()));
    key(QStringLiteral("NoCols"), QString::number(cols));
    key(QStringLiteral("Description"), file.description);
    key(QStringLiteral("PhaseDisplay"), file.phaseDisplay ? QStringLiteral("1") : QStringLiteral("0"));
    out += QStringLiteral("[GridData]\n");
    for (int c = 0; c <= cols; ++c) {
        key(QString::number(c) + QStringLiteral("Header"), g.headers[c]);
        const double w = size_t(c) < file.widths.size() ? file.widths[size_t(c)] : 8.0;
        key(QString::number(c) + QStringLiteral("ColWidth"), QString::number(qRound(w)));
    }
    for (int r = 1; r <= g.rowCount(); ++r) {
        out += QLatin1Char('[') + rowSection(r) + QStringLiteral("]\n");
        for (int c = 1; c <= cols; ++c) {
            const QString& h = g.headers[c];
            if (!h.isEmpty()) key(h, CellForDisk(h, g.cell(r, c).trimmed(), sep));
        }
    }
    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly) || save.write(out.toUtf8()) < 0 || !save.commit()) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, save.errorString());
        return false;
    }
    return true;
}

QStringList ReadNameList(const QString& path) {
    QFile file(path);
    QStringList names;
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) return names;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        QString name = QString::fromUtf8(raw).trimmed();
        if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
            name = name.mid(1, name.size() - 2).trimmed();
        if (!name.isEmpty() && !name.contains(QChar(0))) names << name;
    }
    return names;
}

} // namespace ostrel
