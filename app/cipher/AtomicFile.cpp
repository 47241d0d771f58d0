#include "AtomicFile.h"

#include "CipherError.h"
#include "ProcessUmask.h"
#include "TemporaryNames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft {

namespace {

std::string cause(int error)
{
    return std::strerror(error);
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void syncFd(int fd, const std::string& what)
{
    if (::fsync(fd) != 0)
        throw CipherError("Cannot write " + what + ": " + cause(errno));
}

}  // namespace

void syncFolderOf(const std::string& path)
{
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;  // the folder itself is gone; nothing left to make durable
    ::fsync(fd);
    ::close(fd);
}

AtomicFile::AtomicFile(std::string target, int mode) : target_(std::move(target)), mode_(mode)
{
    // A hidden temporary name beside the target, so that the rename stays in
    // one file system and a leftover after a crash is recognised and removed
    // by a later run. It stays private (0600) while it fills: it may hold
    // plaintext, and the final permissions are given only at commit.
    std::string base = fileNameOf(target_);
    if (base.size() > 200)
        base.resize(200);
    tempnames::Created made = tempnames::create(folderOf(target_), "." + base, ".part");
    if (made.fd < 0)
        throw CipherError("Cannot write " + target_ + ": " + cause(errno));
    fd_ = made.fd;
    temporary_ = std::move(made.path);
    writer_ = std::make_unique<BackgroundWriter>(fd_);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard() noexcept
{
    writer_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void AtomicFile::write(const std::uint8_t* data, std::size_t length)
{
    if (const int error = writer_->write(data, length); error != 0)
        throw CipherError("Cannot write " + target_ + ": " + cause(error));
}

void AtomicFile::commit(Durability durability)
{
    const int error = writer_->finish();
    writer_.reset();
    if (error != 0)
        throw CipherError("Cannot write " + target_ + ": " + cause(error));
    struct stat existing {};
    const bool replacing = ::lstat(target_.c_str(), &existing) == 0;
    const bool sync = durability == Durability::Always || (durability == Durability::WhenReplacing && replacing);
    // A replaced file keeps its permissions, so that a private file does not
    // become readable by others when it is written again; a new one gets
    // those it would have had if created directly.
    const mode_t finalMode = replacing && S_ISREG(existing.st_mode)
                                 ? existing.st_mode & 07777
                                 : static_cast<mode_t>(mode_) & ~processUmask() & 07777;
    ::fchmod(fd_, finalMode);
    if (sync)
        syncFd(fd_, target_);
    if (::close(fd_) != 0) {
        fd_ = -1;
        throw CipherError("Cannot write " + target_ + ": " + cause(errno));
    }
    fd_ = -1;
    if (replacing && S_ISDIR(existing.st_mode))
        throw CipherError("Cannot write " + target_ + ": a folder of that name exists");
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw CipherError("Cannot write " + target_ + ": " + cause(errno));
    temporary_.clear();
    if (sync)
        syncFolderOf(target_);
}

}  // namespace veilcraft
