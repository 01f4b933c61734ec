#include "platform/StandardOutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace petalwright::platform {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
bool g_outputClosed = false;

} // namespace

void openStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is this one: the ones below it are open already.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened); // not ours to take; the program goes on with the descriptor closed
        if (fd == STDOUT_FILENO)
            g_outputClosed = true;
    }
}

bool standardOutputClosed() { return g_outputClosed; }

QString closedOutputCause() { return QStringLiteral("標準出力が閉じています。"); }

bool StandardOutputFile::open()
{
    if (g_outputClosed) {
        m_error = QStringLiteral("標準出力に書き込めませんでした。\n原因: %1").arg(closedOutputCause());
        return false;
    }
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) != 0)
        return fail(errno);
    m_buffer.reserve(kBufferBytes);
    return true;
}

bool StandardOutputFile::write(std::string_view bytes)
{
    if (!m_error.isEmpty())
        return false;
    m_buffer.append(bytes);
    return m_buffer.size() < kBufferBytes || flushBuffer();
}

bool StandardOutputFile::flushBuffer()
{
    const char* data = m_buffer.data();
    std::size_t size = m_buffer.size();
    while (size > 0) {
        const ssize_t done = ::write(STDOUT_FILENO, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return fail(done < 0 ? errno : ENOSPC);
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    m_buffer.clear();
    return true;
}

bool StandardOutputFile::commit()
{
    if (!m_error.isEmpty() || !flushBuffer())
        return false;
    // Redirected into a file, the bytes must reach the disk like a saved file's.
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode) && ::fsync(STDOUT_FILENO) != 0)
        return fail(errno);
    return true;
}

bool StandardOutputFile::fail(int error)
{
    m_buffer.clear();
    m_error = QStringLiteral("標準出力に書き込めませんでした。\n原因: %1").arg(saveFailureCause(error));
    return false;
}

std::unique_ptr<OutputFile> outputFileFor(const QString& path)
{
    if (path == QStringLiteral("-"))
        return std::make_unique<StandardOutputFile>();
    return std::make_unique<SafeFile>(path);
}

} // namespace petalwright::platform
