#pragma once
// The bus monitor's trace saved as text: a header naming the program and the
// source, then the chosen entries in list order.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ostrel {

enum class TraceSelection { All, Commands, Responses };

struct TraceHeader {
    QString messageTitle;
    QString version;
    QString designation;
    QString serialNumber;
    QString firmwareRevision;
    QString firmwarePartNumber;
    QDateTime when;
};

// Replies are the entries holding "<" ("<-- " + reply); commands are the rest.
QStringList SelectTraceEntries(const QStringList& entries, TraceSelection selection);
QString TraceFileText(const QStringList& entries, TraceSelection selection, const TraceHeader& header);

} // namespace ostrel
