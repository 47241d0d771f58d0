#include "frmMain.h"

#include "BrowserCommands.h"
#include "BrowserPage.h"
#include "FrmOption.h"
#include "FrameResources.h"
#include "FileList.h"
#include "FileSys.h"
#include "FolderTree.h"
#include "ListView.h"
#include "MainMenus.h"
#include "ModAssociate.h"
#include "OnlineAddresses.h"
#include "RunSettings.h"
#include "ShowHelpFile.h"
#include "WorkerThread.h"
#include "fraDecryptFile.h"
#include "fraEncryptText.h"
#include "fraFolder.h"
#include "fraTools.h"
#include "frmExecute.h"
#include "frmServer.h"
#include "frmSplash.h"
#include "frmUpdate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace veilcraft {

namespace {

// Twips as the layout's constants give them, in pixels (15 twips a pixel).
constexpr int twips(int value)
{
    return value / 15;
}

constexpr int kToolBarHeight = 64;
constexpr int kBorder = 2;           // the border images around the tree
constexpr int kSplitter = 4;         // the splitter pictures
constexpr int kTreeWidth = twips(3320);
constexpr int kPanelHeight = twips(3400);
// The file list's left edge: the tree, a gap, its two borders, the splitter.
constexpr int kListLeft = kTreeWidth + twips(100) + 2 * kBorder + kSplitter;

// The tree's key of a drive: its path with a trailing "/".
QString driveNodeKey(const QString& drivePath)
{
    return drivePath.endsWith('/') ? drivePath : drivePath + "/";
}

QFrame* borderImage(QWidget* parent, const char* name)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Mid);
    return frame;
}

QToolButton* modeImage(QWidget* parent, const QString& name, QStyle::StandardPixmap picture, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(picture));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    return button;
}

QLabel* modeLabel(QWidget* parent, const char* name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

}  // namespace

frmMain::frmMain(UserInterface& ui, std::shared_ptr<FileSys> fileSys, QWidget* parent)
    : QMainWindow(parent), ui_(ui), workerUi_(ui, this), worker_(new WorkerThread(this)),
      runner_(std::make_unique<PanelRunner>(*worker_, suite_.table, this, [this](bool locked) { lockForRun(locked); })),
      fileSys_(fileSys ? std::move(fileSys) : std::make_shared<FileSys>())
{
    setObjectName("frmMain");
    setWindowTitle(kApplicationTitle);
    setWindowIcon(applicationIcon());

    menus = new MainMenus(menuBar(), this);
    auto* central = new QWidget(this);
    central->setObjectName("Form");
    setCentralWidget(central);
    staState = new QStatusBar(this);
    staState->setObjectName("staState");
    staPanel1 = new QLabel(staState);
    staPanel1->setObjectName("staPanel1");
    staPanel2 = new QLabel(staState);
    staPanel2->setObjectName("staPanel2");
    StatusLabel = new QLabel("Ready", staState);
    StatusLabel->setObjectName("StatusLabel");
    staState->addWidget(staPanel1, 1);
    staState->addWidget(staPanel2, 2);
    staState->addWidget(StatusLabel, 1);
    setStatusBar(staState);

    buildToolBar();
    buildBrowser();
    buildPanel();
    connectMenus();

    // Initialisation: the .vkf file type registered with the desktop on
    // every start, so that a moved program registers itself again. (The
    // wizard sets its own destination default.)
    ModAssociate::RegisterVkfFileType(ProgramFile::running());

    // Load, in order: the window's place, the list's columns, the wizard
    // lists, the ciphers, the lower panel closed, the first mode checked and
    // the zip control.
    resize(kNormalSize);
    if (const QScreen* screen = QApplication::primaryScreen())
        move((screen->availableGeometry().width() - width()) / 2, (screen->availableGeometry().height() - height()) / 2);
    const int listWidth = kNormalSize.width() - kListLeft - 1;
    lvwFile->clearColumns();
    lvwFile->addColumn("Name", "Name", listWidth);
    lvwFile->addColumn("Size", "Size", listWidth / 2);
    lvwFile->addColumn("Type", "Type", listWidth / 2);
    lvwFile->addColumn("MDate", "UpdateTime", listWidth / 2);
    lvwFile->setView(ListView::Report);
    folderTree->BuildFolderTree();
    // The first node shown is the drive of the root folder.
    if (QTreeWidgetItem* root = folderTree->node(fileSys_->GetDriveName("/").isEmpty()
                                                      ? QString(FolderTree::kMyComputerKey)
                                                      : driveNodeKey(fileSys_->GetDriveName("/")))) {
        folderTree->tvwFile_NodeClick(root);
        root->setExpanded(true);
        tvwFile->setCurrentItem(root);
    }
    // The wizard lists take two thirds and all of the panel.
    toolsPanel->lvwInput->addColumn("Name", "Files Path", listWidth * 2 / 3 - twips(100));
    decryptPanel->lvwDecrypt->addColumn("Name", "File Path", listWidth - 24);

    panelShown_ = false;
    RemoveNull();
    showOnly(toolsPanel);
    HideSize();
    menus->checkMode(0);
}

