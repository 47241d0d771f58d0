#include "CipherSuite.h"
#include "DecryptionRun.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veilcraft;
using test::fileExists;
using test::readFile;
using test::writeFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class DecryptionRunTest : public ::testing::Test {
protected:
    // A container as the encryption run writes it, with any content type.
    std::string container(const std::string& name, const std::string& content, std::string_view contentType,
                          int cipher = 1, const std::string& password = "pw")
    {
        clsRC4 rc4;
        std::string bytes = rc4.EncryptString(content, password);
        const vkf::TrailerBytes trailer = vkf::encodeTrailer(contentType, cipher);
        bytes.append(trailer.begin(), trailer.end());
        writeFile(dir.file(name), bytes);
        return dir.file(name);
    }
    RunReport run(const std::vector<std::string>& containers)
    {
        return DecryptionRun(ui, suite.table).run(containers);
    }

    test::TempDir dir;
    test::ScriptedUserInterface ui;
    CipherSuite suite;

    void SetUp() override { ui.password = "pw"; }
};

}  // namespace

TEST_F(DecryptionRunTest, DecryptsNextToTheContainerUnderTheStoredType)
{
    const std::string p = container("notes.vkf", "secret text", ".txt");
    const auto report = run({p});
    EXPECT_TRUE(report.allSucceeded());
    EXPECT_EQ(readFile(dir.file("notes.txt")), "secret text");
    EXPECT_THAT(ui.texts(), ElementsAre("File " + p + "\r\nhas been decrypted as " + dir.file("notes.txt")));
    EXPECT_EQ(ui.messages[0].title, "");
    EXPECT_THAT(ui.statuses, ElementsAre("File, " + p + " has been decrypted as " + dir.file("notes.txt")));
    // The container itself is never changed.
    EXPECT_EQ(readFile(p).size(), 11u + 9u);
}

// The base is cut at the first dot of the file name, not of the folder.
TEST_F(DecryptionRunTest, BaseIsCutAtTheFileNamesFirstDot)
{
    ASSERT_EQ(::mkdir(dir.file("my.files").c_str(), 0755), 0);
    container("my.files/notes.vkf", "a", ".txt");
    container("my.files/README.vkf", "b", "ADME");
    EXPECT_TRUE(run({dir.file("my.files/notes.vkf"), dir.file("my.files/README.vkf")}).allSucceeded());
    EXPECT_EQ(readFile(dir.file("my.files/notes.txt")), "a");
    EXPECT_EQ(readFile(dir.file("my.files/READMEADME")), "b");
}

TEST_F(DecryptionRunTest, EmptyListAndCancelledPasswordDoNothing)
{
    EXPECT_EQ(run({}).outcome, RunReport::Outcome::Refused);
    EXPECT_THAT(ui.texts(), ElementsAre("You have not select any files!"));
    EXPECT_EQ(ui.passwordRequests, 0);

    const std::string p = container("notes.vkf", "x", ".txt");
    ui.password.reset();
    EXPECT_EQ(run({p}).outcome, RunReport::Outcome::Refused);
    EXPECT_FALSE(fileExists(dir.file("notes.txt")));
}

// A name that does not end in ".vkf" stops the run; later entries wait.
TEST_F(DecryptionRunTest, NonEncryptedNameStopsTheRun)
{
    const std::string first = container("a.vkf", "1", ".txt");
    const std::string upper = container("B.VKF", "2", ".txt");
    const std::string later = container("c.vkf", "3", ".txt");
    const auto report = run({first, upper, later});
    EXPECT_EQ(report.outcome, RunReport::Outcome::Stopped);
    EXPECT_TRUE(fileExists(dir.file("a.txt")));
    EXPECT_FALSE(fileExists(dir.file("c.txt")));
    EXPECT_EQ(ui.texts().back(), upper + " was not be encrypted, please select the encrypted file again!");
}

// The stored cipher number is selected, but RC4 decrypts every payload;
// a number outside the list leaves the selection alone.
TEST_F(DecryptionRunTest, CipherNumberSelectsButRc4Decrypts)
{
    const std::string zero = container("zero.vkf", "from blowfish entry", ".txt", 0);
    EXPECT_TRUE(run({zero}).allSucceeded());
    EXPECT_EQ(suite.table.selectedPosition(), 0);
    EXPECT_EQ(readFile(dir.file("zero.txt")), "from blowfish entry");

    const std::string odd = container("odd.vkf", "still rc4", ".txt", 7);
    EXPECT_TRUE(run({odd}).allSucceeded());
    EXPECT_EQ(suite.table.selectedPosition(), 0);
    EXPECT_EQ(readFile(dir.file("odd.txt")), "still rc4");
}

// Damaged containers are reported by name and leave no target behind.
TEST_F(DecryptionRunTest, DamagedContainersAreReported)
{
    writeFile(dir.file("short.vkf"), std::string("abc"));
    writeFile(dir.file("bare.vkf"), std::string(".txt1  \xFF\xFF", 9));
    const std::string nul = container("nul.vkf", "data", std::string("a\0bc", 4));
    const std::string self = container("self.vkf", "data", ".vkf");
    const std::string archive = container("arch.vkf", "PK", ".zip");
    const auto report =
        run({dir.file("short.vkf"), dir.file("missing.vkf"), dir.file("bare.vkf"), nul, self, archive});
    EXPECT_EQ(report.count, 0);
    ASSERT_EQ(report.failures.size(), 6u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("too short"));
    EXPECT_THAT(report.failures[2].cause, HasSubstr("no encrypted data"));
    EXPECT_THAT(report.failures[3].cause, HasSubstr("damaged"));
    EXPECT_THAT(report.failures[4].cause, HasSubstr("the encrypted file itself"));
    EXPECT_THAT(report.failures[5].cause, HasSubstr("archive"));
    // The container that named itself as target is intact.
    EXPECT_EQ(readFile(self).size(), 4u + 9u);
    EXPECT_THAT(test::listFolder(dir.path()),
                ElementsAre("arch.vkf", "bare.vkf", "nul.vkf", "self.vkf", "short.vkf"));
    for (const auto& shown : ui.messages)
        EXPECT_EQ(shown.icon, UserInterface::Icon::Critical);
}

// The stored type comes from the file and may be crafted: one holding a
// separator would place the target elsewhere than beside the container
// (".vkf" holding "../x" wrote x into the folder above).
TEST_F(DecryptionRunTest, StoredTypeWithASeparatorIsRefusedByName)
{
    ASSERT_EQ(::mkdir(dir.file("in").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("in/a").c_str(), 0755), 0);
    const std::string escape = container("in/.vkf", "planted", "../x");
    const std::string backslash = container("in/a.vkf", "int main;", "\\a.c");
    const RunReport report = run({escape, backslash});
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_THAT(report.failures[0].cause, HasSubstr("\"../x\""));
    EXPECT_THAT(report.failures[1].cause, HasSubstr("\"\\a.c\""));
    EXPECT_FALSE(fileExists(dir.file("x")));
    EXPECT_FALSE(fileExists(dir.file("in/a/a.c")));
}
