#pragma once

#include <QList>
#include <QStandardItemModel>

namespace veilcraft {

// The rows of a list control. A folder's thousands of rows go in with one
// notification: row by row, every view and the selection would take note of
// each row on its own.
class ListModel : public QStandardItemModel {
    Q_OBJECT
public:
    using QStandardItemModel::QStandardItemModel;

    // Appends the rows (the model takes the items); every row holds one
    // item per column.
    void appendRows(const QList<QList<QStandardItem*>>& rows);

    // Dragged rows leave as a list of file URLs of their keys (ListView::KeyRole),
    // in row order; a row whose first cell is not drag-enabled stays behind.
    // Nothing when no row goes.
    [[nodiscard]] QStringList mimeTypes() const override;
    [[nodiscard]] QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // Copy only: a drag never takes rows away, and no drop puts rows in.
    [[nodiscard]] Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    [[nodiscard]] bool canDropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) const override
    {
        return false;
    }
};

} // namespace veilcraft
