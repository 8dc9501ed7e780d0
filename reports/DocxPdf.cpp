#include "reports/DocxPdf.h"

#include <QBuffer>
#include <QDomDocument>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <memory>

namespace ostrel {

namespace {

constexpr int kResolution = 300;
// Documents are laid out in the units Qt's text layout uses for point sizes
// (the screen's logical dots per inch) and painted scaled to the writer's.
double layoutDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}
constexpr double kTwipsPerInch = 1440.0;
constexpr double kEmuPerInch = 914400.0;
const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kR =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kA = QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main");
const QString kWp =
    QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
const QChar kPageMark = QChar(0xE000); // stands for the page number until a page is drawn

double twipsToPx(double twips) {
    return twips / kTwipsPerInch * layoutDpi();
}

QString wAttr(const QDomElement& e, const QString& name) {
    return e.attributeNS(kW, name);
}

// The first (next) element in the main namespace with that local name.
QDomElement wNext(QDomElement e, const QString& name) {
    while (!e.isNull() && (e.localName() != name || e.namespaceURI() != kW))
        e = e.nextSiblingElement();
    return e;
}
QDomElement wChild(const QDomElement& e, const QString& name) {
    return wNext(e.firstChildElement(), name);
}
QDomElement wSibling(const QDomElement& e, const QString& name) {
    return wNext(e.nextSiblingElement(), name);
}

bool onOff(const QDomElement& e) {
    if (e.isNull()) return false;
    const QString v = wAttr(e, QStringLiteral("val"));
    return v.isEmpty() || (v != QLatin1String("0") && v != QLatin1String("false"));
}

struct ParagraphStyle {
    QTextBlockFormat block;
    QTextCharFormat chars;
};

void applyRunProperties(const QDomElement& rPr, QTextCharFormat& f) {
    if (rPr.isNull()) return;
    if (QDomElement b = wChild(rPr, QStringLiteral("b")); !b.isNull())
        f.setFontWeight(onOff(b) ? QFont::Bold : QFont::Normal);
    if (QDomElement i = wChild(rPr, QStringLiteral("i")); !i.isNull()) f.setFontItalic(onOff(i));
    if (QDomElement u = wChild(rPr, QStringLiteral("u")); !u.isNull())
        f.setFontUnderline(wAttr(u, QStringLiteral("val")) != QLatin1String("none"));
    if (QDomElement sz = wChild(rPr, QStringLiteral("sz")); !sz.isNull())
        f.setFontPointSize(wAttr(sz, QStringLiteral("val")).toDouble() / 2.0);
    if (QDomElement c = wChild(rPr, QStringLiteral("color")); !c.isNull()) {
        const QString v = wAttr(c, QStringLiteral("val"));
        if (v != QLatin1String("auto")) f.setForeground(QColor(QLatin1Char('#') + v));
    }
    if (QDomElement fonts = wChild(rPr, QStringLiteral("rFonts")); !fonts.isNull()) {
        const QString family = wAttr(fonts, QStringLiteral("ascii"));
        if (!family.isEmpty()) f.setFontFamilies({family});
    }
}

void applyParagraphProperties(const QDomElement& pPr, QTextBlockFormat& f) {
    if (pPr.isNull()) return;
    if (QDomElement jc = wChild(pPr, QStringLiteral("jc")); !jc.isNull()) {
        const QString v = wAttr(jc, QStringLiteral("val"));
        f.setAlignment(v == QLatin1String("center")                               ? Qt::AlignHCenter
                       : v == QLatin1String("right") || v == QLatin1String("end") ? Qt::AlignRight
                       : v == QLatin1String("both")                               ? Qt::AlignJustify
                                                                                  : Qt::AlignLeft);
    }
    if (QDomElement sp = wChild(pPr, QStringLiteral("spacing")); !sp.isNull()) {
        if (sp.hasAttributeNS(kW, QStringLiteral("before")))
            f.setTopMargin(twipsToPx(wAttr(sp, QStringLiteral("before")).toDouble()));
        if (sp.hasAttributeNS(kW, QStringLiteral("after")))
            f.setBottomMargin(twipsToPx(wAttr(sp, QStringLiteral("after")).toDouble()));
    }
    if (QDomElement ind = wChild(pPr, QStringLiteral("ind")); !ind.isNull())
        f.setLeftMargin(twipsToPx(wAttr(ind, QStringLiteral("left")).toDouble()));
    if (QDomElement tabs = wChild(pPr, QStringLiteral("tabs")); !tabs.isNull()) {
        QList<QTextOption::Tab> stops;
        for (QDomElement t = wChild(tabs, QStringLiteral("tab")); !t.isNull();
             t = wSibling(t, QStringLiteral("tab"))) {
            const QString kind = wAttr(t, QStringLiteral("val"));
            stops << QTextOption::Tab(twipsToPx(wAttr(t, QStringLiteral("pos")).toDouble()),
                                      kind == QLatin1String("right")    ? QTextOption::RightTab
                                      : kind == QLatin1String("center") ? QTextOption::CenterTab
                                                                        : QTextOption::LeftTab);
        }
        f.setTabPositions(stops);
    }
    if (onOff(wChild(pPr, QStringLiteral("pageBreakBefore"))))
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
}

class Renderer {
public:
    Renderer(const DocxPackage& package) : package_(package) {
        QDomDocument styles;
        if (const QByteArray* s = package.find(QStringLiteral("word/styles.xml")))
            styles.setContent(*s, true);
        const QDomElement root = styles.documentElement();
        QDomElement defaults = wChild(
            wChild(wChild(root, QStringLiteral("docDefaults")), QStringLiteral("rPrDefault")),
            QStringLiteral("rPr"));
        defaultChars_.setFontPointSize(11);
        applyRunProperties(defaults, defaultChars_);
        QHash<QString, QDomElement> byId;
        for (QDomElement s = wChild(root, QStringLiteral("style")); !s.isNull();
             s = wSibling(s, QStringLiteral("style")))
            byId.insert(wAttr(s, QStringLiteral("styleId")), s);
        for (auto it = byId.cbegin(); it != byId.cend(); ++it)
            styles_.insert(it.key(), resolve(it.key(), byId, 0));
    }

