#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringEncoder>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/PathName.h"

namespace petalwright::platform {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryAttempts = 100;
constexpr int kLockPollMs = 20;
constexpr std::size_t kMaxNameBytes = 255;
constexpr int kRandomLetters = 6;

QString headline(const QString& path) { return QStringLiteral("ファイルを保存できませんでした。\n\nファイル: %1\n原因: ").arg(QDir::toNativeSeparators(path)); }

// Why a thing that exists at the target is not replaced; empty for a regular file.
QString kindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("同じ名前のフォルダーがあります。");
    QString kind = QStringLiteral("特殊なファイル");
    if (S_ISFIFO(mode))
        kind = QStringLiteral("名前付きパイプ（FIFO）");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = QStringLiteral("デバイス");
    else if (S_ISSOCK(mode))
        kind = QStringLiteral("ソケット");
    return QStringLiteral("同じ名前の%1があります。通常のファイルではないため置き換えません。").arg(kind);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The name a chain of symbolic links ends at (it need not exist); errno is set when there is none.
std::optional<QByteArray> followLinks(QByteArray path)
{
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0)
            return errno == ENOENT ? std::optional<QByteArray>(path) : std::nullopt;
        if (!S_ISLNK(st.st_mode))
            return path;
        if (hops == kMaxLinkHops) {
            errno = ELOOP;
            return std::nullopt;
        }
        QByteArray link(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = ::readlink(path.constData(), link.data(), static_cast<std::size_t>(link.size()));
        if (length < 0)
            return std::nullopt;
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = systemCalls().write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

QByteArray randomLetters()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray letters;
    for (int i = 0; i < kRandomLetters; ++i)
        letters += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return letters;
}

// `name` cut at a character boundary so that `before` + name + `after` + the random letters fit
// into one file name.
QByteArray fitted(const QByteArray& before, QByteArray name, const QByteArray& after)
{
    const auto room = static_cast<qsizetype>(kMaxNameBytes) - before.size() - after.size() - kRandomLetters;
    if (name.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name.at(cut)) & 0xC0u) == 0x80u)
            --cut; // not inside a UTF-8 character
        name.truncate(cut);
    }
    return before + name + after;
}

QByteArray baseName(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

bool syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = systemCalls().fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

// 0666 less the umask, as any new file gets.
unsigned newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

// True when this user may write the file itself (effective ids, as the kernel will judge).
bool writable(const QByteArray& path) { return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0; }

QString notWritable() { return QStringLiteral("このファイルへの書き込みが許可されていないため、置き換えません。"); }

} // namespace

SystemCalls realSystemCalls()
{
    return {[](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }, ::write, ::fsync, ::rename};
}

SystemCalls& systemCalls()
{
    static SystemCalls calls = realSystemCalls();
    return calls;
}

QByteArray temporaryPrefix(const QByteArray& fileName) { return fitted(".", fileName, ".petalwright-"); }

QByteArray backupPrefix(const QByteArray& fileName) { return fitted(".", fileName, ".petalwright-backup-"); }

QByteArray cacheBackupFolder()
{
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (cache.startsWith('/'))
        return cache + "/petalwright";
    return QFile::encodeName(QDir::homePath()) + "/.cache/petalwright";
}

QByteArray cacheBackupPrefix(const QByteArray& target)
{
    // FNV-1a of the whole path: two files of one name in different folders get different backups.
    quint64 hash = 0xcbf29ce484222325ull;
    for (const char c : target)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return fitted({}, baseName(target), "." + QByteArray::number(hash, 16).rightJustified(16, '0') + ".petalwright-backup-");
}

QByteArray toCodePage932(const QString& text)
{
    QStringEncoder whole("CP932");
    QByteArray bytes = whole.encode(text);
    // A lone surrogate at the end is swallowed without an error, hence the validity test.
    if (!whole.hasError() && text.isValidUtf16())
        return bytes;
    // The converter puts its own two-byte substitute where a character is missing; encode one
    // character (a surrogate pair only when both halves are there) at a time instead and write a
    // single '?' for each that fails.
    bytes.clear();
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        QStringEncoder one("CP932");
        const QByteArray encoded = one.encode(QStringView(text).mid(i, length));
        bytes += one.hasError() || encoded.isEmpty() ? QByteArray("?") : encoded;
        i += length;
    }
    return bytes;
}

