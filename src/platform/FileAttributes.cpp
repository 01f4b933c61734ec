#include "platform/FileAttributes.h"

#include <QByteArray>
#include <QList>

#include <cerrno>
#include <sys/xattr.h>

namespace petalwright::platform {

bool copyAttributes(int from, int to)
{
    QByteArray names;
    for (;;) {
        const ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP; // a file system without them has nothing to keep
        names.resize(size);
        const ssize_t got = size == 0 ? 0 : ::flistxattr(from, names.data(), static_cast<std::size_t>(names.size()));
        if (got >= 0) {
            names.truncate(got);
            break;
        }
        if (errno != ERANGE) // grown meanwhile: ask again
            return false;
    }
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        QByteArray value;
        ssize_t got = -1;
        do {
            const ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
            if (size < 0)
                return false;
            value.resize(size);
            got = size == 0 ? 0 : ::fgetxattr(from, name.constData(), value.data(), static_cast<std::size_t>(value.size()));
        } while (got < 0 && errno == ERANGE);
        if (got < 0 || ::fsetxattr(to, name.constData(), value.constData(), static_cast<std::size_t>(got), 0) != 0)
            return false;
    }
    return true;
}

} // namespace petalwright::platform
