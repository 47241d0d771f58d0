// "veilcraft regsvr": the library's own registration entry points, their
// status codes reported in words, and the exit codes.
#include "Cli.h"
#include "ComponentRegistry.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using ::testing::HasSubstr;
using veilcraft::component::ComponentRegistry;
using veilcraft::test::ScopedEnv;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

const std::string kLibrary = std::filesystem::canonical(TEST_CONTROL_LIBRARY).string();

struct Result {
    int code;
    std::string err;
};

Result regsvr(const std::vector<std::string>& arguments)
{
    std::vector<std::string> line{"regsvr"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const int code = veilcraft::cli::runCli(line, in, out, err);
    return {code, err.str()};
}

class RegsvrCommand : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv registryPath{"VEILCRAFT_REGISTRY", dir.file("registry")};
};

TEST_F(RegsvrCommand, RegistersAndUnregisters)
{
    Result result = regsvr({kLibrary});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "DllRegisterServer in " + kLibrary + " succeeded.\n");
    EXPECT_TRUE(ComponentRegistry().resolve("PlatTestLib.Widget"));

    result = regsvr({"--unregister", kLibrary});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "DllUnregisterServer in " + kLibrary + " succeeded.\n");
    EXPECT_FALSE(ComponentRegistry().resolve("PlatTestLib.Widget"));
}

TEST_F(RegsvrCommand, ReportsTheRegistrationStatusCodesInWords)
{
    {
        const ScopedEnv fail("PLATFORM_TEST_CONTROL_FAIL", "typelib");
        EXPECT_EQ(regsvr({kLibrary}).err, "DllRegisterServer in " + kLibrary +
                                              " failed: the type library could not be registered (0x80040200).\n");
        const Result result = regsvr({"--unregister", kLibrary});
        EXPECT_EQ(result.code, 1);
        EXPECT_EQ(result.err, "DllUnregisterServer in " + kLibrary +
                                  " failed: the type library could not be unregistered (0x80040200).\n");
    }
    const ScopedEnv fail("PLATFORM_TEST_CONTROL_FAIL", "class");
    const Result result = regsvr({kLibrary});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err,
              "DllRegisterServer in " + kLibrary + " failed: the classes could not be registered (0x80040201).\n");
    EXPECT_THAT(regsvr({"--unregister", kLibrary}).err, HasSubstr("the classes could not be unregistered"));
}

TEST_F(RegsvrCommand, ExplainsLibrariesItCannotUse)
{
    writeFile(dir.file("notes.so"), "not a library");
    Result result = regsvr({dir.file("notes.so")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("veilcraft regsvr: The library " + dir.file("notes.so") + " could not be loaded"));

    result = regsvr({NO_ENTRY_LIBRARY});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("does not export the entry point DllRegisterServer"));

    EXPECT_EQ(regsvr({}).code, 2);
    EXPECT_EQ(regsvr({kLibrary, kLibrary}).code, 2);
    EXPECT_EQ(regsvr({"--bogus", kLibrary}).code, 2);
}

}  // namespace

// Catches a store that cannot be written (a full disk, a folder that is a
// file) reported only as a failed registration.
TEST_F(RegsvrCommand, SaysWhenTheRegistryStoreCannotBeWritten)
{
    writeFile(dir.file("not-a-folder"), "");
    const ScopedEnv unwritable{"VEILCRAFT_REGISTRY", dir.file("not-a-folder/registry")};
    const Result result = regsvr({kLibrary});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("The registry store could not be written"));
}
