// ZipWorker on real files: the entries it writes (names, order, the bytes of
// their records), the listing it gives, extraction, and its behaviour on
// hostile, damaged and unwritable input.
#include "TempDir.h"
#include "ZipTestSupport.h"
#include "ZipWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zip.h>
#include <zlib.h>

#include <functional>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace veilcraft::kompak;
using namespace veilcraft::kompak::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using veilcraft::test::fileExists;
using veilcraft::test::listFolder;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;
namespace fs = std::filesystem;

class KompakZipWorker : public ::testing::Test {
protected:
    void makeFile(const std::string& relative, const std::string& content = "x")
    {
        fs::create_directories(fs::path(dir.file(relative)).parent_path());
        writeFile(dir.file(relative), content);
    }

    TempDir dir;
    Reports reports;
    ZipWorker worker{reports.reporter()};
};

// ---------------------------------------------------------------------------
// Writing

TEST_F(KompakZipWorker, ZipOneFileNamesEntriesByThePathRules)
{
    makeFile("data/photos/a.jpg");
    makeFile("a/a/f.txt");
    makeFile("up/x.txt");
    const std::string source = dir.file("data/photos/a.jpg");
    const std::string archive = dir.file("one.zip");
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    worker.PreserveDirPath = true;
    EXPECT_TRUE(worker.ZipOneFile(source, "ignored.name", "", 1));
    EXPECT_TRUE(worker.ZipOneFile(source, "", "", 0));
    {
        ScopedCwd cwd(dir.path());
        // A directory that repeats its parent's name keeps both levels.
        EXPECT_TRUE(worker.ZipOneFile("a/a/f.txt", "", "", 1));
        // A relative source above the current folder is stored below the root.
        ScopedCwd inner(dir.file("data"));
        EXPECT_TRUE(worker.ZipOneFile("../up/x.txt", "", "", 0));
    }
    worker.PreserveDirPath = false;
    EXPECT_TRUE(worker.ZipOneFile(source, "", "", 1));
    EXPECT_TRUE(worker.ZipOneFile(source, "", "\\sub", 1));
    EXPECT_TRUE(worker.ZipOneFile(source, "", "/sub\\deeper/../x", 0));
    ASSERT_TRUE(worker.ZipClose());

    const std::string absolute = dir.path().substr(1) + "/data/photos/a.jpg";
    EXPECT_THAT(entryNames(archive), ElementsAre("photos/a.jpg", absolute, "a/f.txt", "up/x.txt", "a.jpg",
                                                 "sub/a.jpg", "sub/deeper/x/a.jpg"));
    EXPECT_THAT(reports.list, IsEmpty());
}

TEST_F(KompakZipWorker, AnnouncedFilesAreStoredAsTheyAreWhenAdded)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        makeFile(name, std::string("first ") + name);
    const std::string archive = dir.file("ahead.zip");
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    std::string announced;
    for (const char* name : {"a.txt", "b.txt", "skipped.txt", "c.txt"})
        announced.append(dir.file(name)).push_back('\0');
    ASSERT_TRUE(worker.ZipNextFiles(announced));
    EXPECT_TRUE(worker.ZipOneFile(dir.file("a.txt"), "", "", 0));
    // b.txt changes after it was read ahead (the pause lets the workers get
    // to it; without it the change may come first, which must hold too);
    // d.txt was never announced; c.txt comes after one announced but never
    // added.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    writeFile(dir.file("b.txt"), "second, longer b.txt");
    EXPECT_TRUE(worker.ZipOneFile(dir.file("b.txt"), "", "", 0));
    EXPECT_TRUE(worker.ZipOneFile(dir.file("d.txt"), "", "", 0));
    EXPECT_TRUE(worker.ZipOneFile(dir.file("c.txt"), "", "", 0));
    ASSERT_TRUE(worker.ZipClose());

    EXPECT_THAT(entryNames(archive), ElementsAre("a.txt", "b.txt", "d.txt", "c.txt"));
    ASSERT_TRUE(worker.UnZipAllFiles(archive, dir.file("out")));
    EXPECT_EQ(readFile(dir.file("out/a.txt")), "first a.txt");
    EXPECT_EQ(readFile(dir.file("out/b.txt")), "second, longer b.txt");
    EXPECT_EQ(readFile(dir.file("out/c.txt")), "first c.txt");
    EXPECT_EQ(readFile(dir.file("out/d.txt")), "first d.txt");
    EXPECT_THAT(reports.list, IsEmpty());
}

