// The desktop side of the association: the MIME package, the desktop entry
// and the refresh of the desktop's databases.
#include "DesktopAssociation.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {

using namespace veilcraft::test;
using veilcraft::DesktopAssociation;

ino_t inodeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

class DesktopAssociationTest : public ::testing::Test {
protected:
    TempDir dir;
    DesktopAssociation desktop{dir.file("share")};
};

TEST_F(DesktopAssociationTest, WritesTheMimeTypeAndTheEntryThatOpensIt)
{
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "Veilcraft <file>", "/opt/veilcraft/VeilcraftApp", ""));
    EXPECT_EQ(desktop.mimePackagePath("vkffile"), dir.file("share/mime/packages/veilcraft-vkffile.xml"));
    EXPECT_EQ(readFile(desktop.mimePackagePath("vkffile")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\"application/x-vkffile\">\n"
              "    <comment>Veilcraft &lt;file&gt;</comment>\n"
              "    <glob pattern=\"*.vkf\"/>\n"
              "  </mime-type>\n"
              "</mime-info>\n");
    EXPECT_EQ(desktop.desktopEntryPath("vkffile"), dir.file("share/applications/veilcraft-vkffile.desktop"));
    EXPECT_EQ(readFile(desktop.desktopEntryPath("vkffile")), "[Desktop Entry]\n"
                                                             "Type=Application\n"
                                                             "Name=Veilcraft\n"
                                                             "Exec=\"/opt/veilcraft/VeilcraftApp\" %f\n"
                                                             "MimeType=application/x-vkffile;\n"
                                                             "NoDisplay=true\n"
                                                             "Terminal=false\n");
}

// Blanks, quotes, "$", "%" and backslashes in the program's path must reach
// the program as one argument, and "%1" in the parameters stands for the file.
TEST_F(DesktopAssociationTest, ExecQuotesTheProgramAndMapsTheFileArgument)
{
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "", "/My Apps/\"v\"$HOME\\100%/VeilcraftApp", "--open %1 50%"));
    const std::string entry = readFile(desktop.desktopEntryPath("vkffile"));
    EXPECT_NE(entry.find("Exec=\"/My Apps/\\\\\"v\\\\\"\\\\$HOME\\\\\\\\100%%/VeilcraftApp\" --open %f 50%%\n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(readFile(desktop.mimePackagePath("vkffile")).find("<comment>"), std::string::npos);
}

// Names that would leave the data folder or make a wider pattern are refused.
TEST_F(DesktopAssociationTest, RefusesTypesAndExtensionsThatAreNoPlainNames)
{
    EXPECT_FALSE(desktop.install("../vkffile", ".vkf", "", "/bin/true", ""));
    EXPECT_FALSE(desktop.install(".hidden", ".vkf", "", "/bin/true", ""));
    EXPECT_FALSE(desktop.install("vkffile", "vkf", "", "/bin/true", ""));
    EXPECT_FALSE(desktop.install("vkffile", ".*", "", "/bin/true", ""));
    EXPECT_FALSE(desktop.install("vkffile", "./x", "", "/bin/true", ""));
    EXPECT_FALSE(fileExists(dir.file("share")));
}

// Every start installs again: unchanged files must stay untouched, and a
// moved program must be picked up.
TEST_F(DesktopAssociationTest, RewritesOnlyWhatChanged)
{
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/a/VeilcraftApp", ""));
    const ino_t package = inodeOf(desktop.mimePackagePath("vkffile"));
    const ino_t entry = inodeOf(desktop.desktopEntryPath("vkffile"));
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/a/VeilcraftApp", ""));
    EXPECT_EQ(inodeOf(desktop.mimePackagePath("vkffile")), package);
    EXPECT_EQ(inodeOf(desktop.desktopEntryPath("vkffile")), entry);
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/b/VeilcraftApp", ""));
    EXPECT_EQ(inodeOf(desktop.mimePackagePath("vkffile")), package);
    EXPECT_NE(readFile(desktop.desktopEntryPath("vkffile")).find("/opt/b/VeilcraftApp"), std::string::npos);
}

TEST_F(DesktopAssociationTest, MissingDatabaseToolsAreNoError)
{
    const ScopedEnv path("PATH", dir.path());
    EXPECT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/a/VeilcraftApp", ""));
    EXPECT_FALSE(fileExists(dir.file("share/mime/mime.cache")));
}

// The MIME database learns the pattern, and is rebuilt when it is older than
// the package even though the package did not change.
TEST_F(DesktopAssociationTest, RefreshesAStaleMimeDatabase)
{
    if (std::system("command -v update-mime-database >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "update-mime-database is not installed";
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/a/VeilcraftApp", ""));
    EXPECT_NE(readFile(dir.file("share/mime/globs2")).find("application/x-vkffile:*.vkf"), std::string::npos);
    std::filesystem::remove(dir.file("share/mime/mime.cache"));
    ASSERT_TRUE(desktop.install("vkffile", ".vkf", "vkffile", "/opt/a/VeilcraftApp", ""));
    EXPECT_TRUE(fileExists(dir.file("share/mime/mime.cache")));
}

}  // namespace
