#include "platform/SystemCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace petalwright::platform {

SystemCalls realSystemCalls()
{
    return {[](int folder, const char* name, int flags, mode_t mode) { return ::openat(folder, name, flags, mode); }, ::write, ::fsync,
            ::renameat, ::unlinkat};
}

SystemCalls& systemCalls()
{
    static SystemCalls calls = realSystemCalls();
    return calls;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = systemCalls().write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

bool syncFolder(int folderFd) { return systemCalls().fsync(folderFd) == 0; }

} // namespace petalwright::platform
