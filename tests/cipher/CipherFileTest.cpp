// File behaviour both engines share: EncryptFile/DecryptFile either replace
// DestFile with the complete output or leave it exactly as it was, with no
// temporary file left behind.
#include "ByteStream.h"
#include "CipherError.h"
#include "TempDir.h"
#include "clsBlowfish.h"
#include "clsRC4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using veilcraft::CipherError;
using veilcraft::clsBlowfish;
using veilcraft::clsRC4;
using veilcraft::kStreamChunkSize;
namespace vt = veilcraft::test;

constexpr const char* kKey = "file key";

// Thrown by a Progress listener to abort an operation, as a caller cancels.
struct Cancelled {};

enum class Operation { Encrypt, Decrypt };

void run(veilcraft::CipherEngine& engine, Operation operation, const std::string& source, const std::string& dest)
{
    if (operation == Operation::Encrypt)
        engine.EncryptFile(source, dest, kKey);
    else
        engine.DecryptFile(source, dest, kKey);
}

std::optional<CipherError> cipherErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CipherError& error) {
        return error;
    }
    return std::nullopt;
}

struct stat statOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        ADD_FAILURE() << "cannot stat " << path;
    return info;
}

// What a forked child reports: its exit code and a line of text.
struct ChildResult {
    int exitCode = -1;
    std::string report;
};

constexpr int kChildFailedAsExpected = 0;
constexpr int kChildSucceeded = 1;
constexpr int kChildOtherException = 2;
constexpr int kChildPermissionsNotEnforced = 3;
constexpr int kChildSetupFailed = 4;

// Runs body in a forked child (so that process-wide limits and credentials
// stay there); body returns the exit code and may fill the report.
ChildResult runInChild(const std::function<int(std::string&)>& body)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string report;
        int code = kChildOtherException;
        try {
            code = body(report);
        } catch (...) {
            report = "unexpected exception";
        }
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    ChildResult result;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.report.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "fork or waitpid failed";
        return result;
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else
        result.report += " (child ended by signal " + std::to_string(WTERMSIG(status)) + ")";
    return result;
}

