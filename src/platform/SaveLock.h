#pragma once
// One writer at a time for a name: an advisory lock (flock) on the file itself, or, while there
// is no file yet, on a lock file of this user beside it, removed when the save ends.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <sys/stat.h>

namespace petalwright::platform {

class SaveLock {
public:
    SaveLock() = default;
    ~SaveLock() { release(); }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    enum class Outcome { Locked, GaveUp, Failed };
    // Locks `name` in the folder `folderFd`, calling `keepWaiting` about every 20 ms while another
    // holds it. Locked: `held` is the file now at the name (st_mode 0: there is none). Failed: errno.
    Outcome acquire(int folderFd, const QByteArray& name, const std::function<bool()>& keepWaiting, struct stat& held);
    // The locked file, open for reading (or writing only, for a file this user may not read); -1
    // when there was none.
    int fileFd() const { return m_lockName.isEmpty() ? m_fd : -1; }
    // What is waited for, in Japanese ("...終わるまで待ちます"); empty before any wait.
    const QString& waitingFor() const { return m_waitingFor; }
    // True while the holder is another save (not a program that only holds a lock).
    bool waitingForSave() const { return m_waitingForSave; }
    void release();

    // The lock file's name for a file named `name` that does not exist yet.
    static QByteArray lockName(const QByteArray& name);

private:
    int m_fd = -1;
    int m_folderFd = -1;
    QByteArray m_lockName; // while a lock file of a new name is held
    QString m_waitingFor;
    bool m_waitingForSave = false;
};

// What a wait for the lock on the file open at `fd` waits for, in Japanese: another save, or a
// program that is not saving (its name and process number from /proc/locks); nothing when no
// lock on the file is listed (it was let go meanwhile).
std::optional<QString> lockHolder(int fd);

} // namespace petalwright::platform
