#include "automation/MacroFile.h"

#include "link/Numbers.h"
#include "link/SourceModel.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>

namespace ostrel {

namespace {

// A macro line is a command line; the longest ones carry a waveform's samples.
// Counted in characters, so a line written back in UTF-8 reads back whole.
constexpr qsizetype kMaxLineChars = 256 * 1024;

QString failure(const QString& name, qsizetype line, const QString& reason) {
    return name + QStringLiteral(", line ") + QString::number(line) + QStringLiteral(": ") + reason;
}

} // namespace

MacroRead ReadMacroFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, path + QStringLiteral(": ") + file.errorString()};
    if (file.size() > qint64(kMaxMacroLines) * 1024)
        return {std::nullopt, failure(path, 1, QStringLiteral("the file is too large to be a macro"))};
    return ParseMacroText(file.readAll(), path);
}

MacroRead ParseMacroText(const QByteArray& bytes, const QString& name) {
    QList<QByteArray> raw = bytes.split('\n');
    if (!raw.isEmpty() && raw.last().isEmpty()) raw.removeLast();
    if (raw.size() > kMaxMacroLines)
        return {std::nullopt, failure(name, kMaxMacroLines + 1,
                                      QStringLiteral("more than %1 lines").arg(kMaxMacroLines))};
    QStringList lines;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QByteArray b = raw[i];
        if (b.endsWith('\r')) b.chop(1);
        if (b.size() > 4 * kMaxLineChars)
            return {std::nullopt, failure(name, i + 1, QStringLiteral("the line is too long"))};
        for (const char c : b)
            if ((unsigned char)c < 32 && c != '\t')
                return {std::nullopt,
                        failure(name, i + 1, QStringLiteral("a control character; this is not a text file"))};
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8(b);
        if (utf8.hasError()) text = QString::fromLatin1(b);
        if (i == 0)
            while (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
        if (text.size() > kMaxLineChars)
            return {std::nullopt, failure(name, i + 1, QStringLiteral("the line is too long"))};
        lines << text;
    }
    return {lines, {}};
}

bool WriteMacroFile(const QString& path, const QStringList& lines, QString& error) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

QStringList MacroListingLines(const QStringList& lines, const SourceModel& model,
                              const QDateTime& printedOn) {
    QStringList out{QStringLiteral(" Command Macro Listing"), QString(),
                    QStringLiteral("Print Date : ") + QLocale().toString(printedOn, QLocale::LongFormat),
                    QStringLiteral("AC Source Model:   ") + model.ModelName,
                    QStringLiteral("Serial Number:     ") + model.SerialNumber,
                    QStringLiteral("Firmware Revision: ") + FormatNumber(model.FirmwareRevision, u"0.00"),
                    QStringLiteral("Ostrel version ") + QStringLiteral(OSTREL_VERSION),
                    QString(72, u'=')};
    out += lines;
    return out;
}

} // namespace ostrel
