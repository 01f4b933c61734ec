#include "platform/SaveTarget.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace petalwright::platform {
namespace {

constexpr int kMaxLinkHops = 40;

// The rule of fs.protected_symlinks: in a folder that is sticky and writable by everyone, only a
// link of this user or of the folder's owner is followed. Applied whatever the system's setting.
bool mayFollow(const struct stat& link, const QByteArray& folder)
{
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0)
        return false;
    const bool shared = (st.st_mode & S_ISVTX) != 0 && (st.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == st.st_uid;
}

} // namespace

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray baseName(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

QByteArray SaveTarget::path() const { return (m_folder == "/" ? QByteArray() : m_folder) + '/' + m_name; }

void SaveTarget::close()
{
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_folderFd = -1;
}

bool SaveTarget::resolve(const QByteArray& given)
{
    close();
    m_problem.clear();
    m_error = 0;
    // Absolute, so that the path tells files of one name in different folders apart.
    QByteArray path = given.startsWith('/') ? given : QFile::encodeName(QDir::currentPath()) + '/' + given;
    struct stat end {};
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT)
                return failWith(errno);
            end = {};
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            end = st;
            break;
        }
        if (hops == kMaxLinkHops)
            return failWith(ELOOP);
        if (!mayFollow(st, folderOf(path)))
            return fail(QStringLiteral("誰でも書き込めるフォルダーにある、ほかのユーザーのシンボリックリンクはたどりません。"));
        QByteArray link(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = ::readlink(path.constData(), link.data(), static_cast<std::size_t>(link.size()));
        if (length < 0)
            return failWith(errno);
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    // The kernel reaches a file the names do not (a /proc/self/fd link to a deleted file): saving
    // at the name would make a new file beside the one meant.
    struct stat reached {};
    if (::stat(given.constData(), &reached) == 0 && (end.st_ino != reached.st_ino || end.st_dev != reached.st_dev))
        return fail(QStringLiteral("リンク先のファイルは削除されたか、別の名前に移されています。"));
    m_folder = folderOf(path);
    m_name = baseName(path);
    if (m_name.isEmpty() || m_name == "." || m_name == "..")
        return fail(QStringLiteral("同じ名前のフォルダーがあります。"));
    m_folderFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        return failWith(errno);
    return true;
}

bool SaveTarget::failWith(int error)
{
    m_error = error;
    return false;
}

bool SaveTarget::fail(const QString& problem)
{
    m_problem = problem;
    return false;
}

} // namespace petalwright::platform
