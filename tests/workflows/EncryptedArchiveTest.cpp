// The archive window's logic with the real zip control: listing, the
// destination rule, extraction of all or selected rows, the single-file
// case, and the temporary zip's life.
#include "ArchiveEncryptionRun.h"
#include "CipherSuite.h"
#include "EncryptedArchive.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace veilcraft;
using test::fileExists;
using test::listFolder;
using test::readFile;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class EncryptedArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"photos", "docs", "tmp", "out"})
            std::filesystem::create_directories(dir.file(folder));
        ui.password = "pw";
    }
    std::string make(const std::string& name, const std::string& content)
    {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
    // An archive container of the given files, each stored under its last
    // folder and name.
    std::string archive(const std::vector<std::string>& files, const std::string& name = "all.vkf")
    {
        const std::string out = dir.file(name);
        EXPECT_TRUE(ArchiveEncryptionRun(ui, suite.table).run({files, out, "pw", "pw", false}).allSucceeded());
        ui.messages.clear();
        return out;
    }

    test::TempDir dir;
    test::ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    test::ScriptedUserInterface ui;
    CipherSuite suite;
};

}  // namespace

TEST_F(EncryptedArchiveTest, OpenListsEveryEntryInArchiveOrder)
{
    const std::string p = archive({make("photos/a.jpg", "12345"), make("docs/b.txt", "1234567890")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));
    EXPECT_EQ(window.kind(), EncryptedArchive::Kind::Archive);
    EXPECT_EQ(window.closeCaption(), "Close");
    EXPECT_EQ(window.destinationText(), dir.path());
    ASSERT_EQ(window.rows().size(), 2u);
    const ArchiveRow& first = window.rows()[0];
    EXPECT_EQ(first.name, "a.jpg");
    EXPECT_EQ(first.modified, "0/1/1980 12:00 AM");
    EXPECT_EQ(first.size, "5");
    EXPECT_EQ(first.path, "photos/");
    EXPECT_EQ(first.entry, "photos/a.jpg");
    EXPECT_EQ(window.rows()[1].entry, "docs/b.txt");
    EXPECT_EQ(window.rows()[1].size, "10");
    EXPECT_THAT(ui.statuses, ElementsAre("Please wait, decrypting......", ""));

    // The decrypted archive is private and lives as long as the window.
    struct stat info {};
    ASSERT_EQ(::stat(window.temporaryZip().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::filesystem::path(window.temporaryZip()).parent_path(), dir.file("tmp"));
    window.close();
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

TEST_F(EncryptedArchiveTest, SelectedRowsExtractTheirOwnEntries)
{
    const std::string p = archive({make("photos/a.jpg", "picture"), make("docs/a.jpg", "document")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));

    // Rows are addressed by insertion index: the second row is docs/a.jpg
    // whatever order the list shows.
    EXPECT_TRUE(window.extractSelected({1}, dir.file("out"), true).allSucceeded());
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("docs"));
    EXPECT_EQ(readFile(dir.file("out/docs/a.jpg")), "document");

    // Without the folders both land as a.jpg, the later one winning.
    std::filesystem::create_directories(dir.file("flat"));
    EXPECT_TRUE(window.extractAll(dir.file("flat"), false).allSucceeded());
    EXPECT_THAT(listFolder(dir.file("flat")), ElementsAre("a.jpg"));
    EXPECT_EQ(readFile(dir.file("flat/a.jpg")), "document");

    // A text ending in ".vkf" stands for its folder; missing folders are made.
    EXPECT_TRUE(window.extractAll(dir.file("new/place/x.vkf"), true).allSucceeded());
    EXPECT_EQ(readFile(dir.file("new/place/photos/a.jpg")), "picture");
    EXPECT_THAT(ui.texts(), IsEmpty());
}

TEST_F(EncryptedArchiveTest, ExtractionChecksComeFirst)
{
    const std::string p = archive({make("photos/a.jpg", "picture")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));

    EXPECT_FALSE(window.extractAll("", true).allSucceeded());
    EXPECT_FALSE(window.extractAll("nofolder.vkf", true).allSucceeded());
    EXPECT_FALSE(window.extractSelected({}, dir.file("out"), true).allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("You have not select the path for the file(s).",
                                        "You have not select the path for the file(s).",
                                        "You have not select any files!"));

    ui.messages.clear();
    ASSERT_EQ(::unlink(window.temporaryZip().c_str()), 0);
    EXPECT_FALSE(window.extractAll(dir.file("out"), true).allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("Zip File Does Not Exist At Specified Location"));
    EXPECT_THAT(listFolder(dir.file("out")), IsEmpty());
}

TEST_F(EncryptedArchiveTest, ExtractionFailuresAreReportedByFile)
{
    const std::string p = archive({make("photos/a.jpg", "picture")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));
    // A file where the entry's folder should be: the entry cannot be created.
    writeFile(dir.file("out/photos"), "in the way");
    const RunReport report = window.extractAll(dir.file("out"), true);
    EXPECT_FALSE(report.allSucceeded());
    ASSERT_EQ(ui.texts().size(), 1u);
    EXPECT_THAT(ui.texts()[0], HasSubstr("Not every file could be extracted to " + dir.file("out")));
    EXPECT_THAT(ui.texts()[0], HasSubstr("photos/a.jpg Could Not be Created"));
}

TEST_F(EncryptedArchiveTest, WrongPasswordOrDamageShowsNothingAndLeavesNothing)
{
    const std::string p = archive({make("photos/a.jpg", "picture worth zipping")});
    ui.password = "wrong";
    EncryptedArchive window(ui, suite.table);
    EXPECT_FALSE(window.open(p));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr(p + " was not opened: wrong password or damaged archive"),
                                        "File Info Could not be Retrieved"));
    EXPECT_THAT(window.rows(), IsEmpty());
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());

    // Missing, empty and cancelled: a message, or for a cancel nothing.
    ui.messages.clear();
    ui.password = "pw";
    EXPECT_FALSE(window.open(dir.file("missing.vkf")));
    EXPECT_FALSE(window.open(make("empty.vkf", "")));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr(dir.file("missing.vkf") + " cannot be opened"),
                                        HasSubstr(dir.file("empty.vkf") + " cannot be opened")));
    ui.messages.clear();
    ui.password.reset();
    EXPECT_FALSE(window.open(p));
    EXPECT_THAT(ui.texts(), IsEmpty());
    EXPECT_THAT(listFolder(dir.file("tmp")), IsEmpty());
}

