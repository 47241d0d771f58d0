#include "FolderTree.h"

#include "FileList.h"
#include "FormatByPattern.h"
#include "KeyboardAccess.h"
#include "LatestTask.h"
#include "ListedFile.h"
#include "UserInterface.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

namespace veilcraft {

namespace {

constexpr int kOldTextRole = Qt::UserRole + 3;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr const char* kNotReady = "The drivers is not ready!";

QString driveKey(const QString& drivePath)
{
    return drivePath.endsWith('/') ? drivePath : drivePath + "/";
}

}  // namespace

FolderTree::FolderTree(QTreeWidget* tree, FileList& list, UserInterface& ui, std::shared_ptr<FileSys> fileSys,
                       std::function<void(const QString&, const QString&)> status, std::function<bool()> decryptMode)
    : QObject(tree),
      tvwFile(tree),
      list_(list),
      ui_(ui),
      fileSys_(std::move(fileSys)),
      status_(std::move(status)),
      decryptMode_(std::move(decryptMode)),
      sizeTask_(new LatestTask(this))
{
    tvwFile->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    tvwFile->installEventFilter(this);
    tvwFile->viewport()->installEventFilter(this);
    connect(tvwFile, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { tvwFile_NodeClick(item); });
    connect(tvwFile, &QTreeWidget::itemExpanded, this, &FolderTree::expanded);
    connect(tvwFile, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { tvwFile_NodeClick(item); });
    connect(tvwFile, &QTreeWidget::itemChanged, this, &FolderTree::renamed);

    tvwPop = new QMenu(tvwFile);
    tvwPop->setObjectName("tvwPop");
    const char* const captions[] = {"Ecrypt folder", "-", "Refresh", "Create a New Folder", "Delete a Folder", "-",
                                    "Attribute"};
    for (int i = 0; i < 7; ++i) {
        const QString caption = captions[i];
        QAction* action = caption == "-" ? tvwPop->addSeparator() : tvwPop->addAction(caption);
        action->setObjectName(QString("tvwPop_Index(%1)").arg(i));
        tvwPop_Index[static_cast<std::size_t>(i)] = action;
    }
    connect(tvwPop_Index[0], &QAction::triggered, this, &FolderTree::encryptFolderRequested);
    connect(tvwPop_Index[2], &QAction::triggered, this, &FolderTree::GoUpOneLevel);
    // "Refresh" shows the parent folder, which its usual key would not lead anyone to expect.
    addShortcuts(tvwFile, {{tvwPop_Index[3], QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
                           {tvwPop_Index[4], QKeySequence::Delete},
                           {tvwPop_Index[6], QKeySequence(Qt::ALT | Qt::Key_Return)}});
}

FolderTree::~FolderTree() = default;

NodeKind FolderTree::kindOf(const QTreeWidgetItem* node)
{
    return static_cast<NodeKind>(node->data(0, KindRole).toInt());
}

QString FolderTree::keyOf(const QTreeWidgetItem* node)
{
    return node->data(0, KeyRole).toString();
}

QTreeWidgetItem* FolderTree::node(const QString& key) const
{
    return nodes_.value(key, nullptr);
}

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const QString& key, const QString& text, NodeKind kind)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvwFile);
    const bool folder = kind == NodeKind::Folder || kind == NodeKind::ExpandedFolder;
    QStyle* style = QApplication::style();
    item->setIcon(0, folder                          ? style->standardIcon(QStyle::SP_DirClosedIcon)
                     : kind == NodeKind::Desktop     ? style->standardIcon(QStyle::SP_DesktopIcon)
                     : kind == NodeKind::MyComputer  ? style->standardIcon(QStyle::SP_ComputerIcon)
                                                     : QIcon());
    item->setText(0, text);
    item->setData(0, KeyRole, key);
    item->setData(0, KindRole, static_cast<int>(kind));
    item->setData(0, kOldTextRole, text);
    // Only folders are renamed in place.
    if (folder)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    nodes_.insert(key, item);
    return item;
}

void FolderTree::BuildFolderTree()
{
    const QSignalBlocker quiet(tvwFile);
    tvwFile->clear();
    nodes_.clear();
    list_.clear();
    current_ = nullptr;

    QTreeWidgetItem* desktop = addNode(nullptr, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                       "Desktop", NodeKind::Desktop);
    QTreeWidgetItem* computer = addNode(desktop, kMyComputerKey, "My Computer", NodeKind::MyComputer);
    for (const Drive& drive : fileSys_->Drives()) {
        QString text = drive.DriveLetter();
        if (drive.DriveType() == 2 && drive.IsReady()) {
            try {
                text += "(" + drive.VolumeName() + ")";
            } catch (const FileSysError&) {
                text += "()";
            }
        }
        QTreeWidgetItem* driveNode = addNode(computer, driveKey(drive.Path()), text, NodeKind::Drive);
        driveNode->setIcon(0, driveIcon(drive.DriveType()));
        // Removable drives and drives without a medium are never read.
        if (drive.DriveType() == 1 || !drive.IsReady())
            continue;
        try {
            for (const Folder& sub : drive.RootFolder().SubFolders()) {
                QTreeWidgetItem* child = addNode(driveNode, sub.Path(), sub.Name(), NodeKind::Folder);
                AddSubFolderNodes(sub.Path(), sub);
                child->sortChildren(0, Qt::AscendingOrder);
            }
        } catch (const FileSysError&) {
            // An unreadable root leaves the drive without folder nodes.
        }
        driveNode->sortChildren(0, Qt::AscendingOrder);
    }
    desktop->setExpanded(true);
}

