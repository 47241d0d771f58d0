#pragma once

#include <cstdint>

namespace veilcraft {

// The tag of a folder-tree node. A folder node goes from Folder to
// ExpandedFolder on its first expand, when its grandchildren are loaded.
enum class NodeKind : std::int16_t {
    Folder = 0,
    ExpandedFolder = 1,
    Drive = 2,
    MyComputer = 3,
    Desktop = 4,
};

// The tag of a file-list row. No listing produces Folder rows, but the file
// operations act on them.
enum class ItemKind : std::int16_t {
    Drive = 0,
    Folder = 1,
    File = 2,
};

} // namespace veilcraft
