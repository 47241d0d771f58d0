#pragma once

#include "RunReport.h"
#include "UserInterface.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veilcraft {

// The pass count typed by the user: the integer value of the text without
// leading and trailing blanks, as a 16-bit signed number. Nothing when the
// text is not a whole number in that range.
[[nodiscard]] std::optional<int> parsePassCount(const std::string& text);

// Called between chunks with the pass (1..passes) and the bytes of it written
// so far; returning false stops the overwrite.
using OverwriteProgress = std::function<bool(int pass, std::uint64_t written, std::uint64_t length)>;

// Size of the zero buffer every pass writes from, whatever the file's size.
inline constexpr std::size_t kShredChunk = 1 << 20;

// The file a shred run checked before touching it; the overwrite refuses a
// file that was replaced by another one in between.
struct ExpectedFile {
    dev_t device = 0;
    ino_t inode = 0;
};

// Overwrites the whole length of a regular file with zeros, `passes` times,
// in chunks of kShredChunk bytes, and flushes each pass to the disk. The file
// is opened without truncation and without following a symbolic link. An
// empty file is not written. Returns false when `keepGoing` stopped it (the
// file is then partly overwritten); throws std::system_error when the file
// cannot be opened, written or flushed.
bool overwriteWithZeros(const std::string& path, int passes, const OverwriteProgress& keepGoing = {},
                        std::optional<ExpectedFile> expected = std::nullopt);

// Clears a file's read-only attribute (gives its owner write permission) and
// the read-only, system and hidden bits of its DOS attribute word
// (user.DOSATTRIB), each only when set. Returns false, with errno set, when
// the write permission cannot be given.
bool clearShredAttributes(const std::string& path);

// The shredder: after the user confirms, each file loses its read-only,
// system and hidden attributes, is overwritten with zeros pass by pass and is
// deleted. Folders, symbolic links, other non-regular files and files with
// more than one name (hard links) are refused, since overwriting them would
// destroy data elsewhere; every file that was not destroyed is reported with
// its cause ("The File can not be destroyed!").
class ShredRun {
public:
    explicit ShredRun(UserInterface& ui);

    RunReport run(const std::vector<std::string>& files, const std::string& passCountText);

private:
    void destroy(const std::string& path, int passes, RunReport& report);

    UserInterface& ui_;
};

}  // namespace veilcraft
