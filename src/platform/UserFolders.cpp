#include "platform/UserFolders.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace petalwright::platform {
namespace {

// Empty when `path` is a folder of this user, not reached through a symbolic link at its end.
QString ownershipProblem(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return QStringLiteral("%1 がありません").arg(QDir::toNativeSeparators(QFile::decodeName(path)));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("%1 はシンボリックリンクです").arg(QDir::toNativeSeparators(QFile::decodeName(path)));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 はフォルダーではありません").arg(QDir::toNativeSeparators(QFile::decodeName(path)));
    if (st.st_uid != ::geteuid())
        return QStringLiteral("%1 はほかのユーザーのフォルダーです").arg(QDir::toNativeSeparators(QFile::decodeName(path)));
    return {};
}

} // namespace

QByteArray cacheHome(Make make)
{
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (cache.startsWith('/')) {
        if (make == Make::Missing)
            QDir().mkpath(QFile::decodeName(cache));
        return cache;
    }
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd* entry = ::getpwuid(::geteuid());
        home = entry && entry->pw_dir ? QByteArray(entry->pw_dir) : QByteArray();
    }
    struct stat st {};
    if (!home.startsWith('/') || ::stat(home.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    const QByteArray dotCache = (home == "/" ? QByteArray() : home) + "/.cache";
    if (make == Make::Missing && st.st_uid == ::geteuid()) // never a folder of ours in another's home
        ::mkdir(dotCache.constData(), 0700);
    return dotCache;
}

std::optional<QByteArray> ownFolder(const QByteArray& parent, QString& problem, Make make)
{
    if (QString owner = ownershipProblem(parent); !owner.isEmpty()) {
        problem = owner;
        return std::nullopt;
    }
    const QByteArray folder = parent + "/petalwright";
    if (make == Make::Missing)
        ::mkdir(folder.constData(), 0700); // what is kept there is the user's alone
    problem = ownershipProblem(folder);
    return problem.isEmpty() ? std::optional(folder) : std::nullopt;
}

std::optional<QByteArray> cacheFolder(QString& problem, Make make)
{
    const QByteArray home = cacheHome(make);
    if (home.isEmpty()) {
        problem = QStringLiteral("ホームフォルダーがありません");
        return std::nullopt;
    }
    return ownFolder(home, problem, make);
}

std::optional<QByteArray> runtimeFolder(QString& problem, Make make)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.startsWith('/')) {
        problem = QStringLiteral("XDG_RUNTIME_DIR がありません");
        return std::nullopt;
    }
    return ownFolder(runtime, problem, make);
}

} // namespace petalwright::platform
