// The Blowfish engine: known answers computed independently of this code,
// the key schedule, the plaintext layout and its size descriptor, the
// failures of decryption, and the streaming forms against the buffer forms.
#include "ByteStream.h"
#include "CipherError.h"
#include "TempDir.h"
#include "clsBlowfish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using veilcraft::ByteArray;
using veilcraft::CipherError;
using veilcraft::clsBlowfish;
using veilcraft::kStreamChunkSize;
namespace vt = veilcraft::test;

using Prefix = std::array<std::uint8_t, 8>;
constexpr Prefix kPrefix = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x08};

// --- Helpers -------------------------------------------------------------------------

ByteArray fromHex(const std::string& hex)
{
    ByteArray bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

ByteArray bytesOf(const std::string& text)
{
    return ByteArray(text.begin(), text.end());
}

// A minimal JSON reader for the known-answer file: objects, arrays, strings
// with \" \\ \/ \n \t and \u00XX escapes, integers.
struct Json {
    std::string text;
    long number = 0;
    std::vector<Json> items;  // array elements, or object member values
    std::vector<std::string> names;

    const Json& operator[](const std::string& name) const
    {
        const auto at = std::find(names.begin(), names.end(), name);
        if (at == names.end())
            throw std::runtime_error("JSON: no member " + name);
        return items[static_cast<std::size_t>(at - names.begin())];
    }
};

class JsonReader {
public:
    explicit JsonReader(std::string input) : in_(std::move(input)) {}

    Json value()
    {
        skipSpace();
        Json result;
        const char c = in_.at(at_);
        if (c == '{') {
            ++at_;
            while (more('}')) {
                result.names.push_back(string());
                expect(':');
                result.items.push_back(value());
            }
        } else if (c == '[') {
            ++at_;
            while (more(']'))
                result.items.push_back(value());
        } else if (c == '"') {
            result.text = string();
        } else {
            std::size_t used = 0;
            result.number = std::stol(in_.substr(at_), &used);
            at_ += used;
        }
        return result;
    }

private:
    void skipSpace()
    {
        while (at_ < in_.size() && std::isspace(static_cast<unsigned char>(in_[at_])))
            ++at_;
    }
    void expect(char c)
    {
        skipSpace();
        if (in_.at(at_++) != c)
            throw std::runtime_error(std::string("JSON: expected ") + c);
    }
    // True while the container has another element; consumes the separators.
    bool more(char close)
    {
        skipSpace();
        if (in_.at(at_) == close) {
            ++at_;
            return false;
        }
        if (in_[at_] == ',')
            ++at_;
        return true;
    }
    std::string string()
    {
        expect('"');
        std::string out;
        for (char c = in_.at(at_++); c != '"'; c = in_.at(at_++)) {
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = in_.at(at_++);
            if (e == 'u') {
                out += static_cast<char>(std::stoul(in_.substr(at_, 4), nullptr, 16));  // latin-1 only
                at_ += 4;
            } else {
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        return out;
    }

    std::string in_;
    std::size_t at_ = 0;
};

clsBlowfish::PrefixSource fixedPrefix(Prefix prefix = kPrefix)
{
    return [prefix] { return prefix; };
}

// Records every Progress value an engine raises.
class ProgressLog {
public:
    explicit ProgressLog(veilcraft::CipherEngine& engine)
    {
        engine.Progress().connect([this](int& percent) { values.push_back(percent); });
    }
    std::vector<int> take() { return std::exchange(values, {}); }
    std::vector<int> values;
};

class MemorySource final : public veilcraft::ByteSource {
public:
    // `piece` caps each read, standing for a source that delivers in pieces.
    explicit MemorySource(ByteArray data, std::size_t piece = SIZE_MAX) : data_(std::move(data)), piece_(piece) {}
    [[nodiscard]] std::uint64_t size() const override { return data_.size(); }
    std::size_t read(std::uint8_t* buffer, std::size_t length) override
    {
        const std::size_t n = std::min({length, piece_, data_.size() - consumed});
        std::memcpy(buffer, data_.data() + consumed, n);
        consumed += n;
        return n;
    }
    std::size_t consumed = 0;

private:
    ByteArray data_;
    std::size_t piece_;
};

class MemorySink final : public veilcraft::ByteSink {
public:
    void write(const std::uint8_t* data, std::size_t length) override
    {
        bytes.insert(bytes.end(), data, data + length);
    }
    ByteArray bytes;
};

std::optional<CipherError> errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CipherError& error) {
        return error;
    }
    return std::nullopt;
}

void expectIndexError(const std::optional<CipherError>& error)
{
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code(), veilcraft::kIndexErrorCode);
    EXPECT_STREQ(error->what(), veilcraft::kMsgSubscriptOutOfRange);
}

