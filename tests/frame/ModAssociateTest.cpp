// The shell association: its registry entries, the registry script written
// from what is registered, and the value reader behind both.
#include "ModAssociate.h"
#include "DesktopAssociation.h"
#include "RegistryStore.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace veilcraft::test;
using veilcraft::DesktopAssociation;
using veilcraft::ProgramFile;
using veilcraft::registry::RegistryStore;
namespace ModAssociate = veilcraft::ModAssociate;

class ModAssociateTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv registryPath{"VEILCRAFT_REGISTRY", dir.file("registry")};
    ScopedEnv dataHome{"XDG_DATA_HOME", dir.file("share")};
    RegistryStore classesRoot{dir.file("registry")};
    ProgramFile program{"/opt/veilcraft", "VeilcraftApp"};

    std::string entry(const std::string& key) const { return classesRoot.value(key).value_or("<none>"); }
};

TEST_F(ModAssociateTest, StartUpRegistersTheVkfTypeWithTheProgram)
{
    EXPECT_TRUE(ModAssociate::RegisterVkfFileType(program));
    EXPECT_EQ(entry("vkffile"), "vkffile");
    EXPECT_EQ(entry(".vkf"), "vkffile");
    EXPECT_EQ(entry("vkffile\\shell\\open\\command"), "/opt/veilcraft/VeilcraftApp %1");
    EXPECT_EQ(entry("vkffile\\DefaultIcon"), "/opt/veilcraft/VeilcraftApp");
    const DesktopAssociation desktop(dir.file("share"));
    EXPECT_TRUE(fileExists(desktop.mimePackagePath("vkffile")));
    EXPECT_TRUE(fileExists(desktop.desktopEntryPath("vkffile")));
}

// An installed program finds its desktop entry and MIME package in its
// installation: it keeps registering the type but writes no copies of its
// own into the user's data folder.
TEST_F(ModAssociateTest, InstalledProgramLeavesTheDesktopFilesToItsInstallation)
{
    const ProgramFile installed{dir.file("usr/bin"), "VeilcraftApp"};
    std::filesystem::create_directories(std::filesystem::path(installed.installedDesktopEntry()).parent_path());
    std::filesystem::create_directories(std::filesystem::path(installed.installedMimePackage()).parent_path());
    writeFile(installed.installedDesktopEntry(), "[Desktop Entry]\n");
    EXPECT_TRUE(ModAssociate::RegisterVkfFileType(installed));
    EXPECT_TRUE(fileExists(dir.file("share")));  // one of the two is not enough

    std::filesystem::remove_all(dir.file("share"));
    writeFile(installed.installedMimePackage(), "<mime-info/>\n");
    EXPECT_TRUE(ModAssociate::RegisterVkfFileType(installed));
    EXPECT_EQ(entry("vkffile\\shell\\open\\command"), installed.folder + "/VeilcraftApp %1");
    EXPECT_FALSE(fileExists(dir.file("share")));
}

// A root folder must not give "//", trimmed parameters replace "%1", and
// without an icon source the registered icon stays as it was.
TEST_F(ModAssociateTest, CommandFromRootFolderAndParametersKeepsTheIcon)
{
    ASSERT_TRUE(classesRoot.setValue("vkffile\\DefaultIcon", {}, "/old/icon"));
    EXPECT_TRUE(ModAssociate::Associate({"/", "VeilcraftApp"}, "vkffile", ".vkf", "Encrypted file", "",
                                        "  --open %1  "));
    EXPECT_EQ(entry("vkffile\\shell\\open\\command"), "/VeilcraftApp --open %1");
    EXPECT_EQ(entry("vkffile"), "Encrypted file");
    EXPECT_EQ(entry("vkffile\\DefaultIcon"), "/old/icon");
}

TEST_F(ModAssociateTest, EmptyFileTypeOrUnknownProgramTouchesNothing)
{
    EXPECT_FALSE(ModAssociate::Associate(program, "", ".vkf", "vkffile", "/icon"));
    EXPECT_FALSE(ModAssociate::Associate({}, "vkffile", ".vkf", "vkffile", "/icon"));
    EXPECT_FALSE(fileExists(dir.file("registry")));
    EXPECT_FALSE(fileExists(dir.file("share")));
}

