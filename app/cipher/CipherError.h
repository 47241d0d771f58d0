#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace veilcraft {

// The code every engine error carries; callers show the message text.
inline constexpr std::uint32_t kCipherErrorCode = 0x80040000u;
// An index error: a buffer too short or not made of whole blocks.
inline constexpr std::uint32_t kIndexErrorCode = 9;

inline constexpr const char* kMsgSourceMissing =
    "Error in Skipjack EncryptFile procedure (Source file does not exist).";
inline constexpr const char* kMsgBadSizeDescriptor = "Incorrect size descriptor in Blowfish decryption";
inline constexpr const char* kMsgSubscriptOutOfRange = "Subscript out of range";

// Raised by the cipher engines and the file helpers they use.
class CipherError : public std::runtime_error {
public:
    CipherError(std::uint32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
    explicit CipherError(const std::string& message) : CipherError(kCipherErrorCode, message) {}

    [[nodiscard]] std::uint32_t code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};

}  // namespace veilcraft