    // The part's relationships: Id -> target part name.
    QHash<QString, QString> relationships(const QString& part) const {
        QHash<QString, QString> map;
        const qsizetype slash = part.lastIndexOf(u'/');
        const QString folder = part.left(slash + 1);
        const QByteArray* rels = package_.find(folder + QStringLiteral("_rels/") +
                                               part.mid(slash + 1) + QStringLiteral(".rels"));
        if (!rels) return map;
        QDomDocument d;
        d.setContent(*rels, true);
        for (QDomElement r = d.documentElement().firstChildElement(); !r.isNull();
             r = r.nextSiblingElement())
            map.insert(r.attribute(QStringLiteral("Id")),
                       folder + r.attribute(QStringLiteral("Target")));
        return map;
    }

    // Fills `doc` with the children of `container` (a body, header, footer or cell).
    void render(const QString& part, const QDomElement& container, QTextDocument& doc) {
        rels_ = relationships(part);
        doc_ = &doc;
        QTextCursor cursor(&doc);
        first_ = true;
        blocks(container, cursor);
    }

private:
    ParagraphStyle resolve(const QString& id, const QHash<QString, QDomElement>& byId, int depth) {
        ParagraphStyle style;
        const QDomElement s = byId.value(id);
        if (s.isNull() || depth > 8) return style;
        const QString base = wAttr(wChild(s, QStringLiteral("basedOn")), QStringLiteral("val"));
        if (!base.isEmpty()) style = resolve(base, byId, depth + 1);
        applyParagraphProperties(wChild(s, QStringLiteral("pPr")), style.block);
        applyRunProperties(wChild(s, QStringLiteral("rPr")), style.chars);
        return style;
    }

