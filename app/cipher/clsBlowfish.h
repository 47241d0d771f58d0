#pragma once

#include "BlowfishTables.h"
#include "CipherEngine.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace veilcraft {

namespace blowfish {

// The keyed state: the P-array and the four substitution boxes, Box[i][j].
struct Tables {
    std::array<std::uint32_t, kPWords> p;
    std::array<std::array<std::uint32_t, kBoxEntries>, kBoxes> box;
};

}  // namespace blowfish

// The Blowfish engine: 64-bit blocks, 16 rounds, CBC with a zero chaining
// value. Its boxes and key packing differ from the published cipher (see the
// .cpp), so its output only decrypts with this engine.
//
// Layout of a plaintext before encryption, M = N + 12 rounded up to 8:
//   0..7      two random values in 0..2^31-1, little-endian
//   8..11     N, the data size, little-endian (the size descriptor)
//   12..12+N-1 the data, then zeros up to M
// Decryption accepts a size descriptor only when it is not negative and
// 12 <= M - N <= 19.
class clsBlowfish final : public CipherEngine {
public:
    // Supplies the 8 random bytes that open every plaintext. Tests fix them;
    // the default draws them from the system's random source.
    using PrefixSource = std::function<std::array<std::uint8_t, 8>()>;

    // The largest input that can be encrypted: decryption reads the size
    // descriptor back as a signed 32-bit value.
    static constexpr std::uint64_t kMaxDataSize = 0x7FFFFFFF;

    explicit clsBlowfish(PrefixSource prefixSource = {});

    // Refuses data longer than kMaxDataSize before changing anything.
    void EncryptByte(ByteArray& bytes, std::string_view key = {}) override;
    // A length that is not whole blocks of at least 12 bytes fails with the
    // index error and leaves the buffer as it was; an out-of-range size
    // descriptor fails after decryption and leaves the raw decrypted blocks.
    // Progress is raised as the block loop over the buffer would raise it
    // up to the point of failure.
    void DecryptByte(ByteArray& bytes, std::string_view key = {}) override;

    // Setting the key already in force does nothing; any other key gives the
    // tables a new instance would get with it. The empty key restores the
    // unkeyed tables of a new instance.
    void setKey(std::string_view newValue) override;

    void encryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) override;
    void decryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) override;

    // How often the key schedule has run on this instance.
    [[nodiscard]] std::uint64_t keyScheduleRuns() const { return keyScheduleRuns_; }

private:
    void useKey(std::string_view key);

    blowfish::Tables tables_;
    std::string key_;
    PrefixSource prefixSource_;
    std::uint64_t keyScheduleRuns_ = 0;
};

}  // namespace veilcraft
