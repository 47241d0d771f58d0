#pragma once

#include "ListModel.h"

#include <QStackedWidget>
#include <QStringList>

class QListView;
class QTreeView;

namespace veilcraft {

// The list control of the windows: one model shown in four views -- 0 large
// icons, 1 small icons, 2 list, 3 report (columns) -- with one selection
// shared by all of them.
class ListView : public QStackedWidget {
    Q_OBJECT
public:
    enum View { LargeIcons = 0, SmallIcons = 1, List = 2, Report = 3 };
    // The item data that identifies a row (a file list's full path).
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit ListView(QWidget* parent = nullptr);

    [[nodiscard]] ListModel* model() { return &model_; }
    [[nodiscard]] QTreeView* reportView() const { return report_; }
    [[nodiscard]] QListView* iconView() const { return icons_; }

    // Columns are identified by key; the header shows their text.
    void clearColumns();
    void addColumn(const QString& key, const QString& text, int width);
    [[nodiscard]] const QStringList& columnKeys() const { return keys_; }
    // Removes every row, keeping the columns.
    void clearRows();

    void setView(int view);
    [[nodiscard]] int view() const { return view_; }

private:
    ListModel model_;
    QListView* icons_;
    QTreeView* report_;
    QStringList keys_;
    int view_ = Report;
};

}  // namespace veilcraft
