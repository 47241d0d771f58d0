// ZipWorker where a file could be lost, half written or written elsewhere:
// sources that fail half-way, archives being built, links and temporary
// files met in a destination, entries that lie about their size or name,
// archives that are not regular files, and stopped work.
#include "EntryCompressor.h"
#include "TempDir.h"
#include "TemporaryNames.h"
#include "ZipTestSupport.h"
#include "ZipWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace veilcraft::kompak;
using namespace veilcraft::kompak::test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using veilcraft::test::fileExists;
using veilcraft::test::listFolder;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;
namespace fs = std::filesystem;
using R = std::pair<std::string, ZipError>;

mode_t permissions(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

class KompakZipSafety : public ::testing::Test {
protected:
    TempDir dir;
    Reports reports;
    ZipWorker worker{reports.reporter()};
};

// A source whose second read fails, as a disk error half-way would.
std::atomic<int> readsBeforeFailure{0};
ssize_t FailingRead(int fd, void* buffer, std::size_t size)
{
    if (readsBeforeFailure.fetch_sub(1) > 0)
        return ::read(fd, buffer, std::min<std::size_t>(size, 1000));
    errno = EIO;
    return -1;
}

// Caught: the bytes read before the failure were stored as a complete entry
// with a matching CRC, while the user was told the file was left out.
TEST_F(KompakZipSafety, AFileThatFailsHalfWayBecomesNoEntry)
{
    writeFile(dir.file("half.bin"), randomBytes(5000, 1));
    writeFile(dir.file("whole.txt"), "whole");
    const std::string archive = dir.file("a.zip");
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    readsBeforeFailure = 1;
    detail::SetReadFunctionForTests(FailingRead);
    EXPECT_FALSE(worker.ZipOneFile(dir.file("half.bin"), "", "", 0));
    detail::SetReadFunctionForTests(nullptr);
    EXPECT_TRUE(worker.ZipOneFile(dir.file("whole.txt"), "", "", 0));
    ASSERT_TRUE(worker.ZipClose());
    EXPECT_THAT(entryNames(archive), ElementsAre("whole.txt"));
    EXPECT_THAT(reports.list, ElementsAre(R{dir.file("half.bin") + " could not be read", ZipError::CannotRead}));
}

// Caught: the target was truncated when the archive was begun, so an
// unfinished run destroyed the archive the user had.
TEST_F(KompakZipSafety, AnArchiveAppearsUnderItsNameOnlyWhenClosed)
{
    const std::string target = dir.file("keep.zip");
    writeFile(target, "the old archive");
    ::chmod(target.c_str(), 0640);
    writeFile(dir.file("a.txt"), "alpha");
    {
        ZipWorker unfinished(reports.reporter());
        ASSERT_TRUE(unfinished.NewZipFile(target, 1));
        // The folder holds the archive being built; it is not added to itself.
        ASSERT_TRUE(unfinished.ZipEntireDirectory(dir.path(), 0, 0));
        EXPECT_EQ(readFile(target), "the old archive");
        const std::vector<std::string> names = listFolder(dir.path());
        ASSERT_EQ(names.size(), 3u);
        EXPECT_TRUE(veilcraft::tempnames::isTemporaryName(names[0])) << names[0];
    }
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("a.txt", "keep.zip"));
    EXPECT_EQ(readFile(target), "the old archive");

    ASSERT_TRUE(worker.NewZipFile(target, 1));
    ASSERT_TRUE(worker.ZipEntireDirectory(dir.path(), 0, 0));
    ASSERT_TRUE(worker.ZipClose());
    EXPECT_EQ(permissions(target), 0640u);  // the replaced file's, not the private temporary's
    // The old archive is a file of the folder; the new one is not.
    EXPECT_THAT(entryNames(target), UnorderedElementsAre("a.txt", "keep.zip"));
    EXPECT_THAT(reports.list, IsEmpty());
}

