#include "platform/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace petalwright::platform {

InstanceLock::InstanceLock() : InstanceLock(defaultLockPath()) {}

InstanceLock::InstanceLock(const QString& lockPath) : m_lock(lockPath)
{
    // Only a dead owner makes the lock stale, never its age: the first copy may run for days.
    m_lock.setStaleLockTime(0);
}

bool InstanceLock::tryAcquire() { return m_lock.tryLock(0); }

QString InstanceLock::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("petalwright.lock"));
}

} // namespace petalwright::platform
