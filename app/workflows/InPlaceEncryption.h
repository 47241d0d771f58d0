#pragma once

#include "AtomicFile.h"
#include "CipherEngine.h"
#include "TemporaryFile.h"
#include "VkfContainer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veilcraft {

// Turns a private work file (an archive made only to be encrypted) into the
// container where it lies: the payload overwrites the content in place, the
// trailer is appended and the file is renamed to its final name. The content
// is not written a second time, and until the rename the work file can be
// put back as it was, so that a failed or cancelled run can be tried again.
// The work file must be in the output's folder.
class InPlaceEncryption {
public:
    // Throws CipherError when the work file cannot be opened for writing.
    InPlaceEncryption(TemporaryFile& content, std::string outPath);
    ~InPlaceEncryption();
    InPlaceEncryption(const InPlaceEncryption&) = delete;
    InPlaceEncryption& operator=(const InPlaceEncryption&) = delete;

    // Encrypts the content and appends the trailer. Throws CipherError, or
    // whatever the engine's progress listeners throw.
    void encrypt(CipherEngine& engine, std::string_view key, const vkf::TrailerBytes& trailer);
    // Gives the container its name; from then on the work file is gone.
    // Throws CipherError.
    void commit(AtomicFile::Durability durability);
    // After encrypt() or commit() failed: decrypts what was encrypted and
    // drops the trailer. Call it with no progress listener that cancels.
    // False when the content cannot be trusted to be as it was (a write
    // failed half-way); the work file is then of no further use.
    [[nodiscard]] bool restore(CipherEngine& engine, std::string_view key) noexcept;

private:
    class Overwrite;

    void openForWriting();

    TemporaryFile& content_;
    std::string outPath_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    // Bytes at the start of the content that are known to be encrypted.
    std::uint64_t encrypted_ = 0;
    bool damaged_ = false;
    bool committed_ = false;
};

}  // namespace veilcraft
