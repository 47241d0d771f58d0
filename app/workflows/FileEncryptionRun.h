#pragma once

#include "CipherTable.h"
#include "RunReport.h"
#include "UserInterface.h"

#include <string>
#include <vector>

namespace veilcraft {

// What the encryption wizard collected for a one-file-per-source run.
struct FileEncryptionRequest {
    std::vector<std::string> sources;  // full paths, in list order
    std::string saveTo;                // destination folder
    std::string password;              // latin-1
    std::string retyped;               // latin-1
    bool removeSourceFiles = false;
};

// Encrypts each source into its own .vkf file in the destination folder.
//
// The checks and messages are the wizard's: the password must be given,
// retyped alike and fit the selected cipher's limit; an already encrypted
// source or a missing destination stops the run. Each source is written in
// one pass (payload, then trailer) and appears complete or not at all.
// Sources are removed, when asked, only at the end of the run, only once their
// output is on disk, and only when no later output of the same run replaced
// theirs and they did not change after they were read. Every file that could
// not be encrypted or removed is reported with its cause and is not counted.
class FileEncryptionRun {
public:
    FileEncryptionRun(UserInterface& ui, const CipherTable& ciphers);

    RunReport run(const FileEncryptionRequest& request);

private:
    struct Done;
    void removeSources(const std::vector<Done>& done, RunReport& report);
    void finish(const FileEncryptionRequest& request, const RunReport& report);

    UserInterface& ui_;
    const CipherTable& ciphers_;
};

}  // namespace veilcraft
