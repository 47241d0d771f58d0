#include "ExtractionFolders.h"

#include "ProcessUmask.h"
#include "TemporaryNames.h"
#include "ZipPaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veilcraft::kompak::detail {

namespace {

int OpenDestination(const std::string& path)
{
    std::string accumulated = !path.empty() && path.front() == '/' ? "/" : "";
    for (const std::string& part : SplitPathParts(path)) {
        accumulated += part;
        ::mkdir(accumulated.c_str(), 0777);
        accumulated += '/';
    }
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        tempnames::removeLeftovers(path);
    return fd;
}

int OpenFolder(int parent, const std::string& name)
{
    return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace

mode_t NewFileMode()
{
    return 0666 & ~processUmask();
}

Destination::Destination(const std::string& dir) : fd_(OpenDestination(ToFileSystemPath(dir))) {}

int TargetFolders::enter(const std::vector<std::string>& folders, std::string& cause)
{
    std::size_t shared = 0;
    while (shared < names_.size() && shared < folders.size() && names_[shared] == folders[shared])
        ++shared;
    closeFrom(shared);
    std::string walked;
    for (std::size_t i = 0; i < shared; ++i)
        walked += folders[i] + '/';
    for (std::size_t i = shared; i < folders.size(); ++i) {
        const int current = fds_.empty() ? destination_.fd() : fds_.back();
        const std::string& part = folders[i];
        walked += part;
        int next = OpenFolder(current, part);
        // Another thread may make the folder between the two calls.
        if (next < 0 && errno == ENOENT && (::mkdirat(current, part.c_str(), 0777) == 0 || errno == EEXIST))
            next = OpenFolder(current, part);
        if (next < 0) {
            struct stat info {};
            if (::fstatat(current, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
                cause = walked + " is a symbolic link, which is not followed";
            return -1;
        }
        names_.push_back(part);
        fds_.push_back(next);
        walked += '/';
    }
    return fds_.empty() ? destination_.fd() : fds_.back();
}

void TargetFolders::closeFrom(std::size_t depth)
{
    while (fds_.size() > depth) {
        ::close(fds_.back());
        fds_.pop_back();
        names_.pop_back();
    }
}

}  // namespace veilcraft::kompak::detail
