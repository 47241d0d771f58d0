#pragma once

#include <QObject>

#include <array>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace veilcraft {

// The main window's menu bar and its encrypt pop-up, entry by entry: each
// menu's entries form an array whose index is the entry's identity ("-"
// entries are separators that keep their index), every entry an action with
// the objectName "array(index)".
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMenuBar* bar, QWidget* owner);

    QMenu* mu_File;
    std::array<QAction*, 5> Mu_File_Index{};
    QMenu* mu_View;
    std::array<QAction*, 4> mu_View_Index{};
    QMenu* Mu_Tools;
    std::array<QAction*, 4> mu_Tools_Index{};
    QMenu* mu_Option;
    QAction* Menu_Alg;
    QMenu* mu_Help;
    std::map<int, QAction*> mu_Help_Index;
    QAction* LiveCheck;
    QAction* Mu_about;
    // The encrypt choices of the tool bar, shown as a pop-up only.
    QMenu* Mu_Toolbars;
    std::array<QAction*, 3> MuTools{};

    // Checks File entry `index` (0..2) and unchecks the other two.
    void checkMode(int index);
    // Puts the check mark back on the active mode after a choice of another
    // one was refused (choosing an entry toggles its mark by itself).
    void restoreMode() { checkMode(mode_); }
    // The active mode, the checked File entry 0..2.
    [[nodiscard]] int checkedMode() const { return mode_; }

private:
    int mode_ = 0;
};

}  // namespace veilcraft