    void blocks(const QDomElement& container, QTextCursor& cursor) {
        for (QDomElement e = container.firstChildElement(); !e.isNull();
             e = e.nextSiblingElement()) {
            if (e.namespaceURI() != kW) continue;
            if (e.localName() == QLatin1String("p"))
                paragraph(e, cursor);
            else if (e.localName() == QLatin1String("tbl"))
                table(e, cursor);
            else if (e.localName() == QLatin1String("sdt"))
                blocks(wChild(e, QStringLiteral("sdtContent")), cursor);
        }
    }

    void paragraph(const QDomElement& p, QTextCursor& cursor) {
        const QDomElement pPr = wChild(p, QStringLiteral("pPr"));
        ParagraphStyle style = styles_.value(QStringLiteral("Normal"));
        const QString styleId = wAttr(wChild(pPr, QStringLiteral("pStyle")), QStringLiteral("val"));
        if (!styleId.isEmpty()) style = styles_.value(styleId, style);
        QTextBlockFormat block = style.block;
        applyParagraphProperties(pPr, block);
        QTextCharFormat chars = defaultChars_;
        chars.merge(style.chars);
        if (first_) {
            cursor.setBlockFormat(block);
            first_ = false;
        } else {
            cursor.insertBlock(block);
        }
        cursor.setBlockCharFormat(chars);
        fieldState_ = Field::None;
        inlines(p, cursor, chars);
    }

    void inlines(const QDomElement& parent, QTextCursor& cursor, const QTextCharFormat& chars) {
        for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            const QString n = e.localName();
            if (n == QLatin1String("r"))
                run(e, cursor, chars);
            else if (n == QLatin1String("hyperlink") || n == QLatin1String("ins") ||
                     n == QLatin1String("smartTag"))
                inlines(e, cursor, chars);
            else if (n == QLatin1String("fldSimple")) {
                if (isPageField(wAttr(e, QStringLiteral("instr"))))
                    cursor.insertText(QString(kPageMark), chars);
                else
                    inlines(e, cursor, chars);
            }
        }
    }

    static bool isPageField(const QString& instr) {
        return instr.trimmed()
                   .section(u' ', 0, 0)
                   .compare(QLatin1String("PAGE"), Qt::CaseInsensitive) == 0;
    }

    void run(const QDomElement& r, QTextCursor& cursor, const QTextCharFormat& paragraphChars) {
        QTextCharFormat f = paragraphChars;
        applyRunProperties(wChild(r, QStringLiteral("rPr")), f);
        for (QDomElement e = r.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            const QString n = e.localName();
            if (n == QLatin1String("fldChar")) {
                const QString type = wAttr(e, QStringLiteral("fldCharType"));
                if (type == QLatin1String("begin")) {
                    fieldState_ = Field::Instruction;
                    instruction_.clear();
                } else if (type == QLatin1String("separate")) {
                    const bool page = isPageField(instruction_);
                    if (page) cursor.insertText(QString(kPageMark), f);
                    fieldState_ = page ? Field::SkippedResult : Field::None;
                } else
                    fieldState_ = Field::None;
                continue;
            }
            if (n == QLatin1String("instrText")) {
                instruction_ += e.text();
                continue;
            }
            if (fieldState_ != Field::None) continue;
            if (n == QLatin1String("t"))
                cursor.insertText(e.text(), f);
            else if (n == QLatin1String("tab"))
                cursor.insertText(QStringLiteral("\t"), f);
            else if (n == QLatin1String("br")) {
                if (wAttr(e, QStringLiteral("type")) == QLatin1String("page")) {
                    QTextBlockFormat b = cursor.blockFormat();
                    cursor.insertBlock(b);
                    b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                    cursor.setBlockFormat(b);
                } else {
                    cursor.insertText(QString(QChar::LineSeparator), f);
                }
            } else if (n == QLatin1String("drawing"))
                picture(e, cursor);
        }
    }

