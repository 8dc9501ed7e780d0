#include "app/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace ostrel {

InstanceLock::InstanceLock() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    lock_ = std::make_unique<QLockFile>(dir + QStringLiteral("/ostrel-instance.lock"));
    lock_->setStaleLockTime(0); // a crashed instance's lock is taken over
    held_ = lock_->tryLock(0);
}

} // namespace ostrel