TEST_F(KompakZipWorker, ExtractingAllReportsEveryFileEntryInOrder)
{
    // Small entries go to the workers and a large one is extracted on the
    // walking thread; the reports still come in the archive's order and
    // leave out folder entries, as the listing does.
    const std::string archive = dir.file("progress.zip");
    craftArchive(archive, {{"docs/", "", 0x00200000, 0},
                           {"docs/a.txt", "first"},
                           {"big.bin", randomBytes(5 << 20, 3)},
                           {"docs/b.txt", "second"}});
    std::vector<std::pair<std::uint64_t, std::string>> seen;
    ZipWorker reporting(reports.reporter(), {},
                        [&seen](std::uint64_t done, const std::string& name) { seen.emplace_back(done, name); });
    ASSERT_TRUE(reporting.UnZipAllFiles(archive, dir.file("out")));
    EXPECT_THAT(seen, ElementsAre(std::make_pair(1u, std::string("docs/a.txt")),
                                  std::make_pair(2u, std::string("big.bin")),
                                  std::make_pair(3u, std::string("docs/b.txt"))));
}

TEST_F(KompakZipWorker, ZipEntireDirectoryStoresFilesInPostOrder)
{
    makeFile("root/b.txt");
    makeFile("root/a.txt");
    makeFile("root/.hidden");
    makeFile("root/sub2/x.txt", "sub2");
    makeFile("root/sub1/deep/x.txt", "deep");
    makeFile("root/sub1/x.txt", "sub1");
    fs::create_directories(dir.file("root/empty"));
    fs::create_symlink(dir.file("root/sub1"), dir.file("root/sub1/loop"));
    fs::create_symlink(dir.file("outside.txt"), dir.file("root/link.txt"));
    fs::create_symlink(dir.file("nowhere"), dir.file("root/dangling"));
    writeFile(dir.file("outside.txt"), "target of a link");

    const std::string archive = dir.file("tree.zip");
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    worker.PreserveDirPath = true;
    EXPECT_TRUE(worker.ZipEntireDirectory(dir.file("root/"), 1, 1));
    worker.PreserveDirPath = false;
    EXPECT_TRUE(worker.ZipEntireDirectory(dir.file("root"), 1, 0));
    worker.PreserveDirPath = true;
    EXPECT_TRUE(worker.ZipEntireDirectory(dir.file("root"), 0, 1));
    {
        // A relative root with a trailing separator keeps its structure.
        ScopedCwd cwd(dir.path());
        EXPECT_TRUE(worker.ZipEntireDirectory("root/sub1/", 1, 1));
    }
    ASSERT_TRUE(worker.ZipClose());

    EXPECT_THAT(entryNames(archive),
                ElementsAre("root/sub1/deep/x.txt", "root/sub1/x.txt", "root/sub2/x.txt", "root/.hidden",
                            "root/a.txt", "root/b.txt", "root/link.txt",  //
                            "x.txt", "x.txt", "x.txt", ".hidden", "a.txt", "b.txt", "link.txt",
                            "root/.hidden", "root/a.txt", "root/b.txt", "root/link.txt",  //
                            "sub1/deep/x.txt", "sub1/x.txt"));
    const std::string dangling = dir.file("root/dangling") + " could not be read";
    EXPECT_EQ(reports.list, (std::vector<std::pair<std::string, ZipError>>(3, {dangling, ZipError::CannotRead})));

    ASSERT_TRUE(worker.GetZipFileInfo(archive));
    EXPECT_THAT(worker.FileUnCompressedSizeArray(), HasSubstr("|16|"));  // the link's target was stored
}

