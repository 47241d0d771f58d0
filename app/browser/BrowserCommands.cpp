#include "BrowserCommands.h"

#include "AttrForm.h"
#include "FileList.h"
#include "FileSys.h"
#include "FolderTree.h"
#include "UserInterface.h"

#include <QAction>
#include <QPersistentModelIndex>
#include <QScopedValueRollback>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace veilcraft {

BrowserCommands::BrowserCommands(FolderTree& tree, FileList& list, std::shared_ptr<FileSys> fileSys, UserInterface& ui,
                                 QWidget* owner, LongWork runLong)
    : QObject(owner), tree_(tree), list_(list), fileSys_(std::move(fileSys)), ui_(ui), owner_(owner),
      operations_(*fileSys_, ui), runLong_(std::move(runLong))
{
    connect(list_.lvwFile->model(), &QStandardItemModel::itemChanged, this, &BrowserCommands::rowEdited);
}

BrowserSelection BrowserCommands::selection() const
{
    BrowserSelection selection;
    selection.TreeHasFocus = tree_.TreeHasFocus();
    if (const QTreeWidgetItem* node = tree_.tvwFile->currentItem())
        selection.selectedNode =
            TreeNode{FolderTree::keyOf(node), node->text(0), FolderTree::kindOf(node),
                     node->parent() != nullptr ? FolderTree::keyOf(node->parent()) : QString()};
    const QStandardItemModel* model = list_.lvwFile->model();
    const QItemSelectionModel* selected = list_.lvwFile->reportView()->selectionModel();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStandardItem* item = model->item(row);
        selection.rows.push_back({item->data(FileList::KeyRole).toString(), item->text(),
                                  static_cast<ItemKind>(item->data(FileList::KindRole).toInt()),
                                  selected->rowIntersectsSelection(row, QModelIndex()),
                                  item->checkState() == Qt::Checked});
    }
    return selection;
}

void BrowserCommands::apply(const BrowserUpdate& update)
{
    QStandardItemModel* model = list_.lvwFile->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStandardItem* item = model->item(row);
        QFont font = item->font();
        font.setBold(std::find(update.boldRows.begin(), update.boldRows.end(),
                               item->data(FileList::KeyRole).toString()) != update.boldRows.end());
        item->setFont(font);
    }
    if (update.boldNode)
        if (QTreeWidgetItem* node = tree_.node(*update.boldNode)) {
            QFont font = node->font(0);
            font.setBold(true);
            node->setFont(0, font);
        }
    for (const QString& key : update.removedNodes)
        tree_.removeNode(key);
    if (update.refreshNode)
        tree_.tvwFile_NodeClick(tree_.node(*update.refreshNode));
}

void BrowserCommands::applyLong(const std::function<BrowserUpdate()>& operation)
{
    BrowserUpdate update;
    {
        const QScopedValueRollback<bool> working(working_, true);
        runLong_([&] { update = operation(); });
    }
    apply(update);
}

void BrowserCommands::copy()
{
    if (working_)
        return;
    apply(operations_.CopySelection(selection()));
    list_.Pop_Index[6]->setEnabled(operations_.CanPaste());
}

void BrowserCommands::cut()
{
    if (working_)
        return;
    apply(operations_.CutSelection(selection()));
    list_.Pop_Index[6]->setEnabled(operations_.CanPaste());
}

void BrowserCommands::paste()
{
    if (working_ || !operations_.CanPaste())
        return;
    const BrowserSelection current = selection();
    applyLong([&] { return operations_.PasteClipboard(current); });
}

void BrowserCommands::remove()
{
    if (working_)
        return;
    const BrowserSelection current = selection();
    applyLong([&] { return operations_.DeleteSelection(current); });
}

