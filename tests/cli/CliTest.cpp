// Tests of the veilcraft command: in-process through runCli for exact
// messages, exit codes and the files left on disk, and through the built
// program as a child process for what only the real executable does (its
// environment, its standard streams, no terminal).
#include "Cli.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using veilcraft::test::fileExists;
using veilcraft::test::listFolder;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::ScopedEnv;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

constexpr const char* kPassword = "correct horse";

// ---------------------------------------------------------------------------
// Helpers

struct CliResult {
    int code;
    std::string out;
    std::string err;
};

CliResult runVeilcraft(const std::vector<std::string>& arguments, const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int code = veilcraft::cli::runCli(arguments, in, out, err);
    return {code, out.str(), err.str()};
}

// Changes the current folder for its lifetime.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::string& folder) : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~ScopedCurrentFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(saved_, ignored);
    }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    std::filesystem::path saved_;
};

// RC4 as published, written independently of the engine under test.
std::string referenceRc4(const std::string& key, const std::string& data)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (unsigned i = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::string out = data;
    unsigned i = 0;
    j = 0;
    for (char& c : out) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        c = static_cast<char>(static_cast<unsigned char>(c) ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

// Standard Base64 with "=" padding, written independently of the codec under test.
std::string referenceBase64(const std::string& data)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                           (static_cast<unsigned char>(data[i + 1]) << 8) | static_cast<unsigned char>(data[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (data.size() - i == 1) {
        const unsigned v = static_cast<unsigned char>(data[i]) << 16;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += "==";
    } else if (data.size() - i == 2) {
        const unsigned v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

// The 9-byte trailer: 4 content-type bytes, the cipher number left-aligned in
// 3 bytes, then FF FF.
std::string trailer(const std::string& contentType, const std::string& cipherField)
{
    return contentType + cipherField + "\xFF\xFF";
}

std::string lastBytes(const std::string& data, std::size_t count)
{
    return data.size() < count ? data : data.substr(data.size() - count);
}

std::string successText(const std::string& folder, int count)
{
    return "Encryption success! The encrypted file(s) have been saved to " + folder + "(" + std::to_string(count) +
           " file(s))!\n";
}

std::string decryptedText(const std::string& container, const std::string& target)
{
    return "File " + container + "\r\nhas been decrypted as " + target + "\n";
}

std::vector<std::string> names(std::initializer_list<const char*> list)
{
    return {list.begin(), list.end()};
}

// Every in-process test works in its own folder with a password in the
// environment, as a user who exported VEILCRAFT_PASSWORD would.
class CliFixture : public ::testing::Test {
protected:
    // Canonical, because the command makes relative paths absolute against
    // the current folder, which the system reports without symbolic links.
    std::string at(const std::string& name) const { return root + "/" + name; }

    TempDir dir;
    std::string root = std::filesystem::canonical(dir.path()).string();
    ScopedEnv password{"VEILCRAFT_PASSWORD", std::string(kPassword)};
};

class CliEncrypt : public CliFixture {};
class CliPassword : public CliFixture {};
class CliDecrypt : public CliFixture {};
class CliBase64 : public CliFixture {};
class CliCipher : public CliFixture {};
class CliUsage : public CliFixture {};
class CliProgram : public CliFixture {};

// ---------------------------------------------------------------------------
// encrypt

// Catches a wrong container layout: payload length, trailer bytes, the cipher
// number of the default selection (RC4 = 1), and a payload that is not plain
// RC4 under the password's bytes.
TEST_F(CliEncrypt, OneFileBecomesRc4PayloadFollowedByTrailer)
{
    const std::string content = randomBytes(100, 1);
    writeFile(at("notes.txt"), content);

    const CliResult result = runVeilcraft({"encrypt", at("notes.txt")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, successText(root, 1));
    EXPECT_THAT(result.out, IsEmpty());
    const std::string container = readFile(at("notes.vkf"));
    ASSERT_EQ(container.size(), 109u);
    EXPECT_EQ(lastBytes(container, 9), trailer(".txt", "1  "));
    EXPECT_EQ(container.substr(0, 100), referenceRc4(kPassword, content));
    EXPECT_EQ(readFile(at("notes.txt")), content) << "the source must stay without --remove-sources";
    EXPECT_EQ(listFolder(root), names({"notes.txt", "notes.vkf"})) << "no temporary file may be left";

    // RC4 has no random part: a second run replaces the file with the same bytes.
    ASSERT_EQ(runVeilcraft({"encrypt", "--overwrite", at("notes.txt")}).code, 0);
    EXPECT_EQ(readFile(at("notes.vkf")), container);
}

// Catches "Blowfish" running the Blowfish engine, or the choice not being
// recorded: only the cipher number differs between the two selections.
TEST_F(CliEncrypt, CipherChoiceOnlyChangesTheRecordedCipherNumber)
{
    const std::string content = randomBytes(4000, 2);
    writeFile(at("notes.txt"), content);
    std::filesystem::create_directory(at("bf"));
    std::filesystem::create_directory(at("rc4"));

    const CliResult blowfish = runVeilcraft({"encrypt", "--cipher", "Blowfish", "--dest", at("bf"), at("notes.txt")});
    const CliResult rc4 = runVeilcraft({"encrypt", "--cipher=RC4", "--dest", at("rc4"), at("notes.txt")});

    ASSERT_EQ(blowfish.code, 0) << blowfish.err;
    ASSERT_EQ(rc4.code, 0) << rc4.err;
    const std::string bf = readFile(at("bf/notes.vkf"));
    const std::string rc = readFile(at("rc4/notes.vkf"));
    ASSERT_EQ(bf.size(), content.size() + 9);
    ASSERT_EQ(rc.size(), content.size() + 9);
    EXPECT_EQ(lastBytes(bf, 9), trailer(".txt", "0  "));
    EXPECT_EQ(lastBytes(rc, 9), trailer(".txt", "1  "));
    EXPECT_EQ(bf.substr(0, content.size()), rc.substr(0, content.size()));
    EXPECT_EQ(bf.substr(0, content.size()), referenceRc4(kPassword, content));
}

// Catches a wrong count, a missing folder name or extra text in the success
// message, and outputs not landing in --dest.
TEST_F(CliEncrypt, SuccessMessageNamesDestinationAndCount)
{
    std::filesystem::create_directory(at("out"));
    for (const char* name : {"a.txt", "b.jpeg", "c.tar.gz"})
        writeFile(at(name), std::string("content of ") + name);

    const CliResult result = runVeilcraft({"encrypt", "--dest", at("out"), at("a.txt"), at("b.jpeg"), at("c.tar.gz")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, successText(at("out"), 3));
    EXPECT_EQ(listFolder(at("out")), names({"a.vkf", "b.vkf", "c.vkf"}));
    EXPECT_EQ(lastBytes(readFile(at("out/b.vkf")), 9), trailer("jpeg", "1  "));
    EXPECT_EQ(lastBytes(readFile(at("out/c.vkf")), 9), trailer("r.gz", "1  "));
}

// Catches writing every output into one folder (the first source's or the
// current one) when no --dest is given.
TEST_F(CliEncrypt, WithoutDestEachOutputGoesBesideItsSource)
{
    std::filesystem::create_directory(at("x"));
    std::filesystem::create_directory(at("y"));
    writeFile(at("x/a.txt"), "aaa");
    writeFile(at("y/b.txt"), "bbb");
    writeFile(at("x/c.txt"), "ccc");

    const CliResult result = runVeilcraft({"encrypt", at("x/a.txt"), at("y/b.txt"), at("x/c.txt")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, successText(at("x"), 2) + successText(at("y"), 1));
    EXPECT_EQ(listFolder(at("x")), names({"a.txt", "a.vkf", "c.txt", "c.vkf"}));
    EXPECT_EQ(listFolder(at("y")), names({"b.txt", "b.vkf"}));
    EXPECT_EQ(readFile(at("y/b.vkf")).substr(0, 3), referenceRc4(kPassword, "bbb"));
}

// Catches relative paths reaching the workflow: the trailer would then hold
// the wrong last characters for short names, and messages would show
// relative folders.
TEST_F(CliEncrypt, RelativePathsAreMadeAbsolute)
{
    std::filesystem::create_directory(at("sub"));
    writeFile(at("notes.txt"), "hello");
    writeFile(at("a.c"), "int main;");
    const ScopedCurrentFolder inside(root);

    const CliResult toSub = runVeilcraft({"encrypt", "--dest", "sub", "notes.txt"});
    EXPECT_EQ(toSub.code, 0);
    EXPECT_EQ(toSub.err, successText(at("sub"), 1));
    EXPECT_TRUE(fileExists(at("sub/notes.vkf")));

    // "a.c" alone has only three characters; as a full path its last four are "/a.c".
    const CliResult beside = runVeilcraft({"encrypt", "a.c"});
    EXPECT_EQ(beside.code, 0);
    EXPECT_EQ(beside.err, successText(root, 1));
    EXPECT_EQ(lastBytes(readFile(at("a.vkf")), 9), trailer("/a.c", "1  "));

    // Dot segments and a trailing separator (as tab completion adds it) are
    // gone before the folder is named.
    const CliResult dotted = runVeilcraft({"encrypt", "--overwrite", "--dest", "./sub/..", "sub/../notes.txt"});
    EXPECT_EQ(dotted.code, 0);
    EXPECT_EQ(dotted.err, successText(root, 1));
    const CliResult slash = runVeilcraft({"encrypt", "--overwrite", "--dest", "sub/", "notes.txt"});
    EXPECT_EQ(slash.code, 0);
    EXPECT_EQ(slash.err, successText(at("sub"), 1));
}

// Catches cutting the name at the last "." instead of the first, mishandling
// a name without ".", and storing anything but the path's last four
// characters (as latin-1 bytes) as the content type.
TEST_F(CliEncrypt, OutputNameAndStoredTypeFollowTheNamingRule)
{
    writeFile(at("README"), "read me");
    writeFile(at("archive.tar.gz"), "tarball");
    writeFile(at("caf\xC3\xA9"), "coffee");  // "café", the é in UTF-8
    writeFile(at("NOTES.VKF"), "upper case is not an encrypted name");

    const CliResult result =
        runVeilcraft({"encrypt", at("README"), at("archive.tar.gz"), at("caf\xC3\xA9"), at("NOTES.VKF")});

    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.err, successText(root, 4));
    EXPECT_EQ(lastBytes(readFile(at("README.vkf")), 9), trailer("ADME", "1  "));
    EXPECT_EQ(lastBytes(readFile(at("archive.vkf")), 9), trailer("r.gz", "1  "));
    EXPECT_EQ(lastBytes(readFile(at("caf\xC3\xA9.vkf")), 9), trailer("caf\xE9", "1  "))
        << "the stored type is latin-1, one byte per character";
    EXPECT_EQ(lastBytes(readFile(at("NOTES.vkf")), 9), trailer(".VKF", "1  "));
}

// Catches storing a type that latin-1 cannot hold (or replacing it by "?").
TEST_F(CliEncrypt, NameEndingOutsideLatin1IsReportedAndNotWritten)
{
    const std::string name = "memo.\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // memo.日本語
    writeFile(at(name), "text");

    const CliResult result = runVeilcraft({"encrypt", at(name)});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at(name)));
    EXPECT_THAT(result.err, HasSubstr("latin-1"));
    EXPECT_THAT(result.err, Not(HasSubstr("Encryption success")));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{name});
}

// Catches removing sources before (or without) a complete output.
TEST_F(CliEncrypt, RemoveSourcesDeletesSourcesWhoseOutputIsComplete)
{
    writeFile(at("a.txt"), "first");
    writeFile(at("b.doc"), "second");

    const CliResult result = runVeilcraft({"encrypt", "--remove-sources", at("a.txt"), at("b.doc")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, successText(root, 2));
    EXPECT_EQ(listFolder(root), names({"a.vkf", "b.vkf"}));
    EXPECT_EQ(readFile(at("a.vkf")), referenceRc4(kPassword, "first") + trailer(".txt", "1  "));
    EXPECT_EQ(readFile(at("b.vkf")), referenceRc4(kPassword, "second") + trailer(".doc", "1  "));
}

// Catches losing notes.txt: its output notes.vkf is replaced by that of
// notes.doc in the same run, so notes.txt must stay and the run must say so.
TEST_F(CliEncrypt, RemoveSourcesKeepsTheSourceWhoseOutputWasReplaced)
{
    writeFile(at("notes.txt"), "the text");
    writeFile(at("notes.doc"), "the document");

    const CliResult result = runVeilcraft({"encrypt", "--remove-sources", at("notes.txt"), at("notes.doc")});

    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(listFolder(root), names({"notes.txt", "notes.vkf"}));
    EXPECT_EQ(readFile(at("notes.txt")), "the text");
    EXPECT_EQ(readFile(at("notes.vkf")), referenceRc4(kPassword, "the document") + trailer(".doc", "1  "));
    EXPECT_THAT(result.err, HasSubstr(at("notes.txt") + ": its encrypted file " + at("notes.vkf") +
                                      " was replaced by that of " + at("notes.doc")));
    EXPECT_THAT(result.err, HasSubstr(successText(root, 1)));
}

// Catches a source being removed when its output could not be written (full
// disk): the source must stay whole and no partial output may remain.
TEST_F(CliEncrypt, FullDiskKeepsTheSourceAndLeavesNoPartialOutput)
{
    const std::string content = randomBytes(512 * 1024, 3);
    writeFile(at("big.txt"), content);
    const TempDir logs;

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Writes beyond 64 KiB fail with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const CliResult result = runVeilcraft({"encrypt", "--remove-sources", at("big.txt")});
        writeFile(logs.file("err"), result.err);
        ::_exit(result.code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the command must fail cleanly, not crash";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = readFile(logs.file("err"));
    EXPECT_THAT(err, HasSubstr(at("big.txt")));
    EXPECT_THAT(err, Not(HasSubstr("Encryption success")));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"big.txt"});
    EXPECT_EQ(readFile(at("big.txt")), content);
}

// Catches encrypting an encrypted file again and carrying on after the stop.
// Catches a later run silently replacing an earlier run's output, whose
// source may already be gone.
TEST_F(CliEncrypt, ExistingOutputOfAnotherRunNeedsOverwrite)
{
    writeFile(at("notes.txt"), "first");
    writeFile(at("notes.md"), "second");
    ASSERT_EQ(runVeilcraft({"encrypt", "--remove-sources", at("notes.txt")}).code, 0);
    const std::string first = readFile(at("notes.vkf"));

    const CliResult refused = runVeilcraft({"encrypt", "--remove-sources", at("notes.md")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr("--overwrite"));
    EXPECT_EQ(readFile(at("notes.vkf")), first);
    EXPECT_TRUE(fileExists(at("notes.md")));

    EXPECT_EQ(runVeilcraft({"encrypt", "--overwrite", at("notes.md")}).code, 0);
    EXPECT_NE(readFile(at("notes.vkf")), first);
}

TEST_F(CliEncrypt, EncryptedSourceStopsTheRunAtOnce)
{
    std::filesystem::create_directory(at("out"));
    writeFile(at("a.txt"), "before");
    writeFile(at("b.vkf"), "already encrypted");
    writeFile(at("c.txt"), "after");

    const CliResult result = runVeilcraft({"encrypt", "--dest", at("out"), at("a.txt"), at("b.vkf"), at("c.txt")});

    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, at("b.vkf") + " was be encrypted, please select the file again!\n");
    EXPECT_EQ(listFolder(at("out")), std::vector<std::string>{"a.vkf"}) << "files before the stop stay done";
}

// Catches writing into a folder that does not exist or creating it.
TEST_F(CliEncrypt, MissingDestinationFolderStopsWithItsMessage)
{
    writeFile(at("notes.txt"), "hello");

    const CliResult result = runVeilcraft({"encrypt", "--dest", at("nowhere"), at("notes.txt")});

    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "Error path of files\n");
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"notes.txt"});

    writeFile(at("plain"), "a file, not a folder");
    const CliResult toFile = runVeilcraft({"encrypt", "--dest", at("plain"), at("notes.txt")});
    EXPECT_EQ(toFile.code, 1);
    EXPECT_EQ(toFile.err, "Error path of files\n");
}

// Catches silently skipping missing, empty or non-file sources, counting them
// as done, or reporting a run of nothing but failures as a success.
TEST_F(CliEncrypt, MissingEmptyAndFolderSourcesAreReportedByNameAndCause)
{
    writeFile(at("empty.txt"), "");
    writeFile(at("good.txt"), "good");
    std::filesystem::create_directory(at("folder.d"));

    const CliResult mixed =
        runVeilcraft({"encrypt", at("missing.txt"), at("empty.txt"), at("good.txt"), at("folder.d")});

    EXPECT_EQ(mixed.code, 1);
    EXPECT_THAT(mixed.err, HasSubstr(successText(root, 1)));
    EXPECT_THAT(mixed.err, HasSubstr(at("missing.txt") + ": cannot be read: No such file or directory"));
    EXPECT_THAT(mixed.err, HasSubstr(at("empty.txt") + ": is empty"));
    EXPECT_THAT(mixed.err, HasSubstr(at("folder.d") + ": is not a file"));
    EXPECT_EQ(listFolder(root), names({"empty.txt", "folder.d", "good.txt", "good.vkf"}));

    const CliResult onlyBad = runVeilcraft({"encrypt", at("missing.txt"), at("empty.txt")});
    EXPECT_EQ(onlyBad.code, 1);
    EXPECT_THAT(onlyBad.err, Not(HasSubstr("Encryption success")));
    EXPECT_THAT(onlyBad.err, HasSubstr(at("missing.txt")));
    EXPECT_THAT(onlyBad.err, HasSubstr(at("empty.txt")));
    EXPECT_FALSE(fileExists(at("missing.vkf")));
    EXPECT_FALSE(fileExists(at("empty.vkf")));
}

// Catches a source listed twice going unnoticed or corrupting its output.
TEST_F(CliEncrypt, SameSourceListedTwiceIsReportedAndOutputStaysGood)
{
    writeFile(at("twice.txt"), "twice");

    const CliResult result = runVeilcraft({"encrypt", at("twice.txt"), at("twice.txt")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("twice.txt") + ": is listed more than once"));
    EXPECT_EQ(readFile(at("twice.vkf")), referenceRc4(kPassword, "twice") + trailer(".txt", "1  "));
    EXPECT_EQ(readFile(at("twice.txt")), "twice");
}

// Catches a source listed twice being removed while the run reports it among
// the files "not encrypted or not removed": a duplicate is a bad input, and
// a bad input removes no source.
TEST_F(CliEncrypt, SameSourceListedTwiceIsNotRemoved)
{
    writeFile(at("twice.txt"), "twice");

    const CliResult result = runVeilcraft({"encrypt", "--remove-sources", at("twice.txt"), at("twice.txt")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("twice.txt") + ": is listed more than once"));
    EXPECT_EQ(readFile(at("twice.vkf")), referenceRc4(kPassword, "twice") + trailer(".txt", "1  "));
    ASSERT_TRUE(fileExists(at("twice.txt")));
    EXPECT_EQ(readFile(at("twice.txt")), "twice");
}

// Catches the progress bar being drawn into a stream that is not the
// terminal whenever the process's own standard error happens to be one.
TEST_F(CliEncrypt, ProgressBarNeverGoesIntoAStreamThatIsNotTheTerminal)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal available";
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    writeFile(at("notes.txt"), randomBytes(300000, 4));

    const int savedStderr = ::dup(STDERR_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    const CliResult result = runVeilcraft({"encrypt", at("notes.txt")});
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    ::close(terminal);
    ::close(master);

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, successText(root, 1));
}