TEST_F(KompakZipWorker, WritingFailuresAreReportedWithTheirTexts)
{
    const std::string first = dir.file("first.zip");
    makeFile("data.txt", "data");

    EXPECT_FALSE(worker.ZipOneFile(dir.file("data.txt"), "", "", 0));
    EXPECT_FALSE(worker.ZipEntireDirectory(dir.path(), 1, 0));
    EXPECT_TRUE(worker.ZipClose());  // nothing open: no report

    ASSERT_TRUE(worker.NewZipFile(first, 0));
    EXPECT_TRUE(worker.ZipOneFile(dir.file("data.txt"), "", "", 0));
    EXPECT_FALSE(worker.ZipOneFile(dir.file("missing.txt"), "", "", 0));
    EXPECT_FALSE(worker.ZipOneFile(dir.path(), "", "", 0));
    // The second archive fails on the existing first one, which is closed
    // and complete nevertheless.
    EXPECT_FALSE(worker.NewZipFile(first, 0));
    EXPECT_FALSE(worker.hasOpenArchive());
    EXPECT_TRUE(worker.GetZipFileInfo(first));
    EXPECT_EQ(worker.LongFileNameArray(), "data.txt");
    EXPECT_FALSE(worker.NewZipFile(dir.file("no/such/folder/x.zip"), 1));
    EXPECT_FALSE(worker.hasOpenArchive());

    // Two archives in a row: the first is finished by the second.
    ASSERT_TRUE(worker.NewZipFile(first, 1));
    EXPECT_TRUE(worker.ZipOneFile(dir.file("data.txt"), "", "", 0));
    ASSERT_TRUE(worker.NewZipFile(dir.file("second.zip"), 1));
    EXPECT_TRUE(worker.GetZipFileInfo(first));
    EXPECT_TRUE(worker.ZipClose());

    using R = std::pair<std::string, ZipError>;
    EXPECT_THAT(reports.list,
                ElementsAre(R{"you must first open a new zip file to write in", ZipError::NoArchiveOpen},
                            R{"you must first open a new zip file to write in", ZipError::NoArchiveOpen},
                            R{dir.file("missing.txt") + " could not be read", ZipError::CannotRead},
                            R{dir.path() + " could not be read", ZipError::CannotRead},
                            R{first + " can not be overwritten, overwrite flag off", ZipError::NoOverwrite},
                            R{dir.file("no/such/folder/x.zip") + " can not be created", ZipError::CannotCreate}));
}

TEST_F(KompakZipWorker, EntriesCarryTheFixedRecordFields)
{
    makeFile("src/a.txt", std::string(5000, 'a'));
    makeFile("src/d/b.bin", randomBytes(70000, 1));
    const std::string archive = dir.file("fields.zip");
    worker.PreserveDirPath = true;
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    ASSERT_TRUE(worker.ZipEntireDirectory(dir.file("src"), 1, 1));
    ASSERT_TRUE(worker.ZipClose());

    const ParsedArchive parsed = parseArchive(readFile(archive));
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.globalCommentLength, 0u);
    for (const ParsedEntry& e : parsed.entries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.localName, e.name);
        EXPECT_EQ(std::vector<unsigned>({e.versionMadeBy, e.versionNeeded, e.flags, e.method, e.time, e.date,
                                         e.extraLength, e.commentLength}),
                  std::vector<unsigned>({0, 20, 0, 8, 0, 0x0020, 0, 0}));
        EXPECT_EQ(e.internalAttributes, 0u);
        EXPECT_EQ(e.externalAttributes, 0u);
        EXPECT_EQ(std::vector<unsigned>(
                      {e.localVersionNeeded, e.localFlags, e.localMethod, e.localTime, e.localDate, e.localExtraLength}),
                  std::vector<unsigned>({20, 0, 8, 0, 0x0020, 0}));
    }
    ASSERT_TRUE(worker.GetZipFileInfo(archive));
    EXPECT_EQ(worker.FileDateModifiedArray(), "0/1/1980 12:00 AM|0/1/1980 12:00 AM");
}

