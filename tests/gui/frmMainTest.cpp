// The main window: its menus and their indexes, the first state after load,
// the mode switches with their check marks and panel, and the resize rule.
#include "GuiTest.h"
#include "FileSys.h"
#include "ListView.h"
#include "MainMenus.h"
#include "ScriptedUserInterface.h"
#include "WorkerThread.h"
#include "fraDecryptFile.h"
#include "fraEncryptText.h"
#include "fraFolder.h"
#include "fraTools.h"
#include "frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace veilcraft;
using ::testing::ElementsAre;

namespace {

// Receives the pages the window asks the desktop to open.
class PageCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

QStringList captions(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? "-" : action->text());
    return texts;
}

QStringList headers(ListView* list)
{
    QStringList texts;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        texts << list->model()->headerData(c, Qt::Horizontal).toString();
    return texts;
}

class frmMainTest : public ::testing::Test {
protected:
    QAction* action(const QString& name) { return test::control<QAction>(window, name); }
    QList<bool> fileChecks()
    {
        return {action("Mu_File_Index(0)")->isChecked(), action("Mu_File_Index(1)")->isChecked(),
                action("Mu_File_Index(2)")->isChecked()};
    }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    std::shared_ptr<test::FolderDrives> drives = [] {
        auto folders = std::make_shared<test::FolderDrives>();
        folders->list.push_back({QDir::tempPath(), "TEMP", "ext4", kFixedDrive, true, 1e9, 5e8, 5e8});
        return folders;
    }();
    frmMain window{ui, std::make_shared<FileSys>(drives)};
};

}  // namespace

