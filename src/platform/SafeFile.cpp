#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/PathName.h"

namespace petalwright::platform {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryAttempts = 100;

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
        const ssize_t done = ::write(fd, data, size);
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

// Short, so that a name of any length the file system accepts has room beside it.
QByteArray temporaryName(const QByteArray& folder)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = folder + "/.pw";
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return name;
}

} // namespace

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
        const QString kind = kindProblem(st.st_mode);
        return kind.isEmpty() ? QString() : headline(path) + kind;
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

    struct stat st {};
    if (::stat(m_target.constData(), &st) == 0) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return fail(kind);
        m_existed = true;
        m_oldMode = st.st_mode & 07777u;
        m_oldOwner = st.st_uid;
        m_oldGroup = st.st_gid;
        m_oldDevice = st.st_dev;
        m_oldInode = st.st_ino;
        // Replacing would split the links: every name must show the new content.
        if (st.st_nlink > 1)
            return openInPlace();
    } else if (errno != ENOENT) {
        return failWith(errno);
    } else if (::stat(m_folder.constData(), &st) != 0) {
        return failWith(errno);
    } else if (!S_ISDIR(st.st_mode)) {
        return failWith(ENOTDIR);
    }

    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = temporaryName(m_folder);
        // 0666 less the umask, as any new file; a replaced file gets its old mode below.
        m_fd = ::open(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

    struct stat made {};
    ::fstat(m_fd, &made);
    if (made.st_uid != m_oldOwner && ::fchown(m_fd, m_oldOwner, m_oldGroup) != 0) {
        // Another user's file that this user may write: in place it stays theirs.
        if (::access(m_target.constData(), W_OK) == 0) {
            closeAndDrop();
            return openInPlace();
        }
    }
    if (made.st_gid != m_oldGroup)
        (void)::fchown(m_fd, static_cast<uid_t>(-1), m_oldGroup); // kept where this user may set it
    if (::fchmod(m_fd, m_oldMode) != 0) {
        const int error = errno;
        closeAndDrop();
        return failWith(error);
    }
    return true;
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
    m_mode = Mode::InPlace;
    return true;
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
    if (::fsync(m_fd) != 0)
        return failWith(errno);
    if (m_mode == Mode::InPlace) {
        closeAndDrop();
        return true;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_temporary.constData(), m_target.constData()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        m_temporary.clear();
        m_mode = Mode::Closed;
        return failWith(error);
    }
    m_temporary.clear();
    m_mode = Mode::Closed;
    // The new name itself reaches the disk with the folder.
    const int folder = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return true;
}

void SafeFile::discard()
{
    if (m_mode == Mode::InPlace && m_fd >= 0)
        m_previousIntact = restorePrevious();
    closeAndDrop();
}

bool SafeFile::restorePrevious()
{
    m_buffer.clear();
    return ::lseek(m_fd, 0, SEEK_SET) == 0 && writeAll(m_fd, m_oldBytes.constData(), static_cast<std::size_t>(m_oldBytes.size()))
        && ::ftruncate(m_fd, m_oldBytes.size()) == 0 && ::fsync(m_fd) == 0;
}

void SafeFile::closeAndDrop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
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
    discard();
    m_error = headline(m_path) + reason;
    if (m_existed) {
        struct stat st {};
        const bool stillThere = ::stat(m_target.constData(), &st) == 0;
        m_error += m_previousIntact && stillThere ? QStringLiteral("\n\n以前のファイルは変更されていません。")
                                                  : QStringLiteral("\n\n以前のファイルを元に戻せませんでした。");
    }
    return false;
}

} // namespace petalwright::platform