// Too big to be deflated whole: deflated chunks, stored (random) chunks and
// a partial last chunk, joined into one stream.
TEST_F(KompakZipWorker, ChunkedEntriesInflateToTheWholeFile)
{
    std::string content;
    for (int i = 0; content.size() < 4500 * 1024; ++i) {
        if (i % 3 == 1)
            content += randomBytes(700 * 1024, i);
        for (const std::size_t end = content.size() + 500 * 1024; content.size() < end;)
            content += "line " + std::to_string(content.size()) + " of some text\n";
    }
    makeFile("big.dat", content);

    const std::string ours = dir.file("ours.zip");
    ASSERT_TRUE(worker.NewZipFile(ours, 1));
    ASSERT_TRUE(worker.ZipOneFile(dir.file("big.dat"), "", "", 0));
    ASSERT_TRUE(worker.ZipClose());
    ASSERT_TRUE(worker.UnZipAllFiles(ours, dir.file("out")));
    EXPECT_TRUE(readFile(dir.file("out/big.dat")) == content);
}

// A folder's files are deflated on several threads ahead of being written:
// the archive still holds them in the walk's order, each whole, large
// (spilled) entries included.
TEST_F(KompakZipWorker, FolderEntriesDeflatedAheadKeepTheWalksOrder)
{
    std::string text;
    for (int i = 0; text.size() < 300 * 1024; ++i)
        text += "line " + std::to_string(i) + " of a text file\n";
    const std::string noise = randomBytes(5 * 1024 * 1024, 11);
    makeFile("d/sub/a.txt", text);
    makeFile("d/sub/c.bin", noise.substr(0, 5000));
    makeFile("d/sub/e.txt", "tiny");
    makeFile("d/b.bin", noise);

    const std::string ours = dir.file("ours.zip");
    ASSERT_TRUE(worker.NewZipFile(ours, 1));
    worker.PreserveDirPath = true;
    ASSERT_TRUE(worker.ZipEntireDirectory(dir.file("d"), 1, 1));
    ASSERT_TRUE(worker.ZipClose());

    EXPECT_THAT(entryNames(ours), ElementsAre("d/sub/a.txt", "d/sub/c.bin", "d/sub/e.txt", "d/b.bin"));
    ASSERT_TRUE(worker.UnZipAllFiles(ours, dir.file("out")));
    for (const char* name : {"d/sub/a.txt", "d/sub/c.bin", "d/sub/e.txt", "d/b.bin"})
        EXPECT_TRUE(readFile(dir.file(std::string("out/") + name)) == readFile(dir.file(name))) << name;
}

// ---------------------------------------------------------------------------
// Listing

TEST_F(KompakZipWorker, ListingDescribesFilesAndCountsEveryEntry)
{
    const std::string one = dir.file("one.zip");
    craftArchive(one, {{"photos/a.jpg", "12345", dosStamp(2003, 7, 14, 12, 5), 0}});
    ASSERT_TRUE(worker.GetZipFileInfo(one));
    EXPECT_EQ(listingOf(worker), (Listing{"photos/a.jpg", "a.jpg", "photos/", "14/7/2003 12:05 PM", "5", "5", 1}));

    const std::string withFolder = dir.file("folder.zip");
    craftArchive(withFolder, {{"docs/", "", dosStamp(2010, 1, 2, 3, 4), 0},
                              {"docs\\b.txt", "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", dosStamp(1999, 12, 31, 0, 5), 0}});
    ASSERT_TRUE(worker.GetZipFileInfo(withFolder));
    EXPECT_EQ(listingOf(worker),
              (Listing{"docs\\b.txt", "b.txt", "docs\\", "31/12/1999 12:05 AM", "30", "30", 2}));

    const std::string three = dir.file("three.zip");
    craftArchive(three, {{"a", "", dosStamp(2021, 2, 3, 9, 7), 8},
                         {"b/c", "cc", dosStamp(2107, 12, 31, 23, 59), 0},
                         {"d", "d", dosStamp(1980, 1, 1, 13, 0), 0}});
    ASSERT_TRUE(worker.GetZipFileInfo(three));
    EXPECT_EQ(listingOf(worker), (Listing{"a|b/c|d", "a|c|d", "|b/|", "3/2/2021 9:07 AM|31/12/2107 11:59 PM|1/1/1980 1:00 PM",
                                          "2|2|1", "0|2|1", 2}));

    // An archive without entries fails quietly and clears the listing.
    const std::string empty = dir.file("empty.zip");
    craftArchive(empty, {});
    EXPECT_FALSE(worker.GetZipFileInfo(empty));
    EXPECT_EQ(listingOf(worker), (Listing{"", "", "", "", "", "", 0}));
    EXPECT_THAT(reports.list, IsEmpty());
}

