#pragma once
// A .docx file as its parts (name -> bytes, in the order they were stored),
// read from a zip and written back as one through QSaveFile.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ostrel {

struct DocxPart {
    QString name; // "word/document.xml"
    QByteArray data;
};

struct DocxPackage {
    QVector<DocxPart> parts;

    const QByteArray* find(const QString& name) const;
    QByteArray* find(const QString& name);
    // Replaces the part, or adds it at the end.
    void put(const QString& name, const QByteArray& data);
};

// False with a message naming `label` (the template) when it is not a zip or
// has no "word/document.xml".
bool ReadDocxPackage(const QString& path, const QString& label, DocxPackage& package,
                     QString& error);
QByteArray ZipDocxPackage(const DocxPackage& package, bool& ok);
// Written whole or not at all.
bool WriteDocxPackage(const QString& path, const DocxPackage& package, QString& error);

} // namespace ostrel