// ---------------------------------------------------------------------------
// passwords

// Catches the limit not being enforced, enforced after writing, or applied
// to the wrong cipher (Blowfish 56, RC4 128 characters).
TEST_F(CliPassword, LimitDependsOnTheChosenCipherAndIsCheckedBeforeWriting)
{
    writeFile(at("notes.txt"), "secret stuff");

    password.set(std::string(57, 'k'));
    const CliResult blowfish = runVeilcraft({"encrypt", "--cipher", "Blowfish", at("notes.txt")});
    EXPECT_EQ(blowfish.code, 1);
    EXPECT_EQ(blowfish.err, "Password too long!\n");
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"notes.txt"});

    const CliResult rc4 = runVeilcraft({"encrypt", "--cipher", "RC4", at("notes.txt")});
    EXPECT_EQ(rc4.code, 0) << rc4.err;
    EXPECT_EQ(readFile(at("notes.vkf")).substr(0, 12), referenceRc4(std::string(57, 'k'), "secret stuff"));

    password.set(std::string(56, 'k'));
    EXPECT_EQ(runVeilcraft({"encrypt", "--overwrite", "--cipher", "Blowfish", at("notes.txt")}).code, 0);

    password.set(std::string(128, 'k'));
    EXPECT_EQ(runVeilcraft({"encrypt", "--overwrite", at("notes.txt")}).code, 0);

    std::filesystem::remove(at("notes.vkf"));
    password.set(std::string(129, 'k'));
    const CliResult tooLong = runVeilcraft({"encrypt", at("notes.txt")});
    EXPECT_EQ(tooLong.code, 1);
    EXPECT_EQ(tooLong.err, "Password too long!\n");
    EXPECT_FALSE(fileExists(at("notes.vkf")));
}