frmMain::~frmMain() = default;

void frmMain::buildToolBar()
{
    toolBar1 = new QWidget(centralWidget());
    toolBar1->setObjectName("toolBar1");
    toolBar1->setAutoFillBackground(true);
    toolBar1->setBackgroundRole(QPalette::Button);
    auto* bar = new QGridLayout(toolBar1);
    bar->setContentsMargins(8, 2, 8, 2);
    bar->setVerticalSpacing(0);

    Image6 = modeImage(toolBar1, "Image6", QStyle::SP_ArrowDown, "Encrypt");
    Image6->setIconSize(QSize(12, 12));
    Image5[0] = modeImage(toolBar1, "Image5(0)", QStyle::SP_DialogSaveButton, "Encrypt Mode");
    Image5[1] = modeImage(toolBar1, "Image5(1)", QStyle::SP_DialogOpenButton, "Decrypt Mode");
    Image5[2] = modeImage(toolBar1, "Image5(2)", QStyle::SP_TrashIcon, "Destroy Files");
    Image5[3] = modeImage(toolBar1, "Image5(3)", QStyle::SP_DialogHelpButton, "Show help");
    Label9 = modeLabel(toolBar1, "Label9", "Encrypt");
    Label10 = modeLabel(toolBar1, "Label10", "Decrypt");
    Label11 = modeLabel(toolBar1, "Label11", "ShredFile");
    Label12 = modeLabel(toolBar1, "Label12", "Help");
    // Hovering "Encrypt" offers the encrypt choices.
    Label9->setMouseTracking(true);
    const std::array<QLabel*, 4> labels = {Label9, Label10, Label11, Label12};
    for (int i = 0; i < 4; ++i) {
        bar->addWidget(Image5[static_cast<std::size_t>(i)], 0, i * 2, Qt::AlignHCenter);
        bar->addWidget(labels[static_cast<std::size_t>(i)], 1, i * 2, Qt::AlignHCenter);
        labels[static_cast<std::size_t>(i)]->installEventFilter(this);
    }
    bar->addWidget(Image6, 0, 1, Qt::AlignLeft | Qt::AlignBottom);
    bar->setColumnStretch(8, 1);
}

