// Test entry point that keeps every test away from the user's world: HOME,
// the XDG folders, TMPDIR and the registry store all point into one private
// folder that is removed when the run ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    std::string root = (std::filesystem::temp_directory_path() / "veilcraft-test-XXXXXX").string();
    if (::mkdtemp(root.data()) == nullptr)
        return 3;
    const auto make = [&root](const char* sub) {
        const std::string path = root + "/" + sub;
        std::filesystem::create_directories(path);
        return path;
    };
    ::setenv("HOME", make("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", make("home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", make("home/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", make("home/.cache").c_str(), 1);
    ::setenv("XDG_STATE_HOME", make("home/.local/state").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", make("runtime").c_str(), 1);
    ::setenv("TMPDIR", make("tmp").c_str(), 1);
    ::setenv("VEILCRAFT_REGISTRY", (root + "/registry.dat").c_str(), 1);
    ::unsetenv("VEILCRAFT_PASSWORD");

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return result;
}
