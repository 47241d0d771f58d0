#pragma once

#include "CipherTable.h"
#include "RunReport.h"
#include "UserInterface.h"

#include <string>
#include <sys/stat.h>

namespace veilcraft {

// The password checks every encryption run makes before it writes anything:
// given, retyped alike and within the selected cipher's limit. Shows the
// wizard's message for the first that fails and returns false.
[[nodiscard]] bool passwordAccepted(UserInterface& ui, const CipherTable& ciphers, const std::string& password,
                                    const std::string& retyped);

// Identity of a source when it was read, so that a source changed or
// replaced after it was encrypted is not removed.
struct SourceSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    [[nodiscard]] static SourceSnapshot of(const struct stat& info)
    {
        return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    }
    bool operator==(const SourceSnapshot& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

// Removes a source whose output is safely on disk, unless it is gone already
// (listed twice) or changed since it was read as `snapshot`. A failure is
// added to the report; `done` says what happened to the source ("encrypted",
// "archived").
void removeSource(const std::string& source, const SourceSnapshot& snapshot, const std::string& done,
                  RunReport& report);

}  // namespace veilcraft
