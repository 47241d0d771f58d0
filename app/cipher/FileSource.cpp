#include "FileSource.h"

#include "CipherError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft {

namespace {

std::string cause()
{
    return std::strerror(errno);
}

}  // namespace

FileSource::FileSource(const std::string& path, std::uint64_t limit) : path_(path)
{
    // Non-blocking, so that opening a FIFO cannot hang the run: only
    // regular files are read, anything else is refused at once.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw CipherError("Cannot open " + path + ": " + cause());
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        const std::string why = S_ISDIR(info.st_mode)   ? std::string("it is a folder")
                                : info.st_mode != 0     ? std::string("it is not a regular file")
                                                        : cause();
        ::close(fd_);
        fd_ = -1;
        throw CipherError("Cannot read " + path + ": " + why);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    size_ = std::min<std::uint64_t>(static_cast<std::uint64_t>(info.st_size), limit);
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

FileSource::~FileSource()
{
    ahead_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t FileSource::read(std::uint8_t* buffer, std::size_t length)
{
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - position_));
    // A thread costs more than a small file's reads.
    constexpr std::uint64_t kReadAheadFrom = std::uint64_t{1} << 20;
    if (!ahead_ && position_ == 0 && size_ >= kReadAheadFrom)
        ahead_ = std::make_unique<BackgroundReader>(fd_, 0, size_);
    if (!ahead_) {
        readAt(position_, buffer, wanted);
    } else if (const BackgroundReader::Result got = ahead_->read(buffer, wanted); got.length < wanted) {
        errno = got.error;
        throw CipherError("Cannot read " + path_ + ": " +
                          (got.failure == BackgroundReader::Failure::Error ? cause()
                                                                            : "the file became shorter while it was read"));
    }
    position_ += wanted;
    return wanted;
}

void FileSource::readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) const
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw CipherError("Cannot read " + path_ + ": " + cause());
        }
        if (got == 0)
            throw CipherError("Cannot read " + path_ + ": the file became shorter while it was read");
        done += static_cast<std::size_t>(got);
    }
}

}  // namespace veilcraft
