#pragma once

#include "UserInterface.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace veilcraft {

// Which file a path names: device and inode. Collisions between outputs are
// decided by identity, not by path text, so that a folder that ignores
// letter case (Report.vkf and report.vkf are one file there) or a link is
// seen for what it is.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    // The identity of what `path` names itself (a link is not followed);
    // nothing when there is no such file.
    [[nodiscard]] static std::optional<FileIdentity> of(const std::string& path);
    bool operator==(const FileIdentity&) const = default;
};

// The cause recorded for a file that was left out because the user did not
// let an existing file be replaced.
inline constexpr const char* kNotReplaced = "already exists and was not replaced";

// Asks whether the existing file at `path`, which the running work did not
// write, may be replaced. The window asks Yes/No; the command answers from
// its --overwrite flag.
[[nodiscard]] bool confirmReplace(UserInterface& ui, const std::string& path);

}  // namespace veilcraft
