#pragma once
// The output file. Text goes in code page 932, other formats as raw bytes. Success means every
// byte is on the disk; a failure, a discard or a caught signal leaves the previous file as it was
// and no temporary file behind.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <sys/types.h>

#include "formats/FaceFileWriter.h"

namespace petalwright::platform {

// UTF-16 text in code page 932 (Shift_JIS as Windows maps it); each character the code page
// cannot hold becomes one '?'.
QByteArray toCodePage932(const QString& text);

// The Japanese cause of a failed file operation with the system's error number.
QString saveFailureCause(int error);

// The system calls that saving makes; a test swaps one to show a fault no real disk gives on demand.
struct SystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
};
SystemCalls& systemCalls();
// The calls of the system itself.
SystemCalls realSystemCalls();

// Where a run's bytes go: opened, written, then committed or discarded.
class OutputFile : public formats::OutputSink {
public:
    // False: errorMessage() says why.
    virtual bool open() = 0;
    // Comment lines in code page 932.
    std::string encodeText(std::string_view utf8) const override;
    // Makes what was written final. False: errorMessage() says why.
    virtual bool commit() = 0;
    // Drops what was written, where that is possible.
    virtual void discard() = 0;
    // Japanese message naming the failure and the path; empty while nothing failed.
    QString errorMessage() const { return m_error; }
    // Japanese note for the user found while opening (a backup an earlier save left); empty if none.
    QString notice() const { return m_notice; }

    // Called about every 20 ms while another program saves the same file; false gives up
    // (errorMessage() then says so). Unset: wait as long as it takes.
    std::function<bool()> keepWaiting;

protected:
    QString m_error;
    QString m_notice;
};

// Empty when `path` may be saved to; else the whole Japanese message: a folder, FIFO, device
// or socket is never replaced, nor a file this user may not write, and the folder must exist.
QString targetProblem(const QString& path);

// The names this program gives its own files beside a target named `fileName`, shortened so that
// they stay within 255 bytes: ".NAME.petalwright-" (a temporary file, six letters follow) and
// ".NAME.petalwright-backup-" (a backup of the old bytes).
QByteArray temporaryPrefix(const QByteArray& fileName);
QByteArray backupPrefix(const QByteArray& fileName);
// The backup's folder when the target's folder takes none: $XDG_CACHE_HOME/petalwright or
// ~/.cache/petalwright. Backups there are named "NAME.<16 hex digits of the path>.petalwright-backup-".
QByteArray cacheBackupFolder();
QByteArray cacheBackupPrefix(const QByteArray& target);

// A file on disk, saved by one writer at a time (an advisory lock on the file; a second save of
// the same file waits its turn). A new or replaced file is written to a temporary file beside it,
// synced and renamed over it, keeping the owner, group and mode of the previous file. A file with
// several hard links, one whose owner this user cannot give, or one in a folder this user cannot
// write, is written in place, after its previous bytes are copied to a synced backup file; the
// backup is removed once the new bytes are synced, and written back on any failure.
class SafeFile final : public OutputFile {
public:
    explicit SafeFile(const QString& path);
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    bool open() override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    void discard() override;

    enum class Mode { Closed, Replace, InPlace };
    // How the open file will reach its name.
    Mode mode() const { return m_mode; }
    // The backup of the previous bytes while an in-place save runs.
    QString backupPath() const { return QString::fromLocal8Bit(m_backup); }

    // The largest previous file written in place (its bytes are held in memory meanwhile).
    static constexpr qint64 kMaxInPlaceBytes = qint64(512) * 1024 * 1024;

private:
    bool lockTarget();
    bool openInPlace();
    bool writeBackup();
    void findLeftoverBackups();
    bool flushBuffer();
    bool writeOut(const char* data, std::size_t size);
    bool restorePrevious();
    void dropBackup();
    void closeAndDrop();
    bool fail(const QString& reason);
    bool failWith(int error);

    QString m_path;
    QByteArray m_target; // the name on disk, symbolic links followed
    QByteArray m_folder;
    QByteArray m_temporary;
    QByteArray m_backup;
    int m_fd = -1;
    int m_lockFd = -1;
    Mode m_mode = Mode::Closed;
    bool m_existed = false;
    bool m_previousIntact = true;
    unsigned m_oldMode = 0;
    unsigned m_newMode = 0;
    unsigned m_oldOwner = 0, m_oldGroup = 0;
    unsigned long m_oldDevice = 0, m_oldInode = 0, m_oldLinks = 0;
    QByteArray m_oldBytes;
    std::string m_buffer;
    qint64 m_written = 0;
};

} // namespace petalwright::platform