// In a child process: make file permissions apply to this process. Root
// normally bypasses them through capabilities, so those are dropped; other
// users have nothing to drop.
bool enforceFilePermissions()
{
    if (::geteuid() != 0)
        return true;
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const auto bit = 1u << (capability % 32);
        data[capability / 32].effective &= ~bit;
        data[capability / 32].permitted &= ~bit;
        data[capability / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs operation in a child that obeys file permissions. `probe` returns true
// when the permission under test is in force (else the case is skipped).
ChildResult runWithPermissions(veilcraft::CipherEngine& engine, Operation operation, const std::string& source,
                               const std::string& dest, const std::function<bool()>& probe)
{
    return runInChild([&](std::string& report) {
        if (!enforceFilePermissions()) {
            report = "cannot drop capabilities";
            return kChildSetupFailed;
        }
        if (!probe())
            return kChildPermissionsNotEnforced;
        try {
            run(engine, operation, source, dest);
        } catch (const CipherError& error) {
            report = error.what();
            return kChildFailedAsExpected;
        }
        return kChildSucceeded;
    });
}

// Restores the process umask when it goes.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : previous_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(previous_); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t previous_;
};

template <typename Engine>
class CipherFile : public ::testing::Test {
protected:
    vt::TempDir dir;
    Engine engine;

    // A file whose contents decrypt cleanly for `operation`: plaintext for
    // encryption, this engine's ciphertext for decryption.
    std::string makeSource(Operation operation, const std::string& name, std::size_t size, std::uint32_t seed)
    {
        const std::string path = dir.file(name);
        vt::writeFile(path, vt::randomBytes(size, seed));
        if (operation == Operation::Decrypt) {
            Engine helper;
            helper.EncryptFile(path, path, kKey);
        }
        return path;
    }
};

struct EngineName {
    template <typename T>
    static std::string GetName(int)
    {
        if constexpr (std::is_same_v<T, clsRC4>)
            return "RC4";
        else
            return "Blowfish";
    }
};

using Engines = ::testing::Types<clsRC4, clsBlowfish>;
TYPED_TEST_SUITE(CipherFile, Engines, EngineName);

constexpr Operation kOperations[] = {Operation::Encrypt, Operation::Decrypt};

const char* nameOf(Operation operation)
{
    return operation == Operation::Encrypt ? "EncryptFile" : "DecryptFile";
}

// --- Sources that cannot be processed --------------------------------------------

// Catches a wrong code or text for a missing source (both operations use the
// EncryptFile text), and a destination created or deleted before the check.
TYPED_TEST(CipherFile, MissingSourceFailsWithTheFixedErrorAndWritesNothing)
{
    const std::string missing = this->dir.file("missing.bin");
    const std::string existing = this->dir.file("existing.bin");
    vt::writeFile(existing, "keep these bytes");
    const auto before = vt::listFolder(this->dir.path());
    for (const Operation operation : kOperations) {
        for (const std::string& dest : {this->dir.file("new.bin"), existing}) {
            const auto error = cipherErrorOf([&] { run(this->engine, operation, missing, dest); });
            ASSERT_TRUE(error.has_value()) << nameOf(operation);
            EXPECT_EQ(error->code(), 0x80040000u);
            EXPECT_STREQ(error->what(), "Error in Skipjack EncryptFile procedure (Source file does not exist).");
        }
        EXPECT_EQ(vt::readFile(existing), "keep these bytes") << nameOf(operation);
        EXPECT_EQ(vt::listFolder(this->dir.path()), before) << nameOf(operation);
    }
}

// Catches an empty source that is processed, or a destination deleted,
// truncated or replaced before the empty source is noticed.
TYPED_TEST(CipherFile, EmptySourceFailsBeforeTheDestinationIsTouched)
{
    const std::string empty = this->dir.file("empty.bin");
    vt::writeFile(empty, std::string());
    const std::string existing = this->dir.file("existing.bin");
    vt::writeFile(existing, "keep these bytes");
    const ino_t inode = statOf(existing).st_ino;
    const auto before = vt::listFolder(this->dir.path());
    for (const Operation operation : kOperations) {
        for (const std::string& dest : {this->dir.file("new.bin"), existing, empty}) {
            EXPECT_TRUE(cipherErrorOf([&] { run(this->engine, operation, empty, dest); }).has_value())
                << nameOf(operation) << " into " << dest;
        }
        EXPECT_EQ(vt::readFile(existing), "keep these bytes");
        EXPECT_EQ(statOf(existing).st_ino, inode);
        EXPECT_EQ(vt::readFile(empty), "");
        EXPECT_EQ(vt::listFolder(this->dir.path()), before) << nameOf(operation);
    }
}

// --- Round trips ---------------------------------------------------------------------

// Catches file operations that lose, add or garble bytes, at small sizes and
// across the streaming chunk boundary.
TYPED_TEST(CipherFile, DecryptFileRestoresWhatEncryptFileWrote)
{
    for (const std::size_t size : {std::size_t{1}, std::size_t{1000}, kStreamChunkSize + 3}) {
        const std::string plain = vt::randomBytes(size, static_cast<std::uint32_t>(size));
        vt::writeFile(this->dir.file("plain.bin"), plain);
        this->engine.EncryptFile(this->dir.file("plain.bin"), this->dir.file("cipher.bin"), kKey);
        EXPECT_NE(vt::readFile(this->dir.file("cipher.bin")), plain) << size;
        this->engine.DecryptFile(this->dir.file("cipher.bin"), this->dir.file("back.bin"), kKey);
        EXPECT_TRUE(vt::readFile(this->dir.file("back.bin")) == plain) << size;
    }
    EXPECT_EQ(vt::listFolder(this->dir.path()), (std::vector<std::string>{"back.bin", "cipher.bin", "plain.bin"}));
}

// Catches a destination opened for writing (truncated) while it is still the
// source being read: in-place encryption then decryption must give the
// original back, across several chunks.
TYPED_TEST(CipherFile, SourceMayBeTheDestination)
{
    const std::string path = this->dir.file("data.bin");
    const std::string original = vt::randomBytes(2 * kStreamChunkSize + 5, 11);
    vt::writeFile(path, original);
    this->engine.EncryptFile(path, path, kKey);
    const std::string encrypted = vt::readFile(path);
    EXPECT_GE(encrypted.size(), original.size());
    EXPECT_NE(encrypted, original);
    EXPECT_EQ(vt::listFolder(this->dir.path()), std::vector<std::string>{"data.bin"});
    this->engine.DecryptFile(path, path, kKey);
    EXPECT_TRUE(vt::readFile(path) == original);
    EXPECT_EQ(vt::listFolder(this->dir.path()), std::vector<std::string>{"data.bin"});
}

// --- Failures in the middle ---------------------------------------------------------

// Catches output written straight into DestFile (a cancelled run would leave
// it truncated or half-written) and a temporary file left behind. The
// listener throws at 50%, after more than a chunk has been written.
TYPED_TEST(CipherFile, CancelHalfWayLeavesTheDestinationAsItWas)
{
    for (const Operation operation : kOperations) {
        const std::string source = this->makeSource(operation, "source.bin", 3 * kStreamChunkSize + 17, 5);
        const std::string sourceBytes = vt::readFile(source);
        const std::string existing = this->dir.file("existing.bin");
        vt::writeFile(existing, "keep these bytes");
        const std::string fresh = this->dir.file("fresh.bin");
        const auto before = vt::listFolder(this->dir.path());

        int highest = -1;
        const int id = this->engine.Progress().connect([&highest](int& percent) {
            highest = std::max(highest, percent);
            if (percent >= 50)
                throw Cancelled{};
        });
        for (const std::string& dest : {existing, fresh, source}) {
            highest = -1;
            EXPECT_THROW(run(this->engine, operation, source, dest), Cancelled) << nameOf(operation) << " " << dest;
            EXPECT_GE(highest, 50);
        }
        this->engine.Progress().disconnect(id);

        EXPECT_EQ(vt::readFile(existing), "keep these bytes") << nameOf(operation);
        EXPECT_TRUE(vt::readFile(source) == sourceBytes) << nameOf(operation);
        EXPECT_EQ(vt::listFolder(this->dir.path()), before) << nameOf(operation);
    }
}

// Catches plaintext readable by others while it is written: the output
// fills a private file under a name a later run recognises as a leftover.
TYPED_TEST(CipherFile, OutputIsPrivateWhileItIsWritten)
{
    const std::string source = this->makeSource(Operation::Decrypt, "source.bin", 3 * kStreamChunkSize, 6);
    std::vector<mode_t> modes;
    const int id = this->engine.Progress().connect([&](int& percent) {
        if (percent != 50)
            return;
        for (const std::string& name : vt::listFolder(this->dir.path()))
            if (name.find(".vctmp-") != std::string::npos)
                modes.push_back(statOf(this->dir.file(name)).st_mode & 07777);
    });
    const UmaskGuard guard(022);
    run(this->engine, Operation::Decrypt, source, this->dir.file("plain.bin"));
    this->engine.Progress().disconnect(id);
    EXPECT_EQ(modes, std::vector<mode_t>{0600u});
    EXPECT_EQ(statOf(this->dir.file("plain.bin")).st_mode & 07777, 0644u);
}

// Catches a full disk that leaves a truncated DestFile in place of the old one
// or a partial temporary file. The child's file size limit stands for the
// full disk: writes past it fail with EFBIG.
TYPED_TEST(CipherFile, FullDiskLeavesTheDestinationAsItWas)
{
    const std::string source = this->dir.file("source.bin");
    vt::writeFile(source, vt::randomBytes(3 * kStreamChunkSize, 9));
    const std::string existing = this->dir.file("existing.bin");
    vt::writeFile(existing, "keep these bytes");
    const auto before = vt::listFolder(this->dir.path());

    for (const std::string& dest : {existing, this->dir.file("fresh.bin")}) {
        const ChildResult result = runInChild([&](std::string& report) {
            const rlimit limit{kStreamChunkSize + 512, kStreamChunkSize + 512};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
                report = "cannot limit the file size";
                return kChildSetupFailed;
            }
            try {
                this->engine.EncryptFile(source, dest, kKey);
            } catch (const CipherError& error) {
                report = error.what();
                return kChildFailedAsExpected;
            }
            return kChildSucceeded;
        });
        EXPECT_EQ(result.exitCode, kChildFailedAsExpected) << result.report;
        EXPECT_NE(result.report.find(dest), std::string::npos)
            << "error does not name the destination: " << result.report;
    }
    EXPECT_EQ(vt::readFile(existing), "keep these bytes");
    EXPECT_EQ(vt::listFolder(this->dir.path()), before);
}

