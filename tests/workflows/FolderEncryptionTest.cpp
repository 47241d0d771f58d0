// The folder panel's three steps with the real zip control: the archive's
// entry names, the step guards and their messages, and what is left on disk
// when a step fails.
#include "CipherSuite.h"
#include "EncryptedArchive.h"
#include "FolderEncryption.h"
#include "KompakClient.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

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

class FolderEncryptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("data/photos/a"));
        std::filesystem::create_directories(dir.file("data/photos/b"));
        std::filesystem::create_directories(dir.file("tmp"));
        writeFile(dir.file("data/photos/a/x.txt"), "in a");
        writeFile(dir.file("data/photos/b/x.txt"), "in b");
        writeFile(dir.file("data/photos/top.txt"), "at the top");
        ui.password = "pw";
    }
    // The stored names of a container, through the archive window's logic.
    std::vector<std::string> entriesOf(const std::string& container)
    {
        EncryptedArchive archive(ui, suite.table);
        std::vector<std::string> names;
        if (archive.open(container))
            for (const ArchiveRow& row : archive.rows())
                names.push_back(row.entry);
        return names;
    }

    test::TempDir dir;
    test::ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    test::ScriptedUserInterface ui;
    CipherSuite suite;
    std::unique_ptr<KompakClient> myKompak = makeKompakClient(ui);
    FolderEncryption panel{ui, suite.table, *myKompak};
};

}  // namespace

TEST_F(FolderEncryptionTest, ThreeStepsMakeAnArchiveNamedFromTheFolderDown)
{
    const std::string out = dir.file("photos.vkf");
    ASSERT_TRUE(panel.chooseOutput(out));
    EXPECT_TRUE(panel.zipOpen());
    // The open archive is private while it waits beside the output.
    int temporaries = 0;
    for (const std::string& name : listFolder(dir.path())) {
        if (name.find(".vctmp-") == std::string::npos)
            continue;
        ++temporaries;
        struct stat info {};
        ASSERT_EQ(::stat(dir.file(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
    EXPECT_EQ(temporaries, 2);

    ASSERT_TRUE(panel.create(dir.file("data/photos")));
    EXPECT_TRUE(panel.zipped());
    const RunReport report = panel.encrypt("  pw  ", "  pw  ");
    EXPECT_TRUE(report.allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("Encrypt succeed!"));
    const std::string bytes = readFile(out);
    EXPECT_EQ(bytes.substr(bytes.size() - 9), std::string(".zip1  \xFF\xFF", 9));
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("data", "photos.vkf", "tmp"));

    // The blanks around the password were dropped; the subfolders' files
    // come before the folder's own.
    EXPECT_THAT(entriesOf(out), ElementsAre("photos/a/x.txt", "photos/b/x.txt", "photos/top.txt"));
}

TEST_F(FolderEncryptionTest, StepsOutOfOrderAreGuarded)
{
    EXPECT_FALSE(panel.create(dir.file("data/photos")));
    EXPECT_THAT(ui.texts(), ElementsAre("You must open a new zip file first"));

    ui.messages.clear();
    EXPECT_FALSE(panel.encrypt("pw", "pw").allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("Please select browse button to choose a new destination for the file! "));

    ui.messages.clear();
    ASSERT_TRUE(panel.chooseOutput(dir.file("out.vkf")));
    EXPECT_FALSE(panel.encrypt("pw", "pw").allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("press \"Create\" first")));

    // Two different passwords or none: nothing happens, nothing is shown.
    ASSERT_TRUE(panel.create(dir.file("data/photos")));
    ui.messages.clear();
    EXPECT_EQ(panel.encrypt("pw", "other").outcome, RunReport::Outcome::Refused);
    EXPECT_EQ(panel.encrypt("", "").outcome, RunReport::Outcome::Refused);
    EXPECT_FALSE(panel.encrypt("   ", "   ").allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("blanks only")));
    EXPECT_FALSE(fileExists(dir.file("out.vkf")));

    // The archive is still there to be encrypted.
    EXPECT_TRUE(panel.encrypt("pw", "pw").allSucceeded());
}

TEST_F(FolderEncryptionTest, UnreadableFilesAreNamedAndTheRestIsArchived)
{
    ASSERT_EQ(::mkfifo(dir.file("data/photos/b/pipe").c_str(), 0644), 0);
    const std::string out = dir.file("photos.vkf");
    ASSERT_TRUE(panel.chooseOutput(out));
    ASSERT_TRUE(panel.create(dir.file("data/photos")));
    EXPECT_THAT(panel.leftOut(), HasSubstr(dir.file("data/photos/b/pipe") + " could not be read"));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("Some files of " + dir.file("data/photos") + " were left out")));
    ASSERT_TRUE(panel.encrypt("pw", "pw").allSucceeded());
    EXPECT_THAT(entriesOf(out), ElementsAre("photos/a/x.txt", "photos/b/x.txt", "photos/top.txt"));
}