// Catches the password being used as UTF-8 bytes: 56 "é" are 112 bytes of
// UTF-8 but 56 latin-1 characters, and the key must be the byte E9 each.
TEST_F(CliPassword, Latin1CharactersAreOneByteEach)
{
    writeFile(at("notes.txt"), "accented key");
    std::string accented;
    for (int i = 0; i < 56; ++i)
        accented += "\xC3\xA9";
    password.set(accented);

    const CliResult result = runVeilcraft({"encrypt", "--cipher", "Blowfish", at("notes.txt")});

    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(readFile(at("notes.vkf")).substr(0, 12), referenceRc4(std::string(56, '\xE9'), "accented key"));
}

// Catches a character outside latin-1 being replaced (by "?") or dropped
// instead of refused, for both commands and both password sources.
TEST_F(CliPassword, CharacterOutsideLatin1IsRefusedAndNothingIsWritten)
{
    writeFile(at("notes.txt"), "hello");
    writeFile(at("plain.vkf"), referenceRc4("pass?", "hello") + trailer(".dat", "1  "));

    password.set("pass\xE2\x82\xAC");  // pass€
    const CliResult encrypt = runVeilcraft({"encrypt", at("notes.txt")});
    EXPECT_EQ(encrypt.code, 1);
    EXPECT_THAT(encrypt.err, HasSubstr("\xE2\x82\xAC"));
    EXPECT_THAT(encrypt.err, HasSubstr("Latin-1"));

    const CliResult decrypt = runVeilcraft({"decrypt", at("plain.vkf")});
    EXPECT_EQ(decrypt.code, 1);
    EXPECT_THAT(decrypt.err, HasSubstr("Latin-1"));

    // A latin-1 encoded file is not UTF-8 text: refused, not guessed.
    password.set(std::nullopt);
    writeFile(at("latin1-password"), "caf\xE9\n");
    const CliResult invalid = runVeilcraft({"encrypt", "--password-file", at("latin1-password"), at("notes.txt")});
    EXPECT_EQ(invalid.code, 1);
    EXPECT_THAT(invalid.err, HasSubstr("password"));

    EXPECT_EQ(listFolder(root), names({"latin1-password", "notes.txt", "plain.vkf"}));
}

