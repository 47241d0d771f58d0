#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/stat.h>
#include <vector>

namespace veilcraft {

// Paths are kept in the file system's own bytes, so that names which are not
// valid UTF-8 still reach their files; QString forms are for display.
[[nodiscard]] QString displayPath(const QByteArray& nativePath);
[[nodiscard]] QByteArray nativePath(const QString& path);
// folder + "/" + name, without doubling a separator the folder ends in.
[[nodiscard]] QByteArray joinNative(const QByteArray& folder, const QByteArray& name);
// The last component of a path, trailing separators ignored ("/" stays "/").
[[nodiscard]] QByteArray lastComponent(const QByteArray& path);

struct FolderEntry {
    QByteArray name;
    struct stat status; // of the entry itself, never of a link's target
};

// A folder held open by its descriptor. Walks go from descriptor to
// descriptor, so they work at any path length, never follow a symbolic link
// below the folder they start at, and are not misled by a rename above it.
class FolderHandle {
public:
    // Opens `name` in the folder `at` (AT_FDCWD: a path). A final symbolic
    // link is followed only when `followLink`. Check isOpen(); errno says why not.
    FolderHandle(int at, const char* name, bool followLink);
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    FolderHandle& operator=(FolderHandle&&) = delete;

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    [[nodiscard]] int fd() const { return fd_; }

    // The entries without "." and "..", sorted by name. An entry that
    // vanishes while it is read is left out. False, with errno set, when the
    // folder cannot be read.
    [[nodiscard]] bool read(std::vector<FolderEntry>& entries) const;

    // The total size of the regular files below, at any depth. Subfolders
    // that cannot be opened or read count as empty: the total is what can be
    // seen. The walk ends early, with what it counted, once `stop()` is true.
    [[nodiscard]] double sizeOfFiles(const std::function<bool()>& stop) const;

private:
    int fd_;
};

} // namespace veilcraft
