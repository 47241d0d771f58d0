#include "mdlBase64.h"
#include "CipherError.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using veilcraft::Base64Decoder;
using veilcraft::Base64Encoder;
using veilcraft::CipherError;
namespace mdlBase64 = veilcraft::mdlBase64;

namespace {

std::string allByteValues()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

std::string randomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(rng));
    return bytes;
}

// Splits `text` into random pieces, empty pieces included.
std::vector<std::string_view> randomChunks(std::mt19937& rng, std::string_view text)
{
    std::vector<std::string_view> chunks;
    std::uniform_int_distribution<std::size_t> size(0, 9);
    while (!text.empty()) {
        const std::size_t n = std::min(size(rng), text.size());
        chunks.push_back(text.substr(0, n));
        text.remove_prefix(n);
    }
    chunks.emplace_back();
    return chunks;
}

// The message of the CipherError that decoding `text` raises, or "" when it succeeds.
std::string decodeError(std::string_view text)
{
    try {
        (void)mdlBase64::Decode(text);
    } catch (const CipherError& e) {
        EXPECT_EQ(e.code(), veilcraft::kCipherErrorCode);
        return e.what();
    }
    return {};
}

std::string positionMessage(int position)
{
    return "Invalid character at position " + std::to_string(position) + " of the Base64 text";
}

} // namespace

TEST(Base64Encode, KnownTextsAndEveryByteValue)
{
    EXPECT_EQ(mdlBase64::Encode(""), "");
    EXPECT_EQ(mdlBase64::Encode("a"), "YQ==");
    EXPECT_EQ(mdlBase64::Encode("ab"), "YWI=");
    EXPECT_EQ(mdlBase64::Encode("abc"), "YWJj");
    EXPECT_EQ(mdlBase64::Encode(allByteValues()),
              "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xN"
              "Tk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqb"
              "nJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp"
              "6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==");
}

TEST(Base64Decode, KnownTextsAndIgnoredLeftovers)
{
    EXPECT_EQ(mdlBase64::Decode(""), "");
    EXPECT_EQ(mdlBase64::Decode("YWI="), "ab");
    EXPECT_EQ(mdlBase64::Decode("YQ=="), "a");
    EXPECT_EQ(mdlBase64::Decode("YWJj"), "abc");
    EXPECT_EQ(mdlBase64::Decode("////"), "\xFF\xFF\xFF");
    // 1 to 3 characters after the last whole group are dropped.
    EXPECT_EQ(mdlBase64::Decode("YWJjZA"), "abc");
    EXPECT_EQ(mdlBase64::Decode("YWJjZA="), "abc");
    EXPECT_EQ(mdlBase64::Decode("Y"), "");
}

// "=" is the value 64 and goes through the same byte arithmetic wherever it
// stands; only "=" in the third and fourth places removes output.
TEST(Base64Decode, PaddingFollowsTheByteArithmetic)
{
    // w=24 x=64 y=16 z=64: (96|4), (0|4), (0|64) -> drop the last -> "d\x04".
    EXPECT_EQ(mdlBase64::Decode("Y=Q="), "d\x04");
    // "=" only in the third place drops one byte, the third one (0 here).
    EXPECT_EQ(mdlBase64::Decode("YQ=A"), "a\x10");
    // Groups may follow padded groups.
    EXPECT_EQ(mdlBase64::Decode("YQ==YQ=="), "aa");
    EXPECT_EQ(mdlBase64::Decode("YWI=YWJj"), "ababc");
    // "=" in the first places: 64 << 2 is kept to 8 bits (0), 64 >> 4 is 4.
    EXPECT_EQ(mdlBase64::Decode("===="), "\x04");
    EXPECT_EQ(mdlBase64::Decode("A==="), "\x04");
    EXPECT_EQ(mdlBase64::Decode("=A=="), std::string(1, '\0'));
    EXPECT_EQ(mdlBase64::Decode("/==="), "\xFC");
    // Unused low bits before the padding are dropped, not refused.
    EXPECT_EQ(mdlBase64::Decode("YR=="), "a");
    EXPECT_EQ(mdlBase64::Decode("//=="), "\xFF");
}

TEST(Base64Decode, InvalidCharacterFailsNamingItsPosition)
{
    EXPECT_EQ(decodeError("YW\r\nJj"), positionMessage(3));
    EXPECT_EQ(decodeError("YWJj\n"), positionMessage(5));
    EXPECT_EQ(decodeError("YWJj YWJj"), positionMessage(5));
    EXPECT_EQ(decodeError("\tYWJ"), positionMessage(1));
    EXPECT_EQ(decodeError("YWJjYW-j"), positionMessage(7));
    EXPECT_EQ(decodeError("YWJjYWJ_"), positionMessage(8));
    EXPECT_EQ(decodeError(std::string("YW\0j", 4)), positionMessage(3));
    EXPECT_EQ(decodeError("YWJj\xC3\xA9"), positionMessage(5));
    EXPECT_EQ(decodeError("YWJj\xFF"), positionMessage(5));
    // The first of several is named.
    EXPECT_EQ(decodeError("YW.j*"), positionMessage(3));
    // Leftover characters are not decoded but still checked.
    EXPECT_EQ(decodeError("YWJjZ\n"), positionMessage(6));
    EXPECT_EQ(decodeError("YWJjZA "), positionMessage(7));
}

