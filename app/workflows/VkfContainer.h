#pragma once

#include "AtomicFile.h"
#include "CipherEngine.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veilcraft::vkf {

// The encrypted file: the payload (the content encrypted by the RC4 engine,
// same length as the content) followed by a 9-byte trailer:
//   4 bytes  content type: ".zip" for an archive, else the last four
//            characters of the source's path, latin-1, space padded
//   3 bytes  the cipher list position chosen when writing, decimal,
//            left-aligned, space padded
//   2 bytes  0xFF 0xFF
// There is no header, magic number or password check.

inline constexpr std::size_t kTrailerSize = 9;
inline constexpr std::string_view kExtension = ".vkf";
inline constexpr std::string_view kArchiveContentType = ".zip";

using TrailerBytes = std::array<std::uint8_t, kTrailerSize>;

struct Trailer {
    std::string contentType;  // 4 latin-1 bytes as stored
    std::string cipherField;  // 3 bytes as stored

    [[nodiscard]] bool isArchive() const { return contentType == kArchiveContentType; }
    // The cipher number, or nothing when the field holds no decimal number.
    [[nodiscard]] std::optional<int> cipherNumber() const;
};

// Builds the trailer; `contentType` is latin-1 and is padded or cut to 4.
[[nodiscard]] TrailerBytes encodeTrailer(std::string_view contentType, int cipherNumber);

// True when the last four characters of the path are exactly ".vkf".
[[nodiscard]] bool isEncryptedName(std::string_view path);

// The content type of a single source file: the last four characters of its
// full path as latin-1. Nothing when one of them has no latin-1 form.
[[nodiscard]] std::optional<std::string> contentTypeOf(std::string_view sourcePath);

// The output name of a single source: its file name up to and including the
// first "." followed by "vkf", or the whole name + ".vkf" when it has no ".".
[[nodiscard]] std::string encryptedFileName(std::string_view sourceFileName);

// Encrypts `contentFile` into `outPath` in one pass: payload, then trailer.
// The output appears complete or not at all. Throws CipherError.
void writeContainer(CipherEngine& engine, const std::string& contentFile, const std::string& outPath,
                    std::string_view key, const TrailerBytes& trailer,
                    AtomicFile::Durability durability = AtomicFile::Durability::WhenReplacing);

struct ContainerInfo {
    std::uint64_t payloadLength = 0;
    Trailer trailer;
};

// Reads the trailer of a container. Throws CipherError with a clear message
// when the file cannot be read or is shorter than a trailer.
[[nodiscard]] ContainerInfo readContainer(const std::string& path);

// Decrypts the payload of a container straight into `target` (no copy of the
// payload is made). The target appears complete or not at all; `mode` is
// the target's permission bits before the umask (0600 for private copies).
void decryptPayload(CipherEngine& engine, const std::string& containerPath, const ContainerInfo& info,
                    const std::string& target, std::string_view key,
                    AtomicFile::Durability durability = AtomicFile::Durability::WhenReplacing, int mode = 0666);

}  // namespace veilcraft::vkf
