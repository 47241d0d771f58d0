#pragma once

#include "FileSysItem.h"

#include <functional>
#include <vector>

namespace veilcraft {

class File;
struct FolderEntry;

// A folder of the file-system service. Symbolic links inside it are files
// (shortcuts), never subfolders, so walks and the folder tree cannot loop.
class Folder : public FileSysItem {
public:
    // The folder at `nativePath`; FileSys checks that it exists.
    explicit Folder(QByteArray nativePath, bool followLink = true);

    // The total size of all files below, found by walking the whole folder
    // without following symbolic links; unreadable subfolders count as empty.
    [[nodiscard]] double Size() const;
    // The same walk, ended early (with what it counted) once `stop()` is true.
    [[nodiscard]] double Size(const std::function<bool()>& stop) const;
    // The shell's type text: the description of the folder MIME type.
    [[nodiscard]] QString Type() const;
    // Sorted by name.
    [[nodiscard]] std::vector<Folder> SubFolders() const;
    [[nodiscard]] std::vector<File> Files() const;
    // Every entry with its status (links not followed), sorted by name.
    [[nodiscard]] std::vector<FolderEntry> entries() const;
};

} // namespace veilcraft
