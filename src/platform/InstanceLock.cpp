#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/UserFolders.h"

namespace petalwright::platform {

InstanceLock::InstanceLock() : m_paths(defaultLockPaths()) {}

InstanceLock::InstanceLock(const QString& lockPath) : m_paths{lockPath} {}

InstanceLock::Result InstanceLock::tryAcquire()
{
    // Every usable lock is taken: copies started with different (or no) XDG_RUNTIME_DIR still
    // meet in the cache folder.
    QStringList problems;
    if (m_paths.isEmpty())
        problems << QStringLiteral("ホームフォルダーも XDG_RUNTIME_DIR もありません");
    std::vector<std::unique_ptr<QLockFile>> held;
    for (const QString& path : std::as_const(m_paths)) {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        QString problem;
        if (folder.endsWith("/petalwright") && !ownFolder(folder.chopped(12), problem)) { // made only in a folder of this user's
            problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), problem);
            continue;
        }
        // A folder or lock file of another user (or something else under the name) says nothing
        // about this user's copies: another user could otherwise keep the program from starting,
        // or let a second copy run.
        struct stat st {};
        const bool there = ::lstat(folder.constData(), &st) == 0;
        if (!there || !S_ISDIR(st.st_mode)) {
            problems << QStringLiteral("%1: フォルダーがありません").arg(QDir::toNativeSeparators(path));
            continue;
        }
        if (st.st_uid != ::geteuid()
            || (::lstat(QFile::encodeName(path).constData(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()))) {
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

QStringList InstanceLock::lockPaths(const QByteArray& runtimeFolder, const QByteArray& cacheHome)
{
    QStringList paths;
    // A relative or empty folder would put the lock wherever the program was started.
    if (runtimeFolder.startsWith('/'))
        paths << QDir(QFile::decodeName(runtimeFolder)).filePath(QStringLiteral("petalwright.lock"));
    if (cacheHome.startsWith('/'))
        paths << QDir(QFile::decodeName(cacheHome)).filePath(QStringLiteral("petalwright/petalwright.lock"));
    return paths;
}

QStringList InstanceLock::defaultLockPaths() { return lockPaths(qgetenv("XDG_RUNTIME_DIR"), cacheHome()); }

} // namespace petalwright::platform
