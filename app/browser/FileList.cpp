#include "FileList.h"

#include "BrowserKinds.h"
#include "Drive.h"
#include "File.h"
#include "FileSysItem.h"
#include "FormatByPattern.h"
#include "KeyboardAccess.h"
#include "ListedFile.h"
#include "UserInterface.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDropEvent>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QTreeView>

namespace veilcraft {

namespace {

constexpr double kKiB = 1024.0;

// File names are compared exactly: "A.VKF" is not encrypted.
bool isEncryptedName(const QString& name)
{
    return name.endsWith(".vkf", Qt::CaseSensitive);
}

// The type column's cell finds its text when it is first shown or sorted
// by: looking types up costs more than everything else a row shows, and a
// large folder shows only a screenful of its rows at a time.
class TypeItem : public QStandardItem {
public:
    TypeItem(QString name, mode_t mode) : name_(std::move(name)), mode_(mode) {}

    [[nodiscard]] QVariant data(int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QStandardItem::data(role);
        if (text_.isNull())
            text_ = fileTypeText(name_, mode_);
        return text_;
    }

private:
    QString name_;
    mode_t mode_;
    mutable QString text_;
};

// The date column's cell, likewise: making a local date costs a time zone
// lookup, which a listing of 100,000 files cannot afford for rows never
// shown.
class DateItem : public QStandardItem {
public:
    explicit DateItem(const timespec& modified) : modified_(modified) {}

    [[nodiscard]] QVariant data(int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QStandardItem::data(role);
        if (text_.isNull())
            text_ = DefaultDateText(fromTimespec(modified_));
        return text_;
    }

private:
    timespec modified_;
    mutable QString text_;
};

}  // namespace

QString driveTypeText(int type)
{
    switch (type) {
    case 1:
        return "Floppy Drive ";
    case 2:
        return "Fixed Drive";
    case 3:
        return "Network Drive";
    case 4:
        return "CD-ROM";
    case 5:
        return "RAM Disk";
    default:
        return "Unknown";
    }
}

QIcon driveIcon(int type)
{
    QStyle* style = QApplication::style();
    switch (type) {
    case 1:
        return style->standardIcon(QStyle::SP_DriveFDIcon);
    case 3:
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    case 4:
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    default:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    }
}

FileList::FileList(ListView* list, UserInterface& ui, QWidget* menuParent) : QObject(list), lvwFile(list), ui_(ui)
{
    MenuPop = new QMenu(menuParent);
    MenuPop->setObjectName("MenuPop");
    const char* const captions[] = {"Add",    "-", "Attribute", "-",      "C&opy",      "Cut",
                                    "Paste",  "-", "Delete",    "-",      "Rename",     "-",
                                    "Select All", "Inverted Selection", "Sorted..."};
    for (int i = 0; i < 15; ++i) {
        const QString caption = captions[i];
        QAction* action = caption == "-" ? MenuPop->addSeparator() : MenuPop->addAction(caption);
        action->setObjectName(QString("Pop_Index(%1)").arg(i));
        Pop_Index[static_cast<std::size_t>(i)] = action;
    }
    Order = new QMenu(menuParent);
    Order->setObjectName("Order");
    const char* const orders[] = {"Name", "Size", "Type", "Modifyed Date"};
    for (int i = 0; i < 4; ++i) {
        QAction* action = Order->addAction(orders[i]);
        action->setObjectName(QString("Order(%1)").arg(i));
        action->setCheckable(true);
        OrderItems[static_cast<std::size_t>(i)] = action;
        connect(action, &QAction::triggered, this, [this, i] { sortByOrder(i); });
    }
    Pop_Index[14]->setMenu(Order);
    // Nothing to paste before a Copy or Cut.
    Pop_Index[6]->setEnabled(false);
    MenuPop->addSeparator();
    Pop_pre = MenuPop->addAction("Previous");
    Pop_pre->setObjectName("Pop_pre");
    connect(Pop_pre, &QAction::triggered, this, &FileList::previousRequested);
    connect(Pop_Index[0], &QAction::triggered, this, &FileList::handToPanels);
    addShortcuts(lvwFile, {{Pop_Index[2], QKeySequence(Qt::ALT | Qt::Key_Return)},
                           {Pop_Index[4], QKeySequence::Copy},
                           {Pop_Index[5], QKeySequence::Cut},
                           {Pop_Index[6], QKeySequence::Paste},
                           {Pop_Index[8], QKeySequence::Delete},
                           {Pop_Index[10], QKeySequence(Qt::Key_F2)},
                           {Pop_Index[12], QKeySequence::SelectAll},
                           {Pop_Index[13], QKeySequence(Qt::CTRL | Qt::Key_I)},
                           {Pop_pre, QKeySequence(Qt::Key_Backspace)}});

    QTreeView* report = lvwFile->reportView();
    report->header()->setSectionsClickable(true);
    connect(report->header(), &QHeaderView::sectionClicked, this, &FileList::sortByHeader);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(report), static_cast<QAbstractItemView*>(lvwFile->iconView())}) {
        connect(view, &QAbstractItemView::doubleClicked, this, &FileList::handToPanels);
        view->viewport()->installEventFilter(this);
        view->viewport()->setAcceptDrops(true);
        // Rows are dragged out as file URLs (ListModel::mimeData).
        view->setDragEnabled(true);
        view->installEventFilter(this);
    }
}

