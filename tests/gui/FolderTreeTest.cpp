// The folder tree and the file list in the main window, over folders of the
// test's own standing in for drives.
#include "FileList.h"
#include "FileSys.h"
#include "FolderTree.h"
#include "FormatByPattern.h"
#include "GuiTest.h"
#include "ListView.h"
#include "MainMenus.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "WorkerThread.h"
#include "fraTools.h"
#include "frmMain.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QMimeData>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace veilcraft;
using ::testing::ElementsAre;

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

class FolderTreeTest : public ::testing::Test {
protected:
    // Runs before the window is made, which builds its tree at once.
    bool prepare()
    {
        for (const char* folder : {"data/b", "data/a/a1/a11", "usb"})
            std::filesystem::create_directories(dir.file(folder));
        test::writeFile(dir.file("data/a/notes.txt"), std::string(2048, 'n'));
        test::writeFile(dir.file("data/a/secret.vkf"), "vkf");
        test::writeFile(dir.file("data/a/.hidden"), "h");
        drives->list.push_back({q(dir.file("data")), "DATA", "ext4", kFixedDrive, true, 2e9, 1e9, 1e9});
        drives->list.push_back({q(dir.file("usb")), "", "vfat", kRemovableDrive, false});
        return true;
    }
    QTreeWidgetItem* node(const std::string& key) { return window.folderTree->node(q(key)); }
    QStringList listed()
    {
        QStringList texts;
        for (int row = 0; row < window.lvwFile->model()->rowCount(); ++row)
            texts << window.lvwFile->model()->item(row)->text();
        return texts;
    }
    QString cell(int row, int column) { return window.lvwFile->model()->item(row, column)->text(); }

    test::WithApplication application;
    test::TempDir dir;
    test::ScriptedUserInterface ui;
    std::shared_ptr<test::FolderDrives> drives = std::make_shared<test::FolderDrives>();
    bool prepared = prepare();
    frmMain window{ui, std::make_shared<FileSys>(drives)};
};

}  // namespace

TEST_F(FolderTreeTest, TreeHoldsDrivesAndLoadsOneLevelAhead)
{
    QTreeWidgetItem* desktop = window.tvwFile->topLevelItem(0);
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(desktop->text(0), "Desktop");
    QTreeWidgetItem* computer = node("Mycomp");
    ASSERT_NE(computer, nullptr);
    EXPECT_EQ(computer->parent(), desktop);
    ASSERT_EQ(computer->childCount(), 2);
    QTreeWidgetItem* data = node(dir.file("data") + "/");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(0), q(dir.file("data")) + "(DATA)");
    EXPECT_EQ(node(dir.file("usb") + "/")->childCount(), 0);  // removable: never read

    ASSERT_EQ(data->childCount(), 2);
    EXPECT_EQ(data->child(0)->text(0), "a");
    QTreeWidgetItem* a = node(dir.file("data/a"));
    ASSERT_NE(node(dir.file("data/a/a1")), nullptr);
    EXPECT_EQ(node(dir.file("data/a/a1/a11")), nullptr);
    a->setExpanded(true);
    EXPECT_NE(node(dir.file("data/a/a1/a11")), nullptr);
    EXPECT_EQ(FolderTree::kindOf(a), NodeKind::ExpandedFolder);
}

TEST_F(FolderTreeTest, ChoosingAFolderListsItsFilesByModeAndSizesItElsewhere)
{
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    EXPECT_EQ(listed(), QStringList({"notes.txt"}));
    EXPECT_EQ(cell(0, 1), "2.K");
    EXPECT_EQ(window.staPanel1->text(), "a");
    // Under a hundredth of a MiB: no digits at all before "M".
    QTRY_COMPARE(window.staPanel2->text(), QString(".M (Space available:953.67M)"));

    window.menus->checkMode(2);
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    EXPECT_EQ(listed(), QStringList({"secret.vkf"}));
}

TEST_F(FolderTreeTest, AFolderGoneFromDiskIsReportedAndLeavesTheTree)
{
    std::filesystem::remove_all(dir.file("data/a"));
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(dir.file("data/a")), std::string::npos);
    EXPECT_EQ(node(dir.file("data/a")), nullptr);
    EXPECT_EQ(node(dir.file("data/a/a1")), nullptr);
    EXPECT_EQ(window.tvwFile->currentItem(), node(dir.file("data") + "/"));
}

