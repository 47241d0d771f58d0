#include "clsRC4.h"

#include "CipherError.h"
#include "ProgressMeter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <numeric>

namespace veilcraft {

clsRC4::clsRC4()
{
    std::iota(S_.begin(), S_.end(), 0u);
}

void clsRC4::applyKey(std::string_view key)
{
    if (!key.empty())
        setKey(key);
}

void clsRC4::setKey(std::string_view newValue)
{
    if (newValue == key_)
        return;
    key_ = newValue;
    std::iota(S_.begin(), S_.end(), 0u);
    // An empty key leaves the identity permutation (no caller schedules one).
    if (key_.empty())
        return;
    const std::size_t n = key_.size();
    std::uint32_t b = 0;
    for (std::uint32_t a = 0; a < 256; ++a) {
        b = (b + S_[a] + static_cast<std::uint8_t>(key_[a % n])) & 0xFF;
        std::swap(S_[a], S_[b]);
    }
}

namespace {

// to = (to + v) mod 256, for to and v below 256. On x86-64 this is one
// byte-wide add that leaves the upper bits (zero) alone: the index chain
// through j then costs one cycle per byte instead of an add and a
// zero-extension.
[[gnu::always_inline]] inline void addModulo256(std::uint64_t& to, std::uint64_t v)
{
#if defined(__x86_64__)
    asm("addb %b1, %b0" : "+q"(to) : "q"(v));
#else
    to = (to + v) & 0xFF;
#endif
}

// One step of the output generator for i = next + k; yields a key-stream byte.
#define VEILCRAFT_RC4_STEP(k, out)                    \
    {                                                 \
        const std::uint32_t at = (next + (k)) & 0xFF; \
        const std::uint64_t wx = state[at];           \
        addModulo256(y, wx);                          \
        const std::uint64_t wy = state[y];            \
        state[at] = static_cast<std::uint32_t>(wy);   \
        state[y] = static_cast<std::uint32_t>(wx);    \
        std::uint64_t sum = wx;                       \
        addModulo256(sum, wy);                        \
        out = state[sum];                             \
    }

// The generator's loop over data[0, length) on a state that is a local of
// the caller: stores through the byte pointer cannot alias it, which a
// member array would, forcing a reload of the state after every byte.
// `next` is the i of the first step. Eight key-stream bytes are gathered
// into one word and XORed at once.
[[gnu::always_inline]] inline void keyStream(std::uint32_t* state, std::uint32_t& next, std::uint64_t& y,
                                             std::uint8_t* data, std::size_t length)
{
    std::size_t o = 0;
    for (; o + 8 <= length; o += 8, next += 8) {
        std::uint64_t k[8];
        VEILCRAFT_RC4_STEP(0, k[0])
        VEILCRAFT_RC4_STEP(1, k[1])
        VEILCRAFT_RC4_STEP(2, k[2])
        VEILCRAFT_RC4_STEP(3, k[3])
        VEILCRAFT_RC4_STEP(4, k[4])
        VEILCRAFT_RC4_STEP(5, k[5])
        VEILCRAFT_RC4_STEP(6, k[6])
        VEILCRAFT_RC4_STEP(7, k[7])
        std::uint64_t stream = k[0] | k[1] << 8 | k[2] << 16 | k[3] << 24 | k[4] << 32 | k[5] << 40 |
                               k[6] << 48 | k[7] << 56;
        if constexpr (std::endian::native == std::endian::big)
            stream = __builtin_bswap64(stream);
        std::uint64_t word;
        std::memcpy(&word, data + o, 8);
        word ^= stream;
        std::memcpy(data + o, &word, 8);
    }
    for (; o < length; ++o, ++next) {
        std::uint64_t k;
        VEILCRAFT_RC4_STEP(0, k)
        data[o] ^= static_cast<std::uint8_t>(k);
    }
}

#undef VEILCRAFT_RC4_STEP

}  // namespace

void clsRC4::Generator::apply(std::uint8_t* data, std::size_t length, ProgressMeter& meter, std::uint64_t offset)
{
    std::uint32_t state[256];
    std::copy(W.begin(), W.end(), state);
    std::uint32_t next = i + 1;
    std::uint64_t y = j;
    // Runs end at the meter's thresholds: the events are exactly those of
    // checking after every byte.
    std::size_t o = 0;
    while (o < length) {
        const std::uint64_t at = offset + o;
        const auto run =
            static_cast<std::size_t>(std::min<std::uint64_t>(length - o, std::max(meter.next(), at) + 1 - at));
        keyStream(state, next, y, data + o, run);
        o += run;
        meter.after(offset + o - 1);
    }
    std::copy(state, state + 256, W.begin());
    i = (next - 1) & 0xFF;
    j = static_cast<std::uint32_t>(y);
}

void clsRC4::EncryptByte(ByteArray& bytes, std::string_view key)
{
    applyKey(key);
    Generator generator{S_};
    ProgressMeter meter(progressEvent(), bytes.size());
    generator.apply(bytes.data(), bytes.size(), meter, 0);
    meter.finish();
}

void clsRC4::DecryptByte(ByteArray& bytes, std::string_view key)
{
    EncryptByte(bytes, key);
}

void clsRC4::encryptStream(ByteSource& source, ByteSink& sink, std::string_view key)
{
    applyKey(key);
    Generator generator{S_};
    const std::uint64_t total = source.size();
    ProgressMeter meter(progressEvent(), total);
    const auto chunk = std::make_unique<std::uint8_t[]>(kStreamChunkSize);
    std::uint64_t o = 0;
    while (o < total) {
        const std::size_t length = source.read(chunk.get(), kStreamChunkSize);
        if (length == 0)
            throw CipherError("The source ended before its announced size");
        generator.apply(chunk.get(), length, meter, o);
        o += length;
        sink.write(chunk.get(), length);
    }
    meter.finish();
}

void clsRC4::decryptStream(ByteSource& source, ByteSink& sink, std::string_view key)
{
    encryptStream(source, sink, key);
}

}  // namespace veilcraft
