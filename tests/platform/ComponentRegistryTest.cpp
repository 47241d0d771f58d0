// Registration as a control library performs it, look-up by program
// identifier and by "Library.Class", and unregistration that removes
// exactly what registration wrote.
#include "ComponentRegistry.h"
#include "RegistryStore.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

using namespace veilcraft::component;
using veilcraft::registry::RegistryStore;
using veilcraft::test::readFile;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

const Guid kClass{0xD1A83111, 0xFF35, 0x4897, {0xA5, 0xDF, 0xAE, 0x05, 0xDC, 0xD4, 0x6A, 0xB1}};
const Guid kPage{0x3DD3FA89, 0xE535, 0x4464, {0x86, 0xF6, 0x3C, 0x65, 0xBE, 0x2D, 0xD9, 0x8F}};
const Guid kLib{0xF9BD3F62, 0x6B83, 0x4A67, {0x94, 0x2B, 0xBF, 0x52, 0xD8, 0x01, 0x79, 0x1A}};
const Guid kDispatch{0xBE15AD39, 0xFF62, 0x45A4, {0x90, 0x39, 0x87, 0x3D, 0x45, 0x2E, 0x91, 0xC8}};
const Guid kOther{0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

ClassRegistration control()
{
    ClassRegistration r;
    r.clsid = kClass;
    r.progId = "KOMPAK.KompakCtrl.1";
    r.typeName = "Kompak Control";
    r.libraryPath = "/opt/vc/lib/libkompak.so";
    r.control = true;
    r.insertable = true;
    r.miscStatus = 0x20491;
    r.toolboxBitmap = 1;
    r.typeLib = kLib;
    r.version = "1.0";
    return r;
}

TypeLibRegistration library(const std::string& version = "1.0", const Guid& clsid = kClass)
{
    return {kLib,  version, 0x409, "KOMPAKLib", "Kompak ActiveX Control module", "/opt/vc/lib",
            "/opt/vc/lib/libkompak.so", {{"Kompak", clsid}}, {{"_DKompak", kDispatch}}};
}

class ComponentRegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("registry");
    ComponentRegistry registry{path};
    RegistryStore store{path};
};

