#pragma once

#include <string>
#include <utility>

namespace veilcraft {

// A private (0600), uniquely named file that is removed when it goes. Two
// runs or windows working on the same output must never share one, and
// nobody else may read a plain archive while it exists. Its name is one a
// later run recognises (TemporaryNames.h), and it is locked for as long as
// it exists, so that such a run removes it only when its maker is gone.
class TemporaryFile {
public:
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept
        : path_(std::exchange(other.path_, {})), fd_(std::exchange(other.fd_, -1))
    {
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;

    // A hidden file beside `target`, in its folder. Throws CipherError when
    // it cannot be made.
    [[nodiscard]] static TemporaryFile beside(const std::string& target);
    // A file in the user's temporary folder (TMPDIR, else /tmp).
    [[nodiscard]] static TemporaryFile inTemporaryFolder(const std::string& suffix);

    [[nodiscard]] const std::string& path() const { return path_; }

    // Another writer (the zip control, an atomic file) replaced the file by
    // renaming its own over it: lock what is under the name now.
    void relock();

    // The file now lives on under another name (it was renamed to a final
    // output): stop guarding it and never remove it.
    void forget();

private:
    TemporaryFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

    std::string path_;
    int fd_ = -1;
};

// The user's temporary folder, as the environment names it.
[[nodiscard]] std::string temporaryFolder();

}  // namespace veilcraft
