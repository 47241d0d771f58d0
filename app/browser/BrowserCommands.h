#pragma once

#include "BrowserSelection.h"
#include "FileOperations.h"

#include <QObject>

#include <functional>
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
//
// Pasting and deleting may take long: they run through `runLong`, which
// runs a piece of work elsewhere while the window's events go on, and `ui`
// must then answer from that other thread too. While they run, the other
// commands that change files or the clipboard do nothing.
class BrowserCommands : public QObject {
    Q_OBJECT
public:
    using LongWork = std::function<void(const std::function<void()>& work)>;

    BrowserCommands(FolderTree& tree, FileList& list, std::shared_ptr<FileSys> fileSys, UserInterface& ui,
                    QWidget* owner, LongWork runLong);

    void copy();
    void cut();
    void paste();
    void remove();
    void rename();
    void selectAll();
    void invert();
    void properties();
    void newFolder();


private:
    [[nodiscard]] BrowserSelection selection() const;
    void apply(const BrowserUpdate& update);
    void setRowStates(const std::vector<bool>& states);
    void rowEdited(QStandardItem* item);
    // Runs `operation` through runLong and applies its update.
    void applyLong(const std::function<BrowserUpdate()>& operation);

    FolderTree& tree_;
    FileList& list_;
    std::shared_ptr<FileSys> fileSys_;
    UserInterface& ui_;
    QWidget* owner_;
    FileOperations operations_;
    LongWork runLong_;
    bool working_ = false;
    // The row whose label is being edited, -1 for none.
    int editedRow_ = -1;
    ListRow editedFrom_;
};

}  // namespace veilcraft
