#pragma once
// One copy of the program at a time: a lock file held for the program's lifetime.

#include <QLockFile>
#include <QString>

namespace petalwright::platform {

class InstanceLock {
public:
    // The lock file in the user's runtime folder, or the temporary folder when there is none.
    InstanceLock();
    explicit InstanceLock(const QString& lockPath);

    // True when this copy now holds the lock; false when another running copy holds it. A lock
    // left behind by a copy that was killed is recovered.
    bool tryAcquire();

    static QString defaultLockPath();

private:
    QLockFile m_lock;
};

} // namespace petalwright::platform