void expectBadDescriptor(const std::optional<CipherError>& error)
{
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code(), 0x80040000u);
    EXPECT_STREQ(error->what(), "Incorrect size descriptor in Blowfish decryption");
}

// CBC lets a 16-byte ciphertext's size descriptor be rewritten without the
// key: plaintext block 1 is D(C1) XOR C0, so flipping bits of bytes 0..3 of
// C0 flips the same bits of the descriptor (block 0 turns to garbage).
ByteArray withDescriptor(ByteArray cipher, std::int32_t was, std::int32_t wanted)
{
    const auto flip = static_cast<std::uint32_t>(was) ^ static_cast<std::uint32_t>(wanted);
    for (int i = 0; i < 4; ++i)
        cipher[i] ^= static_cast<std::uint8_t>(flip >> (8 * i));
    return cipher;
}

// --- Known answers -----------------------------------------------------------------------

// Catches any departure from the engine's particular cipher: box layout, key
// packing, round function byte order, word byte order, chaining, header
// layout, padding, and the Progress throttling.
TEST(BlowfishKnownAnswers, BufferAndStreamReproduceEveryCase)
{
    const Json file = JsonReader(vt::readFile(VEILCRAFT_TEST_DATA_DIR "/blowfish-known-answers.json")).value();
    const auto& cases = file["cases"].items;
    ASSERT_GE(cases.size(), 4u);
    for (const Json& c : cases) {
        const std::string& key = c["key"].text;
        Prefix prefix{};
        const ByteArray prefixBytes = fromHex(c["prefix"].text);
        ASSERT_EQ(prefixBytes.size(), 8u);
        std::copy(prefixBytes.begin(), prefixBytes.end(), prefix.begin());
        const ByteArray plain = fromHex(c["plain"].text);
        const ByteArray cipher = fromHex(c["cipher"].text);
        std::vector<int> progress;
        for (const Json& p : c["progress"].items)
            progress.push_back(static_cast<int>(p.number));
        SCOPED_TRACE("key \"" + key + "\", plain " + c["plain"].text);

        clsBlowfish engine(fixedPrefix(prefix));
        ProgressLog log(engine);
        ByteArray buffer = plain;
        engine.EncryptByte(buffer, key);
        EXPECT_EQ(buffer, cipher);
        EXPECT_EQ(log.take(), progress);
        engine.DecryptByte(buffer, key);
        EXPECT_EQ(buffer, plain);
        EXPECT_EQ(log.take(), progress);  // same total, same block positions

        ByteArray roomy;  // room to grow: encrypted without reallocation
        roomy.reserve(plain.size() + 19);
        roomy.assign(plain.begin(), plain.end());
        engine.EncryptByte(roomy, key);
        EXPECT_EQ(roomy, cipher);
        log.take();

        MemorySource plainSource(plain);
        MemorySink cipherSink;
        engine.encryptStream(plainSource, cipherSink, key);
        EXPECT_EQ(cipherSink.bytes, cipher);
        EXPECT_EQ(log.take(), progress);
        MemorySource cipherSource(cipher);
        MemorySink plainSink;
        engine.decryptStream(cipherSource, plainSink, key);
        EXPECT_EQ(plainSink.bytes, plain);
        EXPECT_EQ(log.take(), progress);
    }
}

