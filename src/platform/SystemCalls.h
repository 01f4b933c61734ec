#pragma once
// The system calls that saving makes, behind a seam: a test swaps one to show a fault no real
// disk gives on demand.

#include <cstddef>
#include <sys/types.h>

namespace petalwright::platform {

struct SystemCalls {
    int (*openat)(int folder, const char* name, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
    int (*unlinkat)(int folder, const char* name, int flags);
};
SystemCalls& systemCalls();
// The calls of the system itself.
SystemCalls realSystemCalls();

// Writes all of `data`, again after EINTR; false with errno (ENOSPC for a write of nothing).
bool writeAll(int fd, const char* data, std::size_t size);
// Syncs the folder open at `folderFd`; false with errno.
bool syncFolder(int folderFd);

} // namespace petalwright::platform