TEST_F(FolderEncryptionTest, FailedStepsLeaveNoTemporaryFileAndNoOutput)
{
    // The output's folder does not exist.
    EXPECT_FALSE(panel.chooseOutput(dir.file("missing/out.vkf")));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("its folder " + dir.file("missing") + " does not exist")));

    // The folder vanished after it was chosen.
    ui.messages.clear();
    ASSERT_TRUE(panel.chooseOutput(dir.file("out.vkf")));
    EXPECT_FALSE(panel.create(dir.file("data/gone")));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("The folder " + dir.file("data/gone") + " was not archived")));

    // A folder with nothing in it would make an archive that never opens.
    ui.messages.clear();
    std::filesystem::create_directories(dir.file("data/empty/sub"));
    ASSERT_TRUE(panel.chooseOutput(dir.file("out.vkf")));
    EXPECT_FALSE(panel.create(dir.file("data/empty")));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("holds no file")));

    EXPECT_THAT(listFolder(dir.path()), ElementsAre("data", "tmp"));
}

TEST_F(FolderEncryptionTest, OutputInsideTheFolderIsNotArchivedIntoItself)
{
    const std::string out = dir.file("data/photos/self.vkf");
    ASSERT_TRUE(panel.chooseOutput(out));
    ASSERT_TRUE(panel.create(dir.file("data/photos")));
    EXPECT_TRUE(panel.leftOut().empty()) << panel.leftOut();
    ASSERT_TRUE(panel.encrypt("pw", "pw").allSucceeded());
    EXPECT_THAT(entriesOf(out), ElementsAre("photos/a/x.txt", "photos/b/x.txt", "photos/top.txt"));
}

TEST_F(FolderEncryptionTest, ChoosingAgainOrLeavingRemovesTheOpenArchive)
{
    {
        FolderEncryption other(ui, suite.table, *myKompak);
        ASSERT_TRUE(other.chooseOutput(dir.file("first.vkf")));
        ASSERT_TRUE(other.chooseOutput(dir.file("second.vkf")));
        // The second output's reserved name and the archive the control fills.
        EXPECT_EQ(listFolder(dir.path()).size(), 4u);
    }
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("data", "tmp"));
}

TEST_F(FolderEncryptionTest, AStoppedOrFailedEncryptionLeavesTheArchiveForAnotherTry)
{
    // Large enough for several chunks to be encrypted in place before the stop.
    const std::string noise = test::randomBytes(300 << 10, 7);
    writeFile(dir.file("data/photos/noise.bin"), noise);
    const std::string out = dir.file("photos.vkf");
    ASSERT_TRUE(panel.chooseOutput(out));
    ASSERT_TRUE(panel.create(dir.file("data/photos")));

    ui.cancelAfterProgressEvents = 60;
    EXPECT_EQ(panel.encrypt("pw", "pw").outcome, RunReport::Outcome::Cancelled);
    ui.cancelAfterProgressEvents = -1;
    // The output's name is taken by a folder only when the container is
    // complete, at the rename.
    std::filesystem::create_directory(out);
    EXPECT_EQ(panel.encrypt("pw", "pw").outcome, RunReport::Outcome::Refused);
    EXPECT_TRUE(panel.zipped());
    std::filesystem::remove(out);

    ui.messages.clear();
    EXPECT_TRUE(panel.encrypt("pw", "pw").allSucceeded());
    EXPECT_THAT(ui.texts(), ElementsAre("Encrypt succeed!"));
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("data", "photos.vkf", "tmp"));
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666u & ~mask);
    EXPECT_THAT(entriesOf(out),
                ElementsAre("photos/a/x.txt", "photos/b/x.txt", "photos/noise.bin", "photos/top.txt"));
    ui.messages.clear();
    EncryptedArchive archive(ui, suite.table);
    ASSERT_TRUE(archive.open(out));
    ASSERT_TRUE(archive.extractAll(dir.file("back"), true).allSucceeded());
    EXPECT_EQ(readFile(dir.file("back/photos/noise.bin")), noise);
}
