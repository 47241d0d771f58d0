#include "CipherError.h"
#include "CipherSuite.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <gtest/gtest.h>

using namespace veilcraft;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

namespace {

std::string trailerText(std::string_view contentType, int cipher)
{
    const vkf::TrailerBytes bytes = vkf::encodeTrailer(contentType, cipher);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(VkfTrailer, LayoutIsTypeNumberAndMarker)
{
    EXPECT_EQ(trailerText(".txt", 0), std::string(".txt0  \xFF\xFF", 9));
    EXPECT_EQ(trailerText(".txt", 1), std::string(".txt1  \xFF\xFF", 9));
    EXPECT_EQ(trailerText(".zip", 1), std::string(".zip1  \xFF\xFF", 9));
    // Short types are padded with spaces, long ones cut to four.
    EXPECT_EQ(trailerText(".c", 12), std::string(".c  12 \xFF\xFF", 9));
    EXPECT_EQ(trailerText("abcdef", 1), std::string("abcd1  \xFF\xFF", 9));
}

TEST(VkfTrailer, CipherNumberIgnoresSpacesAndRefusesGarbage)
{
    EXPECT_EQ((vkf::Trailer{".txt", "1  "}.cipherNumber()), 1);
    EXPECT_EQ((vkf::Trailer{".txt", " 0 "}.cipherNumber()), 0);
    EXPECT_FALSE((vkf::Trailer{".txt", "   "}.cipherNumber()));
    EXPECT_FALSE((vkf::Trailer{".txt", "1x "}.cipherNumber()));
    EXPECT_FALSE((vkf::Trailer{".txt", "\xFF\xFF\xFF"}.cipherNumber()));
}

TEST(VkfNames, EncryptedNameIsCaseSensitive)
{
    EXPECT_TRUE(vkf::isEncryptedName("/d/notes.vkf"));
    EXPECT_FALSE(vkf::isEncryptedName("/d/NOTES.VKF"));
    EXPECT_FALSE(vkf::isEncryptedName("/d/notes.vkf.txt"));
    EXPECT_FALSE(vkf::isEncryptedName("vkf"));
}

// The output name keeps the file name up to its first dot, so several
// sources can share one output name; the content type keeps the last four
// characters of the whole path, separators included.
TEST(VkfNames, OutputNameAndContentType)
{
    EXPECT_EQ(vkf::encryptedFileName("notes.txt"), "notes.vkf");
    EXPECT_EQ(vkf::encryptedFileName("archive.tar.gz"), "archive.vkf");
    EXPECT_EQ(vkf::encryptedFileName("README"), "README.vkf");
    EXPECT_EQ(vkf::contentTypeOf("/docs/README"), "ADME");
    EXPECT_EQ(vkf::contentTypeOf("/docs/archive.tar.gz"), "r.gz");
    EXPECT_EQ(vkf::contentTypeOf("/docs/a.c"), "/a.c");
    EXPECT_EQ(vkf::contentTypeOf("/docs/a.jpeg"), "jpeg");
    // Latin-1 characters are stored as one byte each; others cannot be stored.
    EXPECT_EQ(vkf::contentTypeOf("/docs/caf\xC3\xA9"), "caf\xE9");
    EXPECT_FALSE(vkf::contentTypeOf("/docs/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB"));
}

// A 100-byte source gives 109 bytes whatever cipher is selected, and the
// payloads are identical: the payload is RC4 output either way.
TEST(VkfContainer, PayloadIsRc4WhicheverCipherIsSelected)
{
    TempDir dir;
    const std::string content = test::randomBytes(100, 7);
    writeFile(dir.file("notes.txt"), content);
    CipherSuite suite;
    vkf::writeContainer(suite.table.currentCipher(), dir.file("notes.txt"), dir.file("a.vkf"), "pw",
                        vkf::encodeTrailer(".txt", 0));
    vkf::writeContainer(suite.table.currentCipher(), dir.file("notes.txt"), dir.file("b.vkf"), "pw",
                        vkf::encodeTrailer(".txt", 1));
    const std::string a = readFile(dir.file("a.vkf"));
    const std::string b = readFile(dir.file("b.vkf"));
    ASSERT_EQ(a.size(), 109u);
    EXPECT_EQ(a.substr(100), std::string(".txt0  \xFF\xFF", 9));
    EXPECT_EQ(b.substr(100), std::string(".txt1  \xFF\xFF", 9));
    EXPECT_EQ(a.substr(0, 100), b.substr(0, 100));

    clsRC4 reference;
    ByteArray expected(content.begin(), content.end());
    reference.EncryptByte(expected, "pw");
    EXPECT_EQ(a.substr(0, 100), std::string(expected.begin(), expected.end()));

    // No random part: the same file twice gives identical containers.
    vkf::writeContainer(suite.table.currentCipher(), dir.file("notes.txt"), dir.file("c.vkf"), "pw",
                        vkf::encodeTrailer(".txt", 0));
    EXPECT_EQ(readFile(dir.file("c.vkf")), a);
}

TEST(VkfContainer, ReadingRefusesFilesShorterThanATrailer)
{
    TempDir dir;
    for (std::size_t length : {0u, 1u, 8u}) {
        writeFile(dir.file("short.vkf"), std::string(length, 'x'));
        EXPECT_THROW((void)vkf::readContainer(dir.file("short.vkf")), CipherError) << length;
    }
    writeFile(dir.file("bare.vkf"), std::string(".txt1  \xFF\xFF", 9));
    const vkf::ContainerInfo info = vkf::readContainer(dir.file("bare.vkf"));
    EXPECT_EQ(info.payloadLength, 0u);
    CipherSuite suite;
    // No payload: nothing to decrypt, and no target appears.
    EXPECT_THROW(vkf::decryptPayload(suite.table.currentCipher(), dir.file("bare.vkf"), info, dir.file("t"), "pw"),
                 CipherError);
    EXPECT_FALSE(test::fileExists(dir.file("t")));
}

TEST(VkfContainer, RoundTripThroughPayloadDecryption)
{
    TempDir dir;
    const std::string content = test::randomBytes(3 * 1024 * 1024 + 5, 11);
    writeFile(dir.file("big.bin"), content);
    CipherSuite suite;
    vkf::writeContainer(suite.table.currentCipher(), dir.file("big.bin"), dir.file("big.vkf"), "secret",
                        vkf::encodeTrailer(".bin", 1));
    const vkf::ContainerInfo info = vkf::readContainer(dir.file("big.vkf"));
    EXPECT_EQ(info.payloadLength, content.size());
    EXPECT_EQ(info.trailer.contentType, ".bin");
    EXPECT_EQ(info.trailer.cipherNumber(), 1);
    vkf::decryptPayload(suite.table.currentCipher(), dir.file("big.vkf"), info, dir.file("out.bin"), "secret");
    EXPECT_EQ(readFile(dir.file("out.bin")), content);
}
