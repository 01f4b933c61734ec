#include "platform/SaveLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

#include "platform/SafeFile.h"

namespace petalwright::platform {
namespace {

constexpr int kLockPollMs = 20;

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A lock file of this user that a killed save of a new file left, now that the file is there and
// locked itself: removed when nobody holds it.
void dropStaleLockFile(int folderFd, const QByteArray& name)
{
    const int fd = ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {}, named {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(folderFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(st, named))
        ::unlinkat(folderFd, name.constData(), 0);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

QByteArray SaveLock::lockName(const QByteArray& name) { return temporaryPrefix(name) + "lock"; }

std::optional<QString> lockHolder(int fd)
{
    const QString saving = QStringLiteral("ほかのプログラムがこのファイルを保存しています。終わるまで待ちます");
    struct stat st {};
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:56789 0 EOF"; waiters' lines carry "->".
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return saving;
    const QByteArray device = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(quint64(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) == "->" || fields.at(5) != device)
            continue;
        const QByteArray pid = fields.at(4);
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        const QString program = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        if (program.startsWith(QStringLiteral("petalwright")))
            return saving;
        return QStringLiteral("保存中ではないプログラム（%1、プロセス %2）がこのファイルをロックしています。ロックが外れるまで待ちます")
            .arg(program.isEmpty() ? QStringLiteral("不明") : program, QString::fromLatin1(pid));
    }
    return std::nullopt;
}

SaveLock::Outcome SaveLock::acquire(int folderFd, const QByteArray& name, const std::function<bool()>& keepWaiting, struct stat& held)
{
    release();
    m_folderFd = folderFd;
    bool lookedAgain = false;
    for (;;) {
        if (m_fd < 0) {
            struct stat named {};
            if (::fstatat(folderFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(named.st_mode)) {
                    errno = ELOOP;
                    return Outcome::Failed; // put there after the links were followed
                }
                m_fd = ::openat(folderFd, name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
                if (m_fd < 0 && errno == EACCES) // a file this user may write but not read
                    m_fd = ::openat(folderFd, name.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
                if (m_fd < 0 && errno == ENOENT)
                    continue;
                if (m_fd < 0)
                    return Outcome::Failed;
            } else if (errno != ENOENT) {
                return Outcome::Failed;
            } else {
                m_lockName = lockName(name);
                m_fd = ::openat(folderFd, m_lockName.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
                struct stat own {};
                // Another user's lock file is never used (it could keep this user's saves waiting
                // for ever); without a lock file (a folder this user cannot write) there is nothing
                // to guard: the new file cannot be made either.
                if (m_fd >= 0 && (::fstat(m_fd, &own) != 0 || own.st_uid != ::geteuid() || !S_ISREG(own.st_mode))) {
                    ::close(m_fd);
                    m_fd = -1;
                }
                if (m_fd < 0) {
                    m_lockName.clear();
                    held = {};
                    return Outcome::Locked;
                }
            }
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                return Outcome::Failed;
            const std::optional<QString> holder = lockHolder(m_fd);
            if (!holder && !std::exchange(lookedAgain, true))
                continue; // let go meanwhile: try once more before saying anything
            lookedAgain = false;
            m_waitingFor = holder.value_or(QStringLiteral("ほかのプログラムがこのファイルを保存しています。終わるまで待ちます"));
            m_waitingForSave = m_waitingFor.startsWith(QStringLiteral("ほかのプログラム"));
            if (keepWaiting && !keepWaiting()) {
                release();
                return Outcome::GaveUp;
            }
            ::usleep(kLockPollMs * 1000);
            continue;
        }
        // Locked: still the file (or lock file) at the name? A writer that waited may find its
        // predecessor's new file there, or the lock file gone with the save that made it.
        struct stat locked {}, named {};
        if (::fstat(m_fd, &locked) != 0)
            return Outcome::Failed;
        const QByteArray& at = m_lockName.isEmpty() ? name : m_lockName;
        if (::fstatat(folderFd, at.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(named, locked)) {
            if (m_lockName.isEmpty()) {
                held = locked;
                dropStaleLockFile(folderFd, lockName(name));
                return Outcome::Locked;
            }
            if (::fstatat(folderFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
                held = {};
                return Outcome::Locked;
            }
            ::unlinkat(folderFd, m_lockName.constData(), 0); // the file has come: its own lock serves
        }
        ::close(m_fd);
        m_fd = -1;
        m_lockName.clear();
    }
}

void SaveLock::release()
{
    if (m_fd >= 0 && !m_lockName.isEmpty())
        ::unlinkat(m_folderFd, m_lockName.constData(), 0); // while still held: a waiter then sees it gone
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_lockName.clear();
}

} // namespace petalwright::platform
