#pragma once

#include "ExistingFile.h"

#include <string>
#include <vector>

namespace veilcraft {

// Extraction into the folder that holds the encrypted file must never write
// over that file: an entry named like it would replace the very container
// being read. Given the stored names of an archive, the destination folder
// and whether stored folders are kept, tells which entries would land on
// the guarded file (by identity, so links and folders that ignore letter
// case count too).
[[nodiscard]] std::vector<std::string> entriesLandingOn(const std::vector<std::string>& storedNames,
                                                        const std::string& folder, bool keepDirs,
                                                        const FileIdentity& guarded);

// The cause recorded for such an entry.
[[nodiscard]] std::string landsOnContainer(const std::string& storedName);

}  // namespace veilcraft
