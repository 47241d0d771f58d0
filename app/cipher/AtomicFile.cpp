#include "AtomicFile.h"

#include "CipherError.h"
#include "ProcessUmask.h"
#include "TemporaryNames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
    commitTemporary(std::exchange(fd_, -1), temporary_, target_, mode_, durability);
    temporary_.clear();
}

void commitTemporary(int fd, const std::string& temporary, const std::string& target, int mode,
                     AtomicFile::Durability durability)
{
    struct stat existing {};
    const bool replacing = ::lstat(target.c_str(), &existing) == 0;
    const bool sync = durability == AtomicFile::Durability::Always ||
                      (durability == AtomicFile::Durability::WhenReplacing && replacing);
    // A replaced file keeps its permissions, so that a private file does not
    // become readable by others when it is written again; a new one gets
    // those it would have had if created directly.
    const mode_t finalMode = replacing && S_ISREG(existing.st_mode)
                                 ? existing.st_mode & 07777
                                 : static_cast<mode_t>(mode) & ~processUmask() & 07777;
    ::fchmod(fd, finalMode);
    if (sync && ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw CipherError("Cannot write " + target + ": " + cause(error));
    }
    if (::close(fd) != 0)
        throw CipherError("Cannot write " + target + ": " + cause(errno));
    if (replacing && S_ISDIR(existing.st_mode))
        throw CipherError("Cannot write " + target + ": a folder of that name exists");
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        throw CipherError("Cannot write " + target + ": " + cause(errno));
    if (sync)
        syncFolderOf(target);
}

}  // namespace veilcraft
