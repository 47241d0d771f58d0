#pragma once

#include "Drive.h"
#include "DriveSource.h"
#include "File.h"
#include "FileCopy.h"
#include "FileSysError.h"
#include "Folder.h"

#include <QString>

#include <memory>
#include <vector>

namespace veilcraft {

// The file browser's and the shredder's one way to drives, folders and
// files. Every failure raises FileSysError with the path and the system's
// cause; nothing fails quietly.
//
// Paths are plain Linux paths. A destination that ends with "/" is a folder
// to copy into, keeping the source's name; otherwise it is the copy's own
// path. Symbolic links are files (shortcuts): copies and deletions treat them
// as links and never follow them into other folders.
class FileSys {
public:
    // Over the machine's mounted volumes.
    FileSys();
    explicit FileSys(std::shared_ptr<const DriveSource> drives);

    // The drive collection, in the source's order.
    [[nodiscard]] std::vector<Drive> Drives() const;
    // The drive whose path is `drivePath` (a trailing "/" does not matter).
    [[nodiscard]] Drive GetDrive(const QString& drivePath) const;
    // The path of the drive that holds `path`: the longest drive path it lies
    // under. Empty when no drive holds it.
    [[nodiscard]] QString GetDriveName(const QString& path) const;
    // The last component of `path`.
    [[nodiscard]] static QString GetFileName(const QString& path);

    [[nodiscard]] Folder GetFolder(const QString& path) const;
    [[nodiscard]] File GetFile(const QString& path) const;
    // A path that is a symbolic link to a folder exists as both.
    [[nodiscard]] bool FolderExists(const QString& path) const;
    [[nodiscard]] bool FileExists(const QString& path) const;

    // Refused when anything of that name exists.
    Folder CreateFolder(const QString& path) const;

    void CopyFile(const QString& source, const QString& destination, bool overwrite = true) const;
    // Refused when the destination is the folder itself or lies inside it.
    void CopyFolder(const QString& source, const QString& destination, bool overwrite = true) const;
    // The same copies, telling `progress` of the bytes written as they go.
    void CopyFile(const QString& source, const QString& destination, bool overwrite,
                  const FileCopy::Progress& progress) const;
    void CopyFolder(const QString& source, const QString& destination, bool overwrite,
                    const FileCopy::Progress& progress) const;

    // Without `force` a read-only file (one its owner may not write) is
    // refused; with it, it is deleted as well.
    void DeleteFile(const QString& path, bool force = false) const;
    // Deletes the folder with everything below it. Without `force` it stops
    // at the first read-only item. A symbolic link given as the folder is
    // removed itself, never what it points to. Drive roots and the contents
    // of other file systems mounted inside are never deleted.
    void DeleteFolder(const QString& path, bool force = false) const;

private:
    std::shared_ptr<const DriveSource> drives_;
};

} // namespace veilcraft
