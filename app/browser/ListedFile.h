#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <sys/stat.h>
#include <vector>

namespace veilcraft {

class Folder;

// A file of a folder as the folder's reading saw it: the file list shows
// thousands of these, so the status comes from the reading itself instead
// of one status call per property, and the attributes and the type text,
// which cost more, are read only when asked for.
class ListedFile {
public:
    ListedFile(QByteArray nativePath, const struct stat& status);

    [[nodiscard]] QString Path() const;
    [[nodiscard]] QString Name() const;
    [[nodiscard]] double Size() const { return static_cast<double>(size_); }
    [[nodiscard]] QDateTime DateLastModified() const;
    [[nodiscard]] const timespec& modified() const { return modified_; }
    [[nodiscard]] mode_t mode() const { return mode_; }
    [[nodiscard]] bool isShortcut() const;
    // The permission and the DOS attribute word are read now.
    [[nodiscard]] int Attributes() const;
    // Attributes() == Hidden, at less cost.
    [[nodiscard]] bool isOnlyHidden() const;
    [[nodiscard]] const QByteArray& nativePath() const { return path_; }

private:
    QByteArray path_;
    mode_t mode_;
    off_t size_;
    timespec modified_;
};

// The files of `folder` (everything but its subfolders), sorted by name.
// Raises FileSysError when the folder cannot be read.
[[nodiscard]] std::vector<ListedFile> listFiles(const Folder& folder);

} // namespace veilcraft