// ---------------------------------------------------------------------------
// Extraction

TEST_F(KompakZipWorker, ExtractionPlacesEntriesAsPreserveDirPathSays)
{
    const std::string archive = dir.file("in.zip");
    craftArchive(archive, {{"a/x.txt", "first"},
                           {"b/x.txt", "second", 0x00200000, 0},
                           {"photos/2003/a.jpg", "jpeg"},
                           {"Docs/ReadMe.TXT", "read me"},
                           {"folder/", ""}});

    worker.PreserveDirPath = true;
    EXPECT_TRUE(worker.UnZipAllFiles(archive, dir.file("keep")));
    EXPECT_EQ(readFile(dir.file("keep/photos/2003/a.jpg")), "jpeg");
    EXPECT_EQ(readFile(dir.file("keep/a/x.txt")), "first");
    EXPECT_THAT(listFolder(dir.file("keep")), ElementsAre("Docs", "a", "b", "photos"));  // no folder for "folder/"

    worker.PreserveDirPath = false;
    EXPECT_TRUE(worker.UnZipAllFiles(archive, dir.file("flat") + "/"));
    EXPECT_THAT(listFolder(dir.file("flat")), ElementsAre("ReadMe.TXT", "a.jpg", "x.txt"));
    EXPECT_EQ(readFile(dir.file("flat/x.txt")), "second");

    EXPECT_TRUE(worker.UnZipOneFile(archive, "docs/readme.txt", dir.file("one")));
    EXPECT_EQ(readFile(dir.file("one/ReadMe.TXT")), "read me");
    EXPECT_FALSE(worker.UnZipOneFile(archive, "folder/", dir.file("one")));  // quietly: nothing to write
    EXPECT_FALSE(worker.UnZipOneFile(archive, "docs/missing.txt", dir.file("one")));

    worker.PreserveDirPath = true;
    {
        ScopedCwd cwd(dir.file("one"));
        EXPECT_TRUE(worker.UnZipOneFile(archive, "PHOTOS/2003/A.JPG", ""));
    }
    EXPECT_EQ(readFile(dir.file("one/photos/2003/a.jpg")), "jpeg");

    EXPECT_EQ(reports.list, (std::vector<std::pair<std::string, ZipError>>{
                                {"Could Not Locate docs/missing.txt in " + archive, ZipError::NotFound}}));
}

// Small entries are written by several threads: entries that land on one
// name, or on a name and a folder of that name, still end as they would one
// after the other (the later file wins; a folder where a file is fails).
TEST_F(KompakZipWorker, EntriesOfOneTargetEndInTheArchivesOrder)
{
    std::vector<CraftedEntry> entries;
    for (int i = 0; i < 200; ++i)
        for (const char* folder : {"first/", "second/"})
            entries.push_back({folder + std::to_string(i) + ".txt", folder + std::to_string(i)});
    const std::string archive = dir.file("in.zip");
    craftArchive(archive, entries);
    worker.PreserveDirPath = false;
    EXPECT_TRUE(worker.UnZipAllFiles(archive, dir.file("flat")));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(readFile(dir.file("flat/" + std::to_string(i) + ".txt")), "second/" + std::to_string(i));

    entries.clear();
    std::vector<std::pair<std::string, ZipError>> expected;
    for (int i = 0; i < 100; ++i) {
        const std::string name = std::to_string(i) + ".txt";
        entries.push_back({name, "file " + name});
        entries.push_back({name + "/inner.txt", "under a file"});
        expected.emplace_back(dir.file("kept/" + name + "/inner.txt") + " Could Not be Created", ZipError::CannotCreate);
    }
    craftArchive(archive, entries);
    worker.PreserveDirPath = true;
    EXPECT_FALSE(worker.UnZipAllFiles(archive, dir.file("kept")));
    EXPECT_EQ(readFile(dir.file("kept/99.txt")), "file 99.txt");
    EXPECT_EQ(reports.list, expected);
}