TEST_F(EncryptedArchiveTest, TwoWindowsNeverShareATemporaryZip)
{
    const std::string p = archive({make("photos/a.jpg", "picture")});
    EncryptedArchive first(ui, suite.table);
    EncryptedArchive second(ui, suite.table);
    ASSERT_TRUE(first.open(p));
    ASSERT_TRUE(second.open(p));
    EXPECT_NE(first.temporaryZip(), second.temporaryZip());
    second.close();
    EXPECT_TRUE(first.extractAll(dir.file("out"), true).allSucceeded());
}

TEST_F(EncryptedArchiveTest, SingleFileShowsOneRowAndDecryptsIntoItsTarget)
{
    std::string bytes = suite.EncryptRC4.EncryptString("plain text", "pw");
    const vkf::TrailerBytes trailer = vkf::encodeTrailer(".txt", 1);
    bytes.append(trailer.begin(), trailer.end());
    const std::string p = make("notes.v1.vkf", bytes);

    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));
    EXPECT_EQ(window.kind(), EncryptedArchive::Kind::SingleFile);
    EXPECT_EQ(window.closeCaption(), "Decrypt");
    ASSERT_EQ(window.rows().size(), 1u);
    EXPECT_EQ(window.rows()[0].name, p);
    // The name up to its last "." followed by the stored type.
    EXPECT_EQ(window.destinationText(), dir.file("notes.v1.txt"));
    EXPECT_TRUE(window.temporaryZip().empty());

    EXPECT_TRUE(window.decryptSingleFile(window.destinationText()).allSucceeded());
    EXPECT_EQ(readFile(dir.file("notes.v1.txt")), "plain text");
    EXPECT_THAT(ui.texts(), ElementsAre("File " + p + "\r\nhas been decrypted as " + dir.file("notes.v1.txt")));
    EXPECT_FALSE(window.decryptSingleFile(p).allSucceeded());  // never over the container
    EXPECT_EQ(readFile(p), bytes);
}

TEST(DestinationRule, VkfTextStandsForItsFolder)
{
    EXPECT_EQ(destinationFolder("/home/u/x.vkf"), "/home/u");
    EXPECT_EQ(destinationFolder("/home/u/x.VKF"), "/home/u/x.VKF");
    EXPECT_EQ(destinationFolder("/home/u/out"), "/home/u/out");
    EXPECT_EQ(destinationFolder("x.vkf"), "");
}

TEST_F(EncryptedArchiveTest, DecryptAllShowsTheFileInHandUpToTheLast)
{
    const std::string p = archive({make("photos/a.jpg", "picture"), make("docs/b.txt", "document")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));
    ui.progressShown.clear();
    EXPECT_TRUE(window.extractAll(dir.file("out"), true).allSucceeded());
    ASSERT_FALSE(ui.progressShown.empty());
    EXPECT_EQ(ui.progressShown.front(), std::make_pair(50, std::string("photos/a.jpg")));
    EXPECT_EQ(ui.progressShown.back(), std::make_pair(100, std::string("docs/b.txt")));
}

TEST_F(EncryptedArchiveTest, CancelStopsBetweenSelectedEntries)
{
    const std::string p = archive({make("photos/a.jpg", "picture"), make("docs/b.txt", "document")});
    EncryptedArchive window(ui, suite.table);
    ASSERT_TRUE(window.open(p));
    ui.progressEvents = 0;
    ui.cancelAfterProgressEvents = 2;
    window.extractSelected({0, 1}, dir.file("out"), true);
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("photos"));
}
