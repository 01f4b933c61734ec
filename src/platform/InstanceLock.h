#pragma once
// One copy of the program at a time: a lock file held for the program's lifetime.

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace petalwright::platform {

class InstanceLock {
public:
    enum class Result {
        Acquired,    // this copy holds the lock now
        HeldByOther, // another running copy holds it
        Unavailable, // no lock could be made: reason() says why
    };

    // Every lock of defaultLockPaths() that can be taken.
    InstanceLock();
    // Exactly this lock file.
    explicit InstanceLock(const QString& lockPath);

    // A lock left behind by a copy that was killed is recovered.
    Result tryAcquire();
    // Why no lock could be made (each folder tried, with its problem); empty otherwise.
    QString reason() const { return m_reason; }

    // Where the locks live: the user's runtime folder ($XDG_RUNTIME_DIR/petalwright.lock) and the
    // cache folder (<cache>/petalwright/petalwright.lock), which copies started with different or no
    // XDG_RUNTIME_DIR share. Only folders of this user, never a shared one (/tmp) where another
    // user could make the name first; only absolute paths, never the current folder.
    static QStringList lockPaths(const QByteArray& runtimeFolder, const QByteArray& cacheHome);
    static QStringList defaultLockPaths();

private:
    QStringList m_paths;
    std::vector<std::unique_ptr<QLockFile>> m_locks;
    QString m_reason;
};

} // namespace petalwright::platform
