#pragma once
// The output file. Text goes in code page 932, other formats as raw bytes. Success means every
// byte is on the disk; a failure, a discard or a caught signal leaves the previous file as it was
// and no temporary file behind.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <ctime>
#include <functional>
#include <string>
#include <sys/types.h>

#include "formats/FaceFileWriter.h"
#include "platform/SaveBackup.h"
#include "platform/SaveLock.h"
#include "platform/SaveTarget.h"
#include "platform/SystemCalls.h"

namespace petalwright::platform {

// UTF-16 text in code page 932 (Shift_JIS as Windows maps it); each character the code page
// cannot hold becomes one '?'.
QByteArray toCodePage932(const QString& text);

// The Japanese cause of a failed file operation with the system's error number.
QString saveFailureCause(int error);

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
    // Japanese note for the user found while opening (what an earlier save left); empty if none.
    QString notice() const { return m_notice; }

    // Called about every 20 ms while another program holds the file's lock; false gives up
    // (errorMessage() then says so). Unset: wait as long as it takes.
    std::function<bool()> keepWaiting;
    // What the wait is for, in Japanese: another save, or a program that holds a lock but is not
    // saving ("...待ちます"); empty before any wait.
    virtual QString waitingFor() const { return {}; }

protected:
    QString m_error;
    QString m_notice;
};

// Empty when `path` may be saved to; else the whole Japanese message: a folder, FIFO, device
// or socket is never replaced, nor a file this user may not write, and the folder must exist.
QString targetProblem(const QString& path);

// The names this program gives its own files beside a target named `fileName`, within 255 bytes
// (a long NAME is cut and ends in "~" and 8 hex digits of the whole name, so two long names never
// share them): ".NAME.petalwright-" (a temporary file, six letters follow) and
// ".NAME.petalwright-backup-" (a backup of the old bytes).
QByteArray temporaryPrefix(const QByteArray& fileName);
QByteArray backupPrefix(const QByteArray& fileName);
// The same in the user's cache or runtime folder, for the target's whole path:
// "NAME.<16 hex digits of the path>.petalwright-backup-" and "NAME.<digits>.petalwright-".
QByteArray cacheBackupPrefix(const QByteArray& target);
QByteArray cacheTemporaryPrefix(const QByteArray& target);
// Six random letters and digits.
QByteArray randomLetters();

// A file on disk, saved by one writer at a time (SaveLock). Its links are followed once and its
// folder held open (SaveTarget). A new or replaced file is written to a temporary file beside it,
// synced and renamed over it, keeping the owner, group, attributes and mode of the previous file.
// A file with several hard links, or one whose owner, group or attributes a new file could not
// carry, or one in a folder this user cannot write, is written in place after its previous bytes
// are kept in a synced backup (SaveBackup), removed once the new bytes are synced and written
// back on any failure.
class SafeFile final : public OutputFile {
public:
    explicit SafeFile(const QString& path);
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    bool open() override;
    bool write(std::string_view bytes) override;
    bool commit() override;
    // Drops what was written; when the previous bytes cannot be put back, errorMessage() says so
    // and names the backup that holds them.
    void discard() override;
    QString waitingFor() const override { return m_lock.waitingFor(); }
    bool waitingForSave() const { return m_lock.waitingForSave(); }

    enum class Mode { Closed, Replace, InPlace };
    // How the open file will reach its name.
    Mode mode() const { return m_mode; }
    // The backup of the previous bytes while an in-place save runs.
    QString backupPath() const { return m_backup.exists() ? QFile::decodeName(m_backup.path()) : QString(); }

    // The largest previous file written in place (its bytes are held in memory meanwhile).
    static constexpr qint64 kMaxInPlaceBytes = qint64(512) * 1024 * 1024;

private:
    bool openInPlace();
    // Gives the temporary file the old file's owner, group and attributes; false where it cannot.
    bool carriesEverything();
    bool flushBuffer();
    bool writeOut(const char* data, std::size_t size);
    bool restorePrevious();
    // Puts the previous bytes back after an in-place write and closes everything; the backup's
    // path when it had to stay (a failed restore).
    QByteArray restoreAndClose();
    void closeAndDrop();
    QString restoreNote(const QByteArray& backup) const;
    bool fail(const QString& reason);
    bool failWith(int error);

    QString m_path;
    SaveTarget m_target;
    SaveLock m_lock;
    SaveBackup m_backup;
    QByteArray m_temporary;
    int m_fd = -1;
    int m_restoreError = 0;
    timespec m_start {};
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
