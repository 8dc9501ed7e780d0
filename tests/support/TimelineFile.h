#pragma once
// The virtual source's timeline file (one JSON object per line), read back
// by the tests that check what the output did.
#include <QJsonObject>
#include <QString>

#include <vector>

namespace ostrel::test {

// The records of one event kind ("point", "output", ...), in order.
std::vector<QJsonObject> TimelineEvents(const QString& path, const QString& kind);

} // namespace ostrel::test