bool FileList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        emit focusReceived();
    // Something dragged over the list highlights the row under the pointer;
    // dropping only clears the highlight.
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        drag->acceptProposedAction();
        setDropHighlight(currentView()->indexAt(drag->position().toPoint()).row());
        return true;
    }
    if (event->type() == QEvent::Drop || event->type() == QEvent::DragLeave) {
        setDropHighlight(-1);
        event->accept();
        return true;
    }
    // Enter is the keyboard's double click.
    if (event->type() == QEvent::KeyPress && watched == currentView()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit handToPanels();
            return true;
        }
    }
    // Only a folder that holds files offers the pop-up.
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (folderHasFiles_)
            MenuPop->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    if (isKeyboardPopup(event)) {
        if (folderHasFiles_)
            MenuPop->popup(keyboardPopupPosition(currentView()));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QAbstractItemView* FileList::currentView() const
{
    return lvwFile->view() == ListView::Report ? static_cast<QAbstractItemView*>(lvwFile->reportView())
                                               : static_cast<QAbstractItemView*>(lvwFile->iconView());
}

void FileList::setDropHighlight(int row)
{
    if (row == dropRow_)
        return;
    QStandardItemModel* model = lvwFile->model();
    const QPalette palette = lvwFile->palette();
    for (const int each : {dropRow_, row}) {
        if (each < 0 || each >= model->rowCount())
            continue;
        for (int column = 0; column < model->columnCount(); ++column)
            if (QStandardItem* item = model->item(each, column))
                item->setBackground(each == row ? palette.brush(QPalette::Highlight).color().lighter(160)
                                                : QBrush());
    }
    dropRow_ = row;
}

void FileList::setFileHeaders()
{
    QStandardItemModel* model = lvwFile->model();
    model->setHeaderData(1, Qt::Horizontal, "Size");
    model->setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    model->setHeaderData(2, Qt::Horizontal, "Type");
    model->setHeaderData(3, Qt::Horizontal, "Modify Date");
}

void FileList::setDriveHeaders()
{
    QStandardItemModel* model = lvwFile->model();
    model->setHeaderData(1, Qt::Horizontal, "Type");
    model->setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    model->setHeaderData(2, Qt::Horizontal, "Total Size");
    model->setHeaderData(3, Qt::Horizontal, "Free space");
}

void FileList::clear()
{
    dropRow_ = -1;
    lvwFile->clearRows();
    folderHasFiles_ = false;
}

QList<QStandardItem*> FileList::makeRow(const QString& key, const QString& text, const QIcon& icon, int kind,
                                        QList<QStandardItem*> columns)
{
    auto* first = new QStandardItem(icon, text);
    first->setData(key, KeyRole);
    first->setData(kind, KindRole);
    first->setCheckable(true);
    first->setEditable(false);
    // A drive row stands for a volume, not for a file to hand on.
    first->setDragEnabled(kind != static_cast<int>(ItemKind::Drive));
    for (QStandardItem* column : columns)
        column->setEditable(false);
    columns[0]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    columns.prepend(first);
    return columns;
}

void FileList::ListDriveRows(const std::vector<Drive>& drives)
{
    const double giB = kKiB * kKiB * kKiB;
    QList<QList<QStandardItem*>> rows;
    for (const Drive& drive : drives) {
        QString total;
        QString free;
        if (drive.IsReady()) {
            total = FormatByPattern(drive.TotalSize() / giB, "###.###") + "G";
            free = FormatByPattern(drive.FreeSpace() / giB, "###.###") + "G";
        }
        rows << makeRow(drive.Path(), drive.DriveLetter(), driveIcon(drive.DriveType()),
                        static_cast<int>(ItemKind::Drive),
                        {new QStandardItem(driveTypeText(drive.DriveType())), new QStandardItem(total),
                         new QStandardItem(free)});
    }
    lvwFile->model()->appendRows(rows);
}

void FileList::ListFileRows(const std::vector<ListedFile>& files, bool decryptMode)
{
    folderHasFiles_ = !files.empty();
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    QList<QList<QStandardItem*>> rows;
    for (const ListedFile& file : files) {
        const QString name = file.Name();
        const bool listed = decryptMode ? isEncryptedName(name)
                                        : !isEncryptedName(name) && !file.isShortcut() && !file.isOnlyHidden();
        if (!listed)
            continue;
        rows << makeRow(file.Path(), name, icon, static_cast<int>(ItemKind::File),
                        {new QStandardItem(FormatByPattern(file.Size() / kKiB, "########.##") + "K"),
                         new TypeItem(name, file.mode()),
                         new DateItem(file.modified())});
    }
    lvwFile->model()->appendRows(rows);
}

QStringList FileList::handedRows() const
{
    QStringList keys;
    const QStandardItemModel* model = lvwFile->model();
    const QItemSelectionModel* selection = lvwFile->reportView()->selectionModel();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStandardItem* item = model->item(row);
        if (item->checkState() == Qt::Checked || selection->rowIntersectsSelection(row, QModelIndex()))
            keys << item->data(KeyRole).toString();
    }
    return keys;
}

QStringList FileList::checkedRows() const
{
    QStringList keys;
    const QStandardItemModel* model = lvwFile->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->item(row)->checkState() == Qt::Checked)
            keys << model->item(row)->data(KeyRole).toString();
    return keys;
}

void FileList::sortBy(int column, Qt::SortOrder order)
{
    order_ = order;
    // Texts are compared as texts: sizes and dates sort by their characters.
    lvwFile->model()->sort(column, order);
}

void FileList::sortByHeader(int position)
{
    OrderItems[static_cast<std::size_t>(SortColumn)]->setChecked(false);
    if (position >= 0 && position < 4) {
        OrderItems[static_cast<std::size_t>(position)]->setChecked(true);
        SortColumn = position;
    }
    sortBy(position, order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void FileList::sortByOrder(int index)
{
    OrderItems[static_cast<std::size_t>(SortColumn)]->setChecked(false);
    OrderItems[static_cast<std::size_t>(index)]->setChecked(true);
    SortColumn = index;
    sortBy(index, Qt::AscendingOrder);
}

}  // namespace veilcraft
