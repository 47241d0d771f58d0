#pragma once

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace veilcraft::kompak::detail {

// The file an entry is extracted into until it is complete and its CRC
// checked; nothing appears under the entry's name before commit, and a file
// never committed leaves nothing behind.
//
// A new file is written unnamed in its folder (O_TMPFILE) and linked under
// its name at commit, which fails rather than replace a file that appeared
// meanwhile. A file that replaces another, or a folder whose file system has
// no unnamed files, gets a private temporary file in the destination's root
// folder (where a later run's leftover sweep looks) that is renamed into
// place at commit.
class ExtractedFile {
public:
    // `existing` describes what has the name already (not followed), or is
    // nullptr. A link or other non-file there is replaced itself, never
    // written through. A regular file's permission bits (less set-user and
    // set-group) are kept, and its content is only given up once the new one
    // is on disk. A new file gets `newMode`.
    ExtractedFile(int rootFd, int folderFd, std::string name, const struct stat* existing, mode_t newMode);
    ~ExtractedFile();
    ExtractedFile(const ExtractedFile&) = delete;
    ExtractedFile& operator=(const ExtractedFile&) = delete;

    [[nodiscard]] bool valid() const { return fd_ >= 0; }
    bool write(const char* data, std::size_t size);
    // Puts the file under its name; false leaves nothing behind.
    bool commit();

private:
    int rootFd_;
    int folderFd_;
    std::string name_;
    bool nameTaken_;
    bool replacingFile_;
    mode_t mode_;
    std::string temporaryName_;  // in the root folder; empty for an unnamed file
    int fd_ = -1;
};

}  // namespace veilcraft::kompak::detail
