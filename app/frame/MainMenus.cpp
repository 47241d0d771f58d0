#include "MainMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace veilcraft {

namespace {

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

// One entry of a menu's array; "-" makes a separator.
QAction* addEntry(QMenu* menu, const QString& array, int index, const QString& caption)
{
    QAction* action = caption == "-" ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(QString("%1(%2)").arg(array).arg(index));
    return action;
}

}  // namespace

MainMenus::MainMenus(QMenuBar* bar, QWidget* owner) : QObject(bar)
{
    setObjectName("MainMenus");
    mu_File = addMenu(bar, "mu_File", "&File");
    const char* const files[] = {"&Encrypt File", "Encrypt Flolder", "&Decrypt File", "-", "E&xit"};
    for (int i = 0; i < 5; ++i)
        Mu_File_Index[static_cast<std::size_t>(i)] = addEntry(mu_File, "Mu_File_Index", i, files[i]);
    for (int i = 0; i < 3; ++i)
        Mu_File_Index[static_cast<std::size_t>(i)]->setCheckable(true);

    mu_View = addMenu(bar, "mu_View", "View");
    const char* const views[] = {"Big Icons", "Small Icons", "List", "Report"};
    for (int i = 0; i < 4; ++i)
        mu_View_Index[static_cast<std::size_t>(i)] = addEntry(mu_View, "mu_View_Index", i, views[i]);

    Mu_Tools = addMenu(bar, "Mu_Tools", "Tool");
    const char* const tools[] = {"Encrypt Text", "Shre&dFile", "-", "Attribute"};
    for (int i = 0; i < 4; ++i)
        mu_Tools_Index[static_cast<std::size_t>(i)] = addEntry(Mu_Tools, "mu_Tools_Index", i, tools[i]);

    mu_Option = addMenu(bar, "mu_Option", "Option");
    Menu_Alg = mu_Option->addAction("&Settings");
    Menu_Alg->setObjectName("Menu_Alg");

    mu_Help = addMenu(bar, "mu_Help", "Help");
    const std::pair<int, const char*> helps[] = {{0, "Help"},
                                                 {1, "-"},
                                                 {2, "Homepage"},
                                                 {5, "Internet Services and Surpports"},
                                                 {6, "-"},
                                                 {8, "Subscribe Newsletters"}};
    for (const auto& [index, caption] : helps)
        mu_Help_Index[index] = addEntry(mu_Help, "mu_Help_Index", index, caption);
    mu_Help_Index[0]->setShortcut(Qt::Key_F1);
    // F1 works wherever the focus is in the window.
    mu_Help_Index[0]->setShortcutContext(Qt::ApplicationShortcut);
    mu_Help->addSeparator();
    LiveCheck = mu_Help->addAction("Live Update Check");
    LiveCheck->setObjectName("LiveCheck");
    mu_Help->addSeparator();
    Mu_about = mu_Help->addAction("About");
    Mu_about->setObjectName("Mu_about");

    Mu_Toolbars = new QMenu(owner);
    Mu_Toolbars->setObjectName("Mu_Toolbars");
    const char* const encrypts[] = {"Encrypt File", "Encrypt Folder", "Encrypt Text"};
    for (int i = 0; i < 3; ++i)
        MuTools[static_cast<std::size_t>(i)] = addEntry(Mu_Toolbars, "MuTools", i, encrypts[i]);
}

void MainMenus::checkMode(int index)
{
    mode_ = index;
    for (int i = 0; i < 3; ++i)
        Mu_File_Index[static_cast<std::size_t>(i)]->setChecked(i == index);
}

}  // namespace veilcraft