// --- Key schedule ------------------------------------------------------------------------

// Catches a schedule rerun for the key in force (passwords are passed on
// every call), and a key compared without regard to case.
TEST(BlowfishKeySchedule, RunsOnlyWhenTheKeyTextChanges)
{
    clsBlowfish engine;
    EXPECT_EQ(engine.keyScheduleRuns(), 0u);
    engine.setKey("Password");
    ByteArray data = bytesOf("some data");
    engine.EncryptByte(data, "Password");
    engine.DecryptByte(data, "");  // empty: keep the key
    EXPECT_EQ(data, bytesOf("some data"));
    EXPECT_EQ(engine.keyScheduleRuns(), 1u);
    engine.setKey("password");
    EXPECT_EQ(engine.keyScheduleRuns(), 2u);
}

// Catches tables derived from the previous tables instead of the initial
// ones, and an empty key that leaves an old key in force.
TEST(BlowfishKeySchedule, AnyKeyGivesTheTablesOfAFreshInstance)
{
    const ByteArray data = bytesOf("the same data for every engine");
    const auto encryptWith = [&](const std::vector<std::string>& keys) {
        clsBlowfish engine(fixedPrefix());
        for (const auto& key : keys)
            engine.setKey(key);
        ByteArray buffer = data;
        engine.EncryptByte(buffer);
        return buffer;
    };
    EXPECT_EQ(encryptWith({"first", "second"}), encryptWith({"second"}));
    EXPECT_EQ(encryptWith({"second", "first", "second"}), encryptWith({"second"}));
    EXPECT_NE(encryptWith({"first"}), encryptWith({"second"}));
    EXPECT_EQ(encryptWith({"first", ""}), encryptWith({}));
}

// Catches the published packing of key bytes into words. Here each new byte
// is ORed into the bytes before it, so with "\x03" first the second byte of
// a two-byte key is lost when it only has bits of 0x03: these keys give the
// same tables, which they would not with the published packing.
TEST(BlowfishKeySchedule, KeyBytesAreOredIntoTheBytesBefore)
{
    clsBlowfish first(fixedPrefix());
    clsBlowfish second(fixedPrefix());
    ByteArray a = bytesOf("data");
    ByteArray b = a;
    ByteArray c = a;
    first.EncryptByte(a, std::string("\x03\x01", 2));
    second.EncryptByte(b, std::string("\x03\x02", 2));
    EXPECT_EQ(a, b);
    second.EncryptByte(c, std::string("\x03\x04", 2));
    EXPECT_NE(a, c);
}

// --- Layout and size descriptor -----------------------------------------------------------

// Catches a wrong header size or padding rule: M = N + 12 rounded up to 8.
TEST(BlowfishLayout, CiphertextSizeIsDataPlusHeaderRoundedToBlocks)
{
    clsBlowfish engine;
    const std::map<std::size_t, std::size_t> sizes = {{0, 16}, {4, 16}, {5, 24}, {12, 24}, {13, 32}, {20, 32}};
    for (const auto& [n, m] : sizes) {
        const ByteArray data(n, 0xAB);
        ByteArray buffer = data;
        engine.EncryptByte(buffer, "size key");
        EXPECT_EQ(buffer.size(), m) << "N = " << n;
        engine.DecryptByte(buffer);
        EXPECT_EQ(buffer, data) << "N = " << n;
    }
}

