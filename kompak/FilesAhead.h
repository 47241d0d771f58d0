#pragma once

#include "CompressionQueue.h"
#include "EntryCompressor.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace veilcraft::kompak::detail {

// The files a caller announced it will add one call at a time, deflated
// ahead on the worker pool. take(path) hands out the result for `path` when
// it is among the next few announced (the ones skipped are dropped), and
// only when it was read whole and the file is still as it was read: same
// file, size and times. Otherwise it hands out nothing and the caller
// deflates the file itself, so an announcement can only ever save time.
class FilesAhead {
public:
    FilesAhead(const std::vector<std::string>& paths, int level, KeepGoing keepGoing);

    std::optional<CompressedFile> take(const std::string& path);

private:
    std::vector<std::string> paths_;
    std::size_t next_ = 0;  // the queue's next result is for paths_[next_]
    CompressionQueue queue_;
};

}  // namespace veilcraft::kompak::detail
