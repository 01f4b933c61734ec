#pragma once
// The output file: bytes in code page 932, written through a temporary file so that a failed
// run never harms the file that was there before.

#include <QSaveFile>
#include <QString>

#include "dxf/FaceFileWriter.h"

namespace petalwright::platform {

// UTF-16 text in code page 932 (Shift_JIS as Windows maps it); each character the code page
// cannot hold becomes one '?'.
QByteArray toCodePage932(const QString& text);

class AnsiTextFile final : public dxf::OutputSink {
public:
    explicit AnsiTextFile(const QString& path);

    // Opens the temporary file beside the target. False: errorMessage() says why.
    bool open();
    bool write(std::string_view bytes) override;
    std::string encodeText(std::string_view utf8) const override;
    // Replaces the target with what was written. False: the target is unchanged.
    bool commit();
    // Drops what was written; the target stays as it was.
    void discard();

    // Japanese message naming the failure and the path; empty while nothing failed.
    QString errorMessage() const { return m_error; }

private:
    void fail(const QString& reason);

    QString m_path;
    QSaveFile m_file;
    QString m_error;
    bool m_targetExisted = false;
};

} // namespace petalwright::platform