TEST_F(frmMainTest, MenusHoldEveryEntryAtItsIndex)
{
    EXPECT_EQ(captions(window.menus->mu_File),
              QStringList({"&Encrypt File", "Encrypt Flolder", "&Decrypt File", "-", "E&xit"}));
    EXPECT_EQ(captions(window.menus->mu_View), QStringList({"Big Icons", "Small Icons", "List", "Report"}));
    EXPECT_EQ(captions(window.menus->Mu_Tools), QStringList({"Encrypt Text", "Shre&dFile", "-", "Attribute"}));
    EXPECT_EQ(captions(window.menus->mu_Option), QStringList({"&Settings"}));
    EXPECT_EQ(captions(window.menus->mu_Help),
              QStringList({"Help", "-", "Homepage", "Internet Services and Surpports", "-", "Subscribe Newsletters",
                           "-", "Live Update Check", "-", "About"}));
    EXPECT_EQ(captions(window.menus->Mu_Toolbars), QStringList({"Encrypt File", "Encrypt Folder", "Encrypt Text"}));
    // The array indexes are the entries' identities, gaps included.
    EXPECT_EQ(action("mu_Help_Index(8)")->text(), "Subscribe Newsletters");
    EXPECT_EQ(action("mu_Help_Index(5)")->text(), "Internet Services and Surpports");
    EXPECT_TRUE(action("Mu_File_Index(3)")->isSeparator());
    EXPECT_EQ(action("mu_Help_Index(0)")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(window.menuBar()->actions().size(), 5);
}

TEST_F(frmMainTest, LoadLeavesTheFirstModeCheckedAndThePanelClosed)
{
    EXPECT_THAT(fileChecks(), ElementsAre(true, false, false));
    EXPECT_FALSE(window.panelShown());
    EXPECT_EQ(window.picMain->height(), 0);
    EXPECT_FALSE(window.ImgDown[0]->isVisibleTo(&window));
    EXPECT_TRUE(window.ImgDown[1]->isVisibleTo(&window));

    EXPECT_EQ(window.toolsPanel->cbAlgorithm->count(), 2);
    EXPECT_EQ(window.toolsPanel->cbAlgorithm->itemText(0), "Blowfish");
    EXPECT_EQ(window.toolsPanel->cbAlgorithm->currentText(), "RC4");
    EXPECT_EQ(window.toolsPanel->lblPassword->text(), "Password (1 to 128 bit key)");
    EXPECT_EQ(window.toolsPanel->edPassword->maxLength(), 128);
    window.toolsPanel->cbAlgorithm->setCurrentIndex(0);
    EXPECT_EQ(window.toolsPanel->lblPassword->text(), "Password (1 to 56 bit key)");
    EXPECT_EQ(window.ciphers().table.selectedPosition(), 0);

    // No drive holds "/" here, so My Computer is shown first, under the
    // drive headers.
    EXPECT_EQ(headers(window.lvwFile), QStringList({"Name", "Type", "Total Size", "Free space"}));
    EXPECT_EQ(window.lvwFile->columnKeys(), QStringList({"Name", "Size", "Type", "MDate"}));
    EXPECT_EQ(window.lvwFile->view(), ListView::Report);
    EXPECT_EQ(headers(window.toolsPanel->lvwInput), QStringList({"Files Path"}));
    EXPECT_EQ(headers(window.decryptPanel->lvwDecrypt), QStringList({"File Path"}));
    EXPECT_TRUE(window.toolsPanel->SaveTo->text().endsWith('/'));
    EXPECT_EQ(window.size(), frmMain::kNormalSize);
}

TEST_F(frmMainTest, ModeSwitchesOpenThePanelAndMoveTheCheckMark)
{
    window.show();
    action("Mu_File_Index(2)")->trigger();
    EXPECT_THAT(fileChecks(), ElementsAre(false, false, true));
    EXPECT_TRUE(window.panelShown());
    EXPECT_EQ(window.picMain->height(), 3400 / 15);
    EXPECT_TRUE(window.decryptPanel->isVisible());
    EXPECT_FALSE(window.toolsPanel->isVisible());
    EXPECT_EQ(window.decryptPanel->title(), "Decrypt File(s)");
    EXPECT_EQ(window.lblInfoMation->text(), "the Decrypt Wizard");
    EXPECT_TRUE(window.ImgDown[0]->isVisible());

    // Refusing the folder question closes the panel and keeps the mark.
    ui.answers.push_back(UserInterface::Answer::No);
    action("Mu_File_Index(1)")->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Are you sure to encrypt the folder? ", 0), 0u);
    EXPECT_EQ(ui.messages[0].buttons, UserInterface::Buttons::YesNo);
    EXPECT_FALSE(window.panelShown());
    EXPECT_THAT(fileChecks(), ElementsAre(false, false, true));

    ui.answers.push_back(UserInterface::Answer::Yes);
    action("Mu_File_Index(1)")->trigger();
    EXPECT_THAT(fileChecks(), ElementsAre(false, true, false));
    EXPECT_TRUE(window.folderPanel->isVisible());

    action("mu_Tools_Index(0)")->trigger();
    EXPECT_TRUE(window.textPanel->isVisible());
    EXPECT_EQ(window.lblInfoMation->text(), "the Encryption Wizard");

    action("Mu_File_Index(0)")->trigger();
    EXPECT_THAT(fileChecks(), ElementsAre(true, false, false));
    EXPECT_TRUE(window.toolsPanel->isVisible());
    EXPECT_FALSE(window.textPanel->isVisible());
}

TEST_F(frmMainTest, ArrowsCloseAndOpenThePanel)
{
    window.show();
    QTest::mouseClick(window.ImgDown[1], Qt::LeftButton);
    EXPECT_TRUE(window.panelShown());
    EXPECT_EQ(window.lvwFile->geometry().bottom() + 1 + 4, window.picMain->y());
    EXPECT_EQ(window.picMain->x(), window.lvwFile->x());
    EXPECT_EQ(window.picMain->width(), window.lvwFile->width());
    QTest::mouseClick(window.ImgDown[0], Qt::LeftButton);
    EXPECT_FALSE(window.panelShown());
    EXPECT_EQ(window.lvwFile->geometry().bottom() + 1, window.centralWidget()->height());
}

TEST_F(frmMainTest, NormalStateKeepsItsSizeAndMaximisedFollowsTheWindow)
{
    window.show();
    window.resize(900, 700);
    EXPECT_EQ(window.size(), frmMain::kNormalSize);
    const int normalListWidth = window.lvwFile->width();

    window.showMaximized();
    QTRY_VERIFY(window.width() > frmMain::kNormalSize.width());
    EXPECT_GT(window.lvwFile->width(), normalListWidth);
    EXPECT_EQ(window.lvwFile->geometry().right() + 2, window.centralWidget()->width());
}

TEST_F(frmMainTest, ViewEntriesAndServicePages)
{
    action("mu_View_Index(0)")->trigger();
    EXPECT_EQ(window.lvwFile->view(), ListView::LargeIcons);
    action("mu_View_Index(2)")->trigger();
    EXPECT_EQ(window.lvwFile->view(), ListView::List);

    PageCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    action("mu_Help_Index(2)")->trigger();
    action("mu_Help_Index(8)")->trigger();
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(catcher.opened.size(), 2);
    EXPECT_TRUE(catcher.opened[1].toString().endsWith("/subscribe.html"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(frmMainTest, ExitWaitsForRunningWork)
{
    // Ending the program would tear the work's objects down under it; the
    // nested loop that waits for the work must not be ended either.
    WorkerThread worker;
    bool done = false;
    QTimer::singleShot(20, &window, [this] { action("Mu_File_Index(4)")->trigger(); });
    worker.run([&] {
        QThread::msleep(200);
        done = true;
    });
    EXPECT_TRUE(done);
}

#include "frmMainTest.moc"
