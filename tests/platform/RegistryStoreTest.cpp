// The registry store: the classes root's semantics, persistence, locking
// against other processes and robustness against a damaged file.
#include "RegistryStore.h"
#include "ScopedEnv.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;
using veilcraft::registry::RegistryStore;
using veilcraft::test::listFolder;
using veilcraft::test::randomBytes;
using veilcraft::test::readFile;
using veilcraft::test::ScopedEnv;
using veilcraft::test::TempDir;
using veilcraft::test::writeFile;

class RegistryStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("registry");
    RegistryStore store{path};
};

TEST_F(RegistryStoreTest, NamesIgnoreCaseButKeepIt)
{
    ASSERT_TRUE(store.setValue("CLSID\\{AB}\\InprocServer32", "", "/lib/a.so"));
    ASSERT_TRUE(store.setValue("clsid\\{ab}\\INPROCSERVER32", "ThreadingModel", "Apartment"));
    EXPECT_EQ(store.value("clsid\\{aB}\\inprocserver32"), "/lib/a.so");
    EXPECT_EQ(store.value("CLSID\\{AB}\\InprocServer32", "threadingmodel"), "Apartment");
    EXPECT_THAT(store.subKeys("clsid"), ElementsAre("{AB}"));
    EXPECT_THAT(store.subKeys("CLSID\\{ab}"), ElementsAre("InprocServer32"));
    // Stray separators do not make other keys.
    EXPECT_TRUE(store.keyExists("\\CLSID\\\\{AB}\\"));
}

TEST_F(RegistryStoreTest, DefaultAndNamedValuesAreSeparate)
{
    ASSERT_TRUE(store.createKey(".vkf"));
    EXPECT_TRUE(store.keyExists(".vkf"));
    EXPECT_EQ(store.value(".vkf"), std::nullopt) << "a new key has no default value";
    ASSERT_TRUE(store.setValue(".vkf", "Content Type", "application/x-vkf"));
    EXPECT_EQ(store.value(".vkf"), std::nullopt);
    ASSERT_TRUE(store.setValue(".vkf", "", ""));
    EXPECT_EQ(store.value(".vkf"), "") << "an empty default value is still a value";
    ASSERT_TRUE(store.setValue(".vkf", "", "vkffile"));
    EXPECT_TRUE(store.deleteValue(".vkf", "content type"));
    EXPECT_FALSE(store.deleteValue(".vkf", "Content Type"));
    EXPECT_EQ(store.value(".vkf"), "vkffile");
    EXPECT_TRUE(store.deleteValue(".vkf", ""));
    EXPECT_EQ(store.value(".vkf"), std::nullopt);
    EXPECT_EQ(store.value("missing"), std::nullopt);
}

TEST_F(RegistryStoreTest, DeleteKeyTakesItsSubkeysAlong)
{
    ASSERT_TRUE(store.setValue("A\\B\\C", "", "c"));
    ASSERT_TRUE(store.setValue("A\\B2", "", "b2"));
    EXPECT_TRUE(store.deleteKey("a\\b"));
    EXPECT_FALSE(store.keyExists("A\\B\\C"));
    EXPECT_FALSE(store.keyExists("A\\B"));
    EXPECT_EQ(store.value("A\\B2"), "b2");
    EXPECT_FALSE(store.deleteKey("A\\B")) << "already gone";
    EXPECT_FALSE(store.deleteKey("")) << "the root stays";
    EXPECT_FALSE(store.deleteKey("\\"));
    EXPECT_TRUE(store.keyExists("A"));
}

TEST_F(RegistryStoreTest, PersistsAnyTextAcrossInstances)
{
    const std::string awkward = "tab\there\nline %41 back\\slash \r\x01\xE9\x7F" + std::string(1, '\0') + "end";
    ASSERT_TRUE(store.setValue("Key\twith\ntab", "name\nline", awkward));
    ASSERT_TRUE(store.setValue("vkffile\\shell\\open\\command", "", "\"/usr/bin/VeilcraftApp\" \"%1\""));

    const RegistryStore other(path);
    EXPECT_EQ(other.value("key\twith\ntab", "NAME\nline"), awkward);
    EXPECT_EQ(other.value("VKFFILE\\Shell\\Open\\Command"), "\"/usr/bin/VeilcraftApp\" \"%1\"");
    // A second object sees the first one's later changes.
    ASSERT_TRUE(store.setValue("vkffile", "", "VKF File"));
    EXPECT_EQ(other.value("vkffile"), "VKF File");
}

