#pragma once
// Folders of this user alone: the cache folder and the runtime folder, each with a "petalwright"
// folder inside for the program's own files (backups, the instance lock).

#include <QByteArray>
#include <QString>

#include <optional>

namespace petalwright::platform {

// $XDG_CACHE_HOME, else the home folder's .cache ($HOME, else the user database's home); empty
// when there is no home folder.
QByteArray cacheHome();

// `parent`/petalwright, made (0700) where missing. Used only when `parent` and the folder itself
// are real folders (no symbolic link) of this user; else nothing, and `problem` says why.
std::optional<QByteArray> ownFolder(const QByteArray& parent, QString& problem);

// ownFolder() in the cache folder and in $XDG_RUNTIME_DIR.
std::optional<QByteArray> cacheFolder(QString& problem);
std::optional<QByteArray> runtimeFolder(QString& problem);

} // namespace petalwright::platform
