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

// One step of the output generator on the local state; yields a key-stream byte.
#define VEILCRAFT_RC4_STEP(out)                  \
    {                                            \
        x = (x + 1) & 0xFF;                      \
        const std::uint32_t wx = state[x];       \
        y = (y + wx) & 0xFF;                     \
        const std::uint32_t wy = state[y];       \
        state[x] = wy;                           \
        state[y] = wx;                           \
        out = state[(wx + wy) & 0xFF];           \
    }

}  // namespace

void clsRC4::Generator::apply(std::uint8_t* data, std::size_t length)
{
    // The state lives in a local copy while the loop runs: stores through the
    // byte pointer could alias a member array and would force a reload of the
    // state after every byte. Eight key-stream bytes are gathered into one
    // word and XORed at once.
    std::uint32_t state[256];
    std::copy(W.begin(), W.end(), state);
    std::uint32_t x = i;
    std::uint32_t y = j;
    std::size_t o = 0;
    for (; o + 8 <= length; o += 8) {
        std::uint64_t k[8];
        VEILCRAFT_RC4_STEP(k[0])
        VEILCRAFT_RC4_STEP(k[1])
        VEILCRAFT_RC4_STEP(k[2])
        VEILCRAFT_RC4_STEP(k[3])
        VEILCRAFT_RC4_STEP(k[4])
        VEILCRAFT_RC4_STEP(k[5])
        VEILCRAFT_RC4_STEP(k[6])
        VEILCRAFT_RC4_STEP(k[7])
        std::uint64_t stream = k[0] | k[1] << 8 | k[2] << 16 | k[3] << 24 | k[4] << 32 | k[5] << 40 |
                               k[6] << 48 | k[7] << 56;
        if constexpr (std::endian::native == std::endian::big)
            stream = __builtin_bswap64(stream);
        std::uint64_t word;
        std::memcpy(&word, data + o, 8);
        word ^= stream;
        std::memcpy(data + o, &word, 8);
    }
    for (; o < length; ++o) {
        std::uint32_t k;
        VEILCRAFT_RC4_STEP(k)
        data[o] ^= static_cast<std::uint8_t>(k);
    }
    std::copy(state, state + 256, W.begin());
    i = x;
    j = y;
}

#undef VEILCRAFT_RC4_STEP

void clsRC4::EncryptByte(ByteArray& bytes, std::string_view key)
{
    applyKey(key);
    Generator generator{S_};
    ProgressMeter meter(progressEvent(), bytes.size());
    // Work in runs between two progress thresholds: the events are exactly
    // those of checking after every byte.
    std::uint64_t o = 0;
    const std::uint64_t total = bytes.size();
    while (o < total) {
        const std::uint64_t end = std::min(total, std::max(meter.next(), o) + 1);
        generator.apply(bytes.data() + o, static_cast<std::size_t>(end - o));
        meter.after(end - 1);
        o = end;
    }
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
        std::size_t done = 0;
        while (done < length) {
            const std::uint64_t end =
                std::min<std::uint64_t>(o + (length - done), std::max(meter.next(), o) + 1);
            const auto run = static_cast<std::size_t>(end - o);
            generator.apply(chunk.get() + done, run);
            meter.after(end - 1);
            done += run;
            o = end;
        }
        sink.write(chunk.get(), length);
    }
    meter.finish();
}

void clsRC4::decryptStream(ByteSource& source, ByteSink& sink, std::string_view key)
{
    encryptStream(source, sink, key);
}

}  // namespace veilcraft
