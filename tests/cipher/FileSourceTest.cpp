// A large file is read ahead on a second thread: what the caller gets must
// still be the file's bytes in order, and a file cut short while it is read
// must fail rather than end early.
#include "CipherError.h"
#include "FileSource.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

using veilcraft::CipherError;
using veilcraft::FileSource;
namespace vt = veilcraft::test;

constexpr std::size_t kLarge = (3 << 20) + 5;  // well past the read-ahead threshold

std::string readAll(FileSource& source, std::size_t step)
{
    std::string out;
    std::string buffer(step, '\0');
    while (out.size() < source.size()) {
        const std::size_t got = source.read(reinterpret_cast<std::uint8_t*>(buffer.data()), step);
        out.append(buffer, 0, got);
    }
    return out;
}

TEST(FileSource, ALargeFileArrivesWholeAndInOrder)
{
    vt::TempDir dir;
    const std::string content = vt::randomBytes(kLarge, 7);
    vt::writeFile(dir.file("large"), content);
    FileSource source(dir.file("large"));
    ASSERT_EQ(source.size(), kLarge);
    EXPECT_EQ(readAll(source, 100'003), content);
}

TEST(FileSource, ALargeFileCutShortWhileReadFails)
{
    vt::TempDir dir;
    vt::writeFile(dir.file("large"), vt::randomBytes(kLarge, 8));
    FileSource source(dir.file("large"));
    std::uint8_t first[100];
    ASSERT_EQ(source.read(first, sizeof first), sizeof first);
    ASSERT_EQ(::truncate(dir.file("large").c_str(), 1 << 20), 0);
    try {
        readAll(source, 1 << 16);
        FAIL() << "a file cut short was read to its announced size";
    } catch (const CipherError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr("the file became shorter while it was read"));
    }
}

}  // namespace