void FolderTree::AddSubFolderNodes(const QString& parentKey, const Folder& folder)
{
    QTreeWidgetItem* parent = node(parentKey);
    if (parent == nullptr)
        return;
    try {
        for (const Folder& sub : folder.SubFolders())
            if (node(sub.Path()) == nullptr)
                addNode(parent, sub.Path(), sub.Name(), NodeKind::Folder);
    } catch (const FileSysError&) {
        // Unreadable or vanished: the node simply has no children.
    }
}

void FolderTree::expanded(QTreeWidgetItem* item)
{
    if (keyOf(item) == kMyComputerKey || kindOf(item) != NodeKind::Folder)
        return;
    const QSignalBlocker quiet(tvwFile);
    try {
        for (const Folder& sub : fileSys_->GetFolder(keyOf(item)).SubFolders()) {
            AddSubFolderNodes(sub.Path(), sub);
            if (QTreeWidgetItem* child = node(sub.Path()))
                child->sortChildren(0, Qt::AscendingOrder);
        }
    } catch (const FileSysError&) {
        // A vanished folder expands to what was loaded before.
    }
    item->setData(0, KindRole, static_cast<int>(NodeKind::ExpandedFolder));
    item->sortChildren(0, Qt::AscendingOrder);
}

void FolderTree::tvwFile_NodeClick(QTreeWidgetItem* clicked)
{
    if (clicked == nullptr)
        return;
    sizeTask_->stop();
    const QString key = keyOf(clicked);
    current_ = node(key);
    list_.clear();
    try {
        if (key == kMyComputerKey) {
            list_.setDriveHeaders();
            list_.ListDriveRows(fileSys_->Drives());
        } else {
            list_.setFileHeaders();
            bool ready = false;
            for (;;) {
                const Drive drive = fileSys_->GetDrive(fileSys_->GetDriveName(key));
                if (drive.IsReady()) {
                    ready = true;
                    break;
                }
                const UserInterface::Answer answer =
                    ui_.message(("Can not accessing " + drive.Path() + "\r\n" + kNotReady).toStdString(), "Browse—",
                                UserInterface::Buttons::RetryCancel, UserInterface::Icon::Information);
                if (answer != UserInterface::Answer::Retry)
                    break;
            }
            if (ready) {
                const Folder folder = fileSys_->GetFolder(key);
                const std::vector<ListedFile> files = listFiles(folder);
                QApplication::setOverrideCursor(Qt::WaitCursor);
                list_.ListFileRows(files, decryptMode_());
                QApplication::restoreOverrideCursor();
            } else {
                GoUpOneLevel();
            }
        }
    } catch (const FileSysError& failure) {
        if (QApplication::overrideCursor() != nullptr)
            QApplication::restoreOverrideCursor();
        ui_.message(failure.what(), kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        // A folder that is gone leaves the tree, and its parent is shown.
        const NodeKind kind = kindOf(clicked);
        if ((kind == NodeKind::Folder || kind == NodeKind::ExpandedFolder) && !fileSys_->FolderExists(key)) {
            QTreeWidgetItem* parent = clicked->parent();
            removeNode(key);
            tvwFile_NodeClick(parent);
        }
        return;
    }

    tvwFile->setCurrentItem(clicked);
    tvwFile->scrollToItem(clicked);
    const QString name = clicked->text(0);
    switch (kindOf(clicked)) {
    case NodeKind::Desktop:
        status_(name, "Desktop");
        break;
    case NodeKind::MyComputer:
        status_(name, "My Computer");
        break;
    case NodeKind::Drive: {
        const Drive drive = fileSys_->GetDrive(fileSys_->GetDriveName(key));
        const double giB = kMiB * 1024.0;
        status_(name, drive.IsReady() ? FormatByPattern(drive.TotalSize() / giB, "####.###") +
                                            "G (Space available:" +
                                            FormatByPattern(drive.FreeSpace() / giB, "####.###") + "G)"
                                      : QString(kNotReady));
        break;
    }
    case NodeKind::Folder:
    case NodeKind::ExpandedFolder:
        status_(name, QString());
        showFolderSize(key, fileSys_->GetDriveName(key));
        break;
    }
}

void FolderTree::showFolderSize(const QString& folderPath, const QString& drivePath)
{
    const QString name = current_ != nullptr ? current_->text(0) : QString();
    const std::shared_ptr<FileSys> fileSys = fileSys_;
    sizeTask_->start(
        [fileSys, folderPath, drivePath](const LatestTask::Superseded& superseded) -> std::optional<QString> {
            try {
                const double size = fileSys->GetFolder(folderPath).Size(superseded);
                const double free = fileSys->GetDrive(drivePath).FreeSpace();
                return FormatByPattern(size / kMiB, "#######.##") + "M (Space available:" +
                       FormatByPattern(free / kMiB, "########.##") + "M)";
            } catch (const FileSysError&) {
                return std::nullopt;
            }
        },
        [this, name](const QString& text) { status_(name, text); });
}

void FolderTree::GoUpOneLevel()
{
    QTreeWidgetItem* selected = tvwFile->currentItem();
    if (selected == nullptr || kindOf(selected) == NodeKind::Desktop || selected->parent() == nullptr)
        return;
    QTreeWidgetItem* parent = selected->parent();
    tvwFile_NodeClick(parent);
    tvwFile->setCurrentItem(parent);
}

void FolderTree::renamed(QTreeWidgetItem* item)
{
    if (renaming_)
        return;
    const QString oldText = item->data(0, kOldTextRole).toString();
    const QString newText = item->text(0).trimmed();
    const QString oldKey = keyOf(item);
    if (newText.isEmpty() || kindOf(item) == NodeKind::Drive || newText.compare(oldText, Qt::CaseInsensitive) == 0 ||
        newText.contains('/')) {
        refuseRename(item);
        return;
    }
    const QString newKey = oldKey.left(oldKey.size() - oldText.size()) + newText;
    if (fileSys_->FolderExists(newKey) || fileSys_->FileExists(newKey)) {
        ui_.message("The folder is exist!", "Warning!", UserInterface::Buttons::OkCancel,
                    UserInterface::Icon::Critical);
        refuseRename(item);
        return;
    }
    try {
        Folder folder = fileSys_->GetFolder(oldKey);
        folder.SetName(newText);
    } catch (const FileSysError& error) {
        ui_.message(error.what(), kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        refuseRename(item);
        return;
    }
    rekey(oldKey, newKey, newText);
    tvwFile_NodeClick(item);
}

QTreeWidgetItem* FolderTree::addFolderNode(const QString& parentKey, const QString& key, const QString& text)
{
    QTreeWidgetItem* parent = node(parentKey);
    if (parent == nullptr || node(key) != nullptr)
        return node(key);
    const QSignalBlocker quiet(tvwFile);
    QTreeWidgetItem* added = addNode(parent, key, text, NodeKind::Folder);
    parent->sortChildren(0, Qt::AscendingOrder);
    return added;
}

void FolderTree::removeNode(const QString& key)
{
    QTreeWidgetItem* item = node(key);
    if (item == nullptr)
        return;
    const QStringList keys = nodes_.keys();
    for (const QString& each : keys)
        if (each == key || each.startsWith(key.endsWith('/') ? key : key + "/"))
            nodes_.remove(each);
    if (current_ == item || (current_ != nullptr && keyOf(current_).startsWith(key)))
        current_ = nullptr;
    delete item;
}

void FolderTree::rekey(const QString& oldKey, const QString& newKey, const QString& newText)
{
    QTreeWidgetItem* item = node(oldKey);
    if (item == nullptr)
        return;
    const QStringList keys = nodes_.keys();
    for (const QString& key : keys) {
        if (key != oldKey && !key.startsWith(oldKey + "/"))
            continue;
        QTreeWidgetItem* moved = nodes_.take(key);
        const QString renamedKey = newKey + key.mid(oldKey.size());
        moved->setData(0, KeyRole, renamedKey);
        nodes_.insert(renamedKey, moved);
    }
    renaming_ = true;
    item->setText(0, newText);
    item->setData(0, kOldTextRole, newText);
    renaming_ = false;
}

void FolderTree::refuseRename(QTreeWidgetItem* item)
{
    renaming_ = true;
    item->setText(0, item->data(0, kOldTextRole).toString());
    renaming_ = false;
    tvwFile->setFocus();
    tvwFile->setCurrentItem(item);
    // The node is found again by key: the tree may have changed meanwhile.
    QTimer::singleShot(0, this, [this, key = keyOf(item)] {
        if (QTreeWidgetItem* again = node(key))
            tvwFile->editItem(again);
    });
}

bool FolderTree::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == tvwFile)
        treeHasFocus_ = true;
    // While a label is edited the keys go to its editor, not here.
    if (event->type() == QEvent::KeyPress && watched == tvwFile) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tvwFile_NodeClick(tvwFile->currentItem());
            return true;
        }
        if (key == Qt::Key_Backspace) {
            GoUpOneLevel();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == tvwFile->viewport() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        tvwPop->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    if (isKeyboardPopup(event)) {
        tvwPop->popup(keyboardPopupPosition(tvwFile));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace veilcraft
