// The path routines of entry naming with the examples they were defined by,
// and the mapping of stored names to extraction targets.
#include "ZipPaths.h"
#include "ZipWorker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace {

using namespace veilcraft::kompak;

std::pair<std::string, std::string> split(const std::string& path)
{
    std::string name, directory;
    zippath::SplitEntryPath(path, name, directory);
    return {name, directory};
}

TEST(KompakZipPaths, SplitEntryPathCutsAtTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(split("C:\\data\\photos\\a.jpg"), std::make_pair(std::string("a.jpg"), std::string("C:\\data\\photos\\")));
    EXPECT_EQ(split("photos/2003\\a.jpg"), std::make_pair(std::string("a.jpg"), std::string("photos/2003\\")));
    EXPECT_EQ(split("a\\b/c.txt"), std::make_pair(std::string("c.txt"), std::string("a\\b/")));
    EXPECT_EQ(split("plain.txt"), std::make_pair(std::string("plain.txt"), std::string()));
    EXPECT_EQ(split("dir/"), std::make_pair(std::string(), std::string("dir/")));
}

TEST(KompakZipPaths, DirectoryRoutinesFollowTheirExamples)
{
    EXPECT_EQ(zippath::NormalizeZipDir(""), "");
    EXPECT_EQ(zippath::NormalizeZipDir("\\sub"), "sub/");
    EXPECT_EQ(zippath::NormalizeZipDir("/sub/"), "sub/");
    EXPECT_EQ(zippath::NormalizeZipDir("sub\\deeper\\"), "sub\\deeper\\");

    EXPECT_EQ(zippath::MakeRelativeZipDir(""), "");
    EXPECT_EQ(zippath::MakeRelativeZipDir("C:/data/photos/"), "data/photos/");
    EXPECT_EQ(zippath::MakeRelativeZipDir("C:\\data"), "data/");
    EXPECT_EQ(zippath::MakeRelativeZipDir("/home/u/docs/"), "home/u/docs/");

    EXPECT_EQ(zippath::TrimToLastDir("C:\\data\\photos\\"), "C:/data/");
    EXPECT_EQ(zippath::TrimToLastDir("C:\\data\\photos"), "C:/data/");
    EXPECT_EQ(zippath::TrimToLastDir("/home/u/docs/"), "/home/u/");
    EXPECT_EQ(zippath::TrimToLastDir("docs"), "");
}

TEST(KompakZipPaths, ExtractionTargetsStayInsideTheTargetFolder)
{
    using detail::ExtractionTarget;
    EXPECT_EQ(ExtractionTarget("photos/2003/a.jpg", true), "photos/2003/a.jpg");
    EXPECT_EQ(ExtractionTarget("photos\\2003\\a.jpg", true), "photos/2003/a.jpg");
    EXPECT_EQ(ExtractionTarget("photos/2003/a.jpg", false), "a.jpg");
    EXPECT_EQ(ExtractionTarget("/etc/x", true), "etc/x");
    EXPECT_EQ(ExtractionTarget("//etc/x", true), "etc/x");
    EXPECT_EQ(ExtractionTarget("C:\\x", true), "x");
    EXPECT_EQ(ExtractionTarget("C:/\\x", true), "x");
    EXPECT_EQ(ExtractionTarget("./a/./b", true), "./a/./b");
    for (const char* hostile : {"../x", "a/../../x", "..\\x", "a/..", "C:\\..\\x"}) {
        EXPECT_EQ(ExtractionTarget(hostile, true), std::nullopt) << hostile;
        EXPECT_EQ(ExtractionTarget(hostile, false), std::nullopt) << hostile;
    }
    EXPECT_EQ(ExtractionTarget("..x/y..", true), "..x/y..");
}

TEST(KompakZipPaths, CleanEntryDirKeepsOnlyNamedLevels)
{
    EXPECT_EQ(detail::CleanEntryDir(""), "");
    EXPECT_EQ(detail::CleanEntryDir("/"), "");
    EXPECT_EQ(detail::CleanEntryDir("../docs/./sub\\deeper/"), "docs/sub/deeper/");
}

}  // namespace
