#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace petalwright::platform {

InstanceLock::InstanceLock() : m_paths(defaultLockPaths()) {}

InstanceLock::InstanceLock(const QString& lockPath) : m_paths{lockPath} {}

InstanceLock::Result InstanceLock::tryAcquire()
{
    // Every usable lock is taken: copies started with different (or no) XDG_RUNTIME_DIR or TMPDIR
    // still meet at /tmp/petalwright-<uid>.lock, and the runtime folder's lock serves when another
    // user has taken that name first.
    QStringList problems;
    std::vector<std::unique_ptr<QLockFile>> held;
    for (const QString& path : std::as_const(m_paths)) {
        if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
            problems << QStringLiteral("%1: フォルダーがありません").arg(QDir::toNativeSeparators(path));
            continue;
        }
        // A lock file of another user (or something else under the name) says nothing about this
        // user's copies: another user could otherwise keep the program from starting.
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_uid != ::getuid())) {
            problems << QStringLiteral("%1: ほかのユーザーのファイルです").arg(QDir::toNativeSeparators(path));
            continue;
        }
        auto lock = std::make_unique<QLockFile>(path);
        // Only a dead owner makes the lock stale, never its age: the first copy may run for days.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            held.push_back(std::move(lock));
            continue;
        }
        if (lock->error() == QLockFile::LockFailedError)
            return Result::HeldByOther; // the locks taken so far go with `held`
        problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                 lock->error() == QLockFile::PermissionError ? QStringLiteral("書き込めません")
                                                                                            : QStringLiteral("作成できません"));
    }
    if (!held.empty()) {
        m_locks = std::move(held);
        m_reason.clear();
        return Result::Acquired;
    }
    m_reason = problems.join(QStringLiteral("、"));
    return Result::Unavailable;
}

QStringList InstanceLock::lockPaths(const QByteArray& runtimeFolder, const QByteArray& temporaryFolder, unsigned userId)
{
    QStringList paths;
    const auto add = [&paths](const QByteArray& folder, const QString& name) {
        // A relative or empty folder would put the lock wherever the program was started.
        if (!folder.startsWith('/'))
            return;
        const QString path = QDir(QFile::decodeName(folder)).filePath(name);
        if (!paths.contains(path))
            paths << path;
    };
    add(runtimeFolder, QStringLiteral("petalwright.lock"));
    const QString shared = QStringLiteral("petalwright-%1.lock").arg(userId);
    add(temporaryFolder, shared);
    add(QByteArrayLiteral("/tmp"), shared);
    return paths;
}

QStringList InstanceLock::defaultLockPaths()
{
    return lockPaths(qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR"), static_cast<unsigned>(::getuid()));
}

} // namespace petalwright::platform
