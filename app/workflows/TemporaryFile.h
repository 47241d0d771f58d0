#pragma once

#include <string>
#include <utility>

namespace veilcraft {

// A private (0600), uniquely named file that is removed when it goes. Two
// runs or windows working on the same output must never share one, and
// nobody else may read a plain archive while it exists.
class TemporaryFile {
public:
    // `pattern` holds "XXXXXX" followed by `suffixLength` characters (see
    // mkstemps). Throws CipherError when it cannot be made.
    TemporaryFile(std::string pattern, int suffixLength);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;

    // A file in the user's temporary folder (TMPDIR, else /tmp) named
    // "veilcraft-XXXXXX" + suffix.
    [[nodiscard]] static TemporaryFile inTemporaryFolder(const std::string& suffix);

    [[nodiscard]] const std::string& path() const { return path_; }

private:
    TemporaryFile(std::string pattern, int suffixLength, const std::string& where);

    std::string path_;
};

// The user's temporary folder, as the environment names it.
[[nodiscard]] std::string temporaryFolder();

}  // namespace veilcraft