// Catches an empty password being accepted (RC4 with an empty key) or being
// refused without a word.
TEST_F(CliPassword, EmptyPasswordIsRefusedWithAMessage)
{
    writeFile(at("notes.txt"), "hello");
    writeFile(at("plain.vkf"), referenceRc4("x", "hello") + trailer(".dat", "1  "));
    password.set("");

    const CliResult encrypt = runVeilcraft({"encrypt", at("notes.txt")});
    EXPECT_EQ(encrypt.code, 1);
    EXPECT_EQ(encrypt.err, "Password is not null\n");

    const CliResult decrypt = runVeilcraft({"decrypt", at("plain.vkf")});
    EXPECT_EQ(decrypt.code, 1);
    EXPECT_THAT(decrypt.err, HasSubstr("empty"));

    EXPECT_EQ(listFolder(root), names({"notes.txt", "plain.vkf"}));
}

// Catches the line ending (LF or CRLF) becoming part of the key, lines after
// the first being used, or the environment winning over --password-file.
TEST_F(CliPassword, PasswordFileGivesItsFirstLineWithoutTheLineEnding)
{
    const std::string content = randomBytes(1000, 5);
    writeFile(at("notes.txt"), content);
    const std::string expected = referenceRc4("from file", content) + trailer(".txt", "1  ");
    password.set("from the environment");

    for (const std::string& text : {std::string("from file"), std::string("from file\n"),
                                    std::string("from file\nsecond line\n"), std::string("from file\r\n"),
                                    std::string("from file\r\nsecond line")}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        writeFile(at("password"), text);
        const CliResult result = runVeilcraft({"encrypt", "--overwrite", "--password-file", at("password"), at("notes.txt")});
        EXPECT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(readFile(at("notes.vkf")), expected);
    }

    std::filesystem::rename(at("notes.txt"), at("original"));
    const CliResult decrypt = runVeilcraft({"decrypt", "--password-file=" + at("password"), at("notes.vkf")});
    EXPECT_EQ(decrypt.code, 0) << decrypt.err;
    EXPECT_EQ(readFile(at("notes.txt")), content);
}