void frmMain::buildBrowser()
{
    QWidget* form = centralWidget();
    Image1 = borderImage(form, "Image1");
    Image2 = borderImage(form, "Image2");
    Image3 = borderImage(form, "Image3");
    Image4 = borderImage(form, "Image4");
    tvwFile = new QTreeWidget(form);
    tvwFile->setObjectName("tvwFile");
    tvwFile->setHeaderHidden(true);
    Picture1 = new QFrame(form);
    Picture1->setObjectName("Picture1");
    Picture1->setCursor(Qt::SplitHCursor);
    lvwFile = new ListView(form);
    lvwFile->setObjectName("lvwFile");
    fileList = new FileList(lvwFile, ui_, this);
    folderTree = new FolderTree(
        tvwFile, *fileList, ui_, fileSys_,
        [this](const QString& node, const QString& sizes) {
            staPanel1->setText(node);
            staPanel2->setText(sizes);
        },
        [this] { return menus->checkedMode() == 2; });
    connect(fileList, &FileList::handToPanels, this, &frmMain::HandToPanels);
    connect(fileList, &FileList::focusReceived, this, [this] { folderTree->setTreeHasFocus(false); });
    connect(fileList, &FileList::previousRequested, folderTree, &FolderTree::GoUpOneLevel);
    connect(folderTree, &FolderTree::encryptFolderRequested, menus->Mu_File_Index[1], &QAction::trigger);
    // Pastes and deletes run on the browser's own thread; the window paints,
    // shows their progress and asks their questions meanwhile.
    browserCommands = new BrowserCommands(*folderTree, *fileList, fileSys_, workerUi_, this,
                                          [this](const std::function<void()>& work) { worker_->run(work); });
    const std::pair<int, void (BrowserCommands::*)()> listCommands[] = {
        {2, &BrowserCommands::properties}, {4, &BrowserCommands::copy},     {5, &BrowserCommands::cut},
        {6, &BrowserCommands::paste},      {8, &BrowserCommands::remove},   {10, &BrowserCommands::rename},
        {12, &BrowserCommands::selectAll}, {13, &BrowserCommands::invert}};
    for (const auto& [index, command] : listCommands)
        connect(fileList->Pop_Index[static_cast<std::size_t>(index)], &QAction::triggered, browserCommands, command);
    connect(folderTree->tvwPop_Index[3], &QAction::triggered, browserCommands, &BrowserCommands::newFolder);
    connect(folderTree->tvwPop_Index[4], &QAction::triggered, browserCommands, &BrowserCommands::remove);
    connect(folderTree->tvwPop_Index[6], &QAction::triggered, browserCommands, &BrowserCommands::properties);
    connect(menus->mu_Tools_Index[3], &QAction::triggered, browserCommands, &BrowserCommands::properties);
    Picture2 = new QFrame(form);
    Picture2->setObjectName("Picture2");
    Picture2->setFrameShape(QFrame::HLine);
    Picture2->setCursor(Qt::SplitVCursor);
    Picture2->hide();
}

void frmMain::buildPanel()
{
    picMain = new QWidget(centralWidget());
    picMain->setObjectName("picMain");
    auto* panel = new QVBoxLayout(picMain);
    panel->setContentsMargins(2, 0, 2, 2);
    panel->setSpacing(2);

    auto* header = new QHBoxLayout;
    lblInfoMation = new QLabel(picMain);
    lblInfoMation->setObjectName("lblInfoMation");
    QFont bold = lblInfoMation->font();
    bold.setBold(true);
    lblInfoMation->setFont(bold);
    header->addWidget(lblInfoMation, 1);
    panel->addLayout(header);
    // The arrows stay reachable with the panel closed: on the status bar.
    for (int i = 0; i < 2; ++i) {
        ImgDown[static_cast<std::size_t>(i)] =
            modeImage(staState, QString("ImgDown(%1)").arg(i), i == 0 ? QStyle::SP_ArrowDown : QStyle::SP_ArrowUp,
                      i == 0 ? "Close the panel" : "Open the panel");
        ImgDown[static_cast<std::size_t>(i)]->setIconSize(QSize(12, 12));
        staState->addPermanentWidget(ImgDown[static_cast<std::size_t>(i)]);
    }

    fraMain = new QWidget(picMain);
    fraMain->setObjectName("fraMain");
    auto* frames = new QGridLayout(fraMain);
    frames->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(fraMain, 1);

    const auto resetPanels = [this] { RemoveNull(); };
    toolsPanel = new fraTools(ui_, *runner_, suite_.table, RunSettings::shared(), resetPanels, fraMain);
    folderPanel = new fraFolder(ui_, *runner_, suite_.table, resetPanels, fraMain);
    decryptPanel = new fraDecryptFile(ui_, *runner_, fraMain);
    textPanel = new fraEncryptText(ui_, fraMain);
    // The four panels share one place; the mode shows one of them.
    for (QWidget* frame : {static_cast<QWidget*>(toolsPanel), static_cast<QWidget*>(folderPanel),
                           static_cast<QWidget*>(decryptPanel), static_cast<QWidget*>(textPanel)}) {
        frame->hide();
        frames->addWidget(frame, 0, 0);
    }

    connect(ImgDown[0], &QToolButton::clicked, this, &frmMain::HideSize);
    connect(ImgDown[1], &QToolButton::clicked, this, &frmMain::ShowRize);
}

