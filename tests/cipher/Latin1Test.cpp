#include "Latin1.h"

#include <gtest/gtest.h>

#include <string>

using veilcraft::firstNonLatin1;
using veilcraft::Latin1Problem;
using veilcraft::latin1ToUtf8;
using veilcraft::utf8ToLatin1;

namespace {

std::string allByteValues()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

} // namespace

TEST(Latin1, ConvertsEveryLatin1Character)
{
    EXPECT_EQ(utf8ToLatin1(""), "");
    EXPECT_EQ(utf8ToLatin1("plain ASCII"), "plain ASCII");
    EXPECT_EQ(utf8ToLatin1("caf\xC3\xA9"), "caf\xE9");
    EXPECT_EQ(utf8ToLatin1("\xC2\x80"), "\x80"); // U+0080, a C1 control, is latin-1 too
    EXPECT_EQ(utf8ToLatin1("\xC3\xBF"), "\xFF"); // U+00FF, the last one
    EXPECT_EQ(utf8ToLatin1(std::string("a\0b", 3)), std::string("a\0b", 3));

    EXPECT_EQ(latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(latin1ToUtf8("\x80\xFF"), "\xC2\x80\xC3\xBF");

    const std::string all = allByteValues();
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 128u + 2u * 128u);
    EXPECT_FALSE(firstNonLatin1(utf8).has_value());
    EXPECT_EQ(utf8ToLatin1(utf8), all);
}

TEST(Latin1, RefusesCharactersAboveU00FF)
{
    EXPECT_EQ(utf8ToLatin1("\xC4\x80"), std::nullopt); // U+0100
    EXPECT_EQ(utf8ToLatin1("price 5\xE2\x82\xAC"), std::nullopt);

    // "é€" then an emoji: positions count characters, not bytes.
    const auto euro = firstNonLatin1("\xC3\xA9\xE2\x82\xAC");
    ASSERT_TRUE(euro.has_value());
    EXPECT_EQ(euro->kind, Latin1Problem::Kind::OutsideLatin1);
    EXPECT_EQ(euro->position, 2u);
    EXPECT_EQ(euro->byteOffset, 2u);
    EXPECT_EQ(euro->character, "\xE2\x82\xAC");
    EXPECT_EQ(euro->codePoint, U'\u20AC');

    const auto emoji = firstNonLatin1("ab\xC3\xA9\xF0\x9F\x98\x80\xE2\x82\xAC");
    ASSERT_TRUE(emoji.has_value());
    EXPECT_EQ(emoji->position, 4u);
    EXPECT_EQ(emoji->byteOffset, 4u);
    EXPECT_EQ(emoji->character, "\xF0\x9F\x98\x80");
    EXPECT_EQ(emoji->codePoint, U'\U0001F600');
}

TEST(Latin1, RefusesMalformedUtf8)
{
    const struct {
        const char* text;
        std::size_t position;
        std::size_t byteOffset;
    } cases[] = {
        {"a\x80", 2, 1},            // stray continuation byte
        {"\xC0\xAF", 1, 0},         // overlong "/"
        {"\xC1\xBF", 1, 0},         // overlong
        {"\xE0\x80\xAF", 1, 0},     // overlong three-byte form
        {"\xF0\x80\x80\xAF", 1, 0}, // overlong four-byte form
        {"\xED\xA0\x80", 1, 0},     // surrogate U+D800
        {"\xF4\x90\x80\x80", 1, 0}, // above U+10FFFF
        {"\xF5\x80\x80\x80", 1, 0}, // no such lead byte
        {"ab\xC3", 3, 2},           // truncated at the end
        {"\xE2\x82", 1, 0},         // truncated three-byte form
        {"\xC3"
         "A",
         1, 0}, // lead byte followed by ASCII
        {"\xC3\xA9\xE2\x82"
         "x",
         2, 2}, // truncated after a valid character
        {"\xFF", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(utf8ToLatin1(c.text), std::nullopt);
        const auto problem = firstNonLatin1(c.text);
        ASSERT_TRUE(problem.has_value());
        EXPECT_EQ(problem->kind, Latin1Problem::Kind::InvalidUtf8);
        EXPECT_EQ(problem->position, c.position);
        EXPECT_EQ(problem->byteOffset, c.byteOffset);
        EXPECT_TRUE(problem->character.empty());
    }
    // The first problem wins, whichever kind it is.
    const auto first = firstNonLatin1("\xE2\x82\xAC\x80");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->kind, Latin1Problem::Kind::OutsideLatin1);
}

TEST(Latin1, DescribesTheProblemForTheUser)
{
    const auto euro = firstNonLatin1("ab\xE2\x82\xAC");
    ASSERT_TRUE(euro.has_value());
    EXPECT_EQ(veilcraft::describeLatin1Problem(*euro, "password"),
              "The password contains the character \"\xE2\x82\xAC\" (U+20AC) at position 3, which cannot be used: "
              "only Latin-1 characters (U+0000 to U+00FF) are supported.");

    const auto emoji = firstNonLatin1("\xF0\x9F\x98\x80");
    ASSERT_TRUE(emoji.has_value());
    EXPECT_NE(veilcraft::describeLatin1Problem(*emoji, "text").find("(U+1F600) at position 1"), std::string::npos);

    const auto broken = firstNonLatin1("ab\xC3");
    ASSERT_TRUE(broken.has_value());
    EXPECT_EQ(veilcraft::describeLatin1Problem(*broken, "text"),
              "The text is not valid UTF-8 text (at character 3, byte 3).");
}
