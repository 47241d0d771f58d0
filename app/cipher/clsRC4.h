#pragma once

#include "CipherEngine.h"

#include <array>
#include <cstdint>
#include <string>

namespace veilcraft {

class ProgressMeter;

// The RC4 stream cipher as published: key schedule over a 256-entry
// permutation, output from the first key-stream byte on, no header, no
// padding. Every call starts from the permutation the key schedule left, so
// two calls with the same key use the same key stream. This is the engine
// every file workflow runs.
class clsRC4 final : public CipherEngine {
public:
    clsRC4();

    void EncryptByte(ByteArray& bytes, std::string_view key = {}) override;
    void DecryptByte(ByteArray& bytes, std::string_view key = {}) override;
    void setKey(std::string_view newValue) override;
    void encryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) override;
    void decryptStream(ByteSource& source, ByteSink& sink, std::string_view key = {}) override;

    // The permutation as the last key schedule left it.
    [[nodiscard]] const std::array<std::uint32_t, 256>& permutation() const { return S_; }

private:
    // Generator state of one call: a working copy of S and the two indexes.
    struct Generator {
        std::array<std::uint32_t, 256> W;
        std::uint32_t i = 0;
        std::uint32_t j = 0;
        // XORs the key stream into data, whose first byte is the stream's
        // byte `offset`, telling the meter after each byte as it asks.
        void apply(std::uint8_t* data, std::size_t length, ProgressMeter& meter, std::uint64_t offset);
    };

    void applyKey(std::string_view key);

    std::array<std::uint32_t, 256> S_{};
    std::string key_;
};

}  // namespace veilcraft
