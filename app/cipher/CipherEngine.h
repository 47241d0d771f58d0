#pragma once

#include "ByteStream.h"
#include "ProgressEvent.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veilcraft {

using ByteArray = std::vector<std::uint8_t>;

// The operations both cipher engines offer. Texts and keys are byte strings,
// one byte per character (latin-1); converting the user's text is the job of
// the window and the command line. A non-empty Key argument is assigned to the
// Key property before anything else; an empty one keeps the current key.
// Errors are raised as CipherError. Not safe for concurrent use: Progress is
// raised synchronously on the calling thread.
class CipherEngine {
public:
    virtual ~CipherEngine() = default;
    CipherEngine() = default;
    CipherEngine(const CipherEngine&) = delete;
    CipherEngine& operator=(const CipherEngine&) = delete;

    virtual void EncryptByte(ByteArray& bytes, std::string_view key = {}) = 0;
    virtual void DecryptByte(ByteArray& bytes, std::string_view key = {}) = 0;
    std::string EncryptString(std::string_view text, std::string_view key = {});
    std::string DecryptString(std::string_view text, std::string_view key = {});

    // Streams SourceFile through the cipher into DestFile in fixed-size chunks.
    // The bytes and the Progress sequence are those of reading the whole file
    // into one buffer and running EncryptByte/DecryptByte on it. DestFile is
    // replaced only when the whole output has been written; SourceFile may
    // equal DestFile.
    void EncryptFile(const std::string& sourceFile, const std::string& destFile, std::string_view key = {});
    void DecryptFile(const std::string& sourceFile, const std::string& destFile, std::string_view key = {});

    // The write-only Key property.
    virtual void setKey(std::string_view newValue) = 0;

    // Streaming forms of EncryptByte/DecryptByte over a whole source; the
    // output written to the sink equals the buffer those would leave.
    virtual void encryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) = 0;
    virtual void decryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) = 0;

    ProgressEvent& Progress() { return progress_; }
    [[nodiscard]] const ProgressEvent& progressEvent() const { return progress_; }

private:
    enum class Direction { Encrypt, Decrypt };
    void transformFile(Direction direction, const std::string& sourceFile, const std::string& destFile,
                       std::string_view key);

    ProgressEvent progress_;
};

}  // namespace veilcraft
