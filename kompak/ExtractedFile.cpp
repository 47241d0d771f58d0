#include "ExtractedFile.h"

#include "TemporaryNames.h"
#include "WriteAll.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

// Linking an unnamed file goes through its /proc/self/fd entry, which needs
// no privilege (AT_EMPTY_PATH would).
bool CanLinkUnnamedFiles()
{
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

}  // namespace

ExtractedFile::ExtractedFile(int rootFd, int folderFd, std::string name, const struct stat* existing,
                             mode_t newMode)
    : rootFd_(rootFd), folderFd_(folderFd), name_(std::move(name)), nameTaken_(existing != nullptr),
      replacingFile_(existing != nullptr && S_ISREG(existing->st_mode)),
      mode_(replacingFile_ ? (existing->st_mode & 01777) : newMode)
{
    if (!nameTaken_ && CanLinkUnnamedFiles()) {
        // Created with its final mode: the umask it passes through was
        // already taken out of newMode.
        fd_ = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_);
        if (fd_ >= 0)
            return;
    }
    tempnames::Created made = tempnames::createAt(rootFd_, "", ".part");
    fd_ = made.fd;
    if (fd_ >= 0)
        temporaryName_ = std::move(made.path);
}

ExtractedFile::~ExtractedFile()
{
    // Removed while still locked, so no sweep can mistake it for a leftover.
    if (!temporaryName_.empty())
        ::unlinkat(rootFd_, temporaryName_.c_str(), 0);
    if (fd_ >= 0)
        ::close(fd_);
}

bool ExtractedFile::write(const char* data, std::size_t size)
{
    return writeAll(fd_, data, size);
}

bool ExtractedFile::commit()
{
    if (temporaryName_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        return ::linkat(AT_FDCWD, self.c_str(), folderFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    if (::fchmod(fd_, mode_) != 0 || (replacingFile_ && ::fsync(fd_) != 0) ||
        ::renameat(rootFd_, temporaryName_.c_str(), folderFd_, name_.c_str()) != 0)
        return false;
    temporaryName_.clear();
    return true;
}

}  // namespace veilcraft::kompak::detail
