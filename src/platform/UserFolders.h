#pragma once
// Folders of this user alone: the cache folder and the runtime folder, each with a "petalwright"
// folder inside for the program's own files (backups, the instance lock).

#include <QByteArray>
#include <QString>

#include <optional>

namespace petalwright::platform {

// Whether a folder missing on the way is made (to put a file there) or not (only to look).
enum class Make { Missing, Nothing };

// $XDG_CACHE_HOME, else the home folder's .cache ($HOME, else the user database's home); empty
// when there is no home folder.
QByteArray cacheHome(Make make = Make::Missing);

// `parent`/petalwright, made (0700) where missing if `make` says so. Used only when `parent` and
// the folder itself are real folders (no symbolic link) of this user; else nothing, and `problem`
// says why.
std::optional<QByteArray> ownFolder(const QByteArray& parent, QString& problem, Make make = Make::Missing);

// ownFolder() in the cache folder and in $XDG_RUNTIME_DIR.
std::optional<QByteArray> cacheFolder(QString& problem, Make make = Make::Missing);
std::optional<QByteArray> runtimeFolder(QString& problem, Make make = Make::Missing);

} // namespace petalwright::platform