void frmMain::connectMenus()
{
    connect(menus->Mu_File_Index[0], &QAction::triggered, this, &frmMain::encryptFileMode);
    connect(menus->Mu_File_Index[1], &QAction::triggered, this, &frmMain::encryptFolderMode);
    connect(menus->Mu_File_Index[2], &QAction::triggered, this, &frmMain::decryptMode);
    connect(menus->Mu_File_Index[4], &QAction::triggered, this, &frmMain::exitWhenIdle);
    for (int i = 0; i < 4; ++i)
        connect(menus->mu_View_Index[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { lvwFile->setView(i); });
    connect(menus->mu_Tools_Index[0], &QAction::triggered, this, &frmMain::encryptTextMode);
    connect(menus->mu_Tools_Index[1], &QAction::triggered, this, &frmMain::shredFiles);
    connect(menus->Menu_Alg, &QAction::triggered, this, &frmMain::showSettings);
    connect(menus->mu_Help_Index[0], &QAction::triggered, this, &frmMain::showHelp);
    connect(menus->mu_Help_Index[2], &QAction::triggered, this,
            [this] { online::openPage(ui_, online::sitePage("/")); });
    connect(menus->mu_Help_Index[5], &QAction::triggered, this, [this] { frmServer(ui_, this).exec(); });
    connect(menus->mu_Help_Index[8], &QAction::triggered, this,
            [this] { online::openPage(ui_, online::sitePage("/subscribe.html")); });
    connect(menus->LiveCheck, &QAction::triggered, this, [this] { frmUpdate(ui_, this).exec(); });
    connect(menus->Mu_about, &QAction::triggered, this, &frmMain::showAbout);

    connect(menus->MuTools[0], &QAction::triggered, this, [this] {
        openPanel();
        encryptFileMode();
    });
    connect(menus->MuTools[1], &QAction::triggered, this, [this] {
        openPanel();
        encryptFolderMode();
    });
    connect(menus->MuTools[2], &QAction::triggered, this, &frmMain::encryptTextMode);

    connect(Image5[0], &QToolButton::clicked, this, &frmMain::encryptFileMode);
    connect(Image5[1], &QToolButton::clicked, this, &frmMain::decryptMode);
    connect(Image5[2], &QToolButton::clicked, this, &frmMain::shredFiles);
    connect(Image5[3], &QToolButton::clicked, this, &frmMain::showHelp);
    connect(Image6, &QToolButton::pressed, this, [this] {
        showEncryptChoices(toolBar1->mapToGlobal(QPoint(twips(300), twips(900))));
        Image6->setDown(false);
    });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label9 && event->type() == QEvent::Enter) {
        showEncryptChoices(Label9->mapToGlobal(QPoint(0, Label9->height())));
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label10)
            decryptMode();
        else if (watched == Label11)
            shredFiles();
        else if (watched == Label12)
            showHelp();
        return watched == Label10 || watched == Label11 || watched == Label12;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::showEncryptChoices(const QPoint& at)
{
    menus->Mu_Toolbars->popup(at);
}

// ---------------------------------------------------------------------------
// Layout

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The normal state has one size; maximised the layout follows.
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) &&
        event->size() != kNormalSize) {
        resize(kNormalSize);
        return;
    }
    layoutLeftColumn();
    layoutLowerArea(panelShown_ ? kPanelHeight : 0);
    ResetSize();
}

void frmMain::layoutLeftColumn()
{
    const int height = centralWidget()->height();
    const int width = centralWidget()->width();
    toolBar1->setGeometry(0, 0, width, kToolBarHeight);
    const int top = kToolBarHeight;
    Image4->setGeometry(0, top, kTreeWidth + 2 * kBorder + twips(30), kBorder);
    const int treeTop = Image4->geometry().bottom() + 1;
    const int treeLeft = twips(30) + kBorder;
    const int treeHeight = std::max(0, height - treeTop - kBorder - twips(50));
    tvwFile->setGeometry(treeLeft, treeTop, kTreeWidth, treeHeight);
    Image2->setGeometry(0, tvwFile->geometry().bottom() + 1 + twips(50), Image4->width(), kBorder);
    Image1->setGeometry(0, top, kBorder, treeHeight + 2 * kBorder);
    Image3->setGeometry(tvwFile->geometry().right() + 1, top, kBorder, treeHeight + 2 * kBorder);
    Picture1->setGeometry(Image3->geometry().right() + 1, treeTop, kSplitter, height - treeTop);
}