TEST_F(FolderTreeTest, LinkLoopsOddNamesAndLongNamesAreBrowsedSafely)
{
    const std::string odd = dir.file("data/a/a1");
    std::filesystem::create_directory_symlink(odd, odd + "/loop");
    test::writeFile(odd + "/caf\xe9.txt", "latin-1 name");
    const std::string longName(255 - 4, 'n');
    std::filesystem::create_directory(odd + "/" + longName);
    test::writeFile(odd + "/" + longName + ".txt", "long");

    node(dir.file("data/a"))->setExpanded(true);  // loads the level below a1
    QTreeWidgetItem* a1 = node(odd);
    window.folderTree->tvwFile_NodeClick(a1);
    // The link is a shortcut, never a subfolder to walk into.
    ASSERT_EQ(a1->childCount(), 2);
    EXPECT_EQ(a1->child(0)->text(0), "a11");
    EXPECT_EQ(a1->child(1)->text(0), q(longName));
    EXPECT_EQ(listed().size(), 2);
    EXPECT_TRUE(listed().contains(q(longName + ".txt")));
    EXPECT_TRUE(ui.messages.empty());
    QTRY_VERIFY(window.staPanel2->text().startsWith(".M"));
}

TEST_F(FolderTreeTest, MyComputerListsDrivesAndANotReadyDriveAsksToRetry)
{
    window.folderTree->tvwFile_NodeClick(node("Mycomp"));
    const QStandardItemModel* model = window.lvwFile->model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Type");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Total Size");
    EXPECT_EQ(listed(), QStringList({q(dir.file("data")), q(dir.file("usb"))}));
    EXPECT_EQ(cell(0, 1), "Fixed Drive");
    EXPECT_EQ(cell(1, 1), "Floppy Drive ");
    EXPECT_EQ(cell(1, 2), "");
    EXPECT_EQ(window.staPanel2->text(), "My Computer");

    ui.answers = {UserInterface::Answer::Retry, UserInterface::Answer::Cancel};
    // As a click does: the node is selected, then shown.
    window.tvwFile->setCurrentItem(node(dir.file("usb") + "/"));
    window.folderTree->tvwFile_NodeClick(node(dir.file("usb") + "/"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Can not accessing " + dir.file("usb") + "\r\nThe drivers is not ready!");
    EXPECT_EQ(ui.messages[0].buttons, UserInterface::Buttons::RetryCancel);
    // Cancel went up to My Computer, whose rows stay; the drive is selected.
    EXPECT_EQ(listed().size(), 2);
    EXPECT_EQ(window.tvwFile->currentItem(), node(dir.file("usb") + "/"));
    EXPECT_EQ(window.staPanel2->text(), "The drivers is not ready!");
}

TEST_F(FolderTreeTest, BackspaceGoesUpButNotAboveDesktop)
{
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    QTest::keyClick(window.tvwFile, Qt::Key_Backspace);
    EXPECT_EQ(window.tvwFile->currentItem(), node(dir.file("data") + "/"));
    window.tvwFile->setCurrentItem(window.tvwFile->topLevelItem(0));
    QTest::keyClick(window.tvwFile, Qt::Key_Backspace);
    EXPECT_EQ(window.tvwFile->currentItem(), window.tvwFile->topLevelItem(0));
}

TEST_F(FolderTreeTest, RenamingRefusesCaseOnlyAndExistingNames)
{
    QTreeWidgetItem* b = node(dir.file("data/b"));
    window.tvwFile->setCurrentItem(b);
    b->setText(0, "B");
    EXPECT_EQ(b->text(0), "b");
    b->setText(0, "a");
    EXPECT_EQ(b->text(0), "b");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The folder is exist!");
    EXPECT_EQ(ui.messages[0].title, "Warning!");

    b->setText(0, " c ");
    EXPECT_EQ(b->text(0), "c");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("data/c")));
    EXPECT_EQ(window.folderTree->node(q(dir.file("data/c"))), b);
}

TEST_F(FolderTreeTest, DoubleClickHandsCheckedAndSelectedRowsToTheWizard)
{
    test::writeFile(dir.file("data/a/more.txt"), "m");
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    ASSERT_EQ(listed(), QStringList({"more.txt", "notes.txt"}));
    window.HandToPanels();
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"No file(s) be Encrypted"});

    window.lvwFile->model()->item(1)->setCheckState(Qt::Checked);
    window.lvwFile->reportView()->selectionModel()->select(window.lvwFile->model()->index(0, 0),
                                                          QItemSelectionModel::Select);
    window.HandToPanels();
    ASSERT_EQ(window.toolsPanel->lvwInput->model()->rowCount(), 2);
    EXPECT_EQ(window.toolsPanel->lvwInput->model()->item(0)->text(), q(dir.file("data/a/more.txt")));
    EXPECT_EQ(window.staPanel2->text(), "Double click for encryption");
    EXPECT_TRUE(window.panelShown());
}

