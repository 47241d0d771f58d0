#pragma once

#include "CipherSuite.h"
#include "GuiThreadUserInterface.h"
#include "PanelRunner.h"
#include "UserInterface.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QFrame;
class QLabel;
class QStatusBar;
class QToolButton;
class QTreeWidget;

namespace veilcraft {

class BrowserCommands;
class FileList;
class FileSys;
class FolderTree;
class ListView;
class MainMenus;
class WorkerThread;
class fraDecryptFile;
class fraEncryptText;
class fraFolder;
class fraTools;

// The main window: the folder tree and file list above, the lower panel
// `picMain` with one mode frame per wizard below, the menu bar, the tool
// bar of mode images and the status bar. In the normal state its size is
// fixed; maximised, the layout follows the window.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Splash modes: 10 while the splash is the start-up screen, 0 for About.
    static constexpr int kSplashStartUp = 10;
    static constexpr int kSplashAbout = 0;
    // 10530 x 7635 twips at 15 twips a pixel.
    static constexpr QSize kNormalSize{702, 509};

    // `ui` answers for the window: the program passes a QtUserInterface
    // owned by it, tests a scripted one.
    // `fileSys` is the browser's file-system service (the machine's mounted
    // volumes when none is given).
    explicit frmMain(UserInterface& ui, std::shared_ptr<FileSys> fileSys = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Layout of the lower area: panel closed, panel open, the mode frames'
    // width, and the left column after a resize.
    void ResetLeftSize();
    void HideSize();
    void ShowRize();
    void ResetSize();

    // Empties the wizard panels: password boxes, lists and texts, and
    // selects the settings' default cipher.
    void RemoveNull();
    // Closes every window; unless `force`, stops when one refuses to close.
    void Shutdown(bool force = false);

    // The mode switches of the File and Tool menus.
    void encryptFileMode();
    void encryptFolderMode();
    void decryptMode();
    void encryptTextMode();

    [[nodiscard]] bool panelShown() const { return panelShown_; }
    [[nodiscard]] UserInterface& userInterface() { return ui_; }
    [[nodiscard]] CipherSuite& ciphers() { return suite_; }
    // The folder (or drive) whose contents the file list shows.
    [[nodiscard]] QString currentFolder() const;
    // Double click or "Add": the checked or selected rows into the active
    // wizard's list.
    void HandToPanels();

    enum class FilesFor { Encryption, Decryption };
    // Files named on the command line or by a later start: the panel of that
    // mode opens and they join its list. A mode that is already open keeps
    // what its list holds; while a run goes on nothing changes and the user
    // is told.
    void openFiles(FilesFor mode, const QStringList& files);

    int splashMode = kSplashStartUp;

    MainMenus* menus;
    QWidget* toolBar1;
    std::array<QToolButton*, 4> Image5{};
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QToolButton* Image6;
    QFrame* Image1;
    QFrame* Image2;
    QFrame* Image3;
    QFrame* Image4;
    QTreeWidget* tvwFile;
    QFrame* Picture1;
    ListView* lvwFile;
    QFrame* Picture2;
    QWidget* picMain;
    std::array<QToolButton*, 2> ImgDown{};
    QLabel* lblInfoMation;
    QWidget* fraMain;
    // The mode panels, one shown at a time in fraMain.
    fraTools* toolsPanel;
    fraFolder* folderPanel;
    fraDecryptFile* decryptPanel;
    fraEncryptText* textPanel;
    QStatusBar* staState;
    QLabel* StatusLabel;
    // The status bar's panels 1 and 2: the node chosen and its sizes.
    QLabel* staPanel1;
    QLabel* staPanel2;
    FileList* fileList;
    FolderTree* folderTree;
    BrowserCommands* browserCommands;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void buildBrowser();
    void buildPanel();
    void connectMenus();
    void layoutLeftColumn();
    void layoutLowerArea(int panelHeight);
    void openPanel();
    void showOnly(QWidget* frame);
    // While a panel's run goes on, nothing may switch or empty the panels.
    void lockForRun(bool locked);
    // File > Exit: ends the program unless work is running.
    void exitWhenIdle();
    void showEncryptChoices(const QPoint& at);
    void showAbout();
    void showHelp();
    void showSettings();
    // The shredder for the checked rows of the file list.
    void shredFiles();

    UserInterface& ui_;
    // The window's long work -- the browser's and the panels' runs -- goes
    // on this thread and talks to the user through workerUi_.
    GuiThreadUserInterface workerUi_;
    WorkerThread* worker_;
    // The window's cipher selection; runs take engines of their own.
    CipherSuite suite_;
    std::unique_ptr<PanelRunner> runner_;
    std::shared_ptr<FileSys> fileSys_;
    bool panelShown_ = false;
};

}  // namespace veilcraft