// A failed size check leaves the raw block decryption, which shows the
// plaintext layout: prefix, N little-endian, data. Catches a reordered header
// and a buffer shrunk or restored on failure.
TEST(BlowfishLayout, FailedDescriptorLeavesTheRawDecryption)
{
    clsBlowfish engine(fixedPrefix());
    ByteArray buffer = bytesOf("0123456789abcdefghij");  // N = 20, M = 32
    engine.EncryptByte(buffer, "layout");
    buffer.resize(16);  // the descriptor now claims 20 bytes of 16
    expectBadDescriptor(errorOf([&] { engine.DecryptByte(buffer); }));
    ByteArray expected(kPrefix.begin(), kPrefix.end());
    expected.insert(expected.end(), {20, 0, 0, 0, '0', '1', '2', '3'});
    EXPECT_EQ(buffer, expected);
}

// Catches the bound test done on the wrong side, unsigned, or without
// refusing a negative size (which would then shrink the buffer to a
// negative length). With M = 16 only N = 0..4 is sound.
TEST(BlowfishLayout, SizeDescriptorMustBeZeroToFourForTwoBlocks)
{
    clsBlowfish engine(fixedPrefix());
    ByteArray cipher = bytesOf("WXYZ");
    engine.EncryptByte(cipher, "bounds");
    ASSERT_EQ(cipher.size(), 16u);
    for (std::int32_t n = -5; n <= 6; ++n) {
        SCOPED_TRACE("N = " + std::to_string(n));
        ByteArray buffer = withDescriptor(cipher, 4, n);
        MemorySource source(buffer);
        MemorySink sink;
        if (n >= 0 && n <= 4) {
            engine.DecryptByte(buffer);
            EXPECT_EQ(buffer, bytesOf(std::string("WXYZ").substr(0, static_cast<std::size_t>(n))));
            engine.decryptStream(source, sink);
            EXPECT_EQ(sink.bytes, buffer);
        } else {
            expectBadDescriptor(errorOf([&] { engine.DecryptByte(buffer); }));
            EXPECT_EQ(buffer.size(), 16u);
            expectBadDescriptor(errorOf([&] { engine.decryptStream(source, sink); }));
            EXPECT_TRUE(sink.bytes.empty());
        }
    }
}

// --- Random prefix ---------------------------------------------------------------------

// Catches a fixed or clock-repeated prefix, and values outside 0..2^31-1.
TEST(BlowfishPrefix, EveryEncryptionDrawsNewValuesBelow2To31)
{
    clsBlowfish engine;
    const ByteArray data = bytesOf("identical input");
    ByteArray first = data;
    ByteArray second = data;
    engine.EncryptByte(first, "k");
    engine.EncryptByte(second, "k");
    EXPECT_NE(first, second);
    engine.DecryptByte(first);
    engine.DecryptByte(second);
    EXPECT_EQ(first, data);
    EXPECT_EQ(second, data);

    for (int i = 0; i < 32; ++i) {
        ByteArray buffer = data;
        engine.EncryptByte(buffer);
        buffer.resize(16);  // wrong size: the raw decryption stays
        EXPECT_THROW(engine.DecryptByte(buffer), CipherError);
        EXPECT_EQ(buffer[3] & 0x80, 0) << i;
        EXPECT_EQ(buffer[7] & 0x80, 0) << i;
    }
}

// --- Decryption failures -------------------------------------------------------------------

// Catches a wrong key that yields garbage as if it were the plaintext.
TEST(BlowfishDecrypt, WrongKeyFailsTheSizeCheck)
{
    clsBlowfish engine;
    ByteArray buffer = bytesOf(vt::randomBytes(1000, 3));
    engine.EncryptByte(buffer, "right key");
    const std::size_t size = buffer.size();
    expectBadDescriptor(errorOf([&] { engine.DecryptByte(buffer, "wrong key"); }));
    EXPECT_EQ(buffer.size(), size);
}