void BrowserCommands::rename()
{
    if (working_)
        return;
    const BrowserSelection current = selection();
    if (FileOperations::RenameSelection(current) == RenameTarget::TreeNode) {
        if (QTreeWidgetItem* node = tree_.tvwFile->currentItem())
            tree_.tvwFile->editItem(node);
        return;
    }
    for (std::size_t row = 0; row < current.rows.size(); ++row) {
        if (!current.rows[row].selected)
            continue;
        // Made editable before the edit is armed: the change of flags is
        // itself reported as a change of the item.
        QStandardItem* item = list_.lvwFile->model()->item(static_cast<int>(row));
        item->setEditable(true);
        editedRow_ = static_cast<int>(row);
        editedFrom_ = current.rows[row];
        list_.lvwFile->reportView()->edit(item->index());
        return;
    }
}

void BrowserCommands::rowEdited(QStandardItem* item)
{
    if (editedRow_ < 0 || item->row() != editedRow_ || item->column() != 0)
        return;
    editedRow_ = -1;
    item->setEditable(false);
    const RowRename result = operations_.FinishListRename(editedFrom_, item->text());
    if (!result.accepted) {
        // Back to the old name, and the user edits again -- once the view has
        // closed the editor that is committing right now.
        {
            const QSignalBlocker quiet(list_.lvwFile->model());
            item->setText(editedFrom_.text);
        }
        QTimer::singleShot(0, this, [this, index = QPersistentModelIndex(item->index()), from = editedFrom_] {
            if (!index.isValid())
                return;
            QTreeView* report = list_.lvwFile->reportView();
            report->setFocus();
            report->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            list_.lvwFile->model()->itemFromIndex(index)->setEditable(true);
            editedRow_ = index.row();
            editedFrom_ = from;
            report->edit(index);
        });
        return;
    }
    {
        const QSignalBlocker quiet(list_.lvwFile->model());
        item->setText(result.text);
        item->setData(result.newKey, FileList::KeyRole);
    }
    if (result.node)
        tree_.rekey(result.node->oldKey, result.node->newKey, result.node->newText);
    if (result.sortList)
        list_.sortByOrder(0);
}

void BrowserCommands::setRowStates(const std::vector<bool>& states)
{
    QStandardItemModel* model = list_.lvwFile->model();
    QItemSelectionModel* selected = list_.lvwFile->reportView()->selectionModel();
    for (int row = 0; row < model->rowCount() && row < static_cast<int>(states.size()); ++row) {
        const bool on = states[static_cast<std::size_t>(row)];
        model->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        selected->select(model->index(row, 0), (on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                                   QItemSelectionModel::Rows);
    }
}

void BrowserCommands::selectAll()
{
    setRowStates(FileOperations::SelectAllItems(selection().rows));
}

void BrowserCommands::invert()
{
    setRowStates(FileOperations::InvertSelection(selection().rows));
}

void BrowserCommands::properties()
{
    const std::optional<PropertiesTarget> target = operations_.ShowProperties(selection());
    if (!target)
        return;
    std::optional<AttrObject> object;
    try {
        object = target->AttrTarget == 0   ? AttrObject(fileSys_->GetDrive(target->path))
                 : target->AttrTarget == 1 ? AttrObject(fileSys_->GetFolder(target->path))
                                           : AttrObject(fileSys_->GetFile(target->path));
    } catch (const FileSysError& error) {
        ui_.message(error.what(), kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
        return;
    }
    auto* dialog = new AttrForm(std::move(*object), ui_, owner_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &AttrForm::driveNodeTextChanged, this, [this](const QString& drivePath, const QString& text) {
        if (QTreeWidgetItem* node = tree_.node(drivePath.endsWith('/') ? drivePath : drivePath + "/"))
            node->setText(0, text);
    });
    dialog->show();
}

void BrowserCommands::newFolder()
{
    const QTreeWidgetItem* current = tree_.CurrentNode();
    if (working_ || current == nullptr)
        return;
    const std::optional<NewNode> created = operations_.CreateNewFolder(
        {FolderTree::keyOf(current), current->text(0), FolderTree::kindOf(current),
         current->parent() != nullptr ? FolderTree::keyOf(current->parent()) : QString()});
    if (!created)
        return;
    if (QTreeWidgetItem* node = tree_.addFolderNode(created->parentKey, created->key, created->text)) {
        tree_.tvwFile->setCurrentItem(node);
        tree_.tvwFile->editItem(node);
    }
}

}  // namespace veilcraft
