#include "PanelList.h"

#include "FolderHandle.h"
#include "ListView.h"

#include <QTreeView>

#include <algorithm>

namespace veilcraft::panellist {

void append(ListView* list, const QStringList& paths)
{
    for (const QString& path : paths)
        list->model()->appendRow(new QStandardItem(path));
}

std::vector<std::string> nativePaths(ListView* list)
{
    std::vector<std::string> paths;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        paths.push_back(nativePath(list->model()->item(row)->text()).toStdString());
    return paths;
}

void removeSelected(ListView* list)
{
    if (list->model()->rowCount() == 0)
        return;
    const QModelIndex current = list->reportView()->currentIndex();
    list->model()->removeRow(current.isValid() ? current.row() : 0);
    list->reportView()->setFocus();
}

void keepOnly(ListView* list, const std::vector<std::string>& paths)
{
    for (int row = list->model()->rowCount() - 1; row >= 0; --row)
        if (std::find(paths.begin(), paths.end(), nativePath(list->model()->item(row)->text()).toStdString()) ==
            paths.end())
            list->model()->removeRow(row);
}

}  // namespace veilcraft::panellist
