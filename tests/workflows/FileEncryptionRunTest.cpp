#include "CipherSuite.h"
#include "FileEncryptionRun.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace veilcraft;
using test::fileExists;
using test::readFile;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class FileEncryptionRunTest : public ::testing::Test {
protected:
    FileEncryptionRequest request(std::vector<std::string> sources, const std::string& password = "pw")
    {
        return {std::move(sources), dir.file("out"), password, password, false};
    }
    RunReport run(const FileEncryptionRequest& request) { return FileEncryptionRun(ui, suite.table).run(request); }
    std::string make(const std::string& name, const std::string& content = "hello world")
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    std::string decrypt(const std::string& container)
    {
        std::string bytes = readFile(container);
        bytes.resize(bytes.size() - 9);
        return suite.EncryptRC4.DecryptString(bytes, "pw");
    }

    test::TempDir dir;
    test::ScriptedUserInterface ui;
    CipherSuite suite;

    void SetUp() override { ASSERT_EQ(::mkdir(dir.file("out").c_str(), 0755), 0); }
};

}  // namespace

// Nothing may be written before the password checks pass.
TEST_F(FileEncryptionRunTest, PasswordChecksStopBeforeAnyFile)
{
    const std::string source = make("notes.txt");
    auto empty = request({source}, "");
    auto mismatch = request({source});
    mismatch.retyped = "other";
    suite.table.select(0);
    auto tooLong = request({source}, std::string(57, 'k'));

    EXPECT_EQ(run(empty).outcome, RunReport::Outcome::Refused);
    EXPECT_EQ(run(mismatch).outcome, RunReport::Outcome::Refused);
    EXPECT_EQ(run(tooLong).outcome, RunReport::Outcome::Refused);
    EXPECT_THAT(ui.texts(), ElementsAre("Password is not null", "Your password is not match", "Password too long!"));
    EXPECT_EQ(ui.messages[0].title, "Veilcraft");
    EXPECT_TRUE(test::listFolder(dir.file("out")).empty());

    // The same 57 characters fit the RC4 limit of 128.
    suite.table.select(1);
    EXPECT_TRUE(run(tooLong).allSucceeded());
}

TEST_F(FileEncryptionRunTest, EncryptsEachSourceAndCountsThem)
{
    const auto report = run(request({make("notes.txt", "abc"), make("README", "x"), make("archive.tar.gz", "yz")}));
    EXPECT_TRUE(report.allSucceeded());
    EXPECT_EQ(report.count, 3);
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("README.vkf", "archive.vkf", "notes.vkf"));
    EXPECT_EQ(readFile(dir.file("out/README.vkf")).substr(1), std::string("ADME1  \xFF\xFF", 9));
    EXPECT_EQ(readFile(dir.file("out/archive.vkf")).substr(2), std::string("r.gz1  \xFF\xFF", 9));
    EXPECT_EQ(decrypt(dir.file("out/notes.vkf")), "abc");
    EXPECT_THAT(ui.texts(), ElementsAre("Encryption success! The encrypted file(s) have been saved to " +
                                        dir.file("out") + "(3 file(s))!"));
    // Sources stay unless removal was asked for.
    EXPECT_TRUE(fileExists(dir.file("notes.txt")));
}

// An already encrypted source stops the run at once; files before it stay done.
TEST_F(FileEncryptionRunTest, EncryptedSourceStopsTheRun)
{
    const auto report = run(request({make("a.txt"), make("old.vkf"), make("b.txt")}));
    EXPECT_EQ(report.outcome, RunReport::Outcome::Stopped);
    EXPECT_THAT(ui.texts(), ElementsAre(dir.file("old.vkf") + " was be encrypted, please select the file again!"));
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("a.vkf"));
}

TEST_F(FileEncryptionRunTest, MissingDestinationStopsTheRun)
{
    auto missing = request({make("a.txt")});
    missing.saveTo = dir.file("nowhere");
    EXPECT_EQ(run(missing).outcome, RunReport::Outcome::Stopped);
    EXPECT_THAT(ui.texts(), ElementsAre("Error path of files"));
}

// Empty, missing and unstorable sources are reported by name and not counted.
TEST_F(FileEncryptionRunTest, BadSourcesAreReportedAndNotCounted)
{
    const std::string good = make("good.txt");
    const std::string empty = make("empty.txt", "");
    const std::string unstorable = make("\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "data");
    const auto report = run(request({dir.file("gone.txt"), empty, good, unstorable}));
    EXPECT_EQ(report.count, 1);
    ASSERT_EQ(report.failures.size(), 3u);
    EXPECT_EQ(report.failures[0].path, dir.file("gone.txt"));
    EXPECT_THAT(report.failures[1].cause, HasSubstr("empty"));
    EXPECT_THAT(report.failures[2].cause, HasSubstr("latin-1"));
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("good.vkf"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr("(1 file(s))!"));
    EXPECT_THAT(ui.messages[1].text, HasSubstr(dir.file("gone.txt")));
    EXPECT_EQ(ui.messages[1].icon, UserInterface::Icon::Critical);
}

// notes.txt and notes.doc share notes.vkf: the later output replaces the
// earlier, so the earlier source must survive and the run must say so.
TEST_F(FileEncryptionRunTest, ReplacedOutputKeepsItsSource)
{
    const std::string txt = make("notes.txt", "text");
    const std::string doc = make("notes.doc", "document");
    auto collide = request({txt, doc});
    collide.removeSourceFiles = true;
    const auto report = run(collide);
    EXPECT_EQ(report.count, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, txt);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("replaced by that of " + doc));
    EXPECT_TRUE(fileExists(txt));
    EXPECT_FALSE(fileExists(doc));
    EXPECT_EQ(decrypt(dir.file("out/notes.vkf")), "document");
}

TEST_F(FileEncryptionRunTest, SourceListedTwiceIsEncryptedOnceAndKept)
{
    const std::string source = make("twice.txt", "payload");
    auto twice = request({source, source});
    twice.removeSourceFiles = true;
    const auto report = run(twice);
    EXPECT_EQ(report.count, 1);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("listed more than once"));
    EXPECT_TRUE(fileExists(source));
    EXPECT_EQ(decrypt(dir.file("out/twice.vkf")), "payload");
}

// A source whose encryption failed must never be removed.
TEST_F(FileEncryptionRunTest, FailedOutputKeepsItsSource)
{
    const std::string source = make("keep.txt");
    ASSERT_EQ(::mkdir(dir.file("out/keep.vkf").c_str(), 0755), 0);  // a folder blocks the output
    auto blocked = request({source});
    blocked.removeSourceFiles = true;
    const auto report = run(blocked);
    EXPECT_EQ(report.count, 0);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(fileExists(source));
    // With nothing encrypted, no success text is shown.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(source));
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("keep.vkf"));
}

// Cancelling in the middle of a file leaves no partial output and removes nothing.
TEST_F(FileEncryptionRunTest, CancelLeavesNoPartialOutput)
{
    const std::string first = make("first.txt", "small");
    const std::string big = make("big.bin", test::randomBytes(3 << 20, 5));
    ui.cancelAfterProgressEvents = 10;  // during the big file
    auto cancelled = request({first, big});
    cancelled.removeSourceFiles = true;
    const auto report = run(cancelled);
    EXPECT_EQ(report.outcome, RunReport::Outcome::Cancelled);
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("first.vkf"));
    // The completed file's source is removed; the cancelled one is kept.
    EXPECT_FALSE(fileExists(first));
    EXPECT_TRUE(fileExists(big));
}
