// encrypt-folder, list and extract in-process: outputs, exit codes and the
// messages that reach standard error.
#include "Cli.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace {

using ::testing::HasSubstr;
using veilcraft::test::fileExists;
using veilcraft::test::listFolder;
using veilcraft::test::readFile;
using veilcraft::test::ScopedEnv;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result veilcraftCommand(const std::vector<std::string>& arguments)
{
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const int code = veilcraft::cli::runCli(arguments, in, out, err);
    return {code, out.str(), err.str()};
}

class ArchiveCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("photos/2024"));
        std::filesystem::create_directories(dir.file("tmp"));
        writeFile(dir.file("photos/2024/a.jpg"), "picture a");
        writeFile(dir.file("photos/b.jpg"), "picture b, a little longer");
        container = dir.file("photos.vkf");
        const Result made = veilcraftCommand({"encrypt-folder", dir.file("photos"), "--output", container});
        ASSERT_EQ(made.code, 0) << made.err;
        ASSERT_THAT(made.err, HasSubstr("Encrypt succeed!"));
    }

    TempDir dir;
    ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    ScopedEnv password{"VEILCRAFT_PASSWORD", std::string("secret")};
    std::string container;
};

}  // namespace

TEST_F(ArchiveCommands, ListPrintsTheWindowsRows)
{
    const Result listed = veilcraftCommand({"list", container});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_EQ(listed.out, "a.jpg\t0/1/1980 12:00 AM\t9\t11\tphotos/2024/\n"
                          "b.jpg\t0/1/1980 12:00 AM\t26\t28\tphotos/\n");
    EXPECT_THAT(listFolder(dir.file("tmp")), ::testing::IsEmpty());
}

TEST_F(ArchiveCommands, ExtractAllSomeOrFlat)
{
    // By default beside the container, keeping the stored folders.
    Result result = veilcraftCommand({"extract", container});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(readFile(dir.file("photos/2024/a.jpg")), "picture a");

    result = veilcraftCommand({"extract", "--dest", dir.file("one"), "--flat", container, "PHOTOS/2024/A.JPG"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(listFolder(dir.file("one")), std::vector<std::string>{"a.jpg"});

    result = veilcraftCommand({"extract", "--dest", dir.file("two"), container, "photos/b.jpg", "nothing.txt"});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("nothing.txt is not in " + container));
    EXPECT_EQ(readFile(dir.file("two/photos/b.jpg")), "picture b, a little longer");
    EXPECT_THAT(listFolder(dir.file("tmp")), ::testing::IsEmpty());
}

TEST_F(ArchiveCommands, FailuresExitWithOneAndUsageWithTwo)
{
    ScopedEnv wrong{"VEILCRAFT_PASSWORD", std::string("wrong")};
    Result result = veilcraftCommand({"extract", "--dest", dir.file("out"), container});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("wrong password or damaged archive"));
    EXPECT_FALSE(fileExists(dir.file("out")));

    result = veilcraftCommand({"encrypt-folder", dir.file("photos"), "--output", dir.file("missing/x.vkf")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("does not exist"));

    ASSERT_EQ(::mkfifo(dir.file("photos/pipe").c_str(), 0644), 0);
    result = veilcraftCommand({"encrypt-folder", dir.file("photos"), "--output", dir.file("again.vkf")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(dir.file("photos/pipe") + " could not be read"));
    EXPECT_TRUE(fileExists(dir.file("again.vkf")));

    EXPECT_EQ(veilcraftCommand({"encrypt-folder", dir.file("photos")}).code, 2);
    EXPECT_EQ(veilcraftCommand({"encrypt-folder", "--output", dir.file("x.vkf")}).code, 2);
    EXPECT_EQ(veilcraftCommand({"list"}).code, 2);
    EXPECT_EQ(veilcraftCommand({"extract"}).code, 2);
}
