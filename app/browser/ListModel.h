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
};

} // namespace veilcraft
