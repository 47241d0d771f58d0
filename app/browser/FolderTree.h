#pragma once

#include "BrowserKinds.h"
#include "FileSys.h"

#include <QHash>
#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace veilcraft {

class FileList;
class LatestTask;
class UserInterface;

// The left pane: the fixed root "Desktop" with "My Computer", one node per
// drive below it and the drives' folders, always loaded one level deeper
// than the user has opened. Choosing a node shows its contents in the file
// list and its size and free space in the status bar; the folder size is
// walked on a worker thread and shown when ready, unless another node was
// chosen meanwhile.
class FolderTree : public QObject {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;
    static constexpr const char* kMyComputerKey = "Mycomp";

    // `status(panel1, panel2)` writes the two status-bar texts;
    // `decryptMode()` tells the list's filter.
    FolderTree(QTreeWidget* tvwFile, FileList& list, UserInterface& ui, std::shared_ptr<FileSys> fileSys,
               std::function<void(const QString&, const QString&)> status, std::function<bool()> decryptMode);
    ~FolderTree() override;

    // Clears tree and list and builds the tree.
    void BuildFolderTree();
    // One level of child nodes for `folder` under the node keyed `parentKey`.
    void AddSubFolderNodes(const QString& parentKey, const Folder& folder);
    // Shows a node in the list and the status bar.
    void tvwFile_NodeClick(QTreeWidgetItem* node);
    // Shows and selects the parent of the selected node.
    void GoUpOneLevel();

    [[nodiscard]] QTreeWidgetItem* node(const QString& key) const;
    // A folder node added by the file operations (a new folder).
    QTreeWidgetItem* addFolderNode(const QString& parentKey, const QString& key, const QString& text);
    // Removes a node and everything loaded below it.
    void removeNode(const QString& key);
    // Gives a node, and every loaded node below it, the new path.
    void rekey(const QString& oldKey, const QString& newKey, const QString& newText);
    [[nodiscard]] QTreeWidgetItem* CurrentNode() const { return current_; }
    [[nodiscard]] static NodeKind kindOf(const QTreeWidgetItem* node);
    [[nodiscard]] static QString keyOf(const QTreeWidgetItem* node);
    [[nodiscard]] bool TreeHasFocus() const { return treeHasFocus_; }
    void setTreeHasFocus(bool focus) { treeHasFocus_ = focus; }

    QTreeWidget* tvwFile;
    QMenu* tvwPop;
    std::array<QAction*, 7> tvwPop_Index{};

signals:
    // "Ecrypt folder" of the tree's pop-up.
    void encryptFolderRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text, NodeKind kind);
    void expanded(QTreeWidgetItem* item);
    void renamed(QTreeWidgetItem* item);
    void refuseRename(QTreeWidgetItem* item);
    void showFolderSize(const QString& folderPath, const QString& drivePath);

    FileList& list_;
    UserInterface& ui_;
    std::shared_ptr<FileSys> fileSys_;
    std::function<void(const QString&, const QString&)> status_;
    std::function<bool()> decryptMode_;
    QTreeWidgetItem* current_ = nullptr;
    bool treeHasFocus_ = false;
    bool renaming_ = false;
    // The status bar's folder size, walked elsewhere for the latest node.
    LatestTask* sizeTask_;
    QHash<QString, QTreeWidgetItem*> nodes_;
};

}  // namespace veilcraft