TEST_F(FolderTreeTest, HeaderClicksFlipTheOrderAndSortedCheckFollows)
{
    test::writeFile(dir.file("data/a/big.txt"), std::string(9000, 'b'));
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    window.fileList->sortByHeader(0);
    EXPECT_EQ(listed(), QStringList({"notes.txt", "big.txt"}));
    EXPECT_TRUE(window.fileList->OrderItems[0]->isChecked());
    window.fileList->sortByHeader(0);
    EXPECT_EQ(listed(), QStringList({"big.txt", "notes.txt"}));
    window.fileList->sortByOrder(1);
    EXPECT_FALSE(window.fileList->OrderItems[0]->isChecked());
    EXPECT_TRUE(window.fileList->OrderItems[1]->isChecked());
    // Sizes sort as texts: "2.K" before "8.79K".
    EXPECT_EQ(listed(), QStringList({"notes.txt", "big.txt"}));
}

TEST_F(FolderTreeTest, TypeAndDateColumnsSortByTheirTexts)
{
    // Chronological order differs from the order of the date texts.
    const std::vector<std::pair<std::string, QDateTime>> files{
        {"photo.png", QDateTime(QDate(2024, 12, 1), QTime(9, 30))},
        {"bundle.zip", QDateTime(QDate(2025, 2, 1), QTime(0, 0))},
        {"notes.txt", QDateTime(QDate(2023, 3, 15), QTime(17, 5))}};
    for (const auto& [name, modified] : files) {
        QFile file(q(dir.file("data/a/" + name)));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    const auto expectedOrder = [&](auto textOf) {
        std::vector<std::pair<QString, QString>> rows;
        for (const auto& [name, modified] : files)
            rows.emplace_back(textOf(q(name), modified), q(name));
        std::sort(rows.begin(), rows.end());
        QStringList names;
        for (const auto& row : rows)
            names << row.second;
        return names;
    };

    window.fileList->sortByOrder(2);
    const auto typeOf = [](const QString& name, const QDateTime&) {
        return QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
    };
    EXPECT_EQ(listed(), expectedOrder(typeOf));
    EXPECT_EQ(cell(0, 2), typeOf(listed()[0], {}));

    window.fileList->sortByOrder(3);
    EXPECT_EQ(listed(), expectedOrder([](const QString&, const QDateTime& at) { return DefaultDateText(at); }));
    EXPECT_EQ(cell(static_cast<int>(listed().indexOf("bundle.zip")), 3),
              DefaultDateText(files[1].second));  // midnight: the date alone
}

TEST_F(FolderTreeTest, RenamingARowRefusesExistingNamesAndEditsAgain)
{
    test::writeFile(dir.file("data/a/other.txt"), "o");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    ASSERT_EQ(listed(), QStringList({"notes.txt", "other.txt"}));
    QTreeView* report = window.lvwFile->reportView();
    QTest::mouseClick(report->viewport(), Qt::LeftButton, {},
                      report->visualRect(window.lvwFile->model()->index(0, 0)).center());
    ASSERT_FALSE(window.folderTree->TreeHasFocus());
    const auto typeName = [&](const QString& text) {
        QApplication::processEvents();  // a refused name opens the editor again from the event loop
        // Closed editors linger hidden until deleted.
        QLineEdit* editor = nullptr;
        for (QLineEdit* each : report->viewport()->findChildren<QLineEdit*>())
            if (each->isVisible())
                editor = each;
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(editor->text(), "notes.txt");
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    };

    window.fileList->Pop_Index[10]->trigger();
    typeName("other.txt");
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"The folder is exist!"});
    EXPECT_EQ(cell(0, 0), "notes.txt");

    // The editor opened again on the old name.
    typeName(" zz.txt ");
    EXPECT_EQ(listed(), QStringList({"other.txt", "zz.txt"}));
    EXPECT_EQ(window.lvwFile->model()->item(1)->data(FileList::KeyRole).toString(), q(dir.file("data/a/zz.txt")));
    EXPECT_EQ(test::readFile(dir.file("data/a/zz.txt")), std::string(2048, 'n'));
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/a/notes.txt")));
}

TEST_F(FolderTreeTest, PopUpCommandsCopyPasteCreateAndDelete)
{
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    window.lvwFile->reportView()->selectionModel()->select(window.lvwFile->model()->index(0, 0),
                                                          QItemSelectionModel::Select);
    QAction* paste = window.fileList->Pop_Index[6];
    EXPECT_FALSE(paste->isEnabled());
    window.fileList->Pop_Index[4]->trigger();
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_TRUE(window.lvwFile->model()->item(0)->font().bold());

    QTreeWidgetItem* b = node(dir.file("data/b"));
    window.tvwFile->setCurrentItem(b);
    window.folderTree->tvwFile_NodeClick(b);
    paste->trigger();
    EXPECT_EQ(test::readFile(dir.file("data/b/notes.txt")), std::string(2048, 'n'));
    EXPECT_EQ(listed(), QStringList({"notes.txt"}));

    window.folderTree->tvwPop_Index[3]->trigger();
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("data/b/New Folder")));
    EXPECT_NE(node(dir.file("data/b/New Folder")), nullptr);

    // Deleting the tree's folder asks first; Yes removes it and its node.
    window.tvwFile->setCurrentItem(node(dir.file("data/b/New Folder")));
    window.folderTree->setTreeHasFocus(true);
    ui.answers.push_back(UserInterface::Answer::Yes);
    window.folderTree->tvwPop_Index[4]->trigger();
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/b/New Folder")));
    EXPECT_EQ(node(dir.file("data/b/New Folder")), nullptr);
    EXPECT_TRUE(ui.texts().size() == 1 && ui.texts()[0].rfind("Are you sure to delete", 0) == 0);
}

