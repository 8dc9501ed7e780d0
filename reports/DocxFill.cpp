#include "reports/DocxFill.h"

#include <QRegularExpression>
#include <QSet>
#include <QSize>
#include <QXmlStreamReader>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int kTextWidthTwips = 9638; // A4 less 2 cm margins
constexpr qint64 kEmuPerPixel = 9525; // at 96 dpi
constexpr qint64 kMaxPictureWidthEmu = 6120000;

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray textRuns(const QString& value, const QByteArray& runProperties) {
    QString text = value.isEmpty() ? QStringLiteral(" ") : value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QByteArray out = "<w:r>" + runProperties;
    QString chunk;
    auto flush = [&] {
        if (!chunk.isEmpty()) out += "<w:t xml:space=\"preserve\">" + escaped(chunk) + "</w:t>";
        chunk.clear();
    };
    for (QChar c : text) {
        if (c == u'\n' || c == u'\t') {
            flush();
            out += c == u'\n' ? "<w:br/>" : "<w:tab/>";
        } else {
            chunk += c;
        }
    }
    flush();
    return out + "</w:r>";
}

QByteArray cellParagraph(const QString& text, bool bold) {
    return "<w:p><w:pPr><w:spacing w:before=\"0\" w:after=\"0\"/></w:pPr>" +
           textRuns(text, bold ? "<w:rPr><w:b/><w:sz w:val=\"18\"/></w:rPr>"
                               : "<w:rPr><w:sz w:val=\"18\"/></w:rPr>") +
           "</w:p>";
}

QByteArray tableXml(const ReportTable& table) {
    int columns = 1;
    for (const QStringList& row : table)
        columns = std::max(columns, static_cast<int>(row.size()));
    const QByteArray width = QByteArray::number(kTextWidthTwips / columns);
    QByteArray out = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>"
                     "<w:top w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "<w:left w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "<w:bottom w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "<w:right w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "<w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "<w:insideV w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
                     "</w:tblBorders></w:tblPr><w:tblGrid>";
    for (int c = 0; c < columns; ++c)
        out += "<w:gridCol w:w=\"" + width + "\"/>";
    out += "</w:tblGrid>";
    for (qsizetype r = 0; r < table.size(); ++r) {
        out += r == 0 ? "<w:tr><w:trPr><w:tblHeader/></w:trPr>" : "<w:tr>";
        for (int c = 0; c < columns; ++c)
            out += "<w:tc><w:tcPr><w:tcW w:w=\"" + width + "\" w:type=\"dxa\"/></w:tcPr>" +
                   cellParagraph(table[r].value(c), r == 0) + "</w:tc>";
        out += "</w:tr>";
    }
    return out + "</w:tbl>";
}

// Width and height from the PNG's IHDR chunk; 0 x 0 when it is not a PNG.
QSize pngSize(const QByteArray& png) {
    if (png.size() < 24 || !png.startsWith("\x89PNG")) return {};
    auto be32 = [&](int at) {
        return (static_cast<quint8>(png[at]) << 24) | (static_cast<quint8>(png[at + 1]) << 16) |
               (static_cast<quint8>(png[at + 2]) << 8) | static_cast<quint8>(png[at + 3]);
    };
    return {be32(16), be32(20)};
}

QByteArray pictureRun(const QByteArray& png, const QString& relId, int pictureId) {
    const QSize px = pngSize(png);
    qint64 cx = std::max(1, px.width()) * kEmuPerPixel;
    qint64 cy = std::max(1, px.height()) * kEmuPerPixel;
    if (cx > kMaxPictureWidthEmu) {
        cy = cy * kMaxPictureWidthEmu / cx;
        cx = kMaxPictureWidthEmu;
    }
    const QByteArray id = QByteArray::number(pictureId);
    const QByteArray extent =
        "cx=\"" + QByteArray::number(cx) + "\" cy=\"" + QByteArray::number(cy) + "\"";
    return "<w:r><w:drawing><wp:inline "
           "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
           "distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent " +
           extent + "/><wp:docPr id=\"" + id + "\" name=\"Graph " + id +
           "\"/><a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
           "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
           "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
           "<pic:nvPicPr><pic:cNvPr id=\"" +
           id + "\" name=\"graph" + id +
           ".png\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
           "r:embed=\"" +
           relId.toUtf8() +
           "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm>"
           "<a:off x=\"0\" y=\"0\"/><a:ext " +
           extent +
           "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
           "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
}