// Caught: the first entry matching without regard to case was taken even
// when another matched exactly.
TEST_F(KompakZipSafety, AnExactNameWinsOverOneDifferingInCase)
{
    const std::string archive = dir.file("case.zip");
    craftArchive(archive, {{"A.txt", "upper"}, {"a.txt", "lower"}});
    EXPECT_TRUE(worker.UnZipOneFile(archive, "a.txt", dir.file("out")));
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("a.txt"));
    EXPECT_EQ(readFile(dir.file("out/a.txt")), "lower");
}

// Caught: a link inside the destination led an entry out of it.
TEST_F(KompakZipSafety, ALinkInsideTheDestinationIsNeverFollowed)
{
    fs::create_directories(dir.file("out"));
    fs::create_directories(dir.file("elsewhere"));
    writeFile(dir.file("elsewhere/secret.txt"), "secret");
    fs::create_directory_symlink(dir.file("elsewhere"), dir.file("out/link"));
    fs::create_symlink(dir.file("elsewhere/secret.txt"), dir.file("out/victim.txt"));
    const std::string archive = dir.file("links.zip");
    craftArchive(archive, {{"link/planted.txt", "planted"}, {"victim.txt", "new"}});
    worker.PreserveDirPath = true;

    EXPECT_FALSE(worker.UnZipAllFiles(archive, dir.file("out")));
    EXPECT_THAT(listFolder(dir.file("elsewhere")), ElementsAre("secret.txt"));
    EXPECT_EQ(readFile(dir.file("elsewhere/secret.txt")), "secret");
    // A link under the target's own name is replaced, not written through.
    EXPECT_FALSE(fs::is_symlink(dir.file("out/victim.txt")));
    EXPECT_EQ(readFile(dir.file("out/victim.txt")), "new");
    EXPECT_THAT(reports.list, ElementsAre(R{dir.file("out/link/planted.txt") +
                                                " Could Not be Created: link is a symbolic link, which is not followed",
                                            ZipError::CannotCreate}));
}

// Caught: part files of a killed run stayed for ever, and a replaced file
// took the part file's permissions instead of keeping its own.
TEST_F(KompakZipSafety, LeftoversGoAndReplacedFilesKeepTheirPermissions)
{
    fs::create_directories(dir.file("out"));
    const veilcraft::tempnames::Created leftover = veilcraft::tempnames::create(dir.file("out"), "", ".part");
    ASSERT_GE(leftover.fd, 0);
    ::close(leftover.fd);  // as a kill -9 leaves it: unlocked
    writeFile(dir.file("out/private.txt"), "old");
    ::chmod(dir.file("out/private.txt").c_str(), 0600);
    const std::string archive = dir.file("p.zip");
    craftArchive(archive, {{"private.txt", "new"}, {"public.txt", "new"}});
    const mode_t mask = ::umask(022);

    EXPECT_TRUE(worker.UnZipAllFiles(archive, dir.file("out")));
    ::umask(mask);
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("private.txt", "public.txt"));
    EXPECT_EQ(permissions(dir.file("out/private.txt")), 0600u);
    EXPECT_EQ(permissions(dir.file("out/public.txt")), 0644u);
}

// Caught: an entry named like the archive replaced the archive being read.
TEST_F(KompakZipSafety, TheArchiveAndTemporaryNamesAreNeverWrittenOver)
{
    fs::create_directories(dir.file("out"));
    const std::string archive = dir.file("out/self.zip");
    craftArchive(archive, {{"self.zip", "not an archive"}, {"x.vctmp-abcdefghij.part", "t"}, {"ok.txt", "ok"}});
    const std::string bytes = readFile(archive);

    EXPECT_FALSE(worker.UnZipAllFiles(archive, dir.file("out")));
    EXPECT_EQ(readFile(archive), bytes);
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("ok.txt", "self.zip"));
    EXPECT_THAT(reports.list,
                ElementsAre(R{archive + " Could Not be Created: it is the archive being read", ZipError::CannotCreate},
                            R{dir.file("out/x.vctmp-abcdefghij.part") +
                                  " Could Not be Created: the name is kept for temporary files",
                              ZipError::CannotCreate}));
}