TEST_F(ComponentRegistryTest, WritesTheClassesRootKeys)
{
    ASSERT_EQ(registry.registerTypeLib(library()), S_OK);
    ASSERT_EQ(registry.registerClass(control()), S_OK);
    const std::string key = "CLSID\\{D1A83111-FF35-4897-A5DF-AE05DCD46AB1}";
    EXPECT_EQ(store.value("KOMPAK.KompakCtrl.1"), "Kompak Control");
    EXPECT_EQ(store.value("KOMPAK.KompakCtrl.1\\CLSID"), kClass.toString());
    EXPECT_EQ(store.value(key), "Kompak Control");
    EXPECT_EQ(store.value(key + "\\InprocServer32"), "/opt/vc/lib/libkompak.so");
    EXPECT_EQ(store.value(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(store.value(key + "\\ProgID"), "KOMPAK.KompakCtrl.1");
    EXPECT_TRUE(store.keyExists(key + "\\Control"));
    EXPECT_TRUE(store.keyExists(key + "\\Insertable"));
    EXPECT_EQ(store.value(key + "\\MiscStatus"), "0");
    EXPECT_EQ(store.value(key + "\\MiscStatus\\1"), "132241");
    EXPECT_EQ(store.value(key + "\\ToolboxBitmap32"), "/opt/vc/lib/libkompak.so, 1");
    EXPECT_EQ(store.value(key + "\\TypeLib"), kLib.toString());
    EXPECT_EQ(store.value(key + "\\Version"), "1.0");

    const std::string lib = "TypeLib\\" + kLib.toString() + "\\1.0";
    EXPECT_EQ(store.value(lib), "Kompak ActiveX Control module");
    EXPECT_EQ(store.value(lib + "\\409\\linux"), "/opt/vc/lib/libkompak.so");
    EXPECT_EQ(store.value(lib + "\\FLAGS"), "0");
    EXPECT_EQ(store.value(lib + "\\HELPDIR"), "/opt/vc/lib");
    EXPECT_EQ(store.value(lib + "\\Classes\\Kompak"), kClass.toString());
    EXPECT_EQ(store.value("Interface\\" + kDispatch.toString()), "_DKompak");
    EXPECT_EQ(store.value("Interface\\" + kDispatch.toString() + "\\TypeLib"), kLib.toString());

    // A page class without the control's extras gets only what it asked for.
    ClassRegistration page;
    page.clsid = kPage;
    page.progId = "KOMPAK.KompakPropPage.1";
    page.typeName = "Kompak Property Page";
    page.libraryPath = "/opt/vc/lib/libkompak.so";
    ASSERT_EQ(registry.registerClass(page), S_OK);
    EXPECT_EQ(store.subKeys("CLSID\\" + kPage.toString()), (std::vector<std::string>{"InprocServer32", "ProgID"}));
}

TEST_F(ComponentRegistryTest, ResolvesProgramIdentifiersAndLibraryClassNames)
{
    EXPECT_EQ(registry.resolve("KOMPAKLib.Kompak"), std::nullopt);
    ASSERT_EQ(registry.registerTypeLib(library()), S_OK);
    ASSERT_EQ(registry.registerClass(control()), S_OK);
    EXPECT_EQ(registry.resolve("KOMPAK.KompakCtrl.1"), kClass);
    EXPECT_EQ(registry.resolve("kompak.kompakctrl.1"), kClass);
    EXPECT_EQ(registry.resolve("KOMPAKLib.Kompak"), kClass);
    EXPECT_EQ(registry.resolve("kompaklib.KOMPAK"), kClass);
    EXPECT_EQ(registry.resolve(kClass.toString()), kClass);
    for (const char* unknown : {"", "KOMPAKLib", "KOMPAKLib.", ".Kompak", "KOMPAKLib.Other", "Other.Kompak",
                                "KOMPAKLib.Kompak\\x"})
        EXPECT_EQ(registry.resolve(unknown), std::nullopt) << unknown;

    // The newest version of a library wins ("1.a" is hexadecimal 1.10).
    ASSERT_EQ(registry.registerTypeLib(library("1.a", kOther)), S_OK);
    ASSERT_EQ(registry.registerTypeLib(library("1.9", kPage)), S_OK);
    EXPECT_EQ(registry.resolve("KOMPAKLib.Kompak"), kOther);

    EXPECT_EQ(registry.libraryOf(kClass), "/opt/vc/lib/libkompak.so");
    EXPECT_EQ(registry.libraryOf(kOther), std::nullopt);
}

TEST_F(ComponentRegistryTest, UnregistrationRemovesExactlyWhatRegistrationWrote)
{
    // Someone else's entries, which must survive.
    ASSERT_TRUE(store.setValue(".vkf", "", "vkffile"));
    ASSERT_TRUE(store.setValue("CLSID\\" + kOther.toString() + "\\InprocServer32", "", "/other.so"));
    ASSERT_TRUE(store.setValue("TypeLib\\" + kOther.toString() + "\\1.0\\Name", "", "OtherLib"));
    ASSERT_TRUE(store.setValue("Interface\\" + kOther.toString(), "", "_DOther"));
    ASSERT_TRUE(store.setValue("TypeLib\\" + kLib.toString() + "\\2.0\\Name", "", "KOMPAKLib"));
    const std::string before = readFile(path);

    ASSERT_EQ(registry.registerTypeLib(library()), S_OK);
    ASSERT_EQ(registry.registerClass(control()), S_OK);
    ASSERT_NE(readFile(path), before);
    EXPECT_EQ(registry.unregisterClass(kClass, "KOMPAK.KompakCtrl.1"), S_OK);
    EXPECT_EQ(registry.unregisterTypeLib(kLib, "1.0"), S_OK);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(ComponentRegistryTest, UnregistrationLeavesAProgramIdentifierTakenOverByAnotherClass)
{
    ASSERT_EQ(registry.registerClass(control()), S_OK);
    ClassRegistration newer = control();
    newer.clsid = kOther;
    ASSERT_EQ(registry.registerClass(newer), S_OK);
    EXPECT_EQ(registry.unregisterClass(kClass, "KOMPAK.KompakCtrl.1"), S_OK);
    EXPECT_EQ(registry.resolve("KOMPAK.KompakCtrl.1"), kOther);
    EXPECT_EQ(registry.libraryOf(kClass), std::nullopt);
}

TEST_F(ComponentRegistryTest, AStoreThatCannotBeWrittenGivesTheRegistrationCodes)
{
    writeFile(dir.file("file"), "x");
    ComponentRegistry blocked(dir.file("file/registry"));
    EXPECT_EQ(blocked.registerTypeLib(library()), SELFREG_E_TYPELIB);
    EXPECT_EQ(blocked.registerClass(control()), SELFREG_E_CLASS);
    EXPECT_EQ(blocked.unregisterTypeLib(kLib, "1.0"), SELFREG_E_TYPELIB);
    EXPECT_EQ(blocked.unregisterClass(kClass, "KOMPAK.KompakCtrl.1"), SELFREG_E_CLASS);
}

TEST_F(ComponentRegistryTest, RecordsRelativeLibraryPathsAsAbsolute)
{
    ClassRegistration relative = control();
    relative.libraryPath = "lib/../lib/libkompak.so";
    ASSERT_EQ(registry.registerClass(relative), S_OK);
    const auto recorded = registry.libraryOf(kClass);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->front(), '/');
    EXPECT_EQ(recorded->find(".."), std::string::npos);
}

}  // namespace
