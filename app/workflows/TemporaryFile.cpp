#include "TemporaryFile.h"

#include "CipherError.h"
#include "PathText.h"
#include "TemporaryNames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft {

std::string temporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

TemporaryFile TemporaryFile::beside(const std::string& target)
{
    tempnames::Created made = tempnames::create(folderOf(target), "." + fileNameOf(target), ".tmp");
    if (made.fd < 0)
        throw CipherError("a temporary file cannot be created beside " + target + ": " + std::strerror(errno));
    return {std::move(made.path), made.fd};
}

TemporaryFile TemporaryFile::inTemporaryFolder(const std::string& suffix)
{
    tempnames::Created made = tempnames::create(temporaryFolder(), "veilcraft", suffix);
    if (made.fd < 0)
        throw CipherError("a temporary file cannot be created in " + temporaryFolder() + ": " + std::strerror(errno));
    return {std::move(made.path), made.fd};
}

void TemporaryFile::relock()
{
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;  // gone already; there is nothing to guard
    struct stat now {};
    struct stat held {};
    if (fd_ >= 0 && ::fstat(fd, &now) == 0 && ::fstat(fd_, &held) == 0 && now.st_dev == held.st_dev &&
        now.st_ino == held.st_ino) {
        ::close(fd);  // still the file this object locked: nothing was renamed over it
        return;
    }
    // Nobody else knows the new file yet; should another process hold it
    // all the same, it is not waited for.
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

void TemporaryFile::forget()
{
    path_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

TemporaryFile::~TemporaryFile()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace veilcraft
