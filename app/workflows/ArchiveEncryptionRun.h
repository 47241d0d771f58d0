#pragma once

#include "CipherTable.h"
#include "RunReport.h"
#include "UserInterface.h"

#include <string>
#include <vector>

namespace veilcraft {

// What the encryption wizard collected for a one-file (archive) run.
struct ArchiveEncryptionRequest {
    std::vector<std::string> sources;  // full paths, in list order
    std::string saveTo;                // the .vkf file to write
    std::string password;              // latin-1
    std::string retyped;               // latin-1
    bool removeSourceFiles = false;
};

// Zips every source (each stored under its last folder and name) into a
// temporary archive beside the output and encrypts that archive into one .vkf
// file of the archive kind.
//
// The password checks are those of the one-by-one run. The temporary archive
// is private, uniquely named and removed on every path. A source the zip
// control could not add is reported and kept; the others are removed, when
// asked, only after the complete .vkf is on disk, and only when they did not
// change after they were archived. When no complete .vkf was written nothing
// is removed.
class ArchiveEncryptionRun {
public:
    ArchiveEncryptionRun(UserInterface& ui, const CipherTable& ciphers);

    RunReport run(const ArchiveEncryptionRequest& request);

private:
    UserInterface& ui_;
    const CipherTable& ciphers_;
};

}  // namespace veilcraft
