#pragma once

#include "ExtractionFolders.h"
#include "ZipWorker.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace veilcraft::kompak::detail {

// A failed entry: the report's text and code.
struct EntryFailure {
    std::string text;
    ZipError code;
};

// A name as it can be shown: a NUL byte would cut the message short.
std::string Printable(const std::string& text);

// The identity of the archive being read, recorded when it is opened.
struct ArchiveIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    [[nodiscard]] bool is(const struct stat& info) const { return info.st_dev == device && info.st_ino == inode; }
};

// Where an entry goes in the destination.
struct EntryTarget {
    std::vector<std::string> folders;  // relative to the destination, outermost first
    std::string fileName;
    std::string cannotCreate;  // "<path> Could Not be Created", the start of most reports
};

// The target of the (file) entry `name` extracted below `dir` (ending in a
// separator, or empty), or why it has none.
std::optional<EntryFailure> TargetOf(const std::string& name, const std::string& dir, bool preserveDirPath,
                                     const Destination& destination, EntryTarget& target);

// The target's folder, entered, and what has its name already.
struct EnteredTarget {
    int folder = -1;
    bool exists = false;
    struct stat existing {};
};

// Enters the target's folder and looks at its name; a failure when the
// folder cannot be entered or the name is the archive's own.
std::optional<EntryFailure> Enter(const EntryTarget& target, TargetFolders& folders, const ArchiveIdentity& archive,
                                  EnteredTarget& entered);

}  // namespace veilcraft::kompak::detail
