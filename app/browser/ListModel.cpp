#include "ListModel.h"

#include <QSignalBlocker>

namespace veilcraft {

void ListModel::appendRows(const QList<QList<QStandardItem*>>& rows)
{
    if (rows.isEmpty())
        return;
    const int first = rowCount();
    const int count = static_cast<int>(rows.size());
    insertRows(first, count);
    {
        // The empty rows are announced; filling them in needs no notice per cell.
        const QSignalBlocker quiet(this);
        for (int row = 0; row < count; ++row)
            for (int column = 0; column < rows[row].size(); ++column)
                setItem(first + row, column, rows[row][column]);
    }
    emit dataChanged(index(first, 0), index(first + count - 1, columnCount() - 1));
}

} // namespace veilcraft
