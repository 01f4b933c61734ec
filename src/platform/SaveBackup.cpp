#include "platform/SaveBackup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/SafeFile.h"
#include "platform/SaveTarget.h"
#include "platform/SystemCalls.h"
#include "platform/UserFolders.h"

namespace petalwright::platform {
namespace {

constexpr int kAttempts = 100;
constexpr int kRandomLetters = 6;

QString shown(const QByteArray& path) { return QDir::toNativeSeparators(QFile::decodeName(path)); }

struct Found {
    int folderFd;
    QByteArray name, path;
    struct stat st;
};

// The files of `folderFd` named `prefix` and six letters: whole names only, never a longer one.
std::vector<Found> named(int folderFd, const QByteArray& folder, const QByteArray& prefix)
{
    std::vector<Found> found;
    const int fd = ::dup(folderFd);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return found;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        struct stat st {};
        if (name.size() == prefix.size() + kRandomLetters && name.startsWith(prefix)
            && ::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            found.push_back({folderFd, name, (folder == "/" ? QByteArray() : folder) + '/' + name, st});
    }
    ::closedir(dir);
    return found;
}

bool newer(const Found& a, const Found& b)
{
    return a.st.st_mtim.tv_sec != b.st.st_mtim.tv_sec ? a.st.st_mtim.tv_sec > b.st.st_mtim.tv_sec : a.st.st_mtim.tv_nsec > b.st.st_mtim.tv_nsec;
}

// "path（2026-12-07 14:50:12、12345 バイト）", newest first.
QString listed(std::vector<Found> files)
{
    std::sort(files.begin(), files.end(), newer);
    QStringList lines;
    for (const Found& file : files)
        lines << QStringLiteral("%1（%2、%3 バイト）")
                     .arg(shown(file.path),
                          QDateTime::fromSecsSinceEpoch(file.st.st_mtim.tv_sec).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                     .arg(qint64(file.st.st_size));
    return lines.join(QStringLiteral("\n　　"));
}

// A backup folder of this user's other than the target's: open, with its path.
struct OtherFolder {
    int fd = -1;
    QByteArray path;
};
std::vector<OtherFolder> userFolders(QStringList* problems, Make make)
{
    std::vector<OtherFolder> folders;
    for (const auto which : {cacheFolder, runtimeFolder}) {
        QString problem;
        const std::optional<QByteArray> folder = which(problem, make);
        if (!folder) {
            if (problems)
                *problems << problem;
            continue;
        }
        const int fd = ::open(folder->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            folders.push_back({fd, *folder});
    }
    return folders;
}

} // namespace

QByteArray SaveBackup::path() const { return (m_folder == "/" ? QByteArray() : m_folder) + '/' + m_name; }

void SaveBackup::closeFolder()
{
    if (m_ownFolderFd && m_folderFd >= 0)
        ::close(m_folderFd);
    m_folderFd = -1;
    m_ownFolderFd = false;
}

bool SaveBackup::write(const SaveTarget& target, const QByteArray& bytes)
{
    closeFolder();
    m_name.clear();
    m_problem.clear();
    int error = 0;
    if (writeIn(target.folderFd(), temporaryPrefix(target.name()), backupPrefix(target.name()), bytes)) {
        m_folderFd = ::dup(target.folderFd());
        m_ownFolderFd = true;
        m_folder = target.folder();
        return true;
    }
    error = errno;
    // A folder this user cannot write: the cache folder, else (no home folder) the runtime folder.
    QStringList problems;
    for (const OtherFolder& folder : userFolders(&problems, Make::Missing)) {
        if (m_name.isEmpty() && writeIn(folder.fd, cacheTemporaryPrefix(target.path()), cacheBackupPrefix(target.path()), bytes)) {
            m_folderFd = folder.fd;
            m_ownFolderFd = true;
            m_folder = folder.path;
            continue;
        }
        if (m_name.isEmpty())
            error = errno;
        ::close(folder.fd);
    }
    if (!m_name.isEmpty())
        return true;
    m_problem = saveFailureCause(error);
    if (problems.size() == 2 && (error == EACCES || error == EPERM || error == EROFS))
        m_problem = QStringLiteral("控えを置けるフォルダーがありません: %1").arg(problems.join(QStringLiteral("、")));
    return false;
}

bool SaveBackup::writeIn(int folderFd, const QByteArray& temporaryPrefix, const QByteArray& backupPrefix, const QByteArray& bytes)
{
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = temporaryPrefix + randomLetters();
        fd = systemCalls().openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && (errno != EEXIST || attempt == kAttempts))
            return false;
    }
    bool ok = writeAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) && systemCalls().fsync(fd) == 0;
    int error = errno;
    ::close(fd);
    // Only now is it a backup: a name that never stands for part of a file.
    for (int attempt = 0; ok && m_name.isEmpty(); ++attempt) {
        const QByteArray name = backupPrefix + randomLetters();
        if (::renameat2(folderFd, temporary.constData(), folderFd, name.constData(), RENAME_NOREPLACE) == 0)
            m_name = name;
        else if (errno != EEXIST || attempt == kAttempts)
            ok = false;
        error = errno;
    }
    if (ok && !syncFolder(folderFd)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlinkat(folderFd, (m_name.isEmpty() ? temporary : m_name).constData(), 0);
        m_name.clear();
    }
    errno = error;
    return ok;
}

