#include "FilesAhead.h"

#include <algorithm>
#include <sys/stat.h>

namespace veilcraft::kompak::detail {

namespace {

// How far past the next announced file a call may be: a caller that adds
// its files in another order gains nothing, and is not searched for long.
constexpr std::size_t kSearchWindow = 64;

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool unchangedSinceRead(const CompressedFile& read, const std::string& path)
{
    struct stat now {};
    return ::stat(path.c_str(), &now) == 0 && now.st_dev == read.device && now.st_ino == read.inode &&
           static_cast<std::uint64_t>(now.st_size) == read.size && sameTime(now.st_mtim, read.modified) &&
           sameTime(now.st_ctim, read.changed);
}

}  // namespace

FilesAhead::FilesAhead(const std::vector<std::string>& paths, int level, KeepGoing keepGoing)
    : paths_(paths), queue_(paths, level, std::move(keepGoing))
{
}

std::optional<CompressedFile> FilesAhead::take(const std::string& path)
{
    const std::size_t end = std::min(paths_.size(), next_ + kSearchWindow);
    const auto found = std::find(paths_.begin() + static_cast<std::ptrdiff_t>(next_),
                                 paths_.begin() + static_cast<std::ptrdiff_t>(end), path);
    if (found == paths_.begin() + static_cast<std::ptrdiff_t>(end))
        return std::nullopt;
    const auto index = static_cast<std::size_t>(found - paths_.begin());
    for (; next_ < index; ++next_)
        queue_.next();
    ++next_;
    CompressedFile result = queue_.next();
    if (result.status != CompressedFile::Status::Ready || !unchangedSinceRead(result, path))
        return std::nullopt;
    return result;
}

}  // namespace veilcraft::kompak::detail
