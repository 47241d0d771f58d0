// Class identifiers in their registry form, and the conversions a
// late-bound caller relies on.
#include "ComTypes.h"
#include "Variant.h"

#include <gtest/gtest.h>

namespace {

using veilcraft::component::Guid;
using veilcraft::component::Variant;

TEST(Guid, FormatsAndParsesTheRegistryForm)
{
    const Guid kompak{0xD1A83111, 0xFF35, 0x4897, {0xA5, 0xDF, 0xAE, 0x05, 0xDC, 0xD4, 0x6A, 0xB1}};
    EXPECT_EQ(kompak.toString(), "{D1A83111-FF35-4897-A5DF-AE05DCD46AB1}");
    EXPECT_EQ(Guid::parse("{D1A83111-FF35-4897-A5DF-AE05DCD46AB1}"), kompak);
    EXPECT_EQ(Guid::parse("{d1a83111-ff35-4897-a5df-ae05dcd46ab1}"), kompak);
    const Guid small{0x00000001, 0x0002, 0x0003, {0, 0, 0, 0, 0, 0, 0, 0x0F}};
    EXPECT_EQ(small.toString(), "{00000001-0002-0003-0000-00000000000F}");
    EXPECT_EQ(Guid::parse(small.toString()), small);
}

TEST(Guid, RefusesMalformedText)
{
    for (const char* text : {"", "D1A83111-FF35-4897-A5DF-AE05DCD46AB1", "{D1A83111-FF35-4897-A5DF-AE05DCD46AB1",
                             "{D1A83111-FF35-4897-A5DF-AE05DCD46AB10}", "{D1A83111FF35-4897-A5DF-AE05DCD46AB1-}",
                             "{D1A8311G-FF35-4897-A5DF-AE05DCD46AB1}", "{D1A83111-FF35-4897-A5DF-AE05DCD46A 1}",
                             "(D1A83111-FF35-4897-A5DF-AE05DCD46AB1)", "{+1A83111-FF35-4897-A5DF-AE05DCD46AB1}"})
        EXPECT_EQ(Guid::parse(text), std::nullopt) << text;
}

TEST(Variant, NumbersAndBooleansConvertStringsStayStrings)
{
    EXPECT_EQ(Variant(true).toInt16(), -1) << "true is all bits set";
    EXPECT_EQ(Variant(false).toInt32(), 0);
    EXPECT_EQ(Variant(std::int16_t{2}).toBool(), true);
    EXPECT_EQ(Variant(std::int32_t{0}).toBool(), false);
    EXPECT_EQ(Variant(std::int32_t{-32768}).toInt16(), -32768);
    EXPECT_EQ(Variant(std::int32_t{32768}).toInt16(), std::nullopt) << "overflow, not a cut value";
    EXPECT_EQ(Variant(std::int32_t{-70000}).toInt16(), std::nullopt);
    EXPECT_EQ(Variant(std::int16_t{-5}).toInt32(), -5);

    EXPECT_EQ(Variant("1").toInt32(), std::nullopt);
    EXPECT_EQ(Variant("1").toBool(), std::nullopt);
    EXPECT_EQ(Variant(std::int32_t{1}).toString(), std::nullopt);
    EXPECT_EQ(Variant(std::string("a|b")).toString(), "a|b");
    EXPECT_EQ(Variant().toBool(), std::nullopt) << "a missing argument is no value";
    EXPECT_EQ(Variant().toString(), std::nullopt);
}

}  // namespace
