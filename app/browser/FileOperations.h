#pragma once

#include "BrowserSelection.h"
#include "FileSys.h"
#include "UserInterface.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace veilcraft {

// The commands of the browser's pop-up menus: copy, cut and paste, delete,
// rename, select all, invert the selection, properties and new folder.
// They take the selection as plain values (BrowserSelection), work through
// the file-system service, talk to the user through UserInterface, and hand
// back what the tree and the list must change; the window only applies it.
//
// Every failure of the service is reported with the item and its cause; the
// other items of the command go on.
class FileOperations {
public:
    FileOperations(const FileSys& fs, UserInterface& ui);

    // Both empty the clipboard lists and collect the selected list rows
    // (folders and files; drive rows are only bolded) or the tree's selected
    // node. My Computer has no path and is never collected; nor is the
    // Desktop or a drive by Cut, since a move would delete them.
    BrowserUpdate CopySelection(const BrowserSelection& selection);
    BrowserUpdate CutSelection(const BrowserSelection& selection);

    // Copies the clipboard into the folder of the tree's selected node; after
    // a Cut, deletes each source whose copy succeeded. Nothing happens while
    // the clipboard is empty or no node is selected. A folder is never pasted
    // into itself or its own sub-folders, nor an item onto itself.
    BrowserUpdate PasteClipboard(const BrowserSelection& selection);

    // Asks before an existing target is overwritten; true to go on.
    bool ConfirmOverwrite(const QString& target, bool isFolder);

    // Deletes the tree's selected folder or the list's selected rows, for
    // good, after asking. Drives, the Desktop and My Computer are refused.
    BrowserUpdate DeleteSelection(const BrowserSelection& selection);

    [[nodiscard]] static RenameTarget RenameSelection(const BrowserSelection& selection);
    // The list's label edit of `row` finished with `newText`.
    RowRename FinishListRename(const ListRow& row, const QString& newText);

    // The new selected-and-checked state of each row, in list order.
    [[nodiscard]] static std::vector<bool> SelectAllItems(const std::vector<ListRow>& rows);
    [[nodiscard]] static std::vector<bool> InvertSelection(const std::vector<ListRow>& rows);

    // The object the properties dialog shows; nothing when there is none
    // (My Computer, the Desktop, no selected row) or it cannot be reached.
    std::optional<PropertiesTarget> ShowProperties(const BrowserSelection& selection);

    // Creates "New Folder", "New Folder1", ... under `currentNode` (the node
    // last shown) and returns the node to add, on which the window starts
    // label editing. Refused under My Computer.
    std::optional<NewNode> CreateNewFolder(const TreeNode& currentNode);

    [[nodiscard]] const std::vector<QString>& ClipFiles() const { return clipFiles_; }
    [[nodiscard]] const std::vector<QString>& ClipFolders() const { return clipFolders_; }
    [[nodiscard]] bool CopyMode() const { return copyMode_; }
    [[nodiscard]] bool CanPaste() const { return canPaste_; }

private:
    BrowserUpdate collect(const BrowserSelection& selection, bool copyMode);
    // The paste target folder of the node, ending with "/"; nothing for My Computer.
    [[nodiscard]] static std::optional<QString> targetFolder(const TreeNode& node);
    // The size of everything on the clipboard, for the paste's progress.
    [[nodiscard]] double clipboardBytes() const;
    // Copies one clipboard item; false when it was skipped or failed.
    bool pasteItem(const QString& source, const QString& folder, bool isFolder, const FileCopy::Progress& progress,
                   std::vector<std::string>& failures);
    void deleteSources(const std::vector<QString>& folders, const std::vector<QString>& files, BrowserUpdate& update,
                       std::vector<std::string>& failures);
    void report(const std::string& heading, const std::vector<std::string>& failures);

    const FileSys& fs_;
    UserInterface& ui_;
    std::vector<QString> clipFiles_;
    std::vector<QString> clipFolders_;
    bool copyMode_ = false;
    bool canPaste_ = false;
};

} // namespace veilcraft