// Catches a missing password file being taken as an empty password or
// falling back to another source silently.
TEST_F(CliPassword, PasswordFileThatIsADirectorySaysSo)
{
    writeFile(at("notes.txt"), "text");
    const CliResult result = runVeilcraft({"encrypt", "--password-file", root, at("notes.txt")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("is a directory"));
}

TEST_F(CliPassword, MissingPasswordFileIsNamed)
{
    writeFile(at("notes.txt"), "hello");

    const CliResult result = runVeilcraft({"encrypt", "--password-file", at("no-such-file"), at("notes.txt")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("no-such-file")));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"notes.txt"});
}

// ---------------------------------------------------------------------------
// decrypt

// Catches any change of the bytes on the way there and back, a wrong target,
// a changed container, left-over temporary files and a wrong message.
TEST_F(CliDecrypt, RoundTripRestoresTheBytesNextToTheContainer)
{
    const std::string content = randomBytes(200000, 6);
    writeFile(at("notes.txt"), content);
    ASSERT_EQ(runVeilcraft({"encrypt", at("notes.txt")}).code, 0);
    const std::string container = readFile(at("notes.vkf"));
    writeFile(at("notes.txt"), "an older file of the same name is replaced only when asked to");

    // A wrong password would turn the file into garbage: not without --overwrite.
    const CliResult refused = runVeilcraft({"decrypt", at("notes.vkf")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr("--overwrite"));
    EXPECT_EQ(readFile(at("notes.txt")), "an older file of the same name is replaced only when asked to");

    const CliResult result = runVeilcraft({"decrypt", "--overwrite", at("notes.vkf")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, decryptedText(at("notes.vkf"), at("notes.txt")));
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_EQ(readFile(at("notes.txt")), content);
    EXPECT_EQ(readFile(at("notes.vkf")), container);
    EXPECT_EQ(listFolder(root), names({"notes.txt", "notes.vkf"}));
}

// Catches restoring the original name instead of following the format's
// rule (base up to the first "." of the file name + stored four
// characters), and cutting at a "." of the folder.
TEST_F(CliDecrypt, TargetIsTheBaseFollowedByTheStoredType)
{
    std::filesystem::create_directory(at("my.files"));
    writeFile(at("README"), "read me");
    writeFile(at("archive.tar.gz"), "tarball");
    writeFile(at("my.files/notes.txt"), "notes");
    writeFile(at("caf\xC3\xA9"), "coffee");
    ASSERT_EQ(runVeilcraft({"encrypt", at("README"), at("archive.tar.gz"), at("caf\xC3\xA9")}).code, 0);
    ASSERT_EQ(runVeilcraft({"encrypt", at("my.files/notes.txt")}).code, 0);

    const CliResult result = runVeilcraft({"decrypt", "--overwrite", at("README.vkf"), at("archive.vkf"),
                                           at("my.files/notes.vkf"), at("caf\xC3\xA9.vkf")});

    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.err, decryptedText(at("README.vkf"), at("READMEADME")) +
                              decryptedText(at("archive.vkf"), at("archiver.gz")) +
                              decryptedText(at("my.files/notes.vkf"), at("my.files/notes.txt")) +
                              decryptedText(at("caf\xC3\xA9.vkf"), at("caf\xC3\xA9" "caf\xC3\xA9")));
    EXPECT_EQ(readFile(at("READMEADME")), "read me");
    EXPECT_EQ(readFile(at("archiver.gz")), "tarball");
    EXPECT_EQ(readFile(at("caf\xC3\xA9" "caf\xC3\xA9")), "coffee");
}

// Catches a source lost for good: "a.c" is stored with the type "/a.c",
// which holds a separator and is refused when decrypting by name, so its
// source must not be removed either.
TEST_F(CliDecrypt, StoredTypeWithSeparatorIsRefusedAndItsSourceKept)
{
    writeFile(at("a.c"), "int main;");
    const CliResult encrypted = runVeilcraft({"encrypt", "--remove-sources", at("a.c")});
    EXPECT_EQ(encrypted.code, 1);
    EXPECT_EQ(readFile(at("a.c")), "int main;");

    std::filesystem::create_directory(at("a"));
    const CliResult refused = runVeilcraft({"decrypt", at("a.vkf")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err, HasSubstr("\"/a.c\" holds a folder separator"));
    EXPECT_FALSE(fileExists(at("a/a.c")));
}

// Catches case-insensitive matching of ".vkf", content sniffing, and going
// on with later entries after a refusal.
TEST_F(CliDecrypt, NameNotEndingInVkfStopsTheRun)
{
    for (const char* name : {"first", "NOTES", "notes", "later"})
        writeFile(at(std::string(name) + ".doc"), std::string("content of ") + name);
    ASSERT_EQ(runVeilcraft({"encrypt", at("first.doc"), at("NOTES.doc"), at("notes.doc"), at("later.doc")}).code, 0);
    for (const char* name : {"first", "NOTES", "notes", "later"})
        std::filesystem::remove(at(std::string(name) + ".doc"));
    std::filesystem::rename(at("NOTES.vkf"), at("NOTES.VKF"));
    std::filesystem::rename(at("notes.vkf"), at("notes.txt"));

    const CliResult upper = runVeilcraft({"decrypt", at("first.vkf"), at("NOTES.VKF"), at("later.vkf")});
    EXPECT_EQ(upper.code, 1);
    EXPECT_EQ(upper.err, decryptedText(at("first.vkf"), at("first.doc")) + at("NOTES.VKF") +
                             " was not be encrypted, please select the encrypted file again!\n");
    EXPECT_TRUE(fileExists(at("first.doc")));
    EXPECT_FALSE(fileExists(at("later.doc")));

    const CliResult other = runVeilcraft({"decrypt", at("notes.txt"), at("later.vkf")});
    EXPECT_EQ(other.code, 1);
    EXPECT_EQ(other.err, at("notes.txt") + " was not be encrypted, please select the encrypted file again!\n");
    EXPECT_FALSE(fileExists(at("later.doc")));
    EXPECT_FALSE(fileExists(at("notes.doc")));
}

// Catches a container too short to hold a trailer (or holding nothing but
// one) producing a target, crashing, or stopping the other files.
TEST_F(CliDecrypt, TruncatedContainersAreReportedAndWriteNothing)
{
    writeFile(at("zero.vkf"), "");
    writeFile(at("five.vkf"), ".txt1");
    writeFile(at("eight.vkf"), "txt1  \xFF\xFF");
    writeFile(at("nine.vkf"), trailer(".txt", "1  "));
    writeFile(at("good.dat"), "good data");
    ASSERT_EQ(runVeilcraft({"encrypt", "--remove-sources", at("good.dat")}).code, 0);
    const std::vector<std::string> before = listFolder(root);

    const CliResult result =
        runVeilcraft({"decrypt", at("zero.vkf"), at("five.vkf"), at("eight.vkf"), at("nine.vkf"), at("good.vkf")});

    EXPECT_EQ(result.code, 1);
    for (const char* name : {"zero.vkf", "five.vkf", "eight.vkf", "nine.vkf"})
        EXPECT_THAT(result.err, HasSubstr("File " + at(name) + " was not decrypted: ")) << name;
    EXPECT_THAT(result.err, HasSubstr("(0 bytes)"));
    EXPECT_THAT(result.err, HasSubstr("(5 bytes)"));
    EXPECT_THAT(result.err, HasSubstr("(8 bytes)"));
    EXPECT_THAT(result.err, HasSubstr(decryptedText(at("good.vkf"), at("good.dat"))));
    std::vector<std::string> after = before;
    after.push_back("good.dat");
    std::sort(after.begin(), after.end());
    EXPECT_EQ(listFolder(root), after) << "only the good container may produce a target";
}

// Catches a missing container being ignored silently.
TEST_F(CliDecrypt, MissingContainerIsNamed)
{
    const CliResult result = runVeilcraft({"decrypt", at("ghost.vkf")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("ghost.vkf")));
    EXPECT_THAT(result.err, HasSubstr("No such file or directory"));
    EXPECT_THAT(listFolder(root), IsEmpty());
}

// Catches choosing the engine by the stored cipher number: 0 (Blowfish), an
// unknown position and garbage must all be decrypted with RC4.
TEST_F(CliDecrypt, EveryCipherNumberIsDecryptedWithRc4)
{
    const std::string content = randomBytes(5000, 7);
    const std::string payload = referenceRc4(kPassword, content);
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"blowfish", "0  "}, {"rc4", "1  "}, {"unknown", "7  "}, {"garbage", "z\x01?"}, {"blank", "   "}};
    std::vector<std::string> arguments = {"decrypt"};
    for (const auto& [name, field] : fields) {
        writeFile(at(name + ".vkf"), payload + trailer(".bin", field));
        arguments.push_back(at(name + ".vkf"));
    }

    const CliResult result = runVeilcraft(arguments);

    EXPECT_EQ(result.code, 0) << result.err;
    for (const auto& [name, field] : fields)
        EXPECT_EQ(readFile(at(name + ".bin")), content) << name;
}

