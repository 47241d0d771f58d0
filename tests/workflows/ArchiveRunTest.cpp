// The one-file archive run and the archive kind of the decryption run, with
// the real zip control loaded through the component layer.
#include "ArchiveEncryptionRun.h"
#include "CipherSuite.h"
#include "DecryptionRun.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veilcraft;
using test::fileExists;
using test::listFolder;
using test::readFile;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

class ArchiveRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(dir.file("docs").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(dir.file("tmp").c_str(), 0700), 0);
        ui.password = "pw";
    }
    std::string make(const std::string& name, const std::string& content)
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    RunReport encrypt(std::vector<std::string> sources, const std::string& output, bool remove = false)
    {
        return ArchiveEncryptionRun(ui, suite.table).run({std::move(sources), output, "pw", "pw", remove});
    }
    RunReport decrypt(const std::string& container) { return DecryptionRun(ui, suite.table).run({container}); }
    // A container of the archive kind around any bytes.
    std::string archiveContainer(const std::string& name, const std::string& zipBytes)
    {
        std::string bytes = suite.EncryptRC4.EncryptString(zipBytes, "pw");
        const vkf::TrailerBytes trailer = vkf::encodeTrailer(".zip", 1);
        bytes.append(trailer.begin(), trailer.end());
        return make(name, bytes);
    }
    std::string payloadOf(const std::string& container)
    {
        std::string bytes = readFile(container);
        bytes.resize(bytes.size() - vkf::kTrailerSize);
        return suite.EncryptRC4.DecryptString(bytes, "pw");
    }

    test::TempDir dir;
    // The decryption's temporary zip must leave this folder as it found it.
    test::ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    test::ScriptedUserInterface ui;
    CipherSuite suite;
};

}  // namespace

TEST_F(ArchiveRunTest, RoundTripUnpacksEachFileUnderItsLastFolder)
{
    const std::string binary = test::randomBytes(70000, 7);
    const std::string a = make("docs/a.txt", "first file");
    const std::string b = make("docs/b.bin", binary);
    const std::string out = dir.file("myvkffile.vkf");

    const RunReport written = encrypt({a, b}, out);
    EXPECT_TRUE(written.allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("Encryption success!, the encrypted file(s) have been saved to " + out));
    const std::string container = readFile(out);
    EXPECT_EQ(container.substr(container.size() - 9), std::string(".zip1  \xFF\xFF", 9));
    EXPECT_EQ(payloadOf(out).substr(0, 2), "PK");
    // No temporary archive is left beside the output; sources stay.
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("docs", "myvkffile.vkf", "tmp"));

    ui.messages.clear();
    const RunReport read = decrypt(out);
    EXPECT_TRUE(read.allSucceeded());
    const std::string base = dir.file("myvkffile");
    EXPECT_THAT(ui.texts(), ElementsAre("File " + out + "\r\nhas been decrypted as " + base));
    EXPECT_THAT(ui.statuses, ElementsAre("File, " + out + " has been decrypted as " + base));
    EXPECT_EQ(readFile(base + "/docs/a.txt"), "first file");
    EXPECT_EQ(readFile(base + "/docs/b.bin"), binary);
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

