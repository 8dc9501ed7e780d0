#include "ReportTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace ostrel::test {

QString ShippedTemplate(const QString& name) {
    return QStringLiteral(OSTREL_BUILT_TEMPLATES_DIR "/") + name + QStringLiteral(".docx");
}

IecReportInput SampleIecInput() {
    IecReportInput in;
    TestReportRecord& r = in.record;
    r[FieldProgramTitle] = "Ostrel";
    r[FieldReportTitle] = "IEC 61000-4-11 Voltage Dips and Interruptions Test Report";
    r[FieldTestFile] = "IEC61000-4-11_Class3_50Hz.411";
    r[FieldTestType] = "Voltage dips and interruptions";
    r[FieldNominalVoltage] = "230.0";
    r[FieldNominalFrequency] = "50.0";
    r[FieldTestResult] = "PASS";
    r[FieldEutDescription] = "Bench supply\r\nserial 4711";
    r[FieldOperator] = "J. Smith";
    r[FieldComment] = "";
    r[FieldSite] = "Lab 2";
    r[FieldTemperature] = "23 C";
    r[FieldHumidity] = "45 %";
    r[FieldPressure] = "1013 hPa";
    r[FieldTimeStarted] = "Monday, March 2, 2026 09:05:07";
    r[FieldTimeEnded] = "Monday, March 2, 2026 09:12:40";
    r[FieldInrush] = "OK, peak 21.3 A at 90 deg";
    r.observations = "No malfunction observed.";
    in.programVersion = "0.1.0";
    in.model = "KV-3000";
    in.serialNumber = "SN1234";
    in.header0 = "Example Test House";
    in.header1 = "Power Quality Laboratory";
    in.parameters = "Unom = 230.0 V\tFnom = 50.0 Hz\nRepetitions = 3";
    in.steps = {{"Level %", "Cycles", "Phase", "Reps", "V min", "I max", "Result"},
                {"0", "0.5", "0.0", "3", "0.4", "1.2", "done"},
                {"40", "10", "0.0", "3", "92.1", "1.3", "done"},
                {"70", "25", "0.0", "3", "161.0", "1.4", "done"}};
    in.trendPng = SolidPng(400, 200, "#2050a0");
    in.printed = QDateTime(QDate(2026, 3, 2), QTime(9, 15, 0));
    return in;
}

QString BookmarkText(const QByteArray& partXml, const QString& name) {
    const QString xml = QString::fromUtf8(partXml);
    const auto start =
        QRegularExpression(QStringLiteral("<w:bookmarkStart\\b[^>]*w:name=\"%1\"[^>]*>").arg(name))
            .match(xml);
    if (!start.hasMatch()) return {};
    const QString id =
        QRegularExpression(QStringLiteral("w:id=\"([^\"]*)\"")).match(start.captured()).captured(1);
    const qsizetype end =
        xml.indexOf(QStringLiteral("<w:bookmarkEnd w:id=\"%1\"/>").arg(id), start.capturedEnd());
    const QString inside = xml.mid(start.capturedEnd(), end - start.capturedEnd());
    QString text(QStringLiteral(""));
    static const QRegularExpression pieces(
        QStringLiteral("<w:t(?: [^>]*)?>([^<]*)</w:t>|<w:tab/>|<w:br/>"));
    for (auto it = pieces.globalMatch(inside); it.hasNext();) {
        const auto m = it.next();
        if (m.captured() == QLatin1String("<w:tab/>"))
            text += u'\t';
        else if (m.captured() == QLatin1String("<w:br/>"))
            text += u'\n';
        else {
            QXmlStreamReader r(QStringLiteral("<t>") + m.captured(1) + QStringLiteral("</t>"));
            r.readNextStartElement();
            text += r.readElementText();
        }
    }
    return text;
}

QByteArray WithoutBookmarkContents(const QByteArray& partXml) {
    static const QRegularExpression contents(
        QStringLiteral(
            "(<w:bookmarkStart\\b[^>]*w:id=\"([^\"]*)\"[^>]*>).*?(<w:bookmarkEnd w:id=\"\\2\"/>)"),
        QRegularExpression::DotMatchesEverythingOption);
    return QString::fromUtf8(partXml).replace(contents, QStringLiteral("\\1\\3")).toUtf8();
}

bool WellFormedXml(const QByteArray& xml) {
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

QString PdfText(const QString& pdfPath) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList PdfImages(const QString& pdfPath) {
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdfPath});
    p.waitForFinished(30000);
    QStringList rows;
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].simplified().split(u' ');
        if (cols.size() > 4) rows << cols[0] + u' ' + cols[3] + u' ' + cols[4];
    }
    return rows;
}

QByteArray SolidPng(int width, int height, const char* colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(QLatin1String(colour)));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace ostrel::test
