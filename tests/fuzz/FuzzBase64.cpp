// The Base64 codec on any text: streaming decode in any chunking equals the
// whole-buffer Decode (same bytes, or the same error at the same place),
// and Decode(Encode(x)) gives back x, streamed or not.

#include "CipherError.h"
#include "FuzzScratch.h"
#include "mdlBase64.h"

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace veilcraft;

namespace {

struct Outcome {
    std::optional<std::string> bytes;  // nothing when decoding failed
    std::string error;
};

Outcome decodeWhole(std::string_view text)
{
    try {
        return {mdlBase64::Decode(text), {}};
    } catch (const CipherError& e) {
        return {std::nullopt, e.what()};
    }
}

// Chunk lengths covering `size`: ones when `seed` is 0, else random lengths
// from 0 to 9 (empty chunks included) drawn from `seed`.
std::vector<std::size_t> chunking(std::size_t size, std::size_t seed)
{
    std::vector<std::size_t> lengths;
    std::minstd_rand random(static_cast<std::minstd_rand::result_type>(seed));
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = seed == 0 ? 1 : std::min<std::size_t>(random() % 10, size - at);
        lengths.push_back(length);
        at += length;
    }
    return lengths;
}

Outcome decodeInChunks(Base64Decoder& decoder, std::string_view text, const std::vector<std::size_t>& lengths)
{
    std::string out;
    std::size_t at = 0;
    for (const std::size_t length : lengths) {
        const std::size_t before = out.size();
        try {
            decoder.update(text.substr(at, length), out);
        } catch (const CipherError& e) {
            if (out.size() != before)
                fuzz::fail("a failing chunk appended output");
            return {std::nullopt, e.what()};
        }
        at += length;
        if (decoder.position() != at)
            fuzz::fail("the decoder's position is not the characters consumed");
    }
    const std::size_t ignored = decoder.finish(out);
    if (ignored != text.size() % 4)
        fuzz::fail("finish() does not count the characters of the unfinished group");
    if (decoder.position() != 0)
        fuzz::fail("finish() does not start a new input");
    return {out, {}};
}

bool same(const Outcome& a, const Outcome& b) { return a.bytes == b.bytes && a.error == b.error; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Outcome whole = decodeWhole(text);

    // One decoder for every chunking: after an error or finish() it must
    // behave as a new one.
    Base64Decoder decoder;
    const std::size_t seed = std::hash<std::string_view>{}(text) | 1;
    for (const std::size_t chunkSeed : {std::size_t{0}, seed, seed * 31 + 2}) {
        if (!same(decodeInChunks(decoder, text, chunking(size, chunkSeed)), whole))
            fuzz::fail("streaming decode differs from Decode");
    }

    const std::string encoded = mdlBase64::Encode(text);
    if (encoded.size() != (size + 2) / 3 * 4)
        fuzz::fail("Encode gives the wrong length");
    if (mdlBase64::Decode(encoded) != text)
        fuzz::fail("Decode(Encode(x)) is not x");
    Base64Encoder encoder;
    std::string streamed;
    std::size_t at = 0;
    for (const std::size_t length : chunking(size, seed)) {
        encoder.update(text.substr(at, length), streamed);
        at += length;
    }
    encoder.finish(streamed);
    if (streamed != encoded)
        fuzz::fail("streaming encode differs from Encode");
    if (!same(decodeInChunks(decoder, encoded, chunking(encoded.size(), seed)), Outcome{std::string(text), {}}))
        fuzz::fail("streaming decode of Encode(x) is not x");
    return 0;
}