void frmMain::layoutLowerArea(int panelHeight)
{
    const int left = kListLeft;
    const int top = Image4->y();
    const int width = std::max(0, centralWidget()->width() - left - 1);
    const int splitter = panelHeight > 0 ? kSplitter : 0;
    const int listHeight = std::max(0, centralWidget()->height() - top - panelHeight - splitter);
    lvwFile->setGeometry(left, top, width, listHeight);
    Picture2->setGeometry(left, top + listHeight, width, kSplitter);
    Picture2->setVisible(panelHeight > 0);
    picMain->setGeometry(left, top + listHeight + splitter, width, panelHeight);
    picMain->setVisible(panelHeight > 0);
}

void frmMain::ResetLeftSize()
{
    HideSize();
}

void frmMain::HideSize()
{
    layoutLowerArea(0);
    ImgDown[1]->show();
    ImgDown[0]->hide();
    panelShown_ = false;
    for (QToolButton* image : Image5)
        image->setDown(false);
}

void frmMain::ShowRize()
{
    layoutLowerArea(kPanelHeight);
    ImgDown[0]->show();
    ImgDown[1]->hide();
    panelShown_ = true;
}

void frmMain::ResetSize()
{
    // The frames share fraMain's grid cell, as wide as the panel inside.
    fraMain->setFixedWidth(std::max(0, picMain->width() - 4));
}

void frmMain::openPanel()
{
    ShowRize();
}

void frmMain::showOnly(QWidget* frame)
{
    // Leaving the folder panel drops its unfinished archive.
    if (frame != folderPanel && folderPanel->isVisibleTo(fraMain))
        folderPanel->reset();
    for (QWidget* each : {static_cast<QWidget*>(toolsPanel), static_cast<QWidget*>(folderPanel),
                          static_cast<QWidget*>(decryptPanel), static_cast<QWidget*>(textPanel)})
        each->setVisible(each == frame);
    frame->raise();
}

void frmMain::lockForRun(bool locked)
{
    for (QAction* mode : {menus->Mu_File_Index[0], menus->Mu_File_Index[1], menus->Mu_File_Index[2],
                          menus->mu_Tools_Index[0], menus->mu_Tools_Index[1], menus->Menu_Alg})
        mode->setEnabled(!locked);
    menus->Mu_Toolbars->setEnabled(!locked);
    for (QWidget* each : {static_cast<QWidget*>(toolBar1), static_cast<QWidget*>(tvwFile),
                          static_cast<QWidget*>(lvwFile)})
        each->setEnabled(!locked);
}

// ---------------------------------------------------------------------------
// Modes

void frmMain::encryptFileMode()
{
    openPanel();
    showOnly(toolsPanel);
    menus->checkMode(0);
    lblInfoMation->setText("the Encryption Wizard");
    decryptPanel->clearFiles();
    RemoveNull();
    // The list again, with the filter of this mode.
    folderTree->tvwFile_NodeClick(folderTree->CurrentNode());
}

void frmMain::encryptFolderMode()
{
    openPanel();
    const UserInterface::Answer answer =
        ui_.message("Are you sure to encrypt the folder? " + currentFolder().toStdString(),
                    kApplicationTitle, UserInterface::Buttons::YesNo, UserInterface::Icon::Question);
    if (answer != UserInterface::Answer::Yes) {
        menus->restoreMode();
        ResetLeftSize();
        return;
    }
    folderPanel->setFolder(currentFolder());
    showOnly(folderPanel);
    lblInfoMation->setText("the Encryption Wizard");
    folderPanel->fraPassword->hide();
    toolsPanel->lvwInput->clearRows();
    decryptPanel->clearFiles();
    menus->checkMode(1);
}