// Lengths that are not whole blocks, or shorter than the header, fail with
// the index error where the block loop meets them: the whole blocks before
// have raised their Progress, the partial one has not. Catches a
// partial block that is read past the buffer or reported, and (a choice of
// this engine) a buffer changed by a failure found before any decryption.
TEST(BlowfishDecrypt, PartialBlocksAndShortBuffersFailWithTheIndexError)
{
    const std::map<std::size_t, std::vector<int>> cases = {
        {0, {}}, {8, {0}}, {9, {0}}, {15, {0}}, {23, {0, 34}}, {31, {0, 25, 51}}};
    clsBlowfish engine(fixedPrefix());
    ProgressLog log(engine);
    for (const auto& [size, progress] : cases) {
        SCOPED_TRACE("size " + std::to_string(size));
        const ByteArray original = bytesOf(vt::randomBytes(size, 7));
        ByteArray buffer = original;
        expectIndexError(errorOf([&] { engine.DecryptByte(buffer, "k"); }));
        EXPECT_EQ(buffer, original);
        EXPECT_EQ(log.take(), progress);

        MemorySource source(original);
        MemorySink sink;
        expectIndexError(errorOf([&] { engine.decryptStream(source, sink); }));
        EXPECT_EQ(source.consumed, 0u);
        EXPECT_TRUE(sink.bytes.empty());
        EXPECT_EQ(log.take(), progress);
    }
}

// --- Strings --------------------------------------------------------------------------------

// Catches a text conversion that loses or alters any byte value.
TEST(BlowfishString, RoundTripKeepsAll256ByteValues)
{
    clsBlowfish engine;
    std::string text;
    for (int i = 0; i < 256; ++i)
        text += static_cast<char>(i);
    const std::string cipher = engine.EncryptString(text, "text key");
    EXPECT_EQ(cipher.size(), 272u);
    EXPECT_EQ(engine.DecryptString(cipher, "text key"), text);
}

// --- Streaming --------------------------------------------------------------------------------

// Catches chunk handling that differs from the whole-buffer run: the header
// and padding in the wrong chunk, chaining lost between chunks, output
// slices cut wrong, Progress raised at other positions. Sizes sit around the
// chunk boundary; the source delivers in odd pieces in one run.
TEST(BlowfishStream, MatchesTheBufferFormsInBytesAndProgress)
{
    const std::size_t chunk = kStreamChunkSize;
    const std::vector<std::size_t> sizes = {
        1, 1000, chunk - 20, chunk - 13, chunk - 12, chunk - 11, chunk - 4, chunk, chunk + 5, 2 * chunk + 100};
    clsBlowfish engine(fixedPrefix());
    ProgressLog log(engine);
    for (const std::size_t size : sizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        const ByteArray data = bytesOf(vt::randomBytes(size, static_cast<std::uint32_t>(size)));
        ByteArray buffer = data;
        engine.EncryptByte(buffer, "stream key");
        const std::vector<int> progress = log.take();

        MemorySource plainSource(data, size == 1000 ? 7 : SIZE_MAX);
        MemorySink cipherSink;
        engine.encryptStream(plainSource, cipherSink);
        EXPECT_TRUE(cipherSink.bytes == buffer);
        EXPECT_EQ(log.take(), progress);

        MemorySource cipherSource(buffer, size == 1000 ? 7 : SIZE_MAX);
        MemorySink plainSink;
        engine.decryptStream(cipherSource, plainSink);
        EXPECT_TRUE(plainSink.bytes == data);
        EXPECT_EQ(log.take(), progress);
    }
}

// Catches a streaming decryption that reads or writes past a bad size
// descriptor, or raises other events than the buffer form before failing.
TEST(BlowfishStream, BadDescriptorStopsAfterTheFirstChunkWithTheBufferProgress)
{
    clsBlowfish engine(fixedPrefix());
    ProgressLog log(engine);
    ByteArray buffer = bytesOf(vt::randomBytes(3 * kStreamChunkSize, 1));
    engine.EncryptByte(buffer, "right");
    log.take();
    MemorySource source(buffer);
    MemorySink sink;
    expectBadDescriptor(errorOf([&] { engine.decryptStream(source, sink, "wrong"); }));
    const std::vector<int> streamed = log.take();
    EXPECT_LE(source.consumed, kStreamChunkSize);
    EXPECT_TRUE(sink.bytes.empty());
    expectBadDescriptor(errorOf([&] { engine.DecryptByte(buffer); }));
    EXPECT_EQ(streamed, log.take());
    EXPECT_EQ(streamed.size(), 100u);  // 0..99, the closing 100 never comes
}