QString saveFailureCause(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが拒否されました。");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です。");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます。");
    case ENOENT:
        return QStringLiteral("保存先のフォルダーが見つかりません。");
    case ENOTDIR:
        return QStringLiteral("パスの途中にフォルダーではないものがあります。");
    case ELOOP:
        return QStringLiteral("シンボリックリンクが多すぎるか、循環しています。");
    case EIO:
        return QStringLiteral("ディスクの読み書きでエラーが起きました。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("ファイルが使用中です。");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます。");
    case EPIPE:
        return QStringLiteral("受け取る側が先に終了しました。");
    case EEXIST:
        return QStringLiteral("一時ファイルの名前がすべて使われています。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます。");
    default:
        return QStringLiteral("予期しないエラーです（%1）。").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

std::string OutputFile::encodeText(std::string_view utf8) const
{
    return toCodePage932(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))).toStdString();
}

QString targetProblem(const QString& path)
{
    const std::optional<QByteArray> encoded = encodedPath(path);
    if (!encoded || path.isEmpty())
        return headline(path) + QStringLiteral("ファイル名として表せない文字が含まれています。");
    struct stat st {};
    if (::stat(encoded->constData(), &st) == 0) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return headline(path) + kind;
        return writable(*encoded) ? QString() : headline(path) + (errno == EROFS ? saveFailureCause(EROFS) : notWritable());
    }
    if (errno != ENOENT)
        return headline(path) + saveFailureCause(errno);
    const std::optional<QByteArray> target = followLinks(*encoded);
    if (!target)
        return headline(path) + saveFailureCause(errno);
    if (::stat(folderOf(*target).constData(), &st) != 0)
        return headline(path) + saveFailureCause(errno);
    if (!S_ISDIR(st.st_mode))
        return headline(path) + saveFailureCause(ENOTDIR);
    return {};
}

SafeFile::SafeFile(const QString& path) : m_path(path) {}

SafeFile::~SafeFile() { discard(); }

bool SafeFile::open()
{
    discard();
    m_error.clear();
    m_notice.clear();
    m_backup.clear();
    m_existed = false;
    m_previousIntact = true;
    m_written = 0;
    m_buffer.clear();
    m_buffer.reserve(kBufferBytes);

    const std::optional<QByteArray> encoded = encodedPath(m_path);
    if (!encoded || m_path.isEmpty())
        return fail(QStringLiteral("ファイル名として表せない文字が含まれています。"));
    const std::optional<QByteArray> target = followLinks(*encoded);
    if (!target)
        return failWith(errno);
    m_target = *target;
    m_folder = folderOf(m_target);
    m_newMode = newFileMode();

    struct stat st {};
    if (::stat(m_target.constData(), &st) == 0) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return fail(kind);
        if (!writable(m_target))
            return errno == EROFS ? failWith(EROFS) : fail(notWritable());
        m_existed = true;
        if (!lockTarget())
            return false;
        findLeftoverBackups();
        // Replacing would split the links: every name must show the new content.
        if (m_oldLinks > 1)
            return openInPlace();
    } else if (errno != ENOENT) {
        return failWith(errno);
    } else if (::stat(m_folder.constData(), &st) != 0) {
        return failWith(errno);
    } else if (!S_ISDIR(st.st_mode)) {
        return failWith(ENOTDIR);
    }

    const QByteArray prefix = m_folder + '/' + temporaryPrefix(baseName(m_target));
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = prefix + randomLetters();
        // Private while it is written; the mode of the file it replaces is set after the last write.
        m_fd = systemCalls().open(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            break;
        const int error = errno;
        if (error == EEXIST && attempt < kTemporaryAttempts)
            continue;
        m_temporary.clear();
        // A folder this user cannot write: the file itself may still be writable.
        if (m_existed && (error == EACCES || error == EPERM))
            return openInPlace();
        return failWith(error);
    }
    m_mode = Mode::Replace;
    if (!m_existed)
        return true;
    m_newMode = m_oldMode;

    struct stat made {};
    ::fstat(m_fd, &made);
    if (made.st_uid != m_oldOwner && ::fchown(m_fd, m_oldOwner, m_oldGroup) != 0) {
        // Another user's file that this user may write: in place it stays theirs.
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        return openInPlace();
    }
    if (made.st_gid != m_oldGroup)
        (void)::fchown(m_fd, static_cast<uid_t>(-1), m_oldGroup); // kept where this user may set it
    return true;
}