TEST_F(KompakZipWorker, HostileNamesNeverLeaveTheTargetFolder)
{
    const std::string archive = dir.file("hostile.zip");
    craftArchive(archive, {{"../escape.txt", "1"},
                           {"/abs.txt", "2"},
                           {"C:\\drive.txt", "3"},
                           {"ok/..\\..\\escape2.txt", "4"},
                           {"sub\\win.txt", "5"},
                           {"fine.txt", "6"}});
    fs::create_directories(dir.file("target"));
    worker.PreserveDirPath = true;
    EXPECT_FALSE(worker.UnZipAllFiles(archive, dir.file("target")));  // two entries refused
    EXPECT_THAT(listFolder(dir.path()), ElementsAre("hostile.zip", "target"));
    EXPECT_THAT(listFolder(dir.file("target")), ElementsAre("abs.txt", "drive.txt", "fine.txt", "sub"));
    EXPECT_EQ(readFile(dir.file("target/sub/win.txt")), "5");
    using R = std::pair<std::string, ZipError>;
    EXPECT_THAT(reports.list,
                ElementsAre(R{"../escape.txt is outside the target folder and was not extracted", ZipError::CannotCreate},
                            R{"ok/..\\..\\escape2.txt is outside the target folder and was not extracted",
                              ZipError::CannotCreate}));

    // With an empty target the leading separator still cannot reach "/".
    ScopedCwd cwd(dir.file("target"));
    EXPECT_TRUE(worker.UnZipOneFile(archive, "/ABS.txt", ""));
}

TEST_F(KompakZipWorker, DamagedArchivesLeaveNoFileBehind)
{
    const std::string content = randomBytes(100000, 7);
    const std::string good = dir.file("good.zip");
    craftArchive(good, {{"stored.bin", content, 0x00200000, 0}, {"deflated.txt", std::string(200000, 'z'), 0x00200000, 8}});
    const std::string bytes = readFile(good);
    fs::create_directories(dir.file("out"));
    writeFile(dir.file("out/stored.bin"), "previous content");

    std::string flipped = bytes;
    flipped[30 + 10 + 5000] ^= 0x55;  // inside stored.bin's data
    const auto deflated = bytes.find("deflated.txt") + 12;
    for (std::size_t i = 40; i < 60; ++i)
        flipped[deflated + i] ^= static_cast<char>(0xA5);
    writeFile(dir.file("corrupt.zip"), flipped);
    EXPECT_FALSE(worker.UnZipAllFiles(dir.file("corrupt.zip"), dir.file("out")));
    EXPECT_EQ(readFile(dir.file("out/stored.bin")), "previous content");
    EXPECT_THAT(listFolder(dir.file("out")), ElementsAre("stored.bin"));
    ASSERT_EQ(reports.list.size(), 2u);
    EXPECT_EQ(reports.list[0],
              std::make_pair(std::string("current file in zip can not be closed: stored.bin"), ZipError::IoError));
    EXPECT_THAT(reports.list[1].first, testing::AnyOf("current file in zip can not be read: deflated.txt",
                                                      "current file in zip can not be closed: deflated.txt"));

    reports.list.clear();
    writeFile(dir.file("truncated.zip"), bytes.substr(0, bytes.size() - 30));
    EXPECT_FALSE(worker.UnZipAllFiles(dir.file("truncated.zip"), dir.file("out")));
    EXPECT_FALSE(worker.GetZipFileInfo(dir.file("truncated.zip")));
    using R = std::pair<std::string, ZipError>;
    EXPECT_THAT(reports.list, ElementsAre(R{dir.file("truncated.zip") + " can not be opened", ZipError::CannotRead},
                                          R{dir.file("truncated.zip") + " can not be read", ZipError::CannotRead}));
}