TEST_F(FolderTreeTest, KeysCopyPasteDeleteHandOverAndOpenThePopUps)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTreeView* report = window.lvwFile->reportView();
    const auto clickRow = [&](int row) {
        QTest::mouseClick(report->viewport(), Qt::LeftButton, {},
                          report->visualRect(window.lvwFile->model()->index(row, 0)).center());
    };
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    clickRow(0);
    QTest::keyClick(report, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(window.fileList->Pop_Index[6]->isEnabled());

    QTest::keyClick(report, Qt::Key_Return);
    ASSERT_EQ(window.toolsPanel->lvwInput->model()->rowCount(), 1);
    EXPECT_EQ(window.toolsPanel->lvwInput->model()->item(0)->text(), q(dir.file("data/a/notes.txt")));

    window.folderTree->tvwFile_NodeClick(node(dir.file("data/b")));
    report->setFocus();
    QTest::keyClick(report, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(listed(), QStringList({"notes.txt"}));
    clickRow(0);
    QTest::keyClick(report, Qt::Key_Delete);  // asks, and the script answers Yes
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/b/notes.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/a/notes.txt")));

    window.tvwFile->setFocus();
    window.tvwFile->setCurrentItem(node(dir.file("data/b")));
    QTest::keyClick(window.tvwFile, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("data/b/New Folder")));

    // The pop-ups open last: a menu takes the window's activation with it.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(window.tvwFile, &menuKey);
    EXPECT_TRUE(window.folderTree->tvwPop->isVisible());
    window.folderTree->tvwPop->close();
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    QApplication::sendEvent(report, &menuKey);
    EXPECT_TRUE(window.fileList->MenuPop->isVisible());
    window.fileList->MenuPop->close();
}

TEST_F(FolderTreeTest, APasteRunsWhileTheWindowGoesOnAndKeepsItOpen)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    window.lvwFile->reportView()->selectionModel()->select(window.lvwFile->model()->index(0, 0),
                                                          QItemSelectionModel::Select);
    window.fileList->Pop_Index[4]->trigger();
    QTreeWidgetItem* b = node(dir.file("data/b"));
    window.tvwFile->setCurrentItem(b);
    window.folderTree->tvwFile_NodeClick(b);

    // Runs from the window's events while the paste works elsewhere.
    bool pasting = false;
    QTimer::singleShot(0, &window, [&] {
        pasting = WorkerThread::anyRunning();
        window.close();
        window.fileList->Pop_Index[6]->trigger();  // a second paste meanwhile does nothing
    });
    window.fileList->Pop_Index[6]->trigger();
    EXPECT_TRUE(pasting);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(test::readFile(dir.file("data/b/notes.txt")), std::string(2048, 'n'));
    EXPECT_EQ(listed(), QStringList({"notes.txt"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FolderTreeTest, AttributeOpensThePropertiesOfTheTreesFolder)
{
    window.tvwFile->setCurrentItem(node(dir.file("data/a")));
    window.folderTree->setTreeHasFocus(true);
    window.menus->mu_Tools_Index[3]->trigger();
    QDialog* dialog = window.findChild<QDialog*>("AttrForm");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Attribute");
    dialog->close();
}

TEST_F(FolderTreeTest, DraggingOverTheListHighlightsTheRowUnderThePointer)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.folderTree->tvwFile_NodeClick(node(dir.file("data/a")));
    QApplication::processEvents();
    QWidget* viewport = window.lvwFile->reportView()->viewport();
    const QPoint onFirstRow = window.lvwFile->reportView()->visualRect(window.lvwFile->model()->index(0, 0)).center();
    QMimeData data;
    data.setText("dragged");
    QDragEnterEvent enter(onFirstRow, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent over(onFirstRow, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &over);
    EXPECT_EQ(window.fileList->dropHighlight(), 0);
    QDropEvent drop(QPointF(onFirstRow), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(window.fileList->dropHighlight(), -1);
    EXPECT_EQ(listed(), QStringList({"notes.txt"}));
}