    void picture(const QDomElement& drawing, QTextCursor& cursor) {
        const QDomNodeList blips = drawing.elementsByTagNameNS(kA, QStringLiteral("blip"));
        const QDomNodeList extents = drawing.elementsByTagNameNS(kWp, QStringLiteral("extent"));
        if (blips.isEmpty()) return;
        const QString target =
            rels_.value(blips.at(0).toElement().attributeNS(kR, QStringLiteral("embed")));
        const QByteArray* data = package_.find(target);
        QImage image;
        if (!data || !image.loadFromData(*data)) return;
        const QString url = QStringLiteral("docx:") + target;
        doc_->addResource(QTextDocument::ImageResource, QUrl(url), image);
        QTextImageFormat f;
        f.setName(url);
        if (!extents.isEmpty()) {
            const QDomElement ext = extents.at(0).toElement();
            f.setWidth(ext.attribute(QStringLiteral("cx")).toDouble() / kEmuPerInch * layoutDpi());
            f.setHeight(ext.attribute(QStringLiteral("cy")).toDouble() / kEmuPerInch * layoutDpi());
        }
        cursor.insertImage(f);
    }

    void table(const QDomElement& tbl, QTextCursor& cursor) {
        QVector<QDomElement> rows;
        int columns = 0;
        for (QDomElement tr = wChild(tbl, QStringLiteral("tr")); !tr.isNull();
             tr = wSibling(tr, QStringLiteral("tr"))) {
            rows << tr;
            int n = 0;
            for (QDomElement tc = wChild(tr, QStringLiteral("tc")); !tc.isNull();
                 tc = wSibling(tc, QStringLiteral("tc")))
                ++n;
            columns = std::max(columns, n);
        }
        if (rows.isEmpty() || columns == 0) return;
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setCellSpacing(0);
        format.setCellPadding(twipsToPx(60));
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        int header = 0;
        while (header < rows.size() && onOff(wChild(wChild(rows[header], QStringLiteral("trPr")),
                                                    QStringLiteral("tblHeader"))))
            ++header;
        format.setHeaderRowCount(header);
        QTextTable* t = cursor.insertTable(rows.size(), columns, format);
        for (int r = 0; r < rows.size(); ++r) {
            int c = 0;
            for (QDomElement tc = wChild(rows[r], QStringLiteral("tc"));
                 !tc.isNull() && c < columns; tc = wSibling(tc, QStringLiteral("tc")), ++c) {
                QTextCursor cell = t->cellAt(r, c).firstCursorPosition();
                const bool wasFirst = first_;
                first_ = true;
                blocks(tc, cell);
                first_ = wasFirst;
            }
        }
        cursor = t->lastCursorPosition();
        cursor.movePosition(QTextCursor::NextBlock);
    }

    enum class Field { None, Instruction, SkippedResult };
    const DocxPackage& package_;
    QHash<QString, ParagraphStyle> styles_;
    QTextCharFormat defaultChars_;
    QHash<QString, QString> rels_;
    QTextDocument* doc_ = nullptr;
    bool first_ = true;
    Field fieldState_ = Field::None;
    QString instruction_;
};

struct Section {
    double width = 11906, height = 16838; // A4 in twips
    double top = 1134, bottom = 1134, left = 1134, right = 1134, header = 567, footer = 567;
    QString headerPart, footerPart;
};

Section readSection(const QDomElement& body, const QHash<QString, QString>& rels) {
    Section s;
    QDomElement sect = wChild(body, QStringLiteral("sectPr"));
    if (sect.isNull()) return s;
    auto number = [](const QDomElement& e, const char* name, double& into) {
        if (e.hasAttributeNS(kW, QLatin1String(name)))
            into = e.attributeNS(kW, QLatin1String(name)).toDouble();
    };
    const QDomElement size = wChild(sect, QStringLiteral("pgSz"));
    number(size, "w", s.width);
    number(size, "h", s.height);
    const QDomElement mar = wChild(sect, QStringLiteral("pgMar"));
    number(mar, "top", s.top);
    number(mar, "bottom", s.bottom);
    number(mar, "left", s.left);
    number(mar, "right", s.right);
    number(mar, "header", s.header);
    number(mar, "footer", s.footer);
    for (QDomElement ref = sect.firstChildElement(); !ref.isNull();
         ref = ref.nextSiblingElement()) {
        if (wAttr(ref, QStringLiteral("type")) != QLatin1String("default")) continue;
        const QString target = rels.value(ref.attributeNS(kR, QStringLiteral("id")));
        if (ref.localName() == QLatin1String("headerReference")) s.headerPart = target;
        if (ref.localName() == QLatin1String("footerReference")) s.footerPart = target;
    }
    return s;
}