TEST_F(KompakZipWorker, AFullDiskLeavesNoHalfWrittenFile)
{
    const std::string content = randomBytes(512 * 1024, 3);
    const std::string archive = dir.file("in.zip");
    craftArchive(archive, {{"big.bin", content}, {"small.txt", "small"}});
    fs::create_directories(dir.file("out"));
    writeFile(dir.file("out/big.bin"), "keep me");
    const std::string target = dir.file("out");

    const std::string extracted = underFileSizeLimit(
        256 * 1024, [&](ZipWorker& w) { return w.UnZipAllFiles(archive, target) ? "true" : "false"; });
    EXPECT_EQ(extracted, "2:" + target + "/big.bin Could Not be Created\nfalse");
    EXPECT_THAT(listFolder(target), ElementsAre("big.bin", "small.txt"));
    EXPECT_EQ(readFile(dir.file("out/big.bin")), "keep me");

    makeFile("src/big.bin", content);
    const std::string written = underFileSizeLimit(256 * 1024, [&](ZipWorker& w) {
        std::string results;
        for (bool result : {w.NewZipFile(dir.file("new.zip"), 1), w.ZipEntireDirectory(dir.file("src"), 1, 1),
                            w.ZipClose()})
            results += result ? "T" : "F";
        return results;
    });
    EXPECT_EQ(written, "2:" + dir.file("new.zip") + " can not be created\nTFF");
    EXPECT_FALSE(fileExists(dir.file("new.zip")));
}

TEST_F(KompakZipWorker, LongEntryNamesAreKeptWhole)
{
    std::string deepDir;
    while (deepDir.size() < 280)
        deepDir += "level" + std::to_string(deepDir.size()) + "/";
    const std::string deepName = deepDir + "file-at-the-bottom.txt";
    const std::string longLeaf = std::string(300, 'n') + ".txt";
    makeFile("src.txt", "deep content");
    const std::string archive = dir.file("long.zip");
    ASSERT_TRUE(worker.NewZipFile(archive, 1));
    ASSERT_TRUE(worker.ZipOneFile(dir.file("src.txt"), "", deepDir, 0));
    ASSERT_TRUE(worker.ZipClose());
    craftArchive(dir.file("leaf.zip"), {{longLeaf, "leaf"}});

    EXPECT_THAT(entryNames(archive), ElementsAre(deepDir + "src.txt"));
    ASSERT_TRUE(worker.GetZipFileInfo(archive));
    EXPECT_EQ(worker.LongFileNameArray(), deepDir + "src.txt");
    EXPECT_EQ(worker.FilePathArray(), deepDir);

    worker.PreserveDirPath = true;
    EXPECT_TRUE(worker.UnZipOneFile(archive, deepDir + "SRC.txt", dir.file("out")));
    EXPECT_EQ(readFile(dir.file("out/" + deepDir + "src.txt")), "deep content");
    // The lookup compares whole names, not their first 256 bytes.
    EXPECT_FALSE(worker.UnZipOneFile(dir.file("leaf.zip"), longLeaf.substr(0, 256), dir.file("out")));
    // Longer than a file name may be here: refused by the file system, named whole.
    EXPECT_FALSE(worker.UnZipOneFile(dir.file("leaf.zip"), longLeaf, dir.file("out")));
    using R = std::pair<std::string, ZipError>;
    EXPECT_THAT(reports.list,
                ElementsAre(R{"Could Not Locate " + longLeaf.substr(0, 256) + " in " + dir.file("leaf.zip"),
                              ZipError::NotFound},
                            R{dir.file("out/") + longLeaf + " Could Not be Created", ZipError::CannotCreate}));
}

}  // namespace