// Pins that no password check exists: a wrong password yields RC4 garbage of
// the right length and the run reports it as decrypted (it cannot tell).
TEST_F(CliDecrypt, WrongPasswordGivesGarbageOfTheSameLength)
{
    const std::string content = randomBytes(3000, 8);
    writeFile(at("notes.txt"), content);
    ASSERT_EQ(runVeilcraft({"encrypt", "--remove-sources", at("notes.txt")}).code, 0);
    const std::string payload = readFile(at("notes.vkf")).substr(0, content.size());

    password.set("wrong password");
    const CliResult result = runVeilcraft({"decrypt", at("notes.vkf")});

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, decryptedText(at("notes.vkf"), at("notes.txt")));
    const std::string garbage = readFile(at("notes.txt"));
    EXPECT_EQ(garbage.size(), content.size());
    EXPECT_NE(garbage, content);
    EXPECT_EQ(garbage, referenceRc4("wrong password", payload));
}

// Catches an archive-kind container being "decrypted" into a file named
// after ".zip" or passed off as a success.
TEST_F(CliDecrypt, ArchiveContainerIsReportedAsNotUnpackable)
{
    writeFile(at("myvkffile.vkf"), referenceRc4(kPassword, "PK\x03\x04 not really") + trailer(".zip", "1  "));

    const CliResult result = runVeilcraft({"decrypt", at("myvkffile.vkf")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("myvkffile.vkf")));
    EXPECT_THAT(result.err, HasSubstr("archive"));
    EXPECT_THAT(result.err, Not(HasSubstr("has been decrypted")));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"myvkffile.vkf"});
}

// Catches the archive commands losing a file or a source on the way:
// encrypt --archive, then decrypt, gives back every file under its last
// folder, and the sources go only once the container is written.
TEST_F(CliEncrypt, ArchiveRoundTripThroughDecrypt)
{
    std::filesystem::create_directories(at("docs"));
    writeFile(at("docs/a.txt"), "alpha");
    writeFile(at("docs/b.txt"), "beta");

    const CliResult encrypted = runVeilcraft(
        {"encrypt", "--archive", at("all.vkf"), "--cipher", "Blowfish", "--remove-sources", at("docs/a.txt"),
         at("docs/b.txt")});
    EXPECT_EQ(encrypted.code, 0) << encrypted.err;
    EXPECT_THAT(encrypted.err, HasSubstr("Encryption success!, the encrypted file(s) have been saved to " + at("all.vkf")));
    EXPECT_EQ(lastBytes(readFile(at("all.vkf")), 9), trailer(".zip", "0  "));
    EXPECT_EQ(listFolder(at("docs")), std::vector<std::string>{});

    const CliResult decrypted = runVeilcraft({"decrypt", at("all.vkf")});
    EXPECT_EQ(decrypted.code, 0) << decrypted.err;
    EXPECT_THAT(decrypted.err, HasSubstr("has been decrypted as " + at("all")));
    EXPECT_EQ(readFile(at("all/docs/a.txt")), "alpha");
    EXPECT_EQ(readFile(at("all/docs/b.txt")), "beta");
}

TEST_F(CliEncrypt, ArchiveIntoAMissingFolderFailsAndKeepsTheSource)
{
    writeFile(at("a.txt"), "alpha");
    const CliResult result =
        runVeilcraft({"encrypt", "--archive", at("missing/all.vkf"), "--remove-sources", at("a.txt")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("does not exist"));
    EXPECT_EQ(listFolder(root), names({"a.txt"}));
    EXPECT_EQ(runVeilcraft({"encrypt", "--archive", at("x.vkf"), "--dest", root, at("a.txt")}).code, 2);
}

// Catches a stored type holding a NUL byte truncating the target name.
TEST_F(CliDecrypt, StoredTypeWithNulIsRefused)
{
    writeFile(at("odd.vkf"), referenceRc4(kPassword, "abc") + trailer(std::string(".t\0t", 4), "1  "));

    const CliResult result = runVeilcraft({"decrypt", at("odd.vkf")});

    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr(at("odd.vkf")));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"odd.vkf"});
}

