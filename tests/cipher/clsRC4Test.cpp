#include "ByteStream.h"
#include "TempDir.h"
#include "clsRC4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

using veilcraft::ByteArray;
using veilcraft::clsRC4;
using veilcraft::kStreamChunkSize;
using veilcraft::ProgressEvent;
namespace vt = veilcraft::test;

std::string fromHex(std::string_view hex)
{
    std::string bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16)));
    return bytes;
}

std::string toHex(const ByteArray& bytes, std::size_t from, std::size_t length)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t k = from; k < from + length && k < bytes.size(); ++k) {
        hex.push_back(kDigits[bytes[k] >> 4]);
        hex.push_back(kDigits[bytes[k] & 0xF]);
    }
    return hex;
}

std::string toHex(const std::string& text)
{
    return toHex(ByteArray(text.begin(), text.end()), 0, text.size());
}

ByteArray toBytes(const std::string& text)
{
    return ByteArray(text.begin(), text.end());
}

// Records every Progress value an engine raises while it lives.
class ProgressLog {
public:
    explicit ProgressLog(ProgressEvent& event)
        : event_(event), id_(event.connect([this](int& percent) { values.push_back(percent); }))
    {
    }
    ~ProgressLog() { event_.disconnect(id_); }
    ProgressLog(const ProgressLog&) = delete;
    ProgressLog& operator=(const ProgressLog&) = delete;

    std::vector<int> values;

private:
    ProgressEvent& event_;
    int id_;
};

// Round half to even, written out rather than left to the FPU rounding mode.
double roundHalfEven(double x)
{
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction > 0.5)
        return down + 1;
    if (fraction < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1;
}

// The Progress values a byte-by-byte loop over `total` bytes raises, followed
// by the closing 100: after byte o, if o >= Next, Cur = int(o / total * 100)
// in double, Next = round-half-even(total * (Cur + 1) / 100 + 1), raise Cur.
std::vector<int> expectedProgress(std::uint64_t total)
{
    std::vector<int> values;
    const double t = static_cast<double>(total);
    double next = 0;
    for (std::uint64_t o = 0; o < total; ++o) {
        if (static_cast<double>(o) >= next) {
            const int current = static_cast<int>(static_cast<double>(o) / t * 100.0);
            next = roundHalfEven(t * (current + 1) / 100.0 + 1.0);
            values.push_back(current);
        }
    }
    values.push_back(100);
    return values;
}

// --- Published key streams --------------------------------------------------

struct KeyStreamVector {
    const char* keyHex;
    std::size_t offset;
    const char* streamHex;  // 16 key-stream bytes at offset
};