bool SaveBackup::remove()
{
    if (m_name.isEmpty())
        return true;
    const bool removed = systemCalls().unlinkat(m_folderFd, m_name.constData(), 0) == 0;
    const int error = errno;
    if (removed) {
        (void)syncFolder(m_folderFd);
        m_name.clear();
        closeFolder();
    }
    errno = error;
    return removed;
}

void SaveBackup::keep()
{
    m_name.clear();
    closeFolder();
}

QString leftoversNotice(const SaveTarget& target, const QString& shownPath, const timespec& start)
{
    std::vector<Found> backups = named(target.folderFd(), target.folder(), backupPrefix(target.name()));
    std::vector<Found> temporaries = named(target.folderFd(), target.folder(), temporaryPrefix(target.name()));
    const std::vector<OtherFolder> others = userFolders(nullptr, Make::Nothing);
    for (const OtherFolder& folder : others) {
        for (Found& found : named(folder.fd, folder.path, cacheBackupPrefix(target.path())))
            backups.push_back(found);
        for (Found& found : named(folder.fd, folder.path, cacheTemporaryPrefix(target.path())))
            temporaries.push_back(found);
    }
    // A killed save's temporary file holds a part of a flower or of a backup: this user's, from
    // before this save began, goes; another user's, or a newer one, is only named.
    std::vector<Found> removed, left;
    for (const Found& file : temporaries) {
        const bool older = file.st.st_mtim.tv_sec < start.tv_sec
            || (file.st.st_mtim.tv_sec == start.tv_sec && file.st.st_mtim.tv_nsec < start.tv_nsec);
        if (file.st.st_uid == ::geteuid() && older && ::unlinkat(file.folderFd, file.name.constData(), 0) == 0)
            removed.push_back(file);
        else
            left.push_back(file);
    }
    for (const OtherFolder& folder : others)
        ::close(folder.fd);
    QStringList notes;
    if (!backups.empty())
        notes << QStringLiteral("以前の保存が途中で終わったときの控え（上書き前の内容）が残っています。\n\nファイル: %1\n控え: %2\n\n"
                                "必要がなければ削除してください。")
                     .arg(shownPath, listed(backups));
    if (!removed.empty())
        notes << QStringLiteral("以前の保存が途中で終わったときの一時ファイルを削除しました。\n\nファイル: %1\n一時ファイル: %2")
                     .arg(shownPath, listed(removed));
    if (!left.empty())
        notes << QStringLiteral("ほかの保存の一時ファイルが残っています。ほかのユーザーのものか、保存中のものです。\n\nファイル: %1\n一時ファイル: %2")
                     .arg(shownPath, listed(left));
    return notes.join(QStringLiteral("\n\n"));
}

} // namespace petalwright::platform