TEST_F(RegistryStoreTest, TransactionIsAllOrNothing)
{
    ASSERT_TRUE(store.update([](RegistryStore::Transaction& t) {
        t.setValue("P.1", "", "type");
        t.setValue("P.1\\CLSID", "", "{X}");
        EXPECT_EQ(t.value("p.1\\clsid"), "{X}") << "a transaction reads its own changes";
    }));
    EXPECT_EQ(store.value("P.1\\CLSID"), "{X}");

    EXPECT_THROW(store.update([](RegistryStore::Transaction& t) {
        t.deleteKey("P.1");
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(store.value("P.1\\CLSID"), "{X}");
}

// Two processes that each increment a counter many times: without the lock
// around read-modify-write some increments would be lost.
TEST_F(RegistryStoreTest, ConcurrentProcessesLoseNoUpdates)
{
    constexpr int kRounds = 25;
    const auto work = [&](const std::string& own) {
        RegistryStore mine(path);
        bool ok = true;
        for (int i = 0; i < kRounds; ++i) {
            ok = ok && mine.update([](RegistryStore::Transaction& t) {
                const int count = std::stoi(t.value("Counter").value_or("0"));
                t.setValue("Counter", "", std::to_string(count + 1));
            });
            ok = ok && mine.setValue(own, "v" + std::to_string(i), std::to_string(i));
        }
        return ok;
    };
    std::vector<pid_t> children;
    for (const char* own : {"First", "Second"}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(work(own) ? 0 : 1);
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(store.value("Counter"), std::to_string(2 * kRounds));
    EXPECT_EQ(store.value("First", "v" + std::to_string(kRounds - 1)), std::to_string(kRounds - 1));
    EXPECT_EQ(store.value("Second", "v0"), "0");
}

TEST_F(RegistryStoreTest, DamagedFileYieldsWhatIsIntact)
{
    writeFile(path, "# veilcraft registry 1\n"
                    "V\tGood\t\tkept\n"
                    "V\tBad%ZZ\t\tbad escape\n"
                    "X\tunknown record\n"
                    "V\tshort\n" +
                        std::string("\xFF\xFE\0garbage\n", 11) +
                        "K\tAlso\\Good\n"
                        "V\tCut\t\tthis line has no end");
    const RegistryStore damaged(path);
    EXPECT_EQ(damaged.value("Good"), "kept");
    EXPECT_TRUE(damaged.keyExists("Also\\Good"));
    EXPECT_FALSE(damaged.keyExists("Cut")) << "a cut-off last record may be incomplete";
    // Writing repairs the file and keeps what was intact.
    ASSERT_TRUE(store.setValue("New", "", "n"));
    EXPECT_EQ(RegistryStore(path).value("Good"), "kept");

    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        writeFile(path, randomBytes(2000, seed) + "\nV\tAfter\t\tnoise\n");
        const RegistryStore noisy(path);
        EXPECT_EQ(noisy.value("After"), "noise");
        (void)noisy.subKeys("");
    }
}

TEST_F(RegistryStoreTest, WritesLeaveNoTemporaryFilesAndCreateTheFolder)
{
    const std::string nested = dir.file("a/b/registry");
    RegistryStore deep(nested);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(deep.setValue("K", "n", std::to_string(i))) << deep.lastError();
    EXPECT_THAT(listFolder(dir.file("a/b")), ElementsAre("registry", "registry.lock"));

    // A store that cannot be written says so and changes nothing.
    writeFile(dir.file("file"), "x");
    RegistryStore blocked(dir.file("file/registry"));
    EXPECT_FALSE(blocked.setValue("K", "", "v"));
    EXPECT_FALSE(blocked.lastError().empty());
    EXPECT_EQ(readFile(dir.file("file")), "x");
}

TEST(RegistryStoreDefaultPath, FollowsTheEnvironment)
{
    const ScopedEnv home("HOME", "/home/u");
    {
        const ScopedEnv store("VEILCRAFT_REGISTRY", "/elsewhere/reg");
        EXPECT_EQ(RegistryStore::defaultPath(), "/elsewhere/reg");
    }
    const ScopedEnv store("VEILCRAFT_REGISTRY", std::nullopt);
    {
        const ScopedEnv data("XDG_DATA_HOME", "/data");
        EXPECT_EQ(RegistryStore::defaultPath(), "/data/veilcraft/registry");
    }
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(RegistryStore::defaultPath(), "/home/u/.local/share/veilcraft/registry");
}

}  // namespace