// --- Destinations that cannot be written ---------------------------------------------

// Catches a missing destination folder that is created, or reported without
// naming the destination.
TYPED_TEST(CipherFile, MissingDestinationFolderFailsNamingTheDestination)
{
    const auto before = vt::listFolder(this->dir.path());
    const std::string dest = this->dir.file("absent/out.bin");
    for (const Operation operation : kOperations) {
        const std::string input = this->makeSource(operation, "input.bin", 100, 3);
        const auto error = cipherErrorOf([&] { run(this->engine, operation, input, dest); });
        ASSERT_TRUE(error.has_value()) << nameOf(operation);
        EXPECT_NE(std::string(error->what()).find(dest), std::string::npos) << error->what();
        ::unlink(input.c_str());
    }
    EXPECT_FALSE(vt::fileExists(this->dir.file("absent")));
    EXPECT_EQ(vt::listFolder(this->dir.path()), before);
}

// Catches a folder of the destination's name that is replaced or emptied, and
// the temporary file left behind when the final rename fails.
TYPED_TEST(CipherFile, DestinationThatIsAFolderFailsAndStays)
{
    const std::string source = this->makeSource(Operation::Encrypt, "source.bin", 100, 3);
    const std::string folder = this->dir.file("out");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    vt::writeFile(folder + "/inside.txt", "inside");
    const auto before = vt::listFolder(this->dir.path());
    const auto error = cipherErrorOf([&] { this->engine.EncryptFile(source, folder, kKey); });
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(std::string(error->what()).find(folder), std::string::npos) << error->what();
    EXPECT_EQ(vt::readFile(folder + "/inside.txt"), "inside");
    EXPECT_EQ(vt::listFolder(this->dir.path()), before);
}