// An empty extension must not set the default value of the classes root.
TEST_F(ModAssociateTest, EmptyExtensionWritesTheTypeOnly)
{
    EXPECT_FALSE(ModAssociate::Associate(program, "vkffile", "", "vkffile", ""));
    EXPECT_EQ(entry(""), "<none>");
    EXPECT_EQ(entry("vkffile\\shell\\open\\command"), "/opt/veilcraft/VeilcraftApp %1");
}

TEST_F(ModAssociateTest, ReadRegistryStringGivesEmptyTextForWhatIsMissing)
{
    ASSERT_TRUE(classesRoot.setValue("vkffile", {}, std::string("abc\0def", 7)));
    ASSERT_TRUE(classesRoot.setValue("vkffile", "Named", "value"));
    EXPECT_EQ(ModAssociate::ReadRegistryString(classesRoot, "vkffile", ""), "abc");
    EXPECT_EQ(ModAssociate::ReadRegistryString(classesRoot, "VKFFILE", "named"), "value");
    EXPECT_EQ(ModAssociate::ReadRegistryString(classesRoot, "vkffile", "other"), "");
    EXPECT_EQ(ModAssociate::ReadRegistryString(classesRoot, "nokey", ""), "");
}

// Pieces of the expected scripts: the first key, the keys from the file
// type's bare key down to the command's value, and the icon's key.
constexpr char kExtensionKey[] = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.vkf]\r\n@=\"vkffile\"";
constexpr char kTypeKeysToCommand[] = "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile]"
                                      "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile\\shell\\]"
                                      "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile\\shell\\open]"
                                      "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile\\shell\\open\\command]\r\n@=";
constexpr char kIconKey[] = "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile\\DefaultIcon]\r\n@=";

// The script takes command and icon from the registry, trimmed, with every
// backslash and quotation mark escaped; the key of the file type appears
// twice when there is a description.
TEST_F(ModAssociateTest, ScriptExportsWhatIsRegistered)
{
    ASSERT_TRUE(ModAssociate::RegisterVkfFileType(program));
    ASSERT_TRUE(classesRoot.setValue("vkffile\\shell\\open\\command", {}, " C:\\Program\\VeilcraftApp.exe %1 "));
    ASSERT_TRUE(classesRoot.setValue("vkffile\\DefaultIcon", {}, "/opt/\"v\"/VeilcraftApp"));
    ASSERT_TRUE(ModAssociate::WriteAssociationScript(dir.file("vkf.reg"), "vkffile", ".vkf", "Veilcraft file"));
    EXPECT_EQ(readFile(dir.file("vkf.reg")), std::string(kExtensionKey) +
                                                 "\r\n\r\n[HKEY_CLASSES_ROOT\\vkffile]\r\n@=\"Veilcraft file\"" +
                                                 kTypeKeysToCommand + "\"C:\\\\Program\\\\VeilcraftApp.exe %1\"" +
                                                 kIconKey + "\"/opt/\\\"v\\\"/VeilcraftApp\"");
}

// A longer old file is replaced whole; nothing registered gives empty values.
TEST_F(ModAssociateTest, ScriptWithoutDescriptionOrRegistrationKeepsTheBareKeys)
{
    writeFile(dir.file("vkf.reg"), std::string(5000, 'x'));
    ASSERT_TRUE(ModAssociate::WriteAssociationScript(dir.file("vkf.reg"), "vkffile", ".vkf", ""));
    EXPECT_EQ(readFile(dir.file("vkf.reg")),
              std::string(kExtensionKey) + kTypeKeysToCommand + "\"\"" + kIconKey + "\"\"");
}

// A script that cannot be written is reported and leaves nothing behind,
// not even its temporary file.
TEST_F(ModAssociateTest, UnwritableScriptFailsWithoutAFile)
{
    EXPECT_FALSE(ModAssociate::WriteAssociationScript(dir.file("missing/vkf.reg"), "vkffile", ".vkf", "vkffile"));
    EXPECT_FALSE(fileExists(dir.file("missing")));
    std::filesystem::create_directory(dir.file("folder.reg"));
    EXPECT_FALSE(ModAssociate::WriteAssociationScript(dir.file("folder.reg"), "vkffile", ".vkf", "vkffile"));
    EXPECT_TRUE(listFolder(dir.file("folder.reg")).empty());
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"folder.reg"});
}

}  // namespace
