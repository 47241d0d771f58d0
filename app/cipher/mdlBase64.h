#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veilcraft {

// Base64 with the standard alphabet and "=" padding, over byte strings: one
// byte per character (latin-1), so every byte 0..255 can be encoded.
//
// Decoding is deliberately literal, because texts encoded by earlier releases
// and pasted back by users must keep decoding to the same bytes:
// - every character takes a place in a group of four, nothing is skipped, so
//   line breaks and blanks are invalid;
// - a character outside the alphabet and "=" fails the whole decode with a
//   CipherError (code kCipherErrorCode) naming its 1-based position;
// - "=" counts as the value 64 and goes through the same bit arithmetic as
//   any other value (results kept to 8 bits); after a group's three bytes
//   are written, a "=" in the fourth place removes the last byte and a "="
//   in the third place removes one more. A "=" elsewhere yields whatever the
//   arithmetic gives ("Y=Q=" decodes to "d\x04"), and groups may follow
//   padded ones;
// - 1 to 3 characters left over after the last whole group are checked but
//   otherwise ignored ("YWJjZA" decodes to "abc").
namespace mdlBase64 {

[[nodiscard]] std::string Encode(std::string_view text);

// Throws CipherError on an invalid character; nothing is returned then.
[[nodiscard]] std::string Decode(std::string_view text);

} // namespace mdlBase64

// Streaming Encode for inputs too large to hold in memory. The output of any
// split of the input into chunks, followed by finish(), equals Encode of the
// whole. finish() also makes the encoder ready for a new input.
class Base64Encoder {
public:
    // Appends the Base64 of every complete 3-byte group seen so far.
    void update(std::string_view chunk, std::string& out);
    // Appends the padded tail of the input.
    void finish(std::string& out);

private:
    unsigned char pending_[2] = {};
    std::size_t pendingCount_ = 0;
};

// Streaming Decode. The output of any split of the input into chunks equals
// Decode of the whole. On an invalid character update() throws the same
// CipherError as Decode, with the position counted over the whole stream; it
// then appends nothing for that chunk (out keeps its size from before the
// call), the output of earlier chunks must be discarded by the caller, and the
// decoder starts over as if new.
class Base64Decoder {
public:
    void update(std::string_view chunk, std::string& out);
    // Ends the input: characters of an unfinished group are ignored, as in
    // Decode. Returns how many were ignored (0 to 3) so that a caller can warn
    // about them; out is left as it is. The decoder is then ready for a new input.
    std::size_t finish(std::string& out);

    // Characters consumed so far in the current input.
    [[nodiscard]] std::uint64_t position() const { return position_; }

private:
    void reset();

    std::uint8_t group_[4] = {};
    std::size_t groupCount_ = 0;
    std::uint64_t position_ = 0;
};

} // namespace veilcraft
