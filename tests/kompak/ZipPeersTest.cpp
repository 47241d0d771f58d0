// Interplay with other zip tools: they accept what we write, and we list and
// extract what they write. Skipped where a tool is not installed
// (scripts/bootstrap.sh installs them).
#include "TempDir.h"
#include "ZipTestSupport.h"
#include "Zip64End.h"
#include "ZipWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace veilcraft::kompak;
using namespace veilcraft::kompak::test;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;
namespace fs = std::filesystem;

class KompakZipPeers : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"zip", "unzip", "zipinfo", "python3"})
            if (!haveTool(tool))
                GTEST_SKIP() << tool << " is not installed";
        fs::create_directories(dir.file("tree/sub/deeper"));
        fs::create_directories(dir.file("tree/empty"));
        writeFile(dir.file("tree/readme.txt"), std::string(3000, 't'));
        writeFile(dir.file("tree/sub/data.bin"), randomBytes(300000, 5));
        // Large enough to be deflated in chunks, random and text ones.
        std::string mixed = randomBytes(1500000, 6);
        while (mixed.size() < 6000000)
            mixed += "text line " + std::to_string(mixed.size()) + "\n";
        writeFile(dir.file("tree/sub/mixed.dat"), mixed);
        writeFile(dir.file("tree/sub/deeper/.hidden"), "");
    }

    // Zips tree/ with us, stored from the folder's own name on.
    void zipTree(const std::string& archive)
    {
        worker.PreserveDirPath = true;
        ASSERT_TRUE(worker.NewZipFile(archive, 1));
        ASSERT_TRUE(worker.ZipEntireDirectory(dir.file("tree"), 1, 1));
        ASSERT_TRUE(worker.ZipClose());
    }

    // Extracts archive with us into a fresh folder and compares the files
    // with tree/.
    void expectExtractsToTree(const std::string& archive, const std::string& prefix)
    {
        const std::string out = dir.file("out-" + fs::path(archive).stem().string());
        worker.PreserveDirPath = true;
        ASSERT_TRUE(worker.UnZipAllFiles(archive, out));
        for (const char* file : {"readme.txt", "sub/data.bin", "sub/mixed.dat", "sub/deeper/.hidden"})
            EXPECT_TRUE(readFile(out + "/" + prefix + file) == readFile(dir.file(std::string("tree/") + file))) << file;
        EXPECT_FALSE(fs::exists(out + "/" + prefix + "empty"));  // directory entries make no folders
    }

    TempDir dir;
    Reports reports;
    ZipWorker worker{reports.reporter()};
};

TEST_F(KompakZipPeers, PeersAcceptOurArchives)
{
    const std::string archive = dir.file("ours.zip");
    ASSERT_NO_FATAL_FAILURE(zipTree(archive));

    std::string output;
    EXPECT_EQ(runShell("unzip -t " + quote(archive), output), 0) << output;
    EXPECT_THAT(output, HasSubstr("No errors detected"));
    EXPECT_EQ(runShell("zipinfo " + quote(archive), output), 0) << output;
    EXPECT_THAT(output, HasSubstr("tree/sub/deeper/.hidden"));
    EXPECT_THAT(output, HasSubstr("4 files"));
    const std::string check = R"(
import sys, zipfile
archive, root = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive) as z:
    assert z.testzip() is None
    for info in z.infolist():
        assert info.date_time == (1980, 1, 0, 0, 0, 0), info.date_time
        assert info.compress_type == zipfile.ZIP_DEFLATED and info.extra == b'' and info.comment == b''
        with open(root + '/' + info.filename, 'rb') as f:
            assert z.read(info) == f.read(), info.filename
print('ok')
)";
    writeFile(dir.file("check.py"), check);
    EXPECT_EQ(runShell("python3 " + quote(dir.file("check.py")) + " " + quote(archive) + " " + quote(dir.path()), output),
              0)
        << output;
}

// The zip64 end records an archive of more than 65,534 entries gets, here
// put on a small one: peers and we still read every entry.
TEST_F(KompakZipPeers, Zip64EndRecordsAreReadByPeersAndUs)
{
    const std::string archive = dir.file("ours.zip");
    ASSERT_NO_FATAL_FAILURE(zipTree(archive));
    const int fd = ::open(archive.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(detail::WriteZip64End(fd, 4));
    EXPECT_TRUE(detail::WriteZip64End(fd, 4));  // once only
    ::close(fd);

    std::string output;
    EXPECT_EQ(runShell("unzip -t " + quote(archive), output), 0) << output;
    EXPECT_EQ(runShell("python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                       "assert z.testzip() is None and len(z.infolist()) == 4' " + quote(archive), output),
              0)
        << output;
    ASSERT_TRUE(worker.GetZipFileInfo(archive));
    const std::string names = worker.LongFileNameArray();
    EXPECT_EQ(std::count(names.begin(), names.end(), '|'), 3);
    expectExtractsToTree(archive, "tree/");
}

TEST_F(KompakZipPeers, WeReadPeerArchives)
{
    std::string output;
    ASSERT_EQ(runShell("cd " + quote(dir.path()) + " && zip -r -q info-zip.zip tree", output), 0) << output;
    const std::string make = R"(
import os, sys, zipfile
root = sys.argv[1]
for name, method in (('stored', zipfile.ZIP_STORED), ('deflated', zipfile.ZIP_DEFLATED)):
    with zipfile.ZipFile(os.path.join(root, name + '.zip'), 'w', method) as z:
        for folder, dirs, files in sorted(os.walk(os.path.join(root, 'tree'))):
            z.write(folder, os.path.relpath(folder, root) + '/')
            for f in sorted(files):
                path = os.path.join(folder, f)
                if f == 'data.bin' and name == 'deflated':
                    with z.open(os.path.relpath(path, root), 'w', force_zip64=True) as out, open(path, 'rb') as src:
                        out.write(src.read())
                else:
                    z.write(path, os.path.relpath(path, root))
)";
    writeFile(dir.file("make.py"), make);
    ASSERT_EQ(runShell("python3 " + quote(dir.file("make.py")) + " " + quote(dir.path()), output), 0) << output;

    for (const char* name : {"info-zip", "stored", "deflated"}) {
        SCOPED_TRACE(name);
        const std::string archive = dir.file(std::string(name) + ".zip");
        ASSERT_TRUE(worker.GetZipFileInfo(archive));
        std::vector<std::string> names;
        std::string all = worker.LongFileNameArray() + "|";
        for (std::size_t at; (at = all.find('|')) != std::string::npos; all.erase(0, at + 1))
            names.push_back(all.substr(0, at));
        std::sort(names.begin(), names.end());
        EXPECT_THAT(names, testing::ElementsAre("tree/readme.txt", "tree/sub/data.bin", "tree/sub/deeper/.hidden",
                                               "tree/sub/mixed.dat"));
        EXPECT_EQ(worker.MultipleFiles(), 2);
        EXPECT_THAT(worker.FileUnCompressedSizeArray(), HasSubstr("300000"));
        expectExtractsToTree(archive, "tree/");
    }
    EXPECT_THAT(reports.list, IsEmpty());
}

}  // namespace
