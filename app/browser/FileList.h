#pragma once

#include "ListView.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <vector>

class QAbstractItemView;
class QAction;
class QMenu;

namespace veilcraft {

class Drive;
class ListedFile;
class UserInterface;

// The right pane's rows: the drives of the computer or the files of one
// folder, with the two header sets, the mode's filter, sorting by column
// text and the list's pop-up menu. Folders are navigated in the tree only.
class FileList : public QObject {
    Q_OBJECT
public:
    // Item data of a row: its key (a full path or a drive root) and kind.
    static constexpr int KeyRole = ListView::KeyRole;
    static constexpr int KindRole = Qt::UserRole + 2;

    FileList(ListView* lvwFile, UserInterface& ui, QWidget* menuParent);

    void setFileHeaders();
    void setDriveHeaders();
    void clear();
    // One row per drive, in the given order.
    void ListDriveRows(const std::vector<Drive>& drives);
    // One row per file that the mode lets through: encrypted files (a name
    // ending exactly in ".vkf") in decrypt mode, every other file except the
    // hidden-only ones and shortcuts otherwise.
    void ListFileRows(const std::vector<ListedFile>& files, bool decryptMode);

    // The keys of the rows that are checked or selected, in list order.
    [[nodiscard]] QStringList handedRows() const;
    // The keys of the checked rows.
    [[nodiscard]] QStringList checkedRows() const;

    // Sorts by the column at `position` (0-based) as the header click does:
    // the order flips on every click.
    void sortByHeader(int position);
    // Sorts ascending by the "Sorted..." entry `index`.
    void sortByOrder(int index);

    // The row a drag is over, -1 for none.
    [[nodiscard]] int dropHighlight() const { return dropRow_; }

    ListView* lvwFile;
    QMenu* MenuPop;
    std::array<QAction*, 15> Pop_Index{};
    QMenu* Order;
    std::array<QAction*, 4> OrderItems{};
    QAction* Pop_pre;

signals:
    // Double click or "Add": the rows to hand to the active wizard list.
    void handToPanels();
    void focusReceived();
    void previousRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A row: the checkable first cell, then the other columns' cells.
    static QList<QStandardItem*> makeRow(const QString& key, const QString& text, const QIcon& icon, int kind,
                                         QList<QStandardItem*> columns);
    void sortBy(int column, Qt::SortOrder order);
    // The view of the list that is shown: the report or the icons' view.
    [[nodiscard]] QAbstractItemView* currentView() const;
    // Marks the row a drag is over (-1: none).
    void setDropHighlight(int row);

    UserInterface& ui_;
    int SortColumn = 0;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    bool folderHasFiles_ = false;
    int dropRow_ = -1;
};

// The drive type's text in the list: 1 "Floppy Drive " (with its blank),
// 2 "Fixed Drive", 3 "Network Drive", 4 "CD-ROM", 5 "RAM Disk", else "Unknown".
[[nodiscard]] QString driveTypeText(int type);
// The picture of a drive type, shared by the tree and the list.
[[nodiscard]] QIcon driveIcon(int type);

}  // namespace veilcraft
