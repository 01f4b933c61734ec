#pragma once
// File names as bytes: the program's text of a name must stand for exactly one name on disk.

#include <QByteArray>
#include <QString>

#include <optional>

namespace petalwright::platform {

// The bytes of `path` on disk, or nothing when its text has no such bytes (a lone surrogate).
std::optional<QByteArray> encodedPath(const QString& path);

// True when the name `raw` comes back as the same bytes from the program's text of it.
bool representable(const QByteArray& raw);

// `raw` as text, each byte that is not part of a valid UTF-8 character (and each control
// character) written as \xHH: "report\xE9.dxf".
QString escapedName(const QByteArray& raw);

// Empty when the file name of `path` stands for one name in its folder; else a Japanese message:
// a name with a byte that is not text shows, in a file list, the same as another name.
QString ambiguousNameProblem(const QString& path);

} // namespace petalwright::platform
