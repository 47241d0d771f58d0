// The default settings file: its byte layout, and what reading makes of
// missing, short and damaged files.
#include "DefaultConfig.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace veilcraft;
using State = DefaultConfigRead::State;

namespace {

// One stored field: 16-bit little-endian count, then the bytes.
std::string field(const std::string& latin1)
{
    return std::string{static_cast<char>(latin1.size() & 0xFF), static_cast<char>(latin1.size() >> 8)} + latin1;
}

class DefaultConfigTest : public ::testing::Test {
protected:
    test::TempDir folder;
    std::string path = folder.file("Cfgdefault.cfg");
};

} // namespace

TEST_F(DefaultConfigTest, WritesTheLatin1LayoutAndReadsItBack)
{
    const DefaultConfig saved{"RC4", "/home/zo\u00eb/out", "1", "", "x"};
    ASSERT_EQ(writeDefaultConfig(path, saved), std::nullopt);
    EXPECT_EQ(test::readFile(path), field("RC4") + field("/home/zo\xeb/out") + field("1") + field("") + field("x"));

    const DefaultConfigRead read = readDefaultConfig(path);
    EXPECT_EQ(read.state, State::Complete);
    EXPECT_EQ(read.wholeFields, 5);
    EXPECT_EQ(read.record, saved);
    EXPECT_TRUE(read.problem.empty());

    // A count above 255 uses both bytes; field 1 may be empty.
    const DefaultConfig wide{"", std::string(300, 'a'), "0", "", ""};
    ASSERT_EQ(writeDefaultConfig(path, wide), std::nullopt);
    EXPECT_EQ(test::readFile(path).substr(2, 2), std::string("\x2c\x01", 2));
    EXPECT_EQ(readDefaultConfig(path).record, wide);
}

TEST_F(DefaultConfigTest, MissingFileIsCreatedEmptyAndMeansNothingSaved)
{
    const std::string nested = folder.file("config/veilcraft/Cfgdefault.cfg");
    const DefaultConfigRead read = readDefaultConfig(nested);
    EXPECT_EQ(read.state, State::Empty);
    EXPECT_EQ(read.record, DefaultConfig{});
    ASSERT_TRUE(test::fileExists(nested));
    EXPECT_EQ(test::readFile(nested), "");
    EXPECT_EQ(readDefaultConfig(nested).state, State::Empty);
}

TEST_F(DefaultConfigTest, ShortFilesAreReadAsFarAsTheyGoAndReportedDamaged)
{
    const std::string whole = field("RC4") + field("/data") + field("1") + field("") + field("");
    const std::size_t ends[] = {5, 12, 15, 17, 19}; // where each field ends
    for (std::size_t length = 1; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        test::writeFile(path, whole.substr(0, length));
        const DefaultConfigRead read = readDefaultConfig(path);
        int expected = 0;
        while (expected < 5 && ends[expected] <= length)
            ++expected;
        EXPECT_EQ(read.state, State::Damaged);
        EXPECT_EQ(read.wholeFields, expected);
        EXPECT_EQ(read.record.algorithm, expected >= 1 ? "RC4" : "");
        EXPECT_EQ(read.record.saveTo, expected >= 2 ? "/data" : "");
        EXPECT_EQ(read.record.lockFlag, expected >= 3 ? "1" : "");
        EXPECT_NE(read.problem.find("is damaged"), std::string::npos);
        EXPECT_NE(read.problem.find(path), std::string::npos);
    }
    // Bytes after the record are not part of it.
    test::writeFile(path, whole + "trailing");
    EXPECT_EQ(readDefaultConfig(path).state, State::Complete);
}

TEST_F(DefaultConfigTest, CountPastTheEndOfTheFileKeepsOnlyTheWholeFields)
{
    test::writeFile(path, field("RC4") + std::string("\xff\xff/dat", 6));
    const DefaultConfigRead read = readDefaultConfig(path);
    EXPECT_EQ(read.state, State::Damaged);
    EXPECT_EQ(read.wholeFields, 1);
    EXPECT_EQ(read.record, (DefaultConfig{"RC4", "", "", "", ""}));
}

TEST_F(DefaultConfigTest, UnreadableFileIsReportedNotTakenAsEmpty)
{
    std::filesystem::create_directory(path);
    const DefaultConfigRead read = readDefaultConfig(path);
    EXPECT_EQ(read.state, State::Unreadable);
    EXPECT_NE(read.problem.find("cannot be read"), std::string::npos);
}

TEST_F(DefaultConfigTest, TextsTheFileCannotHoldAreRefusedAndTheOldFileKept)
{
    const std::string nested = folder.file("new/veilcraft/Cfgdefault.cfg");
    ASSERT_EQ(writeDefaultConfig(nested, {"RC4", "/old", "0", "", ""}), std::nullopt);
    const std::string before = test::readFile(nested);

    const std::optional<std::string> outside = writeDefaultConfig(nested, {"RC4", "/home/\u65e5\u672c", "0", "", ""});
    ASSERT_TRUE(outside);
    EXPECT_NE(outside->find("The destination folder contains the character"), std::string::npos);
    const std::optional<std::string> tooLong =
        writeDefaultConfig(nested, {"RC4", std::string(65536, 'a'), "0", "", ""});
    ASSERT_TRUE(tooLong);
    EXPECT_NE(tooLong->find("too long"), std::string::npos);

    EXPECT_EQ(test::readFile(nested), before);
    EXPECT_EQ(test::listFolder(folder.file("new/veilcraft")), std::vector<std::string>{"Cfgdefault.cfg"});
}

TEST(DefaultConfigPath, FollowsXdgConfigHomeElseHome)
{
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultConfigPath(), config + "/veilcraft/Cfgdefault.cfg");
    // A relative XDG_CONFIG_HOME must be ignored.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    const std::string fallback = defaultConfigPath();
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(fallback, std::string(std::getenv("HOME")) + "/.config/veilcraft/Cfgdefault.cfg");
}
