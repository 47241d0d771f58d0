#pragma once

#include "FileDescriptor.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace veilcraft::kompak::detail {

// The permissions of a new file: 0666 less the process's umask.
mode_t NewFileMode();

// The folder entries are extracted into, opened once. Links in the path of
// the folder itself are the user's own choice and followed; inside it every
// folder is entered with O_NOFOLLOW.
class Destination {
public:
    // Makes the missing folders on the way, as every entry would make them,
    // opens the folder and clears what killed runs left in it.
    explicit Destination(const std::string& dir);

    [[nodiscard]] int fd() const { return fd_.get(); }
    [[nodiscard]] mode_t newFileMode() const { return newFileMode_; }

private:
    FileDescriptor fd_;
    mode_t newFileMode_ = NewFileMode();
};

// The folders of the entries' targets inside the destination, entered (and
// made where missing) one level at a time without following links. An
// archive lists the entries of one folder together, so the descriptors of
// the last target's folders are kept: the next target opens only the
// folders it does not share with it. Several may work in one destination at
// once (one per thread).
class TargetFolders {
public:
    explicit TargetFolders(const Destination& destination) : destination_(destination) {}
    ~TargetFolders() { closeFrom(0); }
    TargetFolders(const TargetFolders&) = delete;
    TargetFolders& operator=(const TargetFolders&) = delete;

    // The descriptor of the folder `folders` (relative to the destination),
    // or -1; then `cause` says why, when there is more to say than that it
    // failed.
    int enter(const std::vector<std::string>& folders, std::string& cause);

private:
    void closeFrom(std::size_t depth);

    const Destination& destination_;
    std::vector<std::string> names_;  // the folders entered, outermost first
    std::vector<int> fds_;            // and their descriptors
};

}  // namespace veilcraft::kompak::detail
