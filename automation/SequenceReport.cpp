#include "automation/SequenceReport.h"

#include "link/OutputState.h"

#include <QLocale>
#include <QSaveFile>

namespace ostrel {

namespace {

QString modeName(int mode) {
    return mode == ModeDC ? QStringLiteral("DC") : mode == ModeACDC ? QStringLiteral("AC+DC")
                                                                     : QStringLiteral("AC");
}

QByteArray pdfText(const QString& line) {
    QByteArray out;
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        const char b = u >= 32 && u < 256 ? char(u) : '?';
        if (b == '(' || b == ')' || b == '\\') out += '\\';
        out += b;
    }
    return out;
}

} // namespace

QStringList SequenceReportLines(const SequenceReportData& d) {
    QStringList lines;
    lines << QStringLiteral(" Stimulus - Response Test Report") << QString()
          << QStringLiteral("Printed on: ") + QLocale().toString(d.printedOn, QLocale::LongFormat)
          << QString() << QStringLiteral("Source Output Sequence")
          << QStringLiteral("Model = ") + d.model + QStringLiteral(", Serial no.= ") + d.serial +
                 QStringLiteral(", Volt mode = ") + modeName(d.outputMode) +
                 QStringLiteral(", Phase = ") +
                 (d.threePhase ? QStringLiteral("A, B, C") : QStringLiteral("A"));
    if (d.simulated)
        lines << QStringLiteral("Simulated readings: no AC source was attached.");
    lines << QString() << QStringLiteral("Information about this test run:")
          << QStringLiteral("Tested by: ") + d.user.testedBy
          << QStringLiteral("EUT info  : ") + d.user.eut
          << QStringLiteral("Comment  : ") + d.user.comment << QString()
          << QStringLiteral("Test options selected:");
    const SequencerOptions& o = d.options;
    const std::pair<bool, const char*> options[] = {
        {o.passes != 1, "Run in loop mode"},   {o.abortOnFail, "Abort test on any FAIL"},
        {o.autoRange, "Auto Vrange change"},   {o.failOnly, "Fail"},
        {o.outputOff, "Output OFF"},           {o.saveData, "Save data"},
        {o.printReport, "Print report"},
    };
    bool any = false;
    for (const auto& [on, text] : options)
        if (on) {
            lines << QStringLiteral("  ") + QString::fromLatin1(text);
            any = true;
        }
    if (!any) lines << QStringLiteral("  (none)");

    const bool dc = d.outputMode == ModeDC;
    const QChar locale = QLocale().decimalPoint().at(0);
    const auto shown = [&](int column, const QString& cell) {
        QString text = cell;
        if (SequenceNumericColumn(column) && locale != u'.') text.replace(u'.', locale);
        return text;
    };
    for (int p = 0; p < (d.threePhase ? 3 : 1); ++p) {
        const auto& rows = d.table.phases[size_t(p)];
        lines << QString() << QStringLiteral("Phase ") + QChar(u'A' + p);
        QString heading;
        for (int c = 0; c < kSequenceColumns; ++c)
            heading += SequenceHeading(c, dc).leftJustified(c == SeqStep ? 7 : 10, u' ', true);
        lines << heading;
        for (const SequenceRow& row : rows) {
            bool blank = true;
            for (int c = SeqFreq; c < kSequenceColumns; ++c)
                blank = blank && row[size_t(c)].isEmpty();
            if (blank) continue;
            QString text;
            for (int c = 0; c < kSequenceColumns; ++c)
                text += shown(c, row[size_t(c)]).leftJustified(c == SeqStep ? 7 : 10, u' ', true);
            lines << text;
        }
    }
    return lines;
}

bool WriteTextPdf(const QString& path, const QStringList& lines, QString& error) {
    // Landscape A4 in points; 6.5 pt Courier is 3.9 pt a character.
    constexpr int kWidth = 842, kHeight = 595, kMargin = 36;
    constexpr double kSize = 6.5, kLeading = 8.0;
    const int perPage = int((kHeight - 2 * kMargin) / kLeading);
    QList<QByteArray> objects; // object n + 1 at index n
    objects << "<< /Type /Catalog /Pages 2 0 R >>" << QByteArray() // pages, filled below
            << "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>";
    QByteArray kids;
    int pages = 0;
    for (qsizetype first = 0; first < std::max<qsizetype>(lines.size(), 1); first += perPage) {
        QByteArray content = "BT /F1 " + QByteArray::number(kSize) + " Tf " +
                             QByteArray::number(kLeading) + " TL " + QByteArray::number(kMargin) +
                             ' ' + QByteArray::number(kHeight - kMargin) + " Td\n";
        for (qsizetype i = first; i < std::min(lines.size(), first + perPage); ++i)
            content += '(' + pdfText(lines[i]) + ") Tj T*\n";
        content += "ET\n";
        const int contentObject = int(objects.size()) + 2;
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(kWidth) + ' ' +
                       QByteArray::number(kHeight) + "] /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                       QByteArray::number(contentObject) + " 0 R >>"
                << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                       "endstream";
        kids += QByteArray::number(contentObject - 1) + " 0 R ";
        ++pages;
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype off : offsets)
        pdf += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace ostrel