// Catches a size descriptor that silently wraps: data over 2^31-1 bytes
// would encrypt to something no decryption accepts. The largest size that
// fits is accepted (the source is then read; it stops the run there).
TEST(BlowfishStream, RefusesDataTheSizeDescriptorCannotHold)
{
    struct ReadStopped {};
    struct SizedSource final : veilcraft::ByteSource {
        explicit SizedSource(std::uint64_t size) : size_(size) {}
        [[nodiscard]] std::uint64_t size() const override { return size_; }
        std::size_t read(std::uint8_t*, std::size_t) override { throw ReadStopped{}; }
        std::uint64_t size_;
    };
    clsBlowfish engine;
    ProgressLog log(engine);
    MemorySink sink;
    SizedSource tooLarge(std::uint64_t{1} << 31);
    const auto error = errorOf([&] { engine.encryptStream(tooLarge, sink, "k"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code(), 0x80040000u);
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_TRUE(log.values.empty());

    SizedSource largest(0x7FFFFFFF);
    EXPECT_THROW(engine.encryptStream(largest, sink), ReadStopped);
}

// --- Files ---------------------------------------------------------------------------------------

// Catches file output that differs from EncryptByte's, also when the file is
// encrypted and decrypted in place.
TEST(BlowfishFile, FilesHoldExactlyTheBufferCiphertext)
{
    vt::TempDir dir;
    clsBlowfish engine(fixedPrefix());
    const std::string data = vt::randomBytes(kStreamChunkSize + 99, 5);
    ByteArray expected = bytesOf(data);
    engine.EncryptByte(expected, "file key");

    vt::writeFile(dir.file("plain"), data);
    engine.EncryptFile(dir.file("plain"), dir.file("cipher"), "file key");
    EXPECT_TRUE(bytesOf(vt::readFile(dir.file("cipher"))) == expected);
    engine.DecryptFile(dir.file("cipher"), dir.file("back"));
    EXPECT_TRUE(vt::readFile(dir.file("back")) == data);

    engine.EncryptFile(dir.file("plain"), dir.file("plain"));
    EXPECT_TRUE(bytesOf(vt::readFile(dir.file("plain"))) == expected);
    engine.DecryptFile(dir.file("plain"), dir.file("plain"));
    EXPECT_TRUE(vt::readFile(dir.file("plain")) == data);
    EXPECT_EQ(vt::listFolder(dir.path()), (std::vector<std::string>{"back", "cipher", "plain"}));
}

// Catches a destination replaced or truncated by a decryption that fails,
// and a temporary file left in the folder.
TEST(BlowfishFile, FailedDecryptFileLeavesTheDestinationAlone)
{
    vt::TempDir dir;
    clsBlowfish engine;
    vt::writeFile(dir.file("plain"), vt::randomBytes(5000, 2));
    engine.EncryptFile(dir.file("plain"), dir.file("cipher"), "right");
    vt::writeFile(dir.file("fifteen"), std::string(15, 'x'));
    vt::writeFile(dir.file("dest"), "keep me");
    const auto before = vt::listFolder(dir.path());

    expectBadDescriptor(errorOf([&] { engine.DecryptFile(dir.file("cipher"), dir.file("dest"), "wrong"); }));
    expectIndexError(errorOf([&] { engine.DecryptFile(dir.file("fifteen"), dir.file("dest"), "right"); }));
    expectIndexError(errorOf([&] { engine.DecryptFile(dir.file("fifteen"), dir.file("new"), "right"); }));
    EXPECT_EQ(vt::readFile(dir.file("dest")), "keep me");
    EXPECT_EQ(vt::listFolder(dir.path()), before);
}

}  // namespace
