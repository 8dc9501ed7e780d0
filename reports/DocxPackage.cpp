#include "reports/DocxPackage.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

namespace ostrel {

const QByteArray* DocxPackage::find(const QString& name) const {
    for (const DocxPart& p : parts)
        if (p.name == name) return &p.data;
    return nullptr;
}

QByteArray* DocxPackage::find(const QString& name) {
    for (DocxPart& p : parts)
        if (p.name == name) return &p.data;
    return nullptr;
}

void DocxPackage::put(const QString& name, const QByteArray& data) {
    if (QByteArray* existing = find(name))
        *existing = data;
    else
        parts.push_back({name, data});
}

bool ReadDocxPackage(const QString& path, const QString& label, DocxPackage& package,
                     QString& error) {
    package.parts.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error =
            QStringLiteral("Report template %1 cannot be read: %2").arg(label, file.errorString());
        return false;
    }
    QuaZip zip(&file);
    if (!zip.open(QuaZip::mdUnzip)) {
        error = QStringLiteral("Report template %1 is not a .docx document (not a zip file).")
                    .arg(label);
        return false;
    }
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile part(&zip);
        const QString name = zip.getCurrentFileName();
        if (!part.open(QIODevice::ReadOnly)) {
            error =
                QStringLiteral("Report template %1: part %2 cannot be unpacked.").arg(label, name);
            return false;
        }
        package.parts.push_back({name, part.readAll()});
        if (part.getZipError() != UNZ_OK) {
            error = QStringLiteral("Report template %1: part %2 is damaged.").arg(label, name);
            return false;
        }
    }
    if (zip.getZipError() != UNZ_OK || !package.find(QStringLiteral("word/document.xml"))) {
        error = QStringLiteral("Report template %1 has no part word/document.xml.").arg(label);
        return false;
    }
    return true;
}

QByteArray ZipDocxPackage(const DocxPackage& package, bool& ok) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QuaZip zip(&buffer);
    ok = zip.open(QuaZip::mdCreate);
    for (const DocxPart& p : package.parts) {
        if (!ok) break;
        QuaZipFile part(&zip);
        ok = part.open(QIODevice::WriteOnly, QuaZipNewInfo(p.name), nullptr, 0, Z_DEFLATED, 6) &&
             part.write(p.data) == p.data.size();
        part.close();
        ok = ok && part.getZipError() == ZIP_OK;
    }
    zip.close();
    ok = ok && zip.getZipError() == ZIP_OK;
    return buffer.data();
}

bool WriteDocxPackage(const QString& path, const DocxPackage& package, QString& error) {
    bool ok = false;
    const QByteArray bytes = ZipDocxPackage(package, ok);
    QSaveFile file(path);
    if (!ok || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        error = QStringLiteral("Report %1 cannot be written: %2")
                    .arg(path, ok ? file.errorString() : QStringLiteral("packing failed"));
        return false;
    }
    return true;
}

} // namespace ostrel