std::unique_ptr<QTextDocument> partDocument(Renderer& renderer, const DocxPackage& package,
                                            const QString& part, double width) {
    const QByteArray* xml = package.find(part);
    if (part.isEmpty() || !xml) return nullptr;
    QDomDocument dom;
    if (!dom.setContent(*xml, true)) return nullptr;
    auto doc = std::make_unique<QTextDocument>();
    doc->setDocumentMargin(0);
    renderer.render(part, dom.documentElement(), *doc);
    doc->setTextWidth(width);
    return doc;
}

// The header or footer of one page: the page mark becomes its number.
void drawPageText(QTextDocument& doc, QPainter& painter, const QPointF& at, int page,
                  bool fromBottom) {
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->setTextWidth(doc.textWidth());
    for (QTextCursor c = copy->find(QString(kPageMark)); !c.isNull();
         c = copy->find(QString(kPageMark), c))
        c.insertText(QString::number(page));
    painter.save();
    painter.translate(at.x(), fromBottom ? at.y() - copy->size().height() : at.y());
    copy->drawContents(&painter);
    painter.restore();
}

} // namespace

bool RenderDocxPdf(const DocxPackage& package, const QString& title, QByteArray& pdf,
                   QString& error) {
    QDomDocument dom;
    const QByteArray* documentXml = package.find(QStringLiteral("word/document.xml"));
    if (!documentXml || !dom.setContent(*documentXml, true)) {
        error = QStringLiteral("Report %1: the document cannot be read for its PDF.").arg(title);
        return false;
    }
    const QString part = QStringLiteral("word/document.xml");
    Renderer renderer(package);
    const QDomElement body = wChild(dom.documentElement(), QStringLiteral("body"));
    const Section section = readSection(body, renderer.relationships(part));

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Ostrel"));
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(section.width / 20.0, section.height / 20.0), QPageSize::Point),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        const double bodyWidth = twipsToPx(section.width - section.left - section.right);
        const double bodyHeight = twipsToPx(section.height - section.top - section.bottom);
        QTextDocument doc;
        doc.setDocumentMargin(0);
        renderer.render(part, body, doc);
        doc.setPageSize(QSizeF(bodyWidth, bodyHeight));
        auto header = partDocument(renderer, package, section.headerPart, bodyWidth);
        auto footer = partDocument(renderer, package, section.footerPart, bodyWidth);
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = QStringLiteral("Report %1: the PDF cannot be started.").arg(title);
            return false;
        }
        painter.scale(kResolution / layoutDpi(), kResolution / layoutDpi());
        const int pages = doc.pageCount();
        for (int page = 0; page < pages; ++page) {
            if (page > 0) writer.newPage();
            if (header)
                drawPageText(*header, painter, {twipsToPx(section.left), twipsToPx(section.header)},
                             page + 1, false);
            if (footer)
                drawPageText(*footer, painter,
                             {twipsToPx(section.left), twipsToPx(section.height - section.footer)},
                             page + 1, true);
            painter.save();
            painter.translate(twipsToPx(section.left), twipsToPx(section.top) - page * bodyHeight);
            // A hair short of the break: what starts on the next page must not bleed onto this one.
            doc.drawContents(&painter, QRectF(0, page * bodyHeight, bodyWidth, bodyHeight - 0.5));
            painter.restore();
        }
        painter.end();
    }
    pdf = out.data();
    return true;
}

bool WriteDocxPdf(const DocxPackage& package, const QString& pdfPath, const QString& title,
                  QString& error) {
    QByteArray pdf;
    if (!RenderDocxPdf(package, title, pdf, error)) return false;
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        error = QStringLiteral("Report %1 cannot be written: %2").arg(pdfPath, file.errorString());
        return false;
    }
    return true;
}

} // namespace ostrel
