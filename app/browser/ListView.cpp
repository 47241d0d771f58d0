#include "ListView.h"

#include <QHeaderView>
#include <QListView>
#include <QTreeView>

namespace veilcraft {

ListView::ListView(QWidget* parent) : QStackedWidget(parent), icons_(new QListView(this)), report_(new QTreeView(this))
{
    icons_->setModel(&model_);
    report_->setModel(&model_);
    icons_->setSelectionModel(report_->selectionModel());
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(report_)})
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    report_->setRootIsDecorated(false);
    report_->setUniformRowHeights(true);
    report_->setAllColumnsShowFocus(true);
    report_->header()->setStretchLastSection(false);
    addWidget(icons_);
    addWidget(report_);
    setView(Report);
}

void ListView::clearColumns()
{
    model_.clear();
    keys_.clear();
}

void ListView::addColumn(const QString& key, const QString& text, int width)
{
    keys_ << key;
    const int column = static_cast<int>(keys_.size()) - 1;
    model_.setColumnCount(static_cast<int>(keys_.size()));
    model_.setHeaderData(column, Qt::Horizontal, text);
    report_->setColumnWidth(column, width);
}

void ListView::clearRows()
{
    model_.removeRows(0, model_.rowCount());
}

void ListView::setView(int view)
{
    view_ = view;
    if (view == Report) {
        setCurrentWidget(report_);
        return;
    }
    const bool large = view == LargeIcons;
    // A change of mode sets dragging and dropping by how items move; they
    // stay as the list's owner set them.
    const bool dragging = icons_->dragEnabled();
    const bool dropping = icons_->viewport()->acceptDrops();
    icons_->setViewMode(view == List || !large ? QListView::ListMode : QListView::IconMode);
    icons_->setDragEnabled(dragging);
    icons_->viewport()->setAcceptDrops(dropping);
    icons_->setFlow(view == List ? QListView::TopToBottom : QListView::LeftToRight);
    icons_->setWrapping(true);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    icons_->setGridSize(large ? QSize(96, 64) : QSize());
    setCurrentWidget(icons_);
}

}  // namespace veilcraft