// Catches output written in place into an existing file of a folder the user
// may not write to (the replacement has to be created there first), and a
// failure that does not name the destination. Root bypasses permissions, so
// the operation runs in a child without that capability.
TYPED_TEST(CipherFile, UnwritableDestinationFolderFailsNamingTheDestination)
{
    const std::string source = this->makeSource(Operation::Encrypt, "source.bin", 5000, 3);
    const std::string folder = this->dir.file("readonly");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string existing = folder + "/existing.bin";
    vt::writeFile(existing, "keep these bytes");
    ASSERT_EQ(::chmod(existing.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    const auto folderIsReadOnly = [&folder] {
        const std::string probe = folder + "/probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    };
    for (const std::string& dest : {folder + "/fresh.bin", existing}) {
        const ChildResult result = runWithPermissions(this->engine, Operation::Encrypt, source, dest, folderIsReadOnly);
        if (result.exitCode == kChildPermissionsNotEnforced || result.exitCode == kChildSetupFailed)
            GTEST_SKIP() << "file permissions cannot be enforced here: " << result.report;
        EXPECT_EQ(result.exitCode, kChildFailedAsExpected) << result.report;
        EXPECT_NE(result.report.find(dest), std::string::npos)
            << "error does not name the destination: " << result.report;
    }
    EXPECT_EQ(vt::readFile(existing), "keep these bytes");
    EXPECT_EQ(vt::listFolder(folder), std::vector<std::string>{"existing.bin"});
}

// Catches an unreadable source that is reported as missing, reported without
// its name, or that gets as far as touching the destination.
TYPED_TEST(CipherFile, UnreadableSourceFailsAndWritesNothing)
{
    const std::string source = this->makeSource(Operation::Encrypt, "source.bin", 5000, 3);
    ASSERT_EQ(::chmod(source.c_str(), 0), 0);
    const std::string existing = this->dir.file("existing.bin");
    vt::writeFile(existing, "keep these bytes");
    const auto before = vt::listFolder(this->dir.path());

    const auto sourceIsUnreadable = [&source] {
        const int fd = ::open(source.c_str(), O_RDONLY);
        if (fd < 0)
            return true;
        ::close(fd);
        return false;
    };
    for (const Operation operation : kOperations) {
        for (const std::string& dest : {this->dir.file("fresh.bin"), existing}) {
            const ChildResult result = runWithPermissions(this->engine, operation, source, dest, sourceIsUnreadable);
            if (result.exitCode == kChildPermissionsNotEnforced || result.exitCode == kChildSetupFailed)
                GTEST_SKIP() << "file permissions cannot be enforced here: " << result.report;
            EXPECT_EQ(result.exitCode, kChildFailedAsExpected) << nameOf(operation) << ": " << result.report;
            EXPECT_NE(result.report.find(source), std::string::npos)
                << "error does not name the source: " << result.report;
            EXPECT_EQ(result.report.find("does not exist"), std::string::npos) << result.report;
        }
    }
    EXPECT_EQ(vt::readFile(existing), "keep these bytes");
    EXPECT_EQ(vt::listFolder(this->dir.path()), before);
}

// --- Mode of a new file ----------------------------------------------------------------

// Catches a new output created private (0600, as a temporary-file helper
// would make it) or with a fixed mode instead of 0666 less the umask.
TYPED_TEST(CipherFile, NewFileModeFollowsTheUmask)
{
    const std::string source = this->makeSource(Operation::Encrypt, "source.bin", 100, 3);
    for (const mode_t mask : {mode_t{022}, mode_t{027}, mode_t{077}, mode_t{002}, mode_t{0}}) {
        const std::string dest = this->dir.file("new.bin");
        ::unlink(dest.c_str());
        {
            const UmaskGuard guard(mask);
            this->engine.EncryptFile(source, dest, kKey);
        }
        EXPECT_EQ(statOf(dest).st_mode & 07777, 0666u & ~mask) << "umask " << std::oct << mask;
    }
}

}  // namespace

// Catches a private file that becomes readable by others when it is
// decrypted or encrypted over itself: a replaced file keeps its mode.
TYPED_TEST(CipherFile, ReplacedFileKeepsItsMode)
{
    const std::string source = this->makeSource(Operation::Encrypt, "private.bin", 100, 4);
    ASSERT_EQ(::chmod(source.c_str(), 0600), 0);
    const UmaskGuard guard(022);
    this->engine.EncryptFile(source, source, kKey);
    EXPECT_EQ(statOf(source).st_mode & 07777, 0600u);
}
