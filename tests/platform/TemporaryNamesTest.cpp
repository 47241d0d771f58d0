#include "TemporaryNames.h"

#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace veilcraft;
using test::listFolder;
using test::writeFile;
using ::testing::ElementsAre;

// A leftover of a killed run is removed; a temporary file its maker still
// holds, a user's file that merely looks alike, a link and a folder are not.
TEST(TemporaryNamesTest, OnlyUnheldTemporaryFilesAreRemoved)
{
    test::TempDir dir;
    const tempnames::Created held = tempnames::create(dir.path(), ".held", ".part");
    const tempnames::Created left = tempnames::create(dir.path(), "left", ".zip");
    ASSERT_GE(held.fd, 0);
    ASSERT_GE(left.fd, 0);
    struct stat info {};
    ASSERT_EQ(::fstat(held.fd, &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ::close(left.fd);  // its maker is gone
    writeFile(dir.file("report.vctmp-2024.part"), "a user's file");
    writeFile(dir.file("notes.txt"), "a user's file");
    ASSERT_EQ(::symlink("notes.txt", dir.file("x.vctmp-abcdefghij.tmp").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("y.vctmp-abcdefghij").c_str(), 0700), 0);

    EXPECT_EQ(tempnames::removeLeftovers(dir.path()), 1);
    EXPECT_THAT(listFolder(dir.path()), ElementsAre(held.path.substr(dir.path().size() + 1), "notes.txt",
                                                    "report.vctmp-2024.part", "x.vctmp-abcdefghij.tmp",
                                                    "y.vctmp-abcdefghij"));
    ::close(held.fd);
    EXPECT_EQ(tempnames::removeLeftovers(dir.path()), 1);
}