// ---------------------------------------------------------------------------
// base64

// Catches a line ending being added, text-mode conversions, and loss at the
// 64 KiB chunk boundaries of the streaming codec.
TEST_F(CliBase64, EncodeAndDecodeAreByteExact)
{
    const CliResult abc = runVeilcraft({"base64", "encode"}, "abc");
    EXPECT_EQ(abc.code, 0);
    EXPECT_EQ(abc.out, "YWJj");
    EXPECT_THAT(abc.err, IsEmpty());

    EXPECT_EQ(runVeilcraft({"base64", "encode"}, "ab").out, "YWI=");
    EXPECT_EQ(runVeilcraft({"base64", "encode"}, "").out, "");
    EXPECT_EQ(runVeilcraft({"base64", "decode"}, "YWJj").out, "abc");

    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    const CliResult encoded = runVeilcraft({"base64", "encode"}, every);
    EXPECT_EQ(encoded.out, referenceBase64(every));
    const CliResult decoded = runVeilcraft({"base64", "decode"}, encoded.out);
    EXPECT_EQ(decoded.code, 0);
    EXPECT_EQ(decoded.out, every);

    const std::string large = randomBytes(3 * 65536 + 1, 9);
    const CliResult largeEncoded = runVeilcraft({"base64", "encode"}, large);
    EXPECT_EQ(largeEncoded.out, referenceBase64(large));
    EXPECT_EQ(runVeilcraft({"base64", "decode"}, largeEncoded.out).out, large);
}

// Catches line breaks being skipped (they are invalid characters) and an
// invalid input being reported as success.
// Catches output lost on a full disk passing for success.
TEST_F(CliBase64, OutputThatCannotBeWrittenFails)
{
    struct FullDisk : std::streambuf {
        int overflow(int) override
        {
            errno = ENOSPC;
            return traits_type::eof();
        }
    } full;
    std::ostream out(&full);
    std::istringstream in("some bytes");
    std::ostringstream err;
    EXPECT_EQ(veilcraft::cli::runCli({"base64", "encode"}, in, out, err), 1);
    EXPECT_THAT(err.str(), HasSubstr("No space left on device"));
}

TEST_F(CliBase64, DecodeRefusesALineBreak)
{
    for (const char* text : {"YWJj\n", "YWJj\r\n", "YW\nJj"}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        const CliResult result = runVeilcraft({"base64", "decode"}, text);
        EXPECT_EQ(result.code, 1);
        EXPECT_THAT(result.err, StartsWith("veilcraft base64: "));
    }
}

// Pins the codec's rule that 1 to 3 characters after the last whole group
// are ignored, and catches that being done without a warning.
TEST_F(CliBase64, UnfinishedGroupIsIgnoredWithAWarning)
{
    const CliResult result = runVeilcraft({"base64", "decode"}, "YWJjZA");

    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "abc");
    EXPECT_THAT(result.err, HasSubstr("2 character(s)"));
}

// ---------------------------------------------------------------------------
// cipher

// Catches the cipher command adding a trailer or using another engine: rc4
// output is plain RC4 of the file, and both engines round-trip.
TEST_F(CliCipher, EnginesEncryptAndDecryptFilesDirectly)
{
    const std::string content = randomBytes(70000, 10);
    writeFile(at("plain"), content);

    ASSERT_EQ(runVeilcraft({"cipher", "rc4", "encrypt", at("plain"), at("rc4.out")}).code, 0);
    EXPECT_EQ(readFile(at("rc4.out")), referenceRc4(kPassword, content));
    const CliResult rc4Back = runVeilcraft({"cipher", "rc4", "decrypt", at("rc4.out"), at("rc4.back")});
    EXPECT_EQ(rc4Back.code, 0) << rc4Back.err;
    EXPECT_EQ(readFile(at("rc4.back")), content);

    ASSERT_EQ(runVeilcraft({"cipher", "blowfish", "encrypt", at("plain"), at("bf.out")}).code, 0);
    const std::string blowfish = readFile(at("bf.out"));
    EXPECT_NE(blowfish.substr(0, 100), content.substr(0, 100));
    EXPECT_NE(blowfish.substr(0, 100), referenceRc4(kPassword, content).substr(0, 100));
    const CliResult bfBack = runVeilcraft({"cipher", "blowfish", "decrypt", at("bf.out"), at("bf.back")});
    EXPECT_EQ(bfBack.code, 0) << bfBack.err;
    EXPECT_EQ(readFile(at("bf.back")), content);

    // SOURCE may be DEST.
    ASSERT_EQ(runVeilcraft({"cipher", "rc4", "encrypt", at("plain"), at("plain")}).code, 0);
    EXPECT_EQ(readFile(at("plain")), referenceRc4(kPassword, content));
}

// Catches a failing engine run being reported as success or leaving a DEST.
TEST_F(CliCipher, FailuresAreReportedAndLeaveNoDestination)
{
    const CliResult missing = runVeilcraft({"cipher", "rc4", "encrypt", at("absent"), at("out")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.err, HasSubstr(at("absent")));

    writeFile(at("short"), "not blowfish output");
    const CliResult damaged = runVeilcraft({"cipher", "blowfish", "decrypt", at("short"), at("out")});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_THAT(damaged.err, StartsWith("veilcraft cipher: " + at("short") + ": "));

    password.set("");
    const CliResult empty = runVeilcraft({"cipher", "rc4", "encrypt", at("short"), at("out")});
    EXPECT_EQ(empty.code, 1);
    EXPECT_THAT(empty.err, HasSubstr("empty"));

    EXPECT_EQ(listFolder(root), std::vector<std::string>{"short"});
}

// ---------------------------------------------------------------------------
// usage

// Catches a usage error being taken for a file failure (exit 1), running
// anything, or printing the usage to standard output.
TEST_F(CliUsage, UsageErrorsExitWithTwo)
{
    writeFile(at("a.txt"), "a");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"encrypt"},
        {"encrypt", "--bogus", at("a.txt")},
        {"encrypt", "--remove-sources=yes", at("a.txt")},
        {"encrypt", "--cipher", "AES", at("a.txt")},
        {"encrypt", at("a.txt"), "--dest"},
        {"decrypt"},
        {"decrypt", "--remove-sources", at("a.vkf")},
        {"base64"},
        {"base64", "both"},
        {"base64", "encode", "extra"},
        {"cipher", "des", "encrypt", at("a.txt"), at("b")},
        {"cipher", "rc4", "mangle", at("a.txt"), at("b")},
        {"cipher", "rc4", "encrypt", at("a.txt")},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const CliResult result = runVeilcraft(arguments);
        EXPECT_EQ(result.code, 2);
        EXPECT_THAT(result.err, Not(IsEmpty()));
        EXPECT_THAT(result.out, IsEmpty());
    }
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"a.txt"});
}