bool SafeFile::lockTarget()
{
    // The lock is on the file itself; a writer that waited for it may find a new file at the name
    // (the one its predecessor renamed there) and then locks that one.
    for (int waited = 0;; waited += kLockPollMs) {
        if (m_lockFd < 0) {
            m_lockFd = ::open(m_target.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
            if (m_lockFd < 0 && errno == EACCES) // a file this user may write but not read
                m_lockFd = ::open(m_target.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
            if (m_lockFd < 0)
                return failWith(errno);
        }
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                return failWith(errno);
            if (keepWaiting && !keepWaiting()) {
                ::close(m_lockFd);
                m_lockFd = -1;
                m_existed = false; // nothing was touched
                return fail(QStringLiteral("ほかのプログラムがこのファイルを保存している間に中断しました。"));
            }
            ::usleep(kLockPollMs * 1000);
            continue;
        }
        struct stat held {}, named {};
        if (::fstat(m_lockFd, &held) != 0)
            return failWith(errno);
        if (::stat(m_target.constData(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            if (const QString kind = kindProblem(held.st_mode); !kind.isEmpty())
                return fail(kind);
            m_oldMode = held.st_mode & 07777u;
            m_oldOwner = held.st_uid;
            m_oldGroup = held.st_gid;
            m_oldDevice = held.st_dev;
            m_oldInode = held.st_ino;
            m_oldLinks = held.st_nlink;
            return true;
        }
        ::close(m_lockFd); // the name now holds another file (or none): lock again
        m_lockFd = -1;
        if (::stat(m_target.constData(), &named) != 0) {
            if (errno != ENOENT)
                return failWith(errno);
            m_existed = false;
            return true;
        }
    }
}

void SafeFile::findLeftoverBackups()
{
    QStringList found;
    const auto scan = [&found](const QByteArray& folder, const QByteArray& prefix) {
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            return;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name.startsWith(prefix) && name.size() == prefix.size() + kRandomLetters)
                found << QDir::toNativeSeparators(QFile::decodeName(folder + '/' + name));
        }
        ::closedir(dir);
    };
    scan(m_folder, backupPrefix(baseName(m_target)));
    scan(cacheBackupFolder(), cacheBackupPrefix(m_target));
    if (!found.isEmpty())
        m_notice = QStringLiteral("以前の保存が途中で終わったときの控え（上書き前の内容）が残っています。\n\nファイル: %1\n控え: %2\n\n"
                                  "必要がなければ削除してください。")
                       .arg(QDir::toNativeSeparators(m_path), found.join(QStringLiteral("\n　　")));
}

bool SafeFile::openInPlace()
{
    // Non-blocking: if the name has become a FIFO since it was examined, opening must not hang.
    m_fd = ::open(m_target.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (m_fd < 0)
        return failWith(errno);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != m_oldDevice || st.st_ino != m_oldInode) {
        closeAndDrop();
        return fail(QStringLiteral("保存中にファイルが別のものに置き換えられました。"));
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    if (st.st_size > kMaxInPlaceBytes) {
        closeAndDrop();
        return fail(QStringLiteral("以前のファイルが大きすぎて、安全に上書きできません。"));
    }
    m_oldBytes = QByteArray(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype have = 0;
    while (have < m_oldBytes.size()) {
        const ssize_t got = ::pread(m_fd, m_oldBytes.data() + have, static_cast<std::size_t>(m_oldBytes.size() - have), have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            const int error = got < 0 ? errno : EIO;
            closeAndDrop();
            return failWith(error);
        }
        have += got;
    }
    if (!writeBackup())
        return false;
    m_mode = Mode::InPlace;
    m_newMode = m_oldMode;
    return true;
}

bool SafeFile::writeBackup()
{
    // Beside the file where the folder takes it, else in the user's cache folder.
    const QByteArray cache = cacheBackupFolder();
    const QByteArray prefixes[] = {m_folder + '/' + backupPrefix(baseName(m_target)), cache + '/' + cacheBackupPrefix(m_target)};
    int error = 0;
    for (const QByteArray& prefix : prefixes) {
        if (prefix.startsWith(cache + '/')) {
            QDir().mkpath(QFile::decodeName(folderOf(cache)));
            ::mkdir(cache.constData(), 0700); // the old bytes are the user's alone
        }
        for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
            m_backup = prefix + randomLetters();
            const int fd = systemCalls().open(m_backup.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            error = errno;
            if (fd < 0) {
                m_backup.clear();
                if (error == EEXIST)
                    continue;
                break;
            }
            const bool ok = writeAll(fd, m_oldBytes.constData(), static_cast<std::size_t>(m_oldBytes.size())) && systemCalls().fsync(fd) == 0
                && syncFolder(folderOf(m_backup));
            error = errno;
            ::close(fd);
            if (ok)
                return true;
            ::unlink(m_backup.constData());
            m_backup.clear();
            break;
        }
    }
    closeAndDrop();
    return fail(QStringLiteral("上書きする前に以前の内容の控えを作れませんでした（%1）。").arg(saveFailureCause(error)));
}

bool SafeFile::write(std::string_view bytes)
{
    if (m_fd < 0 || !m_error.isEmpty())
        return false;
    if (m_buffer.size() + bytes.size() > kBufferBytes && !flushBuffer())
        return false;
    if (bytes.size() >= kBufferBytes)
        return writeOut(bytes.data(), bytes.size());
    m_buffer.append(bytes);
    return true;
}

bool SafeFile::flushBuffer()
{
    const bool ok = m_buffer.empty() || writeOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return ok;
}

bool SafeFile::writeOut(const char* data, std::size_t size)
{
    if (!writeAll(m_fd, data, size))
        return failWith(errno);
    m_written += static_cast<qint64>(size);
    return true;
}

bool SafeFile::commit()
{
    if (m_fd < 0 || !m_error.isEmpty())
        return false;
    if (!flushBuffer())
        return false;
    if (m_mode == Mode::InPlace && ::ftruncate(m_fd, m_written) != 0)
        return failWith(errno);
    // After the last write: a write by a user who is not root clears the set-user-ID and
    // set-group-ID bits. Only the owner may set them; another user's file keeps what the system left.
    if (::fchmod(m_fd, m_newMode) != 0 && m_mode == Mode::Replace)
        return failWith(errno);
    if (systemCalls().fsync(m_fd) != 0)
        return failWith(errno);
    if (m_mode == Mode::InPlace) {
        dropBackup();
        closeAndDrop();
        return true;
    }
    const int fd = m_fd;
    m_fd = -1;
    // The last look: what was put at the name meanwhile is not replaced unless it is a regular file.
    struct stat st {};
    QString kind;
    if (::stat(m_target.constData(), &st) == 0)
        kind = kindProblem(st.st_mode);
    if (::close(fd) != 0 || !kind.isEmpty() || systemCalls().rename(m_temporary.constData(), m_target.constData()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        closeAndDrop();
        return kind.isEmpty() ? failWith(error) : fail(kind);
    }
    m_temporary.clear();
    closeAndDrop();
    // The new name itself reaches the disk with the folder.
    if (!syncFolder(m_folder)) {
        m_error = headline(m_path) + saveFailureCause(errno)
            + QStringLiteral("\n\n新しいファイルは置きましたが、フォルダーの記録をディスクに書き込めませんでした。"
                             "停電などがあると、新しいファイルが失われることがあります。");
        return false;
    }
    return true;
}

void SafeFile::discard()
{
    if (m_mode == Mode::InPlace && m_fd >= 0) {
        m_previousIntact = restorePrevious();
        if (m_previousIntact)
            dropBackup();
    }
    closeAndDrop();
}

bool SafeFile::restorePrevious()
{
    m_buffer.clear();
    if (::lseek(m_fd, 0, SEEK_SET) != 0 || !writeAll(m_fd, m_oldBytes.constData(), static_cast<std::size_t>(m_oldBytes.size()))
        || ::ftruncate(m_fd, m_oldBytes.size()) != 0)
        return false;
    (void)::fchmod(m_fd, m_oldMode); // the bits the writes cleared, where this user owns the file
    return systemCalls().fsync(m_fd) == 0;
}

void SafeFile::dropBackup()
{
    if (m_backup.isEmpty())
        return;
    ::unlink(m_backup.constData());
    (void)syncFolder(folderOf(m_backup));
    m_backup.clear();
}

void SafeFile::closeAndDrop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
    m_oldBytes.clear();
    m_buffer.clear();
    m_mode = Mode::Closed;
}

bool SafeFile::failWith(int error) { return fail(saveFailureCause(error)); }

bool SafeFile::fail(const QString& reason)
{
    // A failed file is dropped at once: the previous one comes back before the message is shown.
    const QByteArray backup = m_backup;
    discard();
    m_error = headline(m_path) + reason;
    if (m_existed) {
        struct stat st {};
        const bool stillThere = ::stat(m_target.constData(), &st) == 0;
        if (m_previousIntact && stillThere)
            m_error += QStringLiteral("\n\n以前のファイルは変更されていません。");
        else if (!m_backup.isEmpty())
            m_error += QStringLiteral("\n\n以前のファイルを元に戻せませんでした。以前の内容は次の控えにあります。\n%1")
                           .arg(QDir::toNativeSeparators(QFile::decodeName(backup)));
        else
            m_error += QStringLiteral("\n\n以前のファイルを元に戻せませんでした。");
    }
    return false;
}

} // namespace petalwright::platform
