#pragma once

#include "BrowserSelection.h"
#include "FileOperations.h"

#include <QObject>

#include <memory>

class QStandardItem;
class QWidget;

namespace veilcraft {

class FileList;
class FileSys;
class FolderTree;
class UserInterface;

// The pop-up menus' file commands in the window: reads the selection from
// the folder tree and the file list, lets FileOperations decide and work,
// and applies what it hands back -- bold rows, removed or re-keyed nodes,
// new folders, refreshed lists, the properties dialog.
class BrowserCommands : public QObject {
    Q_OBJECT
public:
    BrowserCommands(FolderTree& tree, FileList& list, std::shared_ptr<FileSys> fileSys, UserInterface& ui,
                    QWidget* owner);

    void copy();
    void cut();
    void paste();
    void remove();
    void rename();
    void selectAll();
    void invert();
    void properties();
    void newFolder();

    [[nodiscard]] const FileOperations& operations() const { return operations_; }

private:
    [[nodiscard]] BrowserSelection selection() const;
    void apply(const BrowserUpdate& update);
    void setRowStates(const std::vector<bool>& states);
    void rowEdited(QStandardItem* item);

    FolderTree& tree_;
    FileList& list_;
    std::shared_ptr<FileSys> fileSys_;
    UserInterface& ui_;
    QWidget* owner_;
    FileOperations operations_;
    // The row whose label is being edited, -1 for none.
    int editedRow_ = -1;
    ListRow editedFrom_;
};

}  // namespace veilcraft
