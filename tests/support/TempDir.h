#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veilcraft::test {

// A fresh folder under the test run's TMPDIR, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& content);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& content);
[[nodiscard]] std::string readFile(const std::string& path);
[[nodiscard]] bool fileExists(const std::string& path);
// Names of the entries of a folder, sorted.
[[nodiscard]] std::vector<std::string> listFolder(const std::string& path);
// Deterministic pseudo-random bytes.
[[nodiscard]] std::string randomBytes(std::size_t length, std::uint32_t seed);

}  // namespace veilcraft::test
