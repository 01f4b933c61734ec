#include "platform/AnsiTextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace petalwright::platform {

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

AnsiTextFile::AnsiTextFile(const QString& path) : m_path(path), m_file(path)
{
}

bool AnsiTextFile::open()
{
    const QFileInfo target(m_path);
    m_targetExisted = target.exists();
    if (!target.absoluteDir().exists()) {
        fail(QStringLiteral("保存先のフォルダーが見つかりません。"));
        return false;
    }
    if (target.isDir()) {
        fail(QStringLiteral("同じ名前のフォルダーがあります。"));
        return false;
    }
    if (!m_file.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("ファイルを作成できません（アクセスが拒否されたか、ほかのプログラムが使用中です）。"));
        return false;
    }
    return true;
}

bool AnsiTextFile::write(std::string_view bytes)
{
    if (!m_error.isEmpty())
        return false;
    const auto size = static_cast<qint64>(bytes.size());
    if (m_file.write(bytes.data(), size) != size) {
        fail(QStringLiteral("書き込みに失敗しました（ディスクの空き容量が足りない可能性があります）。"));
        m_file.cancelWriting();
        return false;
    }
    return true;
}

std::string AnsiTextFile::encodeText(std::string_view utf8) const
{
    return toCodePage932(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))).toStdString();
}

bool AnsiTextFile::commit()
{
    if (!m_error.isEmpty())
        return false;
    if (!m_file.commit()) {
        fail(QStringLiteral("ファイルを書き込めませんでした（ディスクの空き容量が足りないか、ファイルを置き換えられません）。"));
        return false;
    }
    return true;
}

void AnsiTextFile::discard()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

void AnsiTextFile::fail(const QString& reason)
{
    QString message = QStringLiteral("DXFファイルを保存できませんでした。\n\nファイル: %1\n原因: %2")
                          .arg(QDir::toNativeSeparators(m_path), reason);
    const QString detail = m_file.errorString();
    if (m_file.error() != QFileDevice::NoError && !detail.isEmpty())
        message += QStringLiteral("\n詳細: %1").arg(detail);
    // Said only when the earlier file is still where it was (not when its folder went away).
    if (m_targetExisted && QFileInfo::exists(m_path))
        message += QStringLiteral("\n\n以前のファイルは変更されていません。");
    m_error = message;
}

} // namespace petalwright::platform