// RC4 key streams from the published test vectors (40- to 256-bit keys, and
// keys with bytes >= 0x80 that a sign-extending key schedule would get wrong).
const KeyStreamVector kPublishedStreams[] = {
    {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
    {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
    {"0102030405", 256, "1cfcf62b03eddb641d77dfcf7f8d8c93"},
    {"0102030405", 496, "42b7d0cdd918a8a33dd51781c81f4041"},
    {"0102030405", 1520, "3294f744d8f9790507e70f62e5bbceea"},
    {"0102030405", 4080, "068326a2118416d21f9d04b2cd1ca050"},
    {"01020304050607", 0, "293f02d47f37c9b633f2af5285feb46b"},
    {"01020304050607", 1520, "d2aa902bd42d0d7cfd340cd45810529f"},
    {"0102030405060708", 0, "97ab8a1bf0afb96132f2f67258da15a8"},
    {"0102030405060708", 256, "d0a990ff2c05fef5b90373c9ff4b870a"},
    {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"0102030405060708090a0b0c0d0e0f10", 240, "065902e4b620f6cc36c8589f66432f2b"},
    {"0102030405060708090a0b0c0d0e0f10", 496, "b6d1e6c4a5e4771cad79538df295fb11"},
    {"0102030405060708090a0b0c0d0e0f10", 4080, "ff38265c1642c1abe8d3c2fe5e572bf8"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 0, "eaa6bd25880bf93d3f5d1e4ca2611d91"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 1520, "40f250b26d1f096a4afd4c340a588815"},
    {"833222772a", 0, "80ad97bdc973df8a2e879e92a497efda"},
    {"833222772a", 16, "20f060c2f2e5126501d3d4fea10d5fc0"},
    {"833222772a", 4080, "6349d126a37afcba89794f9804914fdc"},
    {"ebb46227c6cc8b37641910833222772a", 0, "720c94b63edf44e131d950ca211a5a30"},
    {"ebb46227c6cc8b37641910833222772a", 256, "4847d81da4942dbc249defc48c922b9f"},
    {"ebb46227c6cc8b37641910833222772a", 1520, "3c70047e8cbc038e3b9820db601da495"},
};

// Catches a wrong key schedule or generator, a discarded key-stream prefix, or
// key bytes taken as signed values.
TEST(clsRC4KeyStream, EncryptingZerosYieldsThePublishedKeyStream)
{
    for (const auto& vector : kPublishedStreams) {
        clsRC4 engine;
        ByteArray zeros(4096, 0);
        engine.EncryptByte(zeros, fromHex(vector.keyHex));
        EXPECT_EQ(toHex(zeros, vector.offset, 16), vector.streamHex)
            << "key " << vector.keyHex << " at offset " << vector.offset;
    }
}

// Catches the same faults through the text operations and texts as keys.
TEST(clsRC4KeyStream, WellKnownTextVectors)
{
    struct TextVector {
        const char* key;
        const char* plaintext;
        const char* ciphertextHex;
    };
    const TextVector vectors[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (const auto& vector : vectors) {
        clsRC4 engine;
        EXPECT_EQ(toHex(engine.EncryptString(vector.plaintext, vector.key)), vector.ciphertextHex) << vector.key;
        EXPECT_EQ(engine.DecryptString(fromHex(vector.ciphertextHex), vector.key), vector.plaintext) << vector.key;
    }
}

// --- Symmetry and statelessness between calls -------------------------------

// Catches an encryption that is not its own inverse, or a DecryptByte that
// does something other than EncryptByte.
TEST(clsRC4Symmetry, EncryptingTwiceOrDecryptingRestoresTheInput)
{
    const ByteArray original = toBytes(vt::randomBytes(5000, 7));
    clsRC4 engine;
    ByteArray buffer = original;
    engine.EncryptByte(buffer, "pass word");
    EXPECT_EQ(buffer.size(), original.size());
    EXPECT_NE(buffer, original);
    ByteArray twice = buffer;
    engine.EncryptByte(twice, "pass word");
    EXPECT_EQ(twice, original);
    engine.DecryptByte(buffer, "pass word");
    EXPECT_EQ(buffer, original);
}

// Catches generator indexes or a working permutation carried from one call to
// the next: every call starts at the first key-stream byte.
TEST(clsRC4Symmetry, EveryCallStartsTheKeyStreamAfresh)
{
    clsRC4 engine;
    ByteArray first(300, 0);
    engine.EncryptByte(first, "0123456789");
    ByteArray shortCall(37, 0);
    engine.EncryptByte(shortCall, "0123456789");
    ByteArray second(300, 0);
    engine.EncryptByte(second, "0123456789");
    EXPECT_EQ(second, first);
    EXPECT_TRUE(std::equal(shortCall.begin(), shortCall.end(), first.begin()));
}

// Catches EncryptByte working on the instance's permutation instead of a copy.
TEST(clsRC4Symmetry, EncryptionLeavesThePermutationAsScheduled)
{
    clsRC4 engine;
    engine.setKey("secret");
    const auto scheduled = engine.permutation();
    ByteArray buffer(1000, 0x55);
    engine.EncryptByte(buffer);
    EXPECT_EQ(engine.permutation(), scheduled);
}

// Catches an empty Key argument that clears or replaces the key in force.
TEST(clsRC4Symmetry, AnEmptyKeyArgumentKeepsTheCurrentKey)
{
    clsRC4 keyed;
    ByteArray expected(64, 0);
    keyed.EncryptByte(expected, "Key");

    clsRC4 engine;
    engine.setKey("Key");
    ByteArray buffer(64, 0);
    engine.EncryptByte(buffer);
    EXPECT_EQ(buffer, expected);
    ByteArray viaEmpty(64, 0);
    engine.EncryptByte(viaEmpty, "");
    EXPECT_EQ(viaEmpty, expected);
}

// --- Key schedule ------------------------------------------------------------

std::array<std::uint32_t, 256> scheduleOfFreshInstance(std::string_view key)
{
    clsRC4 fresh;
    fresh.setKey(key);
    return fresh.permutation();
}

// Catches a schedule that runs again on top of the current permutation when
// the key it already holds is set again (the result would differ).
TEST(clsRC4KeySchedule, SettingTheKeyAlreadyHeldLeavesThePermutation)
{
    clsRC4 engine;
    engine.setKey("Key");
    const auto scheduled = engine.permutation();
    engine.setKey("Key");
    EXPECT_EQ(engine.permutation(), scheduled);
    ByteArray buffer(16, 0);
    engine.EncryptByte(buffer, "Key");
    EXPECT_EQ(engine.permutation(), scheduled);
    EXPECT_EQ(toHex(buffer, 0, 3), "eb9f77");  // first key-stream bytes of "Key"
}

// Catches a schedule that starts from the previous key's permutation instead
// of the identity, and a key comparison that ignores case.
TEST(clsRC4KeySchedule, ADifferentKeyRebuildsFromTheIdentity)
{
    clsRC4 engine;
    engine.setKey("alpha");
    engine.setKey("beta");
    EXPECT_EQ(engine.permutation(), scheduleOfFreshInstance("beta"));
    engine.setKey("alpha");
    EXPECT_EQ(engine.permutation(), scheduleOfFreshInstance("alpha"));
    engine.setKey("Alpha");
    EXPECT_EQ(engine.permutation(), scheduleOfFreshInstance("Alpha"));
    EXPECT_NE(scheduleOfFreshInstance("Alpha"), scheduleOfFreshInstance("alpha"));

    // Via the Key argument of an operation as well.
    ByteArray buffer(16, 0);
    engine.EncryptByte(buffer, "gamma");
    EXPECT_EQ(engine.permutation(), scheduleOfFreshInstance("gamma"));

    auto sorted = engine.permutation();
    std::sort(sorted.begin(), sorted.end());
    std::array<std::uint32_t, 256> identity{};
    std::iota(identity.begin(), identity.end(), 0u);
    EXPECT_EQ(sorted, identity);
}

// Catches keys cut at a zero byte (C-string handling) in the comparison or
// the schedule.
TEST(clsRC4KeySchedule, KeysDifferingAfterAZeroByteAreDifferentKeys)
{
    const std::string withZero("ab\0cd", 5);
    clsRC4 engine;
    engine.setKey("ab");
    engine.setKey(withZero);
    EXPECT_EQ(engine.permutation(), scheduleOfFreshInstance(withZero));
    EXPECT_NE(engine.permutation(), scheduleOfFreshInstance("ab"));
}

// --- Progress ------------------------------------------------------------------

// Catches an empty buffer that is touched, raises nothing, or raises extra
// events (a stray 0 before the closing 100).
TEST(clsRC4Progress, EmptyBufferIsUnchangedAndRaisesOnly100)
{
    clsRC4 engine;
    ProgressLog log(engine.Progress());
    ByteArray empty;
    engine.EncryptByte(empty, "Key");
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(log.values, std::vector<int>{100});
    log.values.clear();
    engine.DecryptByte(empty, "Key");
    EXPECT_EQ(log.values, std::vector<int>{100});
}

// Pins the sequences for small sizes (computed independently): 100 bytes
// shows the double-precision percentage (0.58 * 100 truncates to 57).
TEST(clsRC4Progress, PinnedSequencesForSmallBuffers)
{
    const auto run = [](std::size_t size) {
        clsRC4 engine;
        ProgressLog log(engine.Progress());
        ByteArray buffer(size, 1);
        engine.EncryptByte(buffer, "Key");
        return log.values;
    };
    EXPECT_EQ(run(1), (std::vector<int>{0, 100}));
    EXPECT_EQ(run(2), (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(run(3), (std::vector<int>{0, 33, 66, 100}));
    std::vector<int> hundred;
    for (int p = 0; p <= 56; p += 2)
        hundred.push_back(p);
    hundred.push_back(57);
    for (int p = 59; p <= 99; p += 2)
        hundred.push_back(p);
    hundred.push_back(100);
    EXPECT_EQ(run(100), hundred);
}

// Catches a throttle that drifts from the per-byte rule anywhere, including
// across the streaming chunk boundary inside one buffer.
TEST(clsRC4Progress, SequenceFollowsThePerByteRule)
{
    const std::size_t sizes[] = {1, 2, 99, 100, 101, 150, 1000, 12345, kStreamChunkSize + 12345};
    for (const std::size_t size : sizes) {
        clsRC4 engine;
        ProgressLog log(engine.Progress());
        ByteArray buffer(size, 0);
        engine.EncryptByte(buffer, "Key");
        EXPECT_EQ(log.values, expectedProgress(size)) << size << " bytes";
        EXPECT_EQ(std::count(log.values.begin(), log.values.end(), 100), 1) << size << " bytes";
    }
}

// --- Streaming through files -----------------------------------------------

// Catches a streaming path (chunked reads, per-chunk generator state or
// progress) that differs from EncryptByte on the whole buffer, in either
// direction, around the chunk boundary.
TEST(clsRC4Streaming, FileOperationsMatchTheWholeBufferOperation)
{
    vt::TempDir dir;
    const std::size_t sizes[] = {1, 4097, kStreamChunkSize - 1, kStreamChunkSize, kStreamChunkSize + 1,
                                 2 * kStreamChunkSize + 7};
    for (const std::size_t size : sizes) {
        const std::string plain = vt::randomBytes(size, static_cast<std::uint32_t>(size));
        const std::string source = dir.file("plain.bin");
        const std::string dest = dir.file("cipher.bin");
        vt::writeFile(source, plain);

        clsRC4 bufferEngine;
        ProgressLog bufferLog(bufferEngine.Progress());
        ByteArray expected = toBytes(plain);
        bufferEngine.EncryptByte(expected, "streamed key");

        clsRC4 fileEngine;
        ProgressLog fileLog(fileEngine.Progress());
        fileEngine.EncryptFile(source, dest, "streamed key");
        EXPECT_TRUE(toBytes(vt::readFile(dest)) == expected) << size << " bytes";
        EXPECT_EQ(fileLog.values, bufferLog.values) << size << " bytes";
        EXPECT_EQ(fileLog.values, expectedProgress(size)) << size << " bytes";

        fileLog.values.clear();
        fileEngine.DecryptFile(dest, dir.file("back.bin"), "streamed key");
        EXPECT_TRUE(vt::readFile(dir.file("back.bin")) == plain) << size << " bytes";
        EXPECT_EQ(fileLog.values, bufferLog.values) << size << " bytes";
    }
}

// --- Strings -------------------------------------------------------------------

// Catches a text conversion that is not one byte per character (UTF-8
// expansion, stopping at a zero byte, sign problems) in either direction.
TEST(clsRC4Strings, RoundTripOverAllByteValues)
{
    std::string text;
    for (int repeat = 0; repeat < 3; ++repeat)
        for (int value = 0; value < 256; ++value)
            text.push_back(static_cast<char>(value));
    const std::string original = text;

    clsRC4 engine;
    const std::string cipher = engine.EncryptString(text, "\xE9t\xE9 \xFF");
    EXPECT_EQ(text, original);
    ASSERT_EQ(cipher.size(), text.size());
    EXPECT_NE(cipher, text);

    ByteArray bytes = toBytes(text);
    clsRC4 other;
    other.EncryptByte(bytes, "\xE9t\xE9 \xFF");
    EXPECT_TRUE(toBytes(cipher) == bytes);

    EXPECT_EQ(engine.DecryptString(cipher, "\xE9t\xE9 \xFF"), original);
    EXPECT_EQ(engine.EncryptString("", "k"), "");
}

}  // namespace
