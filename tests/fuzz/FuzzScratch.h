#pragma once

// The private scratch folder of one fuzzing process and small file helpers
// shared by the fuzz targets. The folder is made once under $TMPDIR (tests
// and tests/fuzz/run.sh point TMPDIR at a folder of their own) and removed
// when the process ends normally; a crashing run leaves it for inspection.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace veilcraft::fuzz {

// Never freed: it must outlive every static object, since the exit handler
// that removes the folder runs after some of them are gone.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path* folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/veilcraft-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("veilcraft fuzz: cannot make the scratch folder");
            std::abort();
        }
        return new std::filesystem::path(pattern);
    }();
    static const bool removedAtExit = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*folder, ignored);
        });
        return true;
    }();
    (void)removedAtExit;
    return *folder;
}

// Writes `data` as the whole content of `path`; aborts when it cannot, since
// every later check would then test the wrong input.
inline void writeFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(("veilcraft fuzz: cannot write " + path.string()).c_str());
        std::abort();
    }
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::string content;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            content.append(buffer, got);
        std::fclose(file);
    }
    return content;
}

// Stops the run with a message; libFuzzer records the input that did it.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "veilcraft fuzz: %s\n", what);
    std::abort();
}

}  // namespace veilcraft::fuzz
