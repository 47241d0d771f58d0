#pragma once

#include "BrowserKinds.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace veilcraft {

// The browser's selection as plain values, taken from the folder tree and
// the file list by the window, and the changes the file operations hand back
// for the window to apply. Nothing here knows a widget.

// A folder-tree node: its key (a path; "Mycomp" for My Computer), its text,
// its kind and the key of its parent (empty for the Desktop).
struct TreeNode {
    QString key;
    QString text;
    NodeKind kind = NodeKind::Folder;
    QString parentKey;
};

// A file-list row: its key (a path), its text, its kind and its flags.
struct ListRow {
    QString key;
    QString text;
    ItemKind kind = ItemKind::File;
    bool selected = false;
    bool checked = false;
};

// What a command acts on.
struct BrowserSelection {
    bool TreeHasFocus = false;
    std::optional<TreeNode> selectedNode; // the tree's selected node, if any
    std::vector<ListRow> rows;            // every row of the list, in list order
};

// A tree node that changes its key and text.
struct NodeRekey {
    QString oldKey;
    QString newKey;
    QString newText;
};

// A folder node to add: kind Folder, images 6/7.
struct NewNode {
    QString parentKey;
    QString key;
    QString text;
};

// What copy, cut, paste and delete leave for the window to do, in this
// order: bold, remove nodes, then refresh the list by tvwFile_NodeClick.
struct BrowserUpdate {
    std::vector<QString> boldRows;     // list rows to show in bold, by key
    std::optional<QString> boldNode;   // tree node to show in bold, by key
    std::vector<QString> removedNodes; // tree nodes to remove, by key
    std::optional<QString> refreshNode;
};

// The outcome of a finished label edit of a list row. Accepted: the row gets
// `text` and `newKey`, the tree node `node` (if any) is re-keyed, and the
// list is sorted when `sortList`. Refused: the edit is cancelled, the list
// gets the focus and editing starts again on the same row.
struct RowRename {
    bool accepted = false;
    QString text;
    QString newKey;
    std::optional<NodeRekey> node;
    bool sortList = false;
};

// Which label editing Rename starts.
enum class RenameTarget { TreeNode, ListRow };

// What ShowProperties chose for the properties dialog: AttrTarget 0 drive,
// 1 folder, 2 file, and the path of that object (for a drive its path).
struct PropertiesTarget {
    std::int16_t AttrTarget = 0;
    QString path;
};

} // namespace veilcraft
