// The shred command in-process: its question, flags, messages, exit codes and
// what is left on disk.
#include "Cli.h"
#include "TempDir.h"
#include "TerminalUserInterface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using ::testing::HasSubstr;
using veilcraft::test::fileExists;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

struct Result {
    int code;
    std::string err;
};

Result shred(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "shred");
    std::istringstream in("y\n");  // never read: this is not a terminal
    std::ostringstream out;
    std::ostringstream err;
    const int code = veilcraft::cli::runCli(arguments, in, out, err);
    return {code, err.str()};
}

TEST(ShredCommand, YesDestroysRelativePathsAndExitsZero)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "secret");
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const Result result = shred({"--passes", "2", "--yes", "a.txt"});
    std::filesystem::current_path(saved);

    EXPECT_EQ(result.code, 0);
    EXPECT_FALSE(fileExists(dir.file("a.txt")));
    EXPECT_THAT(result.err, HasSubstr("File has been destroyed"));
}

TEST(ShredCommand, WithoutYesAndNoTerminalNothingIsDestroyed)
{
    TempDir dir;
    writeFile(dir.file("a"), "secret");
    const Result result = shred({dir.file("a")});
    EXPECT_EQ(result.code, 2);
    EXPECT_THAT(result.err, HasSubstr("--yes"));
    EXPECT_EQ(readFile(dir.file("a")), "secret");
}

TEST(ShredCommand, BadPassCountOrMissingFileFails)
{
    TempDir dir;
    writeFile(dir.file("a"), "secret");
    const Result zero = shred({"--passes", "0", "--yes", dir.file("a")});
    EXPECT_EQ(zero.code, 1);
    EXPECT_THAT(zero.err, HasSubstr("from 1 to 32767"));
    EXPECT_EQ(readFile(dir.file("a")), "secret");

    const Result missing = shred({"--yes", dir.file("missing")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.err, HasSubstr("The File can not be destroyed!\n" + dir.file("missing")));

    EXPECT_EQ(shred({"--yes"}).code, 2);
}

TEST(ShredCommand, TerminalAnswersOnlyYesConfirms)
{
    using veilcraft::UserInterface;
    std::istringstream typed("y\nn\n\n");
    std::ostringstream err;
    const veilcraft::cli::PasswordSource passwords(std::nullopt, typed, err);
    veilcraft::cli::TerminalUserInterface ui(err, passwords);
    ui.setTerminalAnswers(&typed);
    const auto ask = [&] { return ui.message("Sure?", "Last chance", UserInterface::Buttons::YesNo, {}); };
    EXPECT_EQ(ask(), UserInterface::Answer::Yes);
    EXPECT_EQ(ask(), UserInterface::Answer::No);
    EXPECT_EQ(ask(), UserInterface::Answer::No);
    EXPECT_EQ(ask(), UserInterface::Answer::No);  // end of input
    EXPECT_THAT(err.str(), HasSubstr("Sure? [y/N] "));
}

}  // namespace
