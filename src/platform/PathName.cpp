#include "platform/PathName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>

namespace petalwright::platform {
namespace {

// Length of the valid UTF-8 character at the start of `s`, or 0.
int validCharacterLength(const unsigned char* s, qsizetype left)
{
    const unsigned char lead = s[0];
    int length = 0;
    char32_t code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (s[i] & 0x3Fu);
    }
    // overlong forms, surrogates and values past U+10FFFF are not characters
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

std::optional<QByteArray> encodedPath(const QString& path)
{
    QByteArray bytes = QFile::encodeName(path);
    if (QFile::decodeName(bytes) != path)
        return std::nullopt;
    return bytes;
}

bool representable(const QByteArray& raw) { return QFile::encodeName(QFile::decodeName(raw)) == raw; }

QString escapedName(const QByteArray& raw)
{
    QByteArray shown;
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    for (qsizetype i = 0; i < raw.size();) {
        const int length = validCharacterLength(bytes + i, raw.size() - i);
        if (length == 0 || bytes[i] < 0x20 || bytes[i] == 0x7F) {
            shown += QByteArrayLiteral("\\x") + QByteArray::number(bytes[i], 16).toUpper().rightJustified(2, '0');
            ++i;
        } else {
            shown += raw.mid(i, length);
            i += length;
        }
    }
    return QString::fromUtf8(shown);
}

QString ambiguousNameProblem(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const std::optional<QByteArray> encoded = encodedPath(path);
    if (!encoded)
        return QStringLiteral("このファイル名は使えません。\n%1\nファイル名として表せない文字が含まれています。").arg(shown);
    const QFileInfo info(path);
    // Only a name with the replacement character can read the same as a name that is not text.
    if (!info.fileName().contains(QChar(QChar::ReplacementCharacter)))
        return {};
    const QByteArray wanted = QFile::encodeName(info.fileName());
    DIR* folder = ::opendir(QFile::encodeName(info.absolutePath()).constData());
    if (!folder)
        return {};
    QString problem;
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name != wanted && QFile::decodeName(name) == info.fileName()) {
            problem = QStringLiteral("このファイル名は使えません。\n%1\n文字として読めないバイトを含むファイル名（%2）と区別できません。")
                          .arg(shown, escapedName(name));
            break;
        }
    }
    ::closedir(folder);
    return problem;
}

} // namespace petalwright::platform
