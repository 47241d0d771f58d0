#pragma once

#include <unistd.h>

#include <utility>

namespace veilcraft {

// Owns a POSIX file descriptor and closes it when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    // Closes now and tells whether the data reached the file system cleanly.
    bool close() { return ::close(release()) == 0; }

private:
    int fd_;
};

}  // namespace veilcraft
