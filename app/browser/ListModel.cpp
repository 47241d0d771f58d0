#include "ListModel.h"

#include "FolderHandle.h"
#include "ListView.h"

#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

#include <set>

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

QStringList ListModel::mimeTypes() const
{
    return {"text/uri-list"};
}

QMimeData* ListModel::mimeData(const QModelIndexList& indexes) const
{
    // A selected row comes once per column, in the order it was selected.
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        rows.insert(index.row());
    QList<QUrl> urls;
    for (const int row : rows) {
        const QStandardItem* first = item(row);
        if (first == nullptr || !first->isDragEnabled())
            continue;
        // The URL carries the path's own bytes: the key's text stands for a
        // name that is not UTF-8 with escapes that only this program reads.
        const QByteArray path = nativePath(first->data(ListView::KeyRole).toString());
        if (!path.isEmpty())
            urls << QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
    }
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

} // namespace veilcraft