TEST_F(ArchiveRunTest, WrongPasswordExtractsNothingAndLeavesNoTemporaryFile)
{
    const std::string out = dir.file("secret.vkf");
    ASSERT_TRUE(encrypt({make("docs/a.txt", "some text worth zipping")}, out).allSucceeded());
    ui.messages.clear();
    ui.password = "wrong";

    const RunReport read = decrypt(out);
    EXPECT_FALSE(read.allSucceeded());
    ASSERT_EQ(read.failures.size(), 1u);
    EXPECT_THAT(ui.texts(), ElementsAre("File " + out + " was not decrypted: wrong password or damaged archive"));
    EXPECT_FALSE(fileExists(dir.file("secret")));
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

TEST_F(ArchiveRunTest, GarbageInsteadOfAZipIsReportedNotUnpacked)
{
    const std::string p = archiveContainer("junk.vkf", "PK\x03\x04 this is not an archive at all");
    EXPECT_FALSE(decrypt(p).allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("wrong password or damaged archive")));
    EXPECT_FALSE(fileExists(dir.file("junk")));
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

// The directory reads, but an entry's data is damaged: the run must not
// pass that off as a success.
TEST_F(ArchiveRunTest, DamagedEntryDataIsReported)
{
    const std::string good = dir.file("good.vkf");
    ASSERT_TRUE(encrypt({make("docs/a.txt", test::randomBytes(4000, 3))}, good).allSucceeded());
    std::string zip = payloadOf(good);
    // Local header (30 bytes) + "docs/a.txt" (10): the compressed data follows.
    for (std::size_t i = 50; i < 90; ++i)
        zip[i] = static_cast<char>(zip[i] ^ 0x5A);
    const std::string p = archiveContainer("bad.vkf", zip);
    ui.messages.clear();

    const RunReport read = decrypt(p);
    EXPECT_FALSE(read.allSucceeded());
    ASSERT_EQ(ui.texts().size(), 1u);
    EXPECT_THAT(ui.texts()[0], HasSubstr("File " + p + " was not decrypted: not every file could be extracted"));
    EXPECT_THAT(ui.texts()[0], Not(HasSubstr(dir.file("tmp"))));
    // No half-written file passes for the entry.
    EXPECT_FALSE(fileExists(dir.file("bad/docs/a.txt")));
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

TEST_F(ArchiveRunTest, SourcesAreRemovedOnlyAfterSuccessAndNeverWhenNotArchived)
{
    const std::string a = make("docs/a.txt", "aaa");
    const std::string b = make("docs/b.txt", "bbb");
    const std::string missing = dir.file("docs/missing.txt");
    const std::string out = dir.file("all.vkf");

    const RunReport report = encrypt({a, missing, b}, out, true);
    EXPECT_EQ(report.count, 2);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].path, missing);
    EXPECT_FALSE(fileExists(a));
    EXPECT_FALSE(fileExists(b));
    EXPECT_THAT(ui.texts(), ::testing::Contains("Encryption success!, the encrypted file(s) have been saved to " + out));
    EXPECT_THAT(ui.texts().back(), HasSubstr(missing));

    // What was removed is really inside the container.
    ui.messages.clear();
    ASSERT_TRUE(decrypt(out).allSucceeded());
    EXPECT_EQ(readFile(dir.file("all/docs/a.txt")), "aaa");
    EXPECT_EQ(readFile(dir.file("all/docs/b.txt")), "bbb");
}

TEST_F(ArchiveRunTest, AnArchiveLackingANamedFileDoesNotReplaceAnExistingOne)
{
    const std::string a = make("docs/a.txt", "aaa");
    const std::string b = make("docs/b.txt", "bbb");
    const std::string out = dir.file("all.vkf");
    ASSERT_TRUE(encrypt({a, b}, out, true).allSucceeded());
    // As if that run had been stopped after removing a alone, and is run again.
    make("docs/b.txt", "bbb");
    const std::string before = readFile(out);

    ui.messages.clear();
    const RunReport report = encrypt({a, b}, out, true);
    EXPECT_EQ(report.outcome, RunReport::Outcome::Refused);
    EXPECT_THAT(ui.texts().back(), HasSubstr(out + " was not replaced"));
    EXPECT_THAT(ui.texts().back(), HasSubstr(a));
    EXPECT_EQ(readFile(out), before);
    EXPECT_EQ(readFile(b), "bbb");
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("all.vkf", "docs", "tmp"));
}

TEST_F(ArchiveRunTest, OutputInAMissingFolderIsRefusedAndNothingIsRemoved)
{
    const std::string a = make("docs/a.txt", "aaa");
    const RunReport report = encrypt({a}, dir.file("nowhere/out.vkf"), true);
    EXPECT_FALSE(report.allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("does not exist")));
    EXPECT_EQ(readFile(a), "aaa");
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("docs", "tmp"));
}

TEST_F(ArchiveRunTest, PasswordChecksAreThoseOfTheOneByOneRun)
{
    const std::string a = make("docs/a.txt", "aaa");
    ArchiveEncryptionRun run(ui, suite.table);
    EXPECT_EQ(run.run({{a}, dir.file("o.vkf"), "pw", "px", false}).outcome, RunReport::Outcome::Refused);
    suite.table.select(suite.table.positionOf("Blowfish"));
    const std::string tooLong(57, 'x');
    EXPECT_EQ(run.run({{a}, dir.file("o.vkf"), tooLong, tooLong, false}).outcome, RunReport::Outcome::Refused);
    EXPECT_THAT(ui.texts(), ElementsAre("Your password is not match", "Password too long!"));
    EXPECT_FALSE(fileExists(dir.file("o.vkf")));
}
