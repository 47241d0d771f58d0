#include "ScriptedUserInterface.h"
#include "ShredRun.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace veilcraft;
using test::fileExists;
using test::readFile;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Optional;
using ::testing::StartsWith;

namespace {

constexpr const char* kQuestion = "Are you sure? File will be destroyed PERMANENTLY !";

class ShredRunTest : public ::testing::Test {
protected:
    std::string make(const std::string& name, const std::string& content = "0123456789")
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    RunReport run(const std::vector<std::string>& files, const std::string& passes = "3")
    {
        return ShredRun(ui).run(files, passes);
    }

    test::TempDir dir;
    test::ScriptedUserInterface ui;
};

std::string dosAttributes(const std::string& path)
{
    char value[32] = {};
    const ssize_t length = ::getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value);
    return length < 0 ? std::string() : std::string(value, static_cast<std::size_t>(length));
}

TEST_F(ShredRunTest, ReadOnlyHiddenFileIsDestroyedAfterTheQuestion)
{
    const std::string file = make("secret.txt");
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x23", 4, 0), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);

    const RunReport report = run({file});

    EXPECT_TRUE(report.allSucceeded());
    EXPECT_EQ(report.count, 1);
    EXPECT_FALSE(fileExists(file));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kQuestion);
    EXPECT_EQ(ui.messages[0].title, "Last chance");
    EXPECT_EQ(ui.messages[0].buttons, UserInterface::Buttons::YesNo);
    EXPECT_EQ(ui.messages[1].text, "File has been destroyed");
    EXPECT_EQ(ui.messages[1].title, "");
    EXPECT_FALSE(ui.busy);
}

TEST_F(ShredRunTest, AttributesAreClearedAndOthersKept)
{
    const std::string file = make("a");
    ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x27", 5, 0), 0);  // with its NUL
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);

    ASSERT_TRUE(clearShredAttributes(file));

    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(dosAttributes(file), std::string("0x20", 5));  // the archive bit stays
}

TEST_F(ShredRunTest, EveryPassOverwritesTheWholeFileWithZeros)
{
    const std::string file = make("kept", "0123456789");
    std::vector<std::pair<int, std::uint64_t>> calls;
    const bool done = overwriteWithZeros(file, 3, [&](int pass, std::uint64_t written, std::uint64_t length) {
        EXPECT_EQ(length, 10u);
        calls.emplace_back(pass, written);
        return true;
    });
    EXPECT_TRUE(done);
    EXPECT_EQ(readFile(file), std::string(10, '\0'));
    EXPECT_THAT(calls, ElementsAre(std::pair(1, 0u), std::pair(1, 10u), std::pair(2, 0u), std::pair(2, 10u),
                                   std::pair(3, 0u), std::pair(3, 10u)));
}

TEST_F(ShredRunTest, FileLargerThanOneChunkIsZeroedToItsLastByte)
{
    const std::size_t size = 2 * kShredChunk + 12345;
    const std::string file = make("big", test::randomBytes(size, 7));
    int chunks = 0;
    ASSERT_TRUE(overwriteWithZeros(file, 1, [&](int, std::uint64_t written, std::uint64_t) {
        EXPECT_EQ(written % kShredChunk, chunks < 3 ? 0u : 12345u);
        ++chunks;
        return true;
    }));
    EXPECT_EQ(chunks, 4);  // three chunks, then the end of the pass
    EXPECT_EQ(readFile(file), std::string(size, '\0'));
}

TEST_F(ShredRunTest, EmptyFileIsDeletedWithoutBeingWritten)
{
    const std::string file = make("empty", "");
    bool called = false;
    EXPECT_TRUE(overwriteWithZeros(file, 3, [&](int, std::uint64_t, std::uint64_t) { return called = true; }));
    EXPECT_FALSE(called);

    EXPECT_TRUE(run({file}).allSucceeded());
    EXPECT_FALSE(fileExists(file));
}

TEST_F(ShredRunTest, AnsweringNoTouchesNothing)
{
    const std::string file = make("a");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ui.answers = {UserInterface::Answer::No};

    const RunReport report = run({file});

    EXPECT_EQ(report.outcome, RunReport::Outcome::Refused);
    EXPECT_EQ(readFile(file), "0123456789");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    EXPECT_THAT(ui.texts(), ElementsAre(kQuestion));
}