// Caught: an entry declaring 1,000 bytes was inflated and written whole
// (here 4 MiB, against a 1 MiB file size limit) before it was refused.
TEST_F(KompakZipSafety, AnEntryIsCutOffRightAfterItsDeclaredSize)
{
    const std::string content(4 * 1024 * 1024, 'z');
    const std::string archive = dir.file("bomb.zip");
    writeFile(archive, rawArchive({"bomb.bin", content, deflateRaw(content), 8, 1000, true}));
    const std::string out = dir.file("out");
    fs::create_directories(out);

    const std::string result = underFileSizeLimit(
        1024 * 1024, [&](ZipWorker& w) { return w.UnZipAllFiles(archive, out) ? "true" : "false"; });
    EXPECT_EQ(result, "6:current file in zip can not be closed: bomb.bin\nfalse");
    EXPECT_THAT(listFolder(out), IsEmpty());
}

// Caught: a name holding a NUL byte was cut there and written as another
// file, and the run passed for a success.
TEST_F(KompakZipSafety, ANameHoldingANulByteIsRefused)
{
    const std::string name("evil\0.txt", 9);
    const std::string archive = dir.file("nul.zip");
    writeFile(archive, rawArchive({name, "data", "data", 0, 4, false}));

    EXPECT_FALSE(worker.UnZipAllFiles(archive, dir.file("out")));
    EXPECT_THAT(listFolder(dir.file("out")), IsEmpty());
    EXPECT_THAT(reports.list, ElementsAre(R{dir.file("out/evil\\0.txt") + " Could Not be Created: the name holds a NUL byte",
                                            ZipError::CannotCreate}));
}

// Caught: a FIFO given as the archive blocked the call for ever.
TEST_F(KompakZipSafety, OnlyRegularFilesAreReadAsArchives)
{
    const std::string fifo = dir.file("pipe.zip");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(worker.GetZipFileInfo(fifo));
    EXPECT_FALSE(worker.UnZipAllFiles(fifo, dir.file("out")));
    EXPECT_FALSE(worker.UnZipOneFile(fifo, "a.txt", dir.file("out")));
    EXPECT_THAT(reports.list, ElementsAre(R{fifo + " can not be read", ZipError::CannotRead},
                                          R{fifo + " can not be opened", ZipError::CannotRead},
                                          R{fifo + " can not be opened", ZipError::CannotRead}));
}

// Caught: nothing asked whether to go on, so a stop had to wait for the end
// of the whole run.
TEST_F(KompakZipSafety, AStopLeavesNothingHalfWrittenAndIsNotReported)
{
    const std::string big = randomBytes(3 * 1024 * 1024, 5);
    fs::create_directories(dir.file("src"));
    writeFile(dir.file("src/big.bin"), big);
    writeFile(dir.file("src/small.txt"), "small");
    const std::string archive = dir.file("in.zip");
    craftArchive(archive, {{"big.bin", big}, {"small.txt", "small"}});
    writeFile(dir.file("out.zip"), "the old archive");
    std::atomic<int> allowed{0};
    ZipWorker stopping(reports.reporter(), [&allowed] { return allowed.fetch_sub(1) > 0; });

    allowed = 2;  // the first entry, its first chunk
    EXPECT_FALSE(stopping.UnZipAllFiles(archive, dir.file("dest")));
    EXPECT_THAT(listFolder(dir.file("dest")), IsEmpty());

    allowed = 3;  // a few chunks of the files deflated ahead
    ASSERT_TRUE(stopping.NewZipFile(dir.file("out.zip"), 1));
    EXPECT_FALSE(stopping.ZipEntireDirectory(dir.file("src"), 1, 0));
    EXPECT_FALSE(stopping.ZipClose());
    allowed = 0;
    ASSERT_TRUE(stopping.NewZipFile(dir.file("out.zip"), 1));
    EXPECT_FALSE(stopping.ZipOneFile(dir.file("src/big.bin"), "", "", 0));
    EXPECT_FALSE(stopping.ZipClose());
    EXPECT_EQ(readFile(dir.file("out.zip")), "the old archive");
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("dest", "in.zip", "out.zip", "src"));
    EXPECT_THAT(reports.list, IsEmpty());
}

}  // namespace
