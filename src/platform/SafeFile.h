#pragma once
// The output file. Text goes in code page 932, other formats as raw bytes. Success means every
// byte is on the disk; a failure or a discard leaves the previous file as it was and no
// temporary file behind.

#include <QByteArray>
#include <QString>

#include <string>

#include "formats/FaceFileWriter.h"

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

protected:
    QString m_error;
};

// Empty when `path` may be saved to; else the whole Japanese message: a folder, FIFO, device
// or socket is never replaced, and the folder must exist.
QString targetProblem(const QString& path);

// A file on disk. A new or replaced file is written to a temporary file beside it, synced and
// renamed over it, keeping the owner, group and mode of the previous file. A file with several
// hard links, one whose owner this user cannot give, or one in a folder this user cannot write,
// is written in place; its previous bytes are kept in memory and written back on any failure.
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

    // The largest previous file written in place (its bytes are held in memory meanwhile).
    static constexpr qint64 kMaxInPlaceBytes = qint64(512) * 1024 * 1024;

private:
    bool openInPlace();
    bool flushBuffer();
    bool writeOut(const char* data, std::size_t size);
    bool restorePrevious();
    void closeAndDrop();
    bool fail(const QString& reason);
    bool failWith(int error);

    QString m_path;
    QByteArray m_target; // the name on disk, symbolic links followed
    QByteArray m_folder;
    QByteArray m_temporary;
    int m_fd = -1;
    Mode m_mode = Mode::Closed;
    bool m_existed = false;
    bool m_previousIntact = true;
    unsigned m_oldMode = 0;
    unsigned m_oldOwner = 0, m_oldGroup = 0;
    unsigned long m_oldDevice = 0, m_oldInode = 0;
    QByteArray m_oldBytes;
    std::string m_buffer;
    qint64 m_written = 0;
};

} // namespace petalwright::platform
