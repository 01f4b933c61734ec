#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileAttributes.h"
#include "platform/PathName.h"

namespace petalwright::platform {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kTemporaryAttempts = 100;
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
    if (S_ISLNK(mode)) // put at the name after its links were followed
        return QStringLiteral("保存中にファイルが別のものに置き換えられました。");
    QString kind = QStringLiteral("特殊なファイル");
    if (S_ISFIFO(mode))
        kind = QStringLiteral("名前付きパイプ（FIFO）");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = QStringLiteral("デバイス");
    else if (S_ISSOCK(mode))
        kind = QStringLiteral("ソケット");
    return QStringLiteral("同じ名前の%1があります。通常のファイルではないため置き換えません。").arg(kind);
}

// FNV-1a, 64 bits.
quint64 hashOf(const QByteArray& bytes)
{
    quint64 hash = 0xcbf29ce484222325ull;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return hash;
}

// `name` between `before` and `after`, with room for the random letters in one file name. A name
// too long is cut at a character boundary and ends in "~" and 8 hex digits of the whole name, so
// that two names alike in their first bytes never share their own files' names.
QByteArray fitted(const QByteArray& before, QByteArray name, const QByteArray& after)
{
    const auto room = static_cast<qsizetype>(kMaxNameBytes) - before.size() - after.size() - kRandomLetters;
    if (name.size() > room) {
        const QByteArray mark = '~' + QByteArray::number(hashOf(name) & 0xffffffffu, 16).rightJustified(8, '0');
        qsizetype cut = room - mark.size();
        while (cut > 0 && (static_cast<unsigned char>(name.at(cut)) & 0xC0u) == 0x80u)
            --cut; // not inside a UTF-8 character
        name = name.left(cut) + mark;
    }
    return before + name + after;
}

// 0666 less the umask, as any new file gets.
unsigned newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

// True when this user may write the file itself (effective ids, as the kernel will judge).
bool writable(const SaveTarget& target) { return ::faccessat(target.folderFd(), target.name().constData(), W_OK, AT_EACCESS) == 0; }

QString notWritable() { return QStringLiteral("このファイルへの書き込みが許可されていないため、置き換えません。"); }

// The cause of a failed resolve of `target`.
QString resolveProblem(const SaveTarget& target) { return target.problem().isEmpty() ? saveFailureCause(target.error()) : target.problem(); }

} // namespace

QByteArray randomLetters()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray letters;
    for (int i = 0; i < kRandomLetters; ++i)
        letters += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return letters;
}

QByteArray temporaryPrefix(const QByteArray& fileName) { return fitted(".", fileName, ".petalwright-"); }

QByteArray backupPrefix(const QByteArray& fileName) { return fitted(".", fileName, ".petalwright-backup-"); }

// The digits tell files of one name in different folders apart.
QByteArray cacheBackupPrefix(const QByteArray& target)
{
    return fitted({}, baseName(target), "." + QByteArray::number(hashOf(target), 16).rightJustified(16, '0') + ".petalwright-backup-");
}