TEST_F(ShredRunTest, FilesThatCannotBeDestroyedAreNamedAndKept)
{
    const std::string target = make("target");
    const std::string link = dir.file("link");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const std::string linked = make("linked");
    ASSERT_EQ(::link(linked.c_str(), dir.file("other-name").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    const std::string missing = dir.file("missing");

    const RunReport report = run({dir.file("folder"), missing, link, linked});

    EXPECT_FALSE(report.allSucceeded());
    EXPECT_EQ(report.count, 0);
    ASSERT_EQ(report.failures.size(), 4u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("is a folder"));
    EXPECT_THAT(report.failures[1].cause, HasSubstr("cannot be found"));
    EXPECT_THAT(report.failures[2].cause, HasSubstr("symbolic link"));
    EXPECT_THAT(report.failures[3].cause, HasSubstr("hard links"));
    EXPECT_TRUE(fileExists(dir.file("folder")));
    EXPECT_EQ(readFile(link), "0123456789");
    EXPECT_EQ(readFile(target), "0123456789");
    EXPECT_EQ(readFile(linked), "0123456789");
    EXPECT_EQ(readFile(dir.file("other-name")), "0123456789");
    // No success text when nothing was destroyed.
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_THAT(ui.messages[1].text, StartsWith("The File can not be destroyed!\n" + dir.file("folder") + ": "));
    EXPECT_THAT(ui.messages[1].text, HasSubstr("\n" + missing + ": cannot be found"));
    EXPECT_EQ(ui.messages[1].title, "Error!");
    EXPECT_EQ(ui.messages[1].icon, UserInterface::Icon::Information);
}

TEST_F(ShredRunTest, SuccessIsShownForWhatWasDestroyedBeforeTheFailures)
{
    const std::string good = make("good");
    const RunReport report = run({dir.file("missing"), good});
    EXPECT_EQ(report.count, 1);
    EXPECT_FALSE(fileExists(good));
    EXPECT_THAT(ui.texts(), ElementsAre(kQuestion, "File has been destroyed", HasSubstr("The File can not be")));
}

TEST_F(ShredRunTest, PassCountIsTheTrimmedSixteenBitNumber)
{
    EXPECT_THAT(parsePassCount(" 3 "), Optional(3));
    EXPECT_THAT(parsePassCount("\t+12"), Optional(12));
    EXPECT_THAT(parsePassCount("32767"), Optional(32767));
    EXPECT_THAT(parsePassCount("-2"), Optional(-2));
    for (const char* bad : {"", "  ", "abc", "3x", "1.5", "32768", "-32769", "9999999999"})
        EXPECT_EQ(parsePassCount(bad), std::nullopt) << bad;
}

TEST_F(ShredRunTest, ZeroNegativeOrNonNumericPassCountDestroysNothing)
{
    const std::string file = make("a");
    for (const char* passes : {"0", "-1", "many", ""}) {
        ui.messages.clear();
        const RunReport report = run({file}, passes);
        EXPECT_EQ(report.outcome, RunReport::Outcome::Refused) << passes;
        ASSERT_EQ(ui.messages.size(), 1u) << passes;  // refused before the question
        EXPECT_THAT(ui.messages[0].text, HasSubstr("from 1 to 32767"));
    }
    EXPECT_EQ(readFile(file), "0123456789");
}

TEST_F(ShredRunTest, CancelLeavesThePartlyOverwrittenFileAndTheRestUntouched)
{
    const std::string content = test::randomBytes(3 * kShredChunk, 3);
    const std::string big = make("big", content);
    const std::string next = make("next");
    ui.cancelAfterProgressEvents = 2;  // after the first chunk

    const RunReport report = run({big, next}, "1");

    EXPECT_EQ(report.outcome, RunReport::Outcome::Cancelled);
    EXPECT_EQ(report.count, 0);
    const std::string left = readFile(big);
    ASSERT_EQ(left.size(), content.size());
    EXPECT_EQ(left.substr(0, kShredChunk), std::string(kShredChunk, '\0'));
    EXPECT_EQ(left.substr(kShredChunk), content.substr(kShredChunk));
    EXPECT_EQ(readFile(next), "0123456789");
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("partly overwritten"));
    EXPECT_THAT(report.failures[1].cause, HasSubstr("untouched"));
    EXPECT_THAT(ui.texts(), ElementsAre(kQuestion, HasSubstr("The File can not be destroyed!")));
}

}  // namespace
