#pragma once

#include <cerrno>
#include <cstddef>
#include <sys/types.h>
#include <unistd.h>

namespace veilcraft {

namespace detail {

// Calls put(bytes, count, done) until all `size` bytes are written, again
// after short writes and signals; false when a write failed.
template <typename Put>
bool putAll(const void* data, std::size_t size, Put put)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = put(bytes + done, size - done, done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace detail

// Writes all `size` bytes to `fd`; false when a write failed (errno tells
// why).
inline bool writeAll(int fd, const void* data, std::size_t size)
{
    return detail::putAll(data, size,
                          [fd](const unsigned char* bytes, std::size_t count, std::size_t) {
                              return ::write(fd, bytes, count);
                          });
}

// The same at `offset`, leaving the file position alone.
inline bool pwriteAll(int fd, const void* data, std::size_t size, off_t offset)
{
    return detail::putAll(data, size, [fd, offset](const unsigned char* bytes, std::size_t count, std::size_t done) {
        return ::pwrite(fd, bytes, count, offset + static_cast<off_t>(done));
    });
}

}  // namespace veilcraft
