// Every writing command of the veilcraft program, stopped half-way by
// SIGTERM or SIGKILL at several points of its run, on files big enough to be
// caught in the middle. Afterwards, whatever the point:
//  - every source is still there or its complete output is, never neither;
//  - nothing truncated lies under a final name;
//  - after SIGTERM no temporary file is left; after SIGKILL none is left
//    once the same command has run again.
// The points are conditions seen from outside (a temporary file appeared, a
// first output appeared), so the kill lands in the middle however fast the
// machine is; a run that ends before a point is reached is checked all the
// same.
#include "CipherSuite.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::writeFile;

constexpr const char* kPassword = "pw";
constexpr std::size_t kFileSize = 24u << 20;
constexpr int kFiles = 4;

bool isTemporary(const fs::path& path)
{
    return path.filename().string().find(".vctmp-") != std::string::npos;
}

// Temporary files anywhere below `root`.
std::vector<std::string> temporariesBelow(const fs::path& root)
{
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
        if (isTemporary(it->path()))
            found.push_back(it->path().string());
    return found;
}

// Where in a run the signal is sent.
enum class Point { TemporaryAppears, FirstOutputAppears, SecondTemporary };

struct Outcome {
    int status = 0;
    bool reachedPoint = false;
};

class Workspace {
public:
    Workspace()
    {
        for (const char* folder : {"src", "out", "tmp", "dest"})
            fs::create_directories(at(folder));
        for (int i = 0; i < kFiles; ++i) {
            contents.push_back(randomBytes(kFileSize, static_cast<std::uint32_t>(i + 1)));
            writeFile(source(i), contents.back());
        }
    }

    [[nodiscard]] std::string at(const std::string& name) const { return dir.file(name); }
    [[nodiscard]] std::string source(int i) const { return at("src/file" + std::to_string(i) + ".dat"); }

    // Runs the program with `arguments`; with a signal, sends it at `point`.
    Outcome run(const std::vector<std::string>& arguments, int signal = 0, Point point = Point::TemporaryAppears) const
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("VEILCRAFT_PASSWORD", kPassword, 1);
            ::setenv("TMPDIR", at("tmp").c_str(), 1);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string program = std::string(VEILCRAFT_BINARY_DIR) + "/veilcraft";
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        Outcome outcome;
        if (signal != 0)
            outcome.reachedPoint = waitForPoint(pid, point, dir.path());
        if (signal != 0 && outcome.reachedPoint)
            ::kill(pid, signal);
        ::waitpid(pid, &outcome.status, 0);
        return outcome;
    }

    veilcraft::test::TempDir dir;
    std::vector<std::string> contents;

