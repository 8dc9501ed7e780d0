#include "support/TimelineFile.h"

#include <QFile>
#include <QJsonDocument>

namespace ostrel::test {

std::vector<QJsonObject> TimelineEvents(const QString& path, const QString& kind) {
    std::vector<QJsonObject> events;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return events;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e.value(QLatin1String("event")).toString() == kind) events.push_back(e);
    }
    return events;
}

} // namespace ostrel::test