struct Bookmark {
    QString name;
    qsizetype contentStart = 0;  // just after the start tag
    qsizetype contentEnd = 0;    // at the end tag
    qsizetype paragraphEnd = -1; // just after the paragraph's "</w:p>"
};

const QRegularExpression kStartTag(QStringLiteral(R"re(<w:bookmarkStart\b[^>]*>)re"));
const QRegularExpression kNameAttr(QStringLiteral(R"re(\bw:name="([^"]*)")re"));
const QRegularExpression kIdAttr(QStringLiteral(R"re(\bw:id="([^"]*)")re"));
const QRegularExpression kParagraphTag(QStringLiteral(R"re(<w:p[ >]|</w:p>)re"));
const QRegularExpression kRunProperties(QStringLiteral(R"re(<w:rPr>.*?</w:rPr>|<w:rPr/>)re"));

QString attribute(const QString& tag, const QRegularExpression& attr) {
    return attr.match(tag).captured(1);
}

bool findBookmarks(const QString& xml, QVector<Bookmark>& found, QString& crossing) {
    for (auto it = kStartTag.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        Bookmark b;
        b.name = attribute(m.captured(), kNameAttr);
        const QString id = attribute(m.captured(), kIdAttr);
        b.contentStart = m.capturedEnd();
        // The end tag as word processors write it, else with other attributes around the id.
        const QString plainEnd = QStringLiteral("<w:bookmarkEnd w:id=\"%1\"/>").arg(id);
        qsizetype endAt = xml.indexOf(plainEnd, b.contentStart);
        qsizetype endLength = plainEnd.size();
        if (endAt < 0) {
            const QRegularExpression endTag(
                QStringLiteral(R"re(<w:bookmarkEnd\b[^>]*\bw:id="%1"[^>]*/>)re")
                    .arg(QRegularExpression::escape(id)));
            const auto e = endTag.match(xml, b.contentStart);
            endAt = e.hasMatch() ? e.capturedStart() : -1;
            endLength = e.capturedLength();
        }
        if (endAt < 0 || b.name.isEmpty()) continue;
        b.contentEnd = endAt;
        if (xml.mid(b.contentStart, b.contentEnd - b.contentStart).contains(kParagraphTag)) {
            crossing = b.name;
            return false;
        }
        const qsizetype close = xml.indexOf(QStringLiteral("</w:p>"), endAt + endLength);
        b.paragraphEnd = close < 0 ? -1 : close + 6;
        found.push_back(b);
    }
    return true;
}

bool wellFormed(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

bool isFilledPart(const QString& name) {
    static const QRegularExpression parts(
        QStringLiteral(R"re(^word/(document|header\d*|footer\d*)\.xml$)re"));
    return parts.match(name).hasMatch();
}

QString relsName(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash) + QStringLiteral("/_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

struct Edit {
    qsizetype at;
    qsizetype length;
    QString text;
};

} // namespace

QStringList BookmarkNames(const QByteArray& partXml) {
    QStringList names;
    const QString xml = QString::fromUtf8(partXml);
    for (auto it = kStartTag.globalMatch(xml); it.hasNext();)
        names << attribute(it.next().captured(), kNameAttr);
    return names;
}

bool FillDocx(DocxPackage& package, const DocumentContent& content, const QString& label,
              QStringList& missing, QString& error) {
    DocxPackage filled = package;
    QSet<QString> seen;
    int pictureNumber = 0;
    QVector<DocxPart> added; // media and relationships, put in once the parts are walked
    const qsizetype templateParts = filled.parts.size();
    for (qsizetype index = 0; index < templateParts; ++index) {
        DocxPart& part = filled.parts[index];
        if (!isFilledPart(part.name)) continue;
        if (!wellFormed(part.data)) {
            error = QStringLiteral("Report template %1: part %2 is not well-formed XML.")
                        .arg(label, part.name);
            return false;
        }
        QString xml = QString::fromUtf8(part.data);
        QVector<Bookmark> bookmarks;
        QString crossing;
        if (!findBookmarks(xml, bookmarks, crossing)) {
            error = QStringLiteral("Report template %1: bookmark %2 in part %3 crosses paragraphs.")
                        .arg(label, crossing, part.name);
            return false;
        }
        QVector<Edit> edits;
        QByteArray relationships;
        qsizetype filledUntil = 0;
        for (const Bookmark& b : bookmarks) {
            const bool hasText = content.text.contains(b.name);
            const bool hasPicture = content.pictures.contains(b.name);
            const bool hasTable = content.tables.contains(b.name);
            const bool hasParagraphs = content.paragraphsAfter.contains(b.name);
            if (!hasText && !hasPicture && !hasTable && !hasParagraphs) continue;
            // A bookmark inside one already filled went with its contents (it is reported missing).
            if (b.contentStart < filledUntil) continue;
            filledUntil = b.contentEnd;
            seen.insert(b.name);
            const QString inside = xml.mid(b.contentStart, b.contentEnd - b.contentStart);
            const QByteArray rPr = kRunProperties.match(inside).captured().toUtf8();
            QByteArray replacement;
            if (hasPicture) {
                ++pictureNumber;
                const QString media =
                    QStringLiteral("word/media/ostrel_graph%1.png").arg(pictureNumber);
                const QString relId = QStringLiteral("rIdOstrel%1").arg(pictureNumber);
                added.push_back({media, content.pictures.value(b.name)});
                relationships += "<Relationship Id=\"" + relId.toUtf8() +
                                 "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                 "relationships/image\" Target=\"media/ostrel_graph" +
                                 QByteArray::number(pictureNumber) + ".png\"/>";
                replacement =
                    pictureRun(content.pictures.value(b.name), relId, 9000 + pictureNumber);
            } else {
                replacement = textRuns(content.text.value(b.name), rPr);
            }
            edits.push_back(
                {b.contentStart, b.contentEnd - b.contentStart, QString::fromUtf8(replacement)});
            if ((hasTable || hasParagraphs) && b.paragraphEnd > 0) {
                QByteArray after;
                for (const QString& p : content.paragraphsAfter.value(b.name))
                    after += "<w:p>" + textRuns(p, rPr) + "</w:p>";
                if (hasTable) after += tableXml(content.tables.value(b.name)) + "<w:p/>";
                edits.push_back({b.paragraphEnd, 0, QString::fromUtf8(after)});
            }
        }
        std::sort(edits.begin(), edits.end(),
                  [](const Edit& a, const Edit& b) { return a.at > b.at; });
        for (const Edit& e : edits)
            xml.replace(e.at, e.length, e.text);
        if (!edits.isEmpty()) part.data = xml.toUtf8();
        if (!relationships.isEmpty()) {
            const QString rels = relsName(part.name);
            QByteArray relsXml =
                package.find(rels)
                    ? *package.find(rels)
                    : QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                 "<Relationships "
                                 "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                 "relationships\"></Relationships>");
            relsXml.replace("</Relationships>", relationships + "</Relationships>");
            added.push_back({rels, relsXml});
        }
    }
    for (const DocxPart& p : added)
        filled.put(p.name, p.data);
    if (pictureNumber > 0) {
        QByteArray* types = filled.find(QStringLiteral("[Content_Types].xml"));
        if (types && !types->contains("Extension=\"png\""))
            types->replace("</Types>",
                           "<Default Extension=\"png\" ContentType=\"image/png\"/></Types>");
    }
    auto names = [&](const auto& map) {
        for (auto it = map.keyBegin(); it != map.keyEnd(); ++it)
            if (!seen.contains(*it)) missing << *it;
    };
    names(content.text);
    names(content.tables);
    names(content.paragraphsAfter);
    names(content.pictures);
    missing.removeDuplicates();
    missing.sort();
    package = filled;
    return true;
}

} // namespace ostrel