// Catches a subcommand without --help, help going to standard error, or
// --help being taken as a file name and acted upon.
TEST_F(CliUsage, HelpOnEveryCommandGoesToStandardOutput)
{
    writeFile(at("a.txt"), "a");
    for (const std::string command : {"encrypt", "decrypt", "base64", "cipher"}) {
        for (const std::string flag : {"--help", "-h"}) {
            SCOPED_TRACE(command + " " + flag);
            const CliResult result = runVeilcraft({command, flag});
            EXPECT_EQ(result.code, 0);
            EXPECT_THAT(result.out, StartsWith("Usage: veilcraft " + command));
            EXPECT_THAT(result.out, HasSubstr("VEILCRAFT_PASSWORD"));
            EXPECT_THAT(result.err, IsEmpty());
        }
    }
    const CliResult late = runVeilcraft({"encrypt", "--remove-sources", at("a.txt"), "--help"});
    EXPECT_EQ(late.code, 0);
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"a.txt"});

    const CliResult overview = runVeilcraft({"--help"});
    EXPECT_EQ(overview.code, 0);
    for (const char* command : {"encrypt", "decrypt", "base64", "cipher"})
        EXPECT_THAT(overview.out, HasSubstr(command));
}

// ---------------------------------------------------------------------------
// the program itself

struct ProgramResult {
    bool exited = false;
    int code = -1;
    std::string out;
    std::string err;
};

// Runs build/bin/veilcraft in a new session (so it has no controlling
// terminal), with standard input from `inputPath`, the test's environment
// without VEILCRAFT_PASSWORD plus `extra`, and an alarm as a guard against
// hanging. Standard output and error are collected through files.
ProgramResult runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& extra,
                         const std::string& inputPath)
{
    const TempDir logs;
    const std::string outPath = logs.file("out");
    const std::string errPath = logs.file("err");
    const std::string program = std::string(VEILCRAFT_BINARY_DIR) + "/veilcraft";

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::string(*entry).rfind("VEILCRAFT_PASSWORD=", 0) != 0)
            environment.emplace_back(*entry);
    environment.insert(environment.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvStrings = {program};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::setsid();
        const int in = ::open(inputPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0)
            ::_exit(126);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::alarm(60);  // survives exec: a hanging program is killed, and the test fails
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ProgramResult result;
    result.exited = WIFEXITED(status);
    result.code = result.exited ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

// Catches the program not taking VEILCRAFT_PASSWORD from its environment, or
// exit codes and files differing from the in-process command.
TEST_F(CliProgram, EncryptThenDecryptRoundTrip)
{
    const std::string content = randomBytes(150000, 11);
    writeFile(at("photo.jpeg"), content);
    const std::vector<std::string> env = {std::string("VEILCRAFT_PASSWORD=") + "program password"};

    const ProgramResult encrypt = runProgram({"encrypt", "--remove-sources", at("photo.jpeg")}, env, "/dev/null");
    ASSERT_TRUE(encrypt.exited);
    EXPECT_EQ(encrypt.code, 0) << encrypt.err;
    EXPECT_EQ(encrypt.err, successText(root, 1));
    EXPECT_EQ(listFolder(root), std::vector<std::string>{"photo.vkf"});
    EXPECT_EQ(readFile(at("photo.vkf")), referenceRc4("program password", content) + trailer("jpeg", "1  "));

    const ProgramResult decrypt = runProgram({"decrypt", at("photo.vkf")}, env, "/dev/null");
    ASSERT_TRUE(decrypt.exited);
    EXPECT_EQ(decrypt.code, 0) << decrypt.err;
    EXPECT_EQ(decrypt.err, decryptedText(at("photo.vkf"), at("photojpeg")));
    EXPECT_EQ(readFile(at("photojpeg")), content);
}

// Catches the program waiting for a password that cannot come (no terminal,
// no variable, no file) instead of failing with a hint.
TEST_F(CliProgram, WithoutPasswordSourceAndTerminalItFailsClearly)
{
    writeFile(at("notes.txt"), "hello");
    writeFile(at("plain.vkf"), referenceRc4("x", "hello") + trailer(".dat", "1  "));

    for (const std::string command : {"encrypt", "decrypt"}) {
        SCOPED_TRACE(command);
        const std::string file = command == "encrypt" ? at("notes.txt") : at("plain.vkf");
        const ProgramResult result = runProgram({command, file}, {}, "/dev/null");
        ASSERT_TRUE(result.exited) << "killed by the guard alarm: the program waited for input";
        EXPECT_EQ(result.code, 1);
        EXPECT_THAT(result.err, HasSubstr("VEILCRAFT_PASSWORD"));
        EXPECT_THAT(result.err, HasSubstr("--password-file"));
    }
    EXPECT_EQ(listFolder(root), names({"notes.txt", "plain.vkf"}));
}

// Catches the program's standard streams altering bytes (text mode, a
// newline added, lost buffered output at exit).
TEST_F(CliProgram, Base64StreamsBytesThroughStandardInputAndOutput)
{
    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    const std::string input = every + randomBytes(100000, 12);
    writeFile(at("input"), input);

    const ProgramResult encode = runProgram({"base64", "encode"}, {}, at("input"));
    ASSERT_TRUE(encode.exited);
    EXPECT_EQ(encode.code, 0);
    EXPECT_EQ(encode.out, referenceBase64(input));

    writeFile(at("encoded"), encode.out);
    const ProgramResult decode = runProgram({"base64", "decode"}, {}, at("encoded"));
    ASSERT_TRUE(decode.exited);
    EXPECT_EQ(decode.code, 0);
    EXPECT_EQ(decode.out, input);

    const ProgramResult usage = runProgram({"base64"}, {}, "/dev/null");
    ASSERT_TRUE(usage.exited);
    EXPECT_EQ(usage.code, 2);
}

}  // namespace