TEST(Base64Decode, OnlyAlphabetAndPaddingAreAccepted)
{
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
    for (int b = 0; b < 256; ++b) {
        const std::string text = "AA" + std::string(1, static_cast<char>(b)) + "A";
        const bool valid = alphabet.find(static_cast<char>(b)) != std::string::npos;
        EXPECT_EQ(decodeError(text).empty(), valid) << "byte " << b;
    }
}

TEST(Base64RoundTrip, AllByteValuesAndRandomLengths)
{
    const std::string all = allByteValues();
    EXPECT_EQ(mdlBase64::Decode(mdlBase64::Encode(all)), all);

    std::mt19937 rng(20240601);
    for (std::size_t length = 0; length < 64; ++length) {
        const std::string data = randomBytes(rng, length);
        const std::string encoded = mdlBase64::Encode(data);
        EXPECT_EQ(encoded.size(), (length + 2) / 3 * 4);
        EXPECT_EQ(mdlBase64::Decode(encoded), data) << "length " << length;
    }
    std::uniform_int_distribution<std::size_t> length(64, 5000);
    for (int round = 0; round < 50; ++round) {
        const std::string data = randomBytes(rng, length(rng));
        EXPECT_EQ(mdlBase64::Decode(mdlBase64::Encode(data)), data);
    }
}

TEST(Base64Streaming, EncoderMatchesEncodeForAnyChunking)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const std::string data = randomBytes(rng, rng() % 100);
        Base64Encoder encoder;
        std::string out;
        for (std::string_view chunk : randomChunks(rng, data))
            encoder.update(chunk, out);
        encoder.finish(out);
        ASSERT_EQ(out, mdlBase64::Encode(data)) << "round " << round;
    }
}

TEST(Base64Streaming, DecoderMatchesDecodeForAnyChunking)
{
    std::mt19937 rng(11);
    const std::string quirky = "Y=Q=YQ=AYQ==YWI=====A===YR==YWJjZA";
    for (int round = 0; round < 200; ++round) {
        const std::string text =
            round % 4 == 0 ? quirky : mdlBase64::Encode(randomBytes(rng, rng() % 100)) + std::string("YWJ", rng() % 4);
        Base64Decoder decoder;
        std::string out;
        for (std::string_view chunk : randomChunks(rng, text))
            decoder.update(chunk, out);
        EXPECT_EQ(decoder.position(), text.size());
        EXPECT_EQ(decoder.finish(out), text.size() % 4);
        ASSERT_EQ(out, mdlBase64::Decode(text)) << "round " << round;
    }
}

TEST(Base64Streaming, CodersAreReusableAfterFinish)
{
    Base64Encoder encoder;
    std::string out;
    encoder.update("a", out);
    encoder.finish(out);
    encoder.update("abc", out);
    encoder.finish(out);
    EXPECT_EQ(out, "YQ==YWJj");

    Base64Decoder decoder;
    out.clear();
    decoder.update("YWJjZA", out);
    EXPECT_EQ(decoder.finish(out), 2u);
    decoder.update("YQ==", out);
    EXPECT_EQ(decoder.finish(out), 0u);
    EXPECT_EQ(out, "abca");
}

TEST(Base64Streaming, DecoderErrorCountsPositionsOverTheWholeStream)
{
    const std::string text = "YWJjYWJjYWJj\nYWJj"; // the line break is character 13
    for (std::size_t split = 0; split <= text.size(); ++split) {
        Base64Decoder decoder;
        std::string out = "kept";
        std::string message;
        std::size_t sizeBeforeFailingChunk = out.size();
        try {
            decoder.update(std::string_view(text).substr(0, split), out);
            sizeBeforeFailingChunk = out.size();
            decoder.update(std::string_view(text).substr(split), out);
        } catch (const CipherError& e) {
            EXPECT_EQ(e.code(), veilcraft::kCipherErrorCode);
            message = e.what();
        }
        EXPECT_EQ(message, positionMessage(13)) << "split " << split;
        // The failing chunk adds nothing; earlier output stays for the caller to discard.
        EXPECT_EQ(out.size(), sizeBeforeFailingChunk) << "split " << split;
        EXPECT_EQ(out.substr(0, 4), "kept");
        // The decoder starts over after an error.
        EXPECT_EQ(decoder.position(), 0u);
    }
}

TEST(Base64Streaming, LargeInputInBigChunks)
{
    std::mt19937 rng(3);
    const std::string data = randomBytes(rng, (1u << 20) + 2);
    const std::string encoded = mdlBase64::Encode(data);

    Base64Encoder encoder;
    Base64Decoder decoder;
    std::string streamedText;
    std::string streamedData;
    const std::size_t chunk = 65537; // odd, so groups straddle the chunk borders
    for (std::size_t at = 0; at < data.size(); at += chunk)
        encoder.update(std::string_view(data).substr(at, chunk), streamedText);
    encoder.finish(streamedText);
    for (std::size_t at = 0; at < encoded.size(); at += chunk)
        decoder.update(std::string_view(encoded).substr(at, chunk), streamedData);
    decoder.finish(streamedData);

    EXPECT_EQ(streamedText, encoded);
    EXPECT_EQ(streamedData, data);
}