private:
    // Polls the workspace until the point is reached or the child has ended.
    bool waitForPoint(pid_t pid, Point point, const std::string& watched) const
    {
        const std::vector<std::string> before = filesBelow(watched);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        bool sawTemporary = false;
        bool sawOutput = false;
        while (std::chrono::steady_clock::now() < deadline) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
                return false;
            const bool temporary = !temporariesBelow(watched).empty();
            const bool output = filesBelow(watched) != before;
            if (point == Point::TemporaryAppears && temporary)
                return true;
            if (point == Point::FirstOutputAppears && output)
                return true;
            if (point == Point::SecondTemporary && sawOutput && temporary && sawTemporary)
                return true;
            sawTemporary = sawTemporary || temporary;
            sawOutput = sawOutput || output;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // The regular files below `root` that are not temporary, sorted.
    static std::vector<std::string> filesBelow(const std::string& root)
    {
        std::vector<std::string> found;
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
            if (!isTemporary(it->path()) && it->is_regular_file(error))
                found.push_back(it->path().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

std::string decryptContainer(const std::string& path)
{
    std::string bytes = readFile(path);
    if (bytes.size() < 9)
        return {};
    bytes.resize(bytes.size() - 9);
    veilcraft::CipherSuite suite;
    return suite.EncryptRC4.DecryptString(bytes, kPassword);
}

// The files of the archive container, extracted with the program itself;
// empty when it cannot be read whole.
std::vector<std::string> archivedContents(const Workspace& work, const std::string& container)
{
    const std::string check = work.at("check");
    fs::remove_all(check);
    fs::create_directories(check);
    const int status = work.run({"extract", "--flat", "--dest", check, container}).status;
    std::vector<std::string> found;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return found;
    for (const auto& entry : fs::directory_iterator(check))
        found.push_back(readFile(entry.path().string()));
    fs::remove_all(check);
    std::sort(found.begin(), found.end());
    return found;
}

struct Case {
    int signal;
    Point point;
};

const Case kCases[] = {
    {SIGTERM, Point::TemporaryAppears}, {SIGTERM, Point::FirstOutputAppears}, {SIGTERM, Point::SecondTemporary},
    {SIGKILL, Point::TemporaryAppears}, {SIGKILL, Point::FirstOutputAppears}, {SIGKILL, Point::SecondTemporary},
};

std::string describe(const Case& c)
{
    return std::string(c.signal == SIGTERM ? "SIGTERM" : "SIGKILL") + " at point " +
           std::to_string(static_cast<int>(c.point));
}

// The common frame: run, stop, check the invariants; after SIGKILL run
// again to the end and check that the leftovers went.
void exercise(const std::function<std::vector<std::string>(const Workspace&)>& arguments,
              const std::function<void(const Workspace&)>& prepare,
              const std::function<void(const Workspace&, const std::string&)>& invariants,
              const std::vector<std::string>& again = {})
{
    int reached = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(describe(c));
        Workspace work;
        if (prepare)
            prepare(work);
        const Outcome stopped = work.run(arguments(work), c.signal, c.point);
        reached += stopped.reachedPoint ? 1 : 0;
        invariants(work, "after the stop");
        if (c.signal == SIGTERM) {
            EXPECT_TRUE(temporariesBelow(work.dir.path()).empty());
            // The signal ends the run the orderly way, not the default way.
            EXPECT_TRUE(WIFEXITED(stopped.status)) << "status " << stopped.status;
        } else {
            std::vector<std::string> next = arguments(work);
            next.insert(next.begin() + 1, again.begin(), again.end());
            work.run(next);
            invariants(work, "after the next run");
            EXPECT_TRUE(temporariesBelow(work.dir.path()).empty());
        }
    }
    // Runs that all ended before any point would prove nothing.
    EXPECT_GT(reached, 0);
}

std::vector<std::string> sources(const Workspace& work)
{
    std::vector<std::string> list;
    for (int i = 0; i < kFiles; ++i)
        list.push_back(work.source(i));
    return list;
}

}  // namespace

TEST(FaultInjection, EncryptWithSourceRemoval)
{
    exercise(
        [](const Workspace& work) {
            std::vector<std::string> arguments{"encrypt", "--remove-sources", "--dest", work.at("out")};
            for (const std::string& s : sources(work))
                arguments.push_back(s);
            return arguments;
        },
        {},
        [](const Workspace& work, const std::string& when) {
            for (int i = 0; i < kFiles; ++i) {
                const std::string output = work.at("out/file" + std::to_string(i) + ".vkf");
                const bool complete = fs::exists(output) && decryptContainer(output) == work.contents[i];
                EXPECT_TRUE(!fs::exists(output) || complete) << output << " is not whole " << when;
                EXPECT_TRUE(fs::exists(work.source(i)) || complete) << "file " << i << " is lost " << when;
            }
        },
        {"--overwrite"});
}

TEST(FaultInjection, EncryptIntoOneArchiveWithSourceRemoval)
{
    exercise(
        [](const Workspace& work) {
            std::vector<std::string> arguments{"encrypt", "--remove-sources", "--archive", work.at("out/all.vkf")};
            for (const std::string& s : sources(work))
                arguments.push_back(s);
            return arguments;
        },
        {},
        [](const Workspace& work, const std::string& when) {
            std::vector<std::string> expected = work.contents;
            std::sort(expected.begin(), expected.end());
            const bool complete = fs::exists(work.at("out/all.vkf")) &&
                                  archivedContents(work, work.at("out/all.vkf")) == expected;
            EXPECT_TRUE(!fs::exists(work.at("out/all.vkf")) || complete) << "not whole " << when;
            for (int i = 0; i < kFiles; ++i)
                EXPECT_TRUE(fs::exists(work.source(i)) || complete) << "file " << i << " is lost " << when;
        },
        {"--overwrite"});
}

TEST(FaultInjection, EncryptFolder)
{
    exercise(
        [](const Workspace& work) {
            return std::vector<std::string>{"encrypt-folder", work.at("src"), "--output", work.at("out/src.vkf")};
        },
        {},
        [](const Workspace& work, const std::string& when) {
            std::vector<std::string> expected = work.contents;
            std::sort(expected.begin(), expected.end());
            if (fs::exists(work.at("out/src.vkf"))) {
                EXPECT_EQ(archivedContents(work, work.at("out/src.vkf")), expected) << "not whole " << when;
            }
            for (int i = 0; i < kFiles; ++i)
                EXPECT_TRUE(fs::exists(work.source(i)));
        },
        {"--overwrite"});
}

TEST(FaultInjection, DecryptSingleFilesAndAnArchive)
{
    exercise(
        [](const Workspace& work) {
            return std::vector<std::string>{"decrypt", work.at("out/file0.vkf"), work.at("out/file1.vkf"),
                                            work.at("out/all.vkf")};
        },
        [](const Workspace& work) {
            std::vector<std::string> encrypt{"encrypt", "--dest", work.at("out"), work.source(0), work.source(1)};
            ASSERT_EQ(work.run(encrypt).status, 0);
            std::vector<std::string> archive{"encrypt", "--archive", work.at("out/all.vkf")};
            for (const std::string& s : sources(work))
                archive.push_back(s);
            ASSERT_EQ(work.run(archive).status, 0);
        },
        [](const Workspace& work, const std::string& when) {
            for (int i = 0; i < 2; ++i) {
                const std::string target = work.at("out/file" + std::to_string(i) + ".dat");
                if (fs::exists(target)) {
                    EXPECT_TRUE(readFile(target) == work.contents[i]) << target << " is not whole " << when;
                }
            }
            for (int i = 0; i < kFiles; ++i) {
                const std::string extracted = work.at("out/all/src/file" + std::to_string(i) + ".dat");
                if (fs::exists(extracted)) {
                    EXPECT_TRUE(readFile(extracted) == work.contents[i]) << extracted << " is not whole " << when;
                }
            }
        },
        {"--overwrite"});
}

TEST(FaultInjection, ZipCreateOverAnExistingArchive)
{
    exercise(
        [](const Workspace& work) {
            return std::vector<std::string>{"zip", "create", work.at("out/src.zip"), work.at("src")};
        },
        [](const Workspace& work) { writeFile(work.at("out/src.zip"), "an older archive"); },
        [](const Workspace& work, const std::string& when) {
            const std::string archive = work.at("out/src.zip");
            ASSERT_TRUE(fs::exists(archive)) << "the old archive is gone " << when;
            if (readFile(archive) == "an older archive")
                return;
            const std::string check = work.at("check");
            fs::remove_all(check);
            EXPECT_EQ(work.run({"zip", "extract", archive, "--dest", check}).status, 0) << "not whole " << when;
            for (int i = 0; i < kFiles; ++i)
                EXPECT_TRUE(readFile(check + "/src/file" + std::to_string(i) + ".dat") == work.contents[i]);
        });
}

TEST(FaultInjection, ZipExtract)
{
    exercise(
        [](const Workspace& work) {
            return std::vector<std::string>{"zip", "extract", work.at("out/src.zip"), "--dest", work.at("dest")};
        },
        [](const Workspace& work) {
            ASSERT_EQ(work.run({"zip", "create", work.at("out/src.zip"), work.at("src")}).status, 0);
        },
        [](const Workspace& work, const std::string& when) {
            for (int i = 0; i < kFiles; ++i) {
                const std::string extracted = work.at("dest/src/file" + std::to_string(i) + ".dat");
                if (fs::exists(extracted)) {
                    EXPECT_TRUE(readFile(extracted) == work.contents[i]) << extracted << " is not whole " << when;
                }
            }
        });
}
