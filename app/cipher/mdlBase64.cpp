#include "mdlBase64.h"

#include "CipherError.h"

#include <array>

namespace veilcraft {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each byte in a Base64 text: -1 for characters that cannot occur,
// 0..63 for the alphabet and 64 for the padding character "=". The table is
// the same for every call, so it is built once at compile time.
constexpr std::array<std::int16_t, 256> kDecodeTable = [] {
    std::array<std::int16_t, 256> table{};
    table.fill(-1);
    for (std::int16_t value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(kAlphabet[value])] = value;
    table[static_cast<unsigned char>('=')] = 64;
    return table;
}();

constexpr std::uint8_t kPadValue = 64;

// Writes the four characters of one 3-byte group.
inline char* encodeGroup(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, char* out)
{
    out[0] = kAlphabet[b0 >> 2];
    out[1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out[2] = kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
    out[3] = kAlphabet[b2 & 63];
    return out + 4;
}

// Encodes `groups` whole 3-byte groups of `in` into `out` (4 characters each).
char* encodeGroups(const unsigned char* in, std::size_t groups, char* out)
{
    for (std::size_t g = 0; g < groups; ++g, in += 3)
        out = encodeGroup(in[0], in[1], in[2], out);
    return out;
}

// The padded tail for the 1 or 2 bytes after the last whole group; appends
// nothing for 0.
void appendTail(const unsigned char* in, std::size_t count, std::string& out)
{
    if (count == 0)
        return;
    char quad[4];
    encodeGroup(in[0], count == 2 ? in[1] : 0, 0, quad);
    if (count == 1) {
        quad[2] = '=';
        quad[3] = '=';
    } else {
        quad[3] = '=';
    }
    out.append(quad, 4);
}

[[noreturn]] void throwInvalidCharacter(std::uint64_t position)
{
    throw CipherError(kCipherErrorCode,
                      "Invalid character at position " + std::to_string(position) + " of the Base64 text");
}

// Looks up one character; `position` (1-based) is only used for the error.
inline std::uint8_t valueOf(unsigned char c, std::uint64_t position)
{
    const std::int16_t value = kDecodeTable[c];
    if (value < 0)
        throwInvalidCharacter(position);
    return static_cast<std::uint8_t>(value);
}

// Writes the bytes of one complete group and returns the new end of the
// output. The three bytes are always written; a "=" in the fourth place then
// takes back the last one and a "=" in the third place one more. The
// arithmetic is on bytes, so "=" (64) in any place simply feeds its bits in.
inline char* decodeGroup(std::uint8_t w, std::uint8_t x, std::uint8_t y, std::uint8_t z, char* out)
{
    out[0] = static_cast<char>(static_cast<std::uint8_t>(w << 2) | (x >> 4));
    out[1] = static_cast<char>(static_cast<std::uint8_t>((x & 15) << 4) | (y >> 2));
    out[2] = static_cast<char>(static_cast<std::uint8_t>(((y & 3) << 6) | z));
    return out + 3 - (z == kPadValue) - (y == kPadValue);
}

// Decodes `groups` whole groups of four characters. `basePosition` is the
// number of characters of the stream before `in`, for error positions.
char* decodeGroups(const unsigned char* in, std::size_t groups, char* out, std::uint64_t basePosition)
{
    for (std::size_t g = 0; g < groups; ++g, in += 4) {
        const std::int16_t w = kDecodeTable[in[0]];
        const std::int16_t x = kDecodeTable[in[1]];
        const std::int16_t y = kDecodeTable[in[2]];
        const std::int16_t z = kDecodeTable[in[3]];
        if ((w | x | y | z) < 0) {
            const std::uint64_t groupStart = basePosition + 4 * g;
            for (std::uint64_t k = 0; k < 4; ++k)
                valueOf(in[k], groupStart + k + 1);
        }
        out = decodeGroup(static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                          static_cast<std::uint8_t>(z), out);
    }
    return out;
}

// Grows `out` by `extra` bytes and returns where they start.
char* grow(std::string& out, std::size_t extra)
{
    const std::size_t size = out.size();
    out.resize(size + extra);
    return out.data() + size;
}

} // namespace

namespace mdlBase64 {

std::string Encode(std::string_view text)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t groups = text.size() / 3;
    std::string result;
    result.reserve((text.size() + 2) / 3 * 4);
    encodeGroups(in, groups, grow(result, groups * 4));
    appendTail(in + groups * 3, text.size() % 3, result);
    return result;
}

std::string Decode(std::string_view text)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t groups = text.size() / 4;
    std::string result(groups * 3, '\0');
    char* end = decodeGroups(in, groups, result.data(), 0);
    // The leftover characters are not decoded, but each is still checked.
    for (std::size_t i = groups * 4; i < text.size(); ++i)
        valueOf(in[i], i + 1);
    result.resize(static_cast<std::size_t>(end - result.data()));
    return result;
}

} // namespace mdlBase64

void Base64Encoder::update(std::string_view chunk, std::string& out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(chunk.data());
    std::size_t length = chunk.size();

    if (pendingCount_ > 0) {
        if (pendingCount_ + length < 3) {
            while (length > 0) {
                pending_[pendingCount_++] = *in++;
                --length;
            }
            return;
        }
        unsigned char group[3] = {pending_[0], pending_[1], 0};
        for (std::size_t k = pendingCount_; k < 3; ++k, --length)
            group[k] = *in++;
        pendingCount_ = 0;
        encodeGroups(group, 1, grow(out, 4));
    }

    const std::size_t groups = length / 3;
    encodeGroups(in, groups, grow(out, groups * 4));
    in += groups * 3;
    length -= groups * 3;
    for (; length > 0; --length)
        pending_[pendingCount_++] = *in++;
}

void Base64Encoder::finish(std::string& out)
{
    appendTail(pending_, pendingCount_, out);
    pendingCount_ = 0;
}

void Base64Decoder::reset()
{
    groupCount_ = 0;
    position_ = 0;
}

void Base64Decoder::update(std::string_view chunk, std::string& out)
{
    const std::size_t sizeBefore = out.size();
    try {
        const auto* in = reinterpret_cast<const unsigned char*>(chunk.data());
        std::size_t length = chunk.size();

        // Complete the group left open by the previous chunk.
        while (groupCount_ > 0 && length > 0) {
            group_[groupCount_++] = valueOf(*in++, ++position_);
            --length;
            if (groupCount_ == 4) {
                char* end = decodeGroup(group_[0], group_[1], group_[2], group_[3], grow(out, 3));
                out.resize(static_cast<std::size_t>(end - out.data()));
                groupCount_ = 0;
            }
        }

        const std::size_t groups = length / 4;
        if (groups > 0) {
            const std::size_t start = out.size();
            char* begin = grow(out, groups * 3);
            char* end = decodeGroups(in, groups, begin, position_);
            out.resize(start + static_cast<std::size_t>(end - begin));
            in += groups * 4;
            length -= groups * 4;
            position_ += groups * 4;
        }

        for (; length > 0; --length)
            group_[groupCount_++] = valueOf(*in++, ++position_);
    } catch (...) {
        out.resize(sizeBefore);
        reset();
        throw;
    }
}

std::size_t Base64Decoder::finish(std::string& /*out*/)
{
    const std::size_t ignored = groupCount_;
    reset();
    return ignored;
}

} // namespace veilcraft
