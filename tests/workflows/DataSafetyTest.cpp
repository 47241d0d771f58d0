// What the runs must never do to a user's files: replace one the user has
// without asking, delete a source whose output is gone, write over the
// container being read, or hang on something that is not a file.
#include "ArchiveEncryptionRun.h"
#include "CipherSuite.h"
#include "DecryptionRun.h"
#include "EncryptedArchive.h"
#include "FileEncryptionRun.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace veilcraft;
using test::fileExists;
using test::readFile;
using test::writeFile;
using ::testing::HasSubstr;

namespace {

class DataSafetyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"out", "tmp", "x/2023/photos", "y/2024/Photos", "docs"})
            std::filesystem::create_directories(dir.file(folder));
        ui.password = "pw";
    }
    std::string make(const std::string& name, const std::string& content)
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    RunReport encrypt(const std::vector<std::string>& sources, bool remove = true)
    {
        return FileEncryptionRun(ui, suite.table).run({sources, dir.file("out"), "pw", "pw", remove});
    }
    RunReport archive(const std::vector<std::string>& sources, const std::string& out, bool remove = false)
    {
        return ArchiveEncryptionRun(ui, suite.table).run({sources, out, "pw", "pw", remove});
    }

    test::TempDir dir;
    test::ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    test::ScriptedUserInterface ui;
    CipherSuite suite;
};

}  // namespace

// notes.txt encrypted (and removed) in one run, notes.md into the same
// folder in a later one: the first notes.vkf is the only copy left.
TEST_F(DataSafetyTest, AnEarlierRunsOutputIsReplacedOnlyWithTheUsersYes)
{
    ASSERT_TRUE(encrypt({make("notes.txt", "first")}).allSucceeded());
    const std::string first = readFile(dir.file("out/notes.vkf"));
    const std::string later = make("notes.md", "second");

    ui.answers = {UserInterface::Answer::No};
    const RunReport refused = encrypt({later});
    EXPECT_EQ(readFile(dir.file("out/notes.vkf")), first);
    EXPECT_TRUE(fileExists(later));
    ASSERT_EQ(refused.failures.size(), 1u);
    EXPECT_THAT(refused.failures[0].cause, HasSubstr("already exists and was not replaced"));
    EXPECT_TRUE(std::any_of(ui.messages.begin(), ui.messages.end(),
                            [](const auto& shown) { return shown.buttons == UserInterface::Buttons::YesNo; }));

    ui.answers = {UserInterface::Answer::Yes};
    EXPECT_TRUE(encrypt({later}).allSucceeded());
    EXPECT_NE(readFile(dir.file("out/notes.vkf")), first);
}

// On a folder that ignores letter case Report.vkf and report.vkf are one
// file; a hard link made between the two outputs stands in for that here.
TEST_F(DataSafetyTest, OutputsThatAreOneFileKeepTheEarlierSource)
{
    const std::string upper = make("Report.txt", "one");
    const std::string lower = make("report.pdf", "two");
    int calls = 0;
    ui.onProcessEvents = [&] {
        if (++calls == 2) {
            ASSERT_EQ(::link(dir.file("out/Report.vkf").c_str(), dir.file("out/report.vkf").c_str()), 0);
        }
    };
    const RunReport report = encrypt({upper, lower});
    EXPECT_TRUE(fileExists(upper));
    EXPECT_FALSE(fileExists(lower));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, upper);
    for (const auto& shown : ui.messages)
        EXPECT_NE(shown.buttons, UserInterface::Buttons::YesNo) << "an output of the run is not the user's file";
}

TEST_F(DataSafetyTest, TwoSourcesOfOneEntryNameAreNotBothArchived)
{
    const std::string first = make("x/2023/photos/IMG_1.jpg", "first");
    const std::string second = make("y/2024/Photos/img_1.JPG", "second");
    const RunReport report = archive({first, second}, dir.file("out/all.vkf"), true);
    EXPECT_FALSE(fileExists(first));
    EXPECT_TRUE(fileExists(second));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, second);

    EncryptedArchive opened(ui, suite.table);
    ASSERT_TRUE(opened.open(dir.file("out/all.vkf")));
    EXPECT_EQ(opened.rows().size(), 1u);
}

// A wrong password cannot be noticed for a single file: decrypting over the
// file the container was made from would replace it with garbage.
TEST_F(DataSafetyTest, DecryptionReplacesAnExistingTargetOnlyWithTheUsersYes)
{
    const std::string source = make("docs/notes.txt", "precious");
    ASSERT_TRUE(encrypt({source}, false).allSucceeded());
    const std::string container = dir.file("docs/notes.vkf");
    std::filesystem::rename(dir.file("out/notes.vkf"), container);
    ui.password = "wrong";

    ui.answers = {UserInterface::Answer::No};
    EXPECT_FALSE(DecryptionRun(ui, suite.table).run({container}).allSucceeded());
    EXPECT_EQ(readFile(source), "precious");

    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(container));
    ui.answers = {UserInterface::Answer::No};
    EXPECT_FALSE(window.decryptSingleFile(source).allSucceeded());
    EXPECT_EQ(readFile(source), "precious");
}

TEST_F(DataSafetyTest, ExtractionNeverWritesOverTheContainerItReads)
{
    const std::string inner = make("docs/c.vkf", "an entry named like the container");
    const std::string other = make("docs/other.txt", "other");
    const std::string container = dir.file("out/c.vkf");
    ASSERT_TRUE(archive({inner, other}, container).allSucceeded());
    const std::string before = readFile(container);

    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(container));
    const RunReport report = window.extractAll(dir.file("out"), false);
    EXPECT_EQ(readFile(container), before);
    EXPECT_EQ(readFile(dir.file("out/other.txt")), "other");
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("docs/c.vkf"));
}

TEST_F(DataSafetyTest, AFifoIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo(dir.file("docs/pipe.vkf").c_str(), 0600), 0);
    const RunReport report = DecryptionRun(ui, suite.table).run({dir.file("docs/pipe.vkf")});
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("not a regular file"));
    EncryptedArchive window(ui, suite.table);
    EXPECT_FALSE(window.open(dir.file("docs/pipe.vkf")));
}

// Cancel (and Ctrl-C) reach into the zip control: an extraction stops
// instead of running to its end.
TEST_F(DataSafetyTest, CancelStopsAnExtractionInsideTheControl)
{
    std::vector<std::string> files;
    for (int i = 0; i < 20; ++i)
        files.push_back(make("docs/f" + std::to_string(i), test::randomBytes(200000, i)));
    const std::string container = dir.file("out/many.vkf");
    ASSERT_TRUE(archive(files, container).allSucceeded());
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(container));
    ui.cancelAfterProgressEvents = 0;
    EXPECT_EQ(window.extractAll(dir.file("out"), true).outcome, RunReport::Outcome::Cancelled);
    EXPECT_FALSE(fileExists(dir.file("out/docs/f19")));
}
