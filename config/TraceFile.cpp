#include "config/TraceFile.h"

namespace ostrel {

QStringList SelectTraceEntries(const QStringList& entries, TraceSelection selection) {
    if (selection == TraceSelection::All) return entries;
    QStringList out;
    const bool replies = selection == TraceSelection::Responses;
    for (const QString& e : entries)
        if (e.contains(QLatin1Char('<')) == replies) out.append(e);
    return out;
}

QString TraceFileText(const QStringList& entries, TraceSelection selection, const TraceHeader& h) {
    static const char* headings[] = {"Command Trace", "Command Trace - command output only",
                                     "Command Trace - response data only"};
    QStringList lines{
        h.messageTitle + QLatin1Char(' ') + h.version,
        QStringLiteral("Model = ") + h.designation + QStringLiteral(", S/N = ") + h.serialNumber,
        QStringLiteral("FW rev = ") + h.firmwareRevision + QStringLiteral(", FW p/n = ") +
            h.firmwarePartNumber,
        h.when.date().toString(Qt::ISODate),
        h.when.time().toString(QStringLiteral("HH:mm:ss")),
        QString::fromLatin1(headings[static_cast<int>(selection)]),
    };
    lines += SelectTraceEntries(entries, selection);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace ostrel