void frmMain::decryptMode()
{
    openPanel();
    menus->checkMode(2);
    showOnly(decryptPanel);
    decryptPanel->setTitle("Decrypt File(s)");
    lblInfoMation->setText("the Decrypt Wizard");
    toolsPanel->lvwInput->clearRows();
    folderTree->tvwFile_NodeClick(tvwFile->currentItem());
}

void frmMain::encryptTextMode()
{
    openPanel();
    showOnly(textPanel);
    textPanel->clearTexts();
    lblInfoMation->setText("the Encryption Wizard");
}

void frmMain::RemoveNull()
{
    toolsPanel->reset();
    folderPanel->reset();
    textPanel->clearTexts();
}

// ---------------------------------------------------------------------------
// Other commands and the end

void frmMain::showHelp()
{
    ShowHelpFile(helpFilePath(), this, HelpContext::Contents);
}

void frmMain::showSettings()
{
    FrmOption dialog({toolsPanel->cbAlgorithm, toolsPanel->SaveTo, toolsPanel->edPassword, toolsPanel->lblPassword},
                     ui_, RunSettings::shared(), this);
    dialog.exec();
}

void frmMain::shredFiles()
{
    // The checked rows of the file list carry their full paths.
    const QStringList files = fileList->checkedRows();
    if (files.isEmpty()) {
        ui_.message("You have not select any file(s), please tick off the check box!", kApplicationTitle);
        return;
    }
    auto* shredder = new frmExecute(ui_, suite_.table, this);
    shredder->setAttribute(Qt::WA_DeleteOnClose);
    // The destroyed files leave the list.
    connect(shredder, &frmExecute::filesDestroyed, this,
            [this] { folderTree->tvwFile_NodeClick(tvwFile->currentItem()); });
    shredder->openShredMode(files);
    shredder->show();
}

QString frmMain::currentFolder() const
{
    const QTreeWidgetItem* node = folderTree->CurrentNode();
    return node != nullptr ? FolderTree::keyOf(node) : QDir::homePath();
}

void frmMain::HandToPanels()
{
    if (!lvwFile->reportView()->selectionModel()->hasSelection()) {
        ui_.message("No file(s) be Encrypted", "");
        return;
    }
    ShowRize();
    const QStringList keys = fileList->handedRows();
    if (menus->checkedMode() == 0 || menus->checkedMode() == 1) {
        showOnly(toolsPanel);
        toolsPanel->addFiles(keys);
    } else {
        showOnly(decryptPanel);
        decryptPanel->addFiles(keys);
    }
    staPanel2->setText("Double click for encryption");
}

void frmMain::openFiles(FilesFor mode, const QStringList& files)
{
    if (WorkerThread::anyRunning()) {
        ui_.message("A run is going on. Choose the files again when it has finished.", kApplicationTitle);
        return;
    }
    const bool decryption = mode == FilesFor::Decryption;
    QWidget* panel = decryption ? static_cast<QWidget*>(decryptPanel) : static_cast<QWidget*>(toolsPanel);
    const bool open = panelShown_ && menus->checkedMode() == (decryption ? 2 : 0) && panel->isVisibleTo(fraMain);
    if (!open) {
        if (decryption)
            decryptMode();
        else
            encryptFileMode();
    }
    if (decryption)
        decryptPanel->addFiles(files);
    else
        toolsPanel->addFiles(files);
}

void frmMain::showAbout()
{
    splashMode = kSplashAbout;
    frmSplash about(frmSplash::AboutMode, 0, this);
    about.exec();
}

void frmMain::Shutdown(bool force)
{
    if (WorkerThread::anyRunning())
        return;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    if (!force)
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != this && window->isVisible())
                return;
    QApplication::exit(0);
}

void frmMain::exitWhenIdle()
{
    // Work in progress uses the windows' objects: it ends first.
    if (WorkerThread::anyRunning()) {
        StatusLabel->setText("Exit is refused while running work goes on: wait for it or cancel it.");
        return;
    }
    QApplication::exit(0);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Work in progress here or in an archive window finishes first: it uses
    // the windows' objects. Otherwise closing ends the program at once.
    if (WorkerThread::anyRunning()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    QApplication::exit(0);
}

}  // namespace veilcraft
