#pragma once

#include "CipherTable.h"
#include "ExistingFile.h"
#include "RunReport.h"
#include "UserInterface.h"
#include "VkfContainer.h"

#include <memory>

#include <string>
#include <vector>

namespace veilcraft {

class KompakClient;

// Decrypts listed .vkf files next to themselves with one password for the
// whole run: a single file becomes the container's base name (its folder and
// file name up to the first ".") followed by the stored four-character type.
//
// An archive is decrypted into a private temporary zip in the temporary
// folder (TMPDIR) and unpacked by the zip control below the base; a wrong
// password shows up as an archive the control cannot read, which is
// reported instead of the success message, with nothing extracted.
//
// Files whose name does not end in ".vkf" stop the run. Each file's stored
// cipher number is selected in the cipher list, but every payload is
// decrypted with the RC4 engine. Targets appear complete or not at all; the
// containers themselves are never changed. A file that cannot be decrypted
// is reported with its cause instead of the success message.
class DecryptionRun {
public:
    DecryptionRun(UserInterface& ui, CipherTable& ciphers);
    ~DecryptionRun();

    RunReport run(const std::vector<std::string>& containers);

private:
    // Decrypts one container; returns the target, or throws CipherError.
    std::string decryptOne(const std::string& path, const std::string& password);
    // Unpacks an archive container below its base; returns the base.
    std::string unpackArchive(const std::string& path, const vkf::ContainerInfo& info, const std::string& password);
    KompakClient& zip();

    UserInterface& ui_;
    CipherTable& ciphers_;
    std::unique_ptr<KompakClient> zip_;  // made for the first archive
    std::vector<FileIdentity> written_;  // targets this run wrote, which it may replace
};

// Decrypts a single-file container into `target`, refusing a target that is
// a folder or the container itself. An existing target that is not one of
// `writtenByRun` is replaced only when the user agrees. Throws CipherError
// or RunCancelled.
void decryptToFile(UserInterface& ui, CipherEngine& engine, const std::string& path, const vkf::ContainerInfo& info,
                   const std::string& target, const std::string& password,
                   const std::vector<FileIdentity>& writtenByRun = {});

// The target of a single-file container: `base` followed by the stored
// type. A stored type that holds a folder separator or a NUL, or that gives
// no file name, is refused (CipherError naming it): the target always lies
// beside the encrypted file.
[[nodiscard]] std::string singleFileTarget(const std::string& base, const vkf::Trailer& trailer);

// The base of a container path: its folder and its file name up to, not
// including, the first "." of the file name.
[[nodiscard]] std::string containerBase(const std::string& path);

}  // namespace veilcraft