QByteArray cacheTemporaryPrefix(const QByteArray& target)
{
    return fitted({}, baseName(target), "." + QByteArray::number(hashOf(target), 16).rightJustified(16, '0') + ".petalwright-");
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
    SaveTarget target;
    if (!target.resolve(*encoded))
        return headline(path) + resolveProblem(target);
    struct stat st {};
    if (::fstatat(target.folderFd(), target.name().constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return headline(path) + kind;
        return writable(target) ? QString() : headline(path) + (errno == EROFS ? saveFailureCause(EROFS) : notWritable());
    }
    return errno == ENOENT ? QString() : headline(path) + saveFailureCause(errno);
}

SafeFile::SafeFile(const QString& path) : m_path(path) {}

SafeFile::~SafeFile() { discard(); }

bool SafeFile::open()
{
    discard();
    m_error.clear();
    m_notice.clear();
    m_existed = false;
    m_previousIntact = true;
    m_written = 0;
    m_buffer.clear();
    m_buffer.reserve(kBufferBytes);
    ::clock_gettime(CLOCK_REALTIME, &m_start);

    const std::optional<QByteArray> encoded = encodedPath(m_path);
    if (!encoded || m_path.isEmpty())
        return fail(QStringLiteral("ファイル名として表せない文字が含まれています。"));
    if (!m_target.resolve(*encoded))
        return fail(resolveProblem(m_target));
    const int folder = m_target.folderFd();
    const QByteArray& name = m_target.name();
    m_newMode = newFileMode();

    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return fail(kind);
        if (!writable(m_target))
            return errno == EROFS ? failWith(EROFS) : fail(notWritable());
    } else if (errno != ENOENT) {
        return failWith(errno);
    }
    // The file's own lock, or the lock file of its name while there is no file yet.
    switch (m_lock.acquire(folder, name, keepWaiting, st)) {
    case SaveLock::Outcome::GaveUp:
        return fail(QStringLiteral("ほかのプログラムがこのファイルを保存している間に中断しました。"));
    case SaveLock::Outcome::Failed:
        return errno == ELOOP ? fail(kindProblem(S_IFLNK)) : failWith(errno);
    case SaveLock::Outcome::Locked:
        break;
    }
    m_existed = st.st_mode != 0;
    if (m_existed) {
        if (const QString kind = kindProblem(st.st_mode); !kind.isEmpty())
            return fail(kind);
        if (!writable(m_target)) // another file came while this save waited
            return errno == EROFS ? failWith(EROFS) : fail(notWritable());
        m_oldMode = st.st_mode & 07777u;
        m_oldOwner = st.st_uid;
        m_oldGroup = st.st_gid;
        m_oldDevice = st.st_dev;
        m_oldInode = st.st_ino;
        m_oldLinks = st.st_nlink;
    }
    m_notice = leftoversNotice(m_target, QDir::toNativeSeparators(m_path), m_start);
    // Replacing would split the links: every name must show the new content.
    if (m_existed && m_oldLinks > 1)
        return openInPlace();

    const QByteArray prefix = temporaryPrefix(name);
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = prefix + randomLetters();
        // Private while it is written; the mode of the file it replaces is set after the last write.
        m_fd = systemCalls().openat(folder, m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
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
    if (carriesEverything())
        return true;
    // What the new file cannot carry (another user's ownership, a group this user is not in, an
    // ACL or attribute this user may not set) stays with the old file, written in place.
    ::close(m_fd);
    m_fd = -1;
    ::unlinkat(folder, m_temporary.constData(), 0);
    m_temporary.clear();
    return openInPlace();
}

bool SafeFile::carriesEverything()
{
    struct stat made {};
    ::fstat(m_fd, &made);
    if (made.st_uid != m_oldOwner && ::fchown(m_fd, m_oldOwner, m_oldGroup) != 0)
        return false;
    if (made.st_gid != m_oldGroup && ::fchown(m_fd, static_cast<uid_t>(-1), m_oldGroup) != 0)
        return false;
    return copyAttributes(m_lock.fileFd(), m_fd);
}

bool SafeFile::openInPlace()
{
    // Non-blocking: if the name has become a FIFO since it was examined, opening must not hang.
    m_fd = ::openat(m_target.folderFd(), m_target.name().constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (m_fd < 0)
        return errno == ELOOP ? fail(kindProblem(S_IFLNK)) : failWith(errno);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != m_oldDevice || st.st_ino != m_oldInode) {
        closeAndDrop();
        return fail(kindProblem(S_IFLNK));
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
    if (!m_backup.write(m_target, m_oldBytes)) {
        closeAndDrop();
        return fail(QStringLiteral("上書きする前に以前の内容の控えを作れませんでした（%1）。").arg(m_backup.problem()));
    }
    m_mode = Mode::InPlace;
    m_newMode = m_oldMode;
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
    // After the last write: a write by a user who is not root clears the set-user-ID and
    // set-group-ID bits. Only the owner may set them; another user's file keeps what the system left.
    if (::fchmod(m_fd, m_newMode) != 0 && m_mode == Mode::Replace)
        return failWith(errno);
    if (systemCalls().fsync(m_fd) != 0)
        return failWith(errno);
    if (m_mode == Mode::InPlace) {
        const QByteArray backup = m_backup.path();
        const bool removed = m_backup.remove();
        const int error = errno;
        m_backup.keep();
        closeAndDrop();
        if (removed)
            return true;
        m_error = QStringLiteral("新しいファイルは保存しましたが、上書き前の内容の控えを削除できませんでした。\n\nファイル: %1\n控え: %2\n原因: %3\n\n"
                                 "必要がなければ控えを削除してください。")
                      .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(QFile::decodeName(backup)), saveFailureCause(error));
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    const int folder = m_target.folderFd();
    // The last look, through the folder held since the start: what was put at the name meanwhile
    // is not replaced unless it is a regular file, and a link put there is not followed.
    struct stat st {};
    QString kind;
    if (::fstatat(folder, m_target.name().constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        kind = kindProblem(st.st_mode);
    if (::close(fd) != 0 || !kind.isEmpty()
        || systemCalls().renameat(folder, m_temporary.constData(), folder, m_target.name().constData()) != 0) {
        const int error = errno;
        closeAndDrop();
        return kind.isEmpty() ? failWith(error) : fail(kind);
    }
    m_temporary.clear();
    m_lock.release();
    // The new name itself reaches the disk with the folder.
    const bool synced = syncFolder(folder);
    const int error = errno;
    closeAndDrop();
    if (!synced) {
        m_error = headline(m_path) + saveFailureCause(error)
            + QStringLiteral("\n\n新しいファイルは置きましたが、フォルダーの記録をディスクに書き込めませんでした。"
                             "停電などがあると、新しいファイルが失われることがあります。");
        return false;
    }
    return true;
}

void SafeFile::discard()
{
    const QByteArray left = restoreAndClose();
    if (!m_previousIntact && m_error.isEmpty())
        m_error = headline(m_path) + QStringLiteral("中断しました。") + restoreNote(left);
}

QByteArray SafeFile::restoreAndClose()
{
    QByteArray left;
    if (m_mode == Mode::InPlace && m_fd >= 0) {
        m_previousIntact = restorePrevious();
        if ((!m_previousIntact || !m_backup.remove()) && m_backup.exists()) // after a restore the backup is only a copy
            left = m_backup.path();
    }
    closeAndDrop();
    return left;
}

bool SafeFile::restorePrevious()
{
    m_buffer.clear();
    if (::lseek(m_fd, 0, SEEK_SET) != 0 || !writeAll(m_fd, m_oldBytes.constData(), static_cast<std::size_t>(m_oldBytes.size()))
        || ::ftruncate(m_fd, m_oldBytes.size()) != 0) {
        m_restoreError = errno;
        return false;
    }
    (void)::fchmod(m_fd, m_oldMode); // the bits the writes cleared, where this user owns the file
    if (systemCalls().fsync(m_fd) == 0)
        return true;
    m_restoreError = errno;
    return false;
}

QString SafeFile::restoreNote(const QByteArray& backup) const
{
    QString note = QStringLiteral("\n\n以前のファイルを元に戻せませんでした（%1）。このファイルは不完全です。").arg(saveFailureCause(m_restoreError));
    if (!backup.isEmpty())
        note += QStringLiteral("以前の内容は次の控えにあります。\n%1").arg(QDir::toNativeSeparators(QFile::decodeName(backup)));
    return note;
}

void SafeFile::closeAndDrop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        ::unlinkat(m_target.folderFd(), m_temporary.constData(), 0);
    m_temporary.clear();
    m_backup.keep(); // removed by now, or left for the user with its name in the message
    m_lock.release();
    m_target.close();
    m_oldBytes.clear();
    m_buffer.clear();
    m_mode = Mode::Closed;
}

bool SafeFile::failWith(int error) { return fail(saveFailureCause(error)); }

bool SafeFile::fail(const QString& reason)
{
    // A failed file is dropped at once: the previous one comes back before the message is shown.
    const QByteArray left = restoreAndClose();
    m_error = headline(m_path) + reason;
    if (m_existed)
        m_error += m_previousIntact ? QStringLiteral("\n\n以前のファイルは変更されていません。") : restoreNote(left);
    if (m_previousIntact && !left.isEmpty())
        m_error += QStringLiteral("\n上書き前の内容の控えを削除できませんでした: %1").arg(QDir::toNativeSeparators(QFile::decodeName(left)));
    return false;
}

} // namespace petalwright::platform
