// Shows each window of the program as a user would see it and saves a
// picture of it: the splash, the main window with its lower panel closed and
// open, the settings and password dialogs, the archive window on a sample
// archive, the shredder and the help window. Run by tools/screenshots.sh
// under a virtual display.
#include "ArchiveEncryptionRun.h"
#include "CipherSuite.h"
#include "BrowserCommands.h"
#include "FileList.h"
#include "FolderTree.h"
#include "FrmOption.h"
#include "ListView.h"
#include "HelpWindow.h"
#include "RunSettings.h"
#include "ShowHelpFile.h"
#include "fraTools.h"
#include "QtUserInterface.h"
#include "fraDecryptFile.h"
#include "fraEncryptText.h"
#include "fraFolder.h"
#include "frmExecute.h"
#include "frmServer.h"
#include "frmUpdate.h"
#include "frmMain.h"
#include "frmPassword.h"
#include "frmSplash.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdio>
#include <iostream>

namespace {

using veilcraft::UserInterface;

// Answers for the windows without asking anyone: the sample's password, Yes
// to questions, and every message printed.
class ScriptUserInterface final : public UserInterface {
public:
    Answer message(const std::string& text, const std::string&, Buttons buttons, Icon) override
    {
        std::cerr << "message: " << text << '\n';
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> askPassword() override { return std::string("sample"); }
    std::string browseForFolder(const std::string&, const std::string& start) override { return start; }
    std::string askSaveFile(const std::string&, const std::string& proposal) override { return proposal; }
    void processEvents() override { QApplication::processEvents(); }
    void setBusy(bool) override {}
    void progress(int, const std::string&) override {}
    bool cancelRequested() override { return false; }
    void showStatus(const std::string&) override {}
};

QString outputFolder;

void save(QWidget& window, const QString& name)
{
    window.show();
    window.raise();
    if (!QTest::qWaitForWindowExposed(&window))
        std::cerr << "not shown: " << name.toStdString() << '\n';
    QTest::qWait(150);
    const QString path = outputFolder + "/" + name + ".png";
    if (window.grab().save(path))
        std::printf("%s\n", qPrintable(path));
    else
        std::cerr << "not saved: " << path.toStdString() << '\n';
}

// Saves what the screen shows over `window` and the open pop-up menus,
// which are windows of their own that a picture of the window leaves out.
void saveScreen(QWidget& window, const QString& name)
{
    QTest::qWait(150);
    const QString path = outputFolder + "/" + name + ".png";
    QRect area = window.frameGeometry();
    for (QWidget* shown : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(shown) != nullptr && shown->isVisible())
            area |= shown->frameGeometry();
    if (window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path))
        std::printf("%s\n", qPrintable(path));
    else
        std::cerr << "not saved: " << path.toStdString() << '\n';
}

// A few files of different kinds for the browser to show.
void addSampleFiles(const QString& folder)
{
    const char* const names[] = {"budget.ods", "cover letter.txt", "harbour.jpg", "minutes.pdf", "songs.zip"};
    int size = 1500;
    for (const char* name : names) {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(size, 's'));
        size = size * 7 % 90001;
    }
}

// A sample archive of a few files in the temporary folder.
QString sampleArchive(UserInterface& ui, veilcraft::CipherSuite& suite)
{
    const QString folder = QDir::tempPath() + "/veilcraft-sample";
    QDir().mkpath(folder + "/photos");
    QDir().mkpath(folder + "/letters");
    const char* const files[] = {"photos/beach.jpg", "photos/harbour.jpg", "letters/bank.txt", "letters/notes.txt"};
    std::vector<std::string> sources;
    for (const char* name : files) {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(2000 + 700 * static_cast<int>(sources.size()), 'v'));
        sources.push_back((folder + "/" + name).toStdString());
    }
    const std::string archive = (folder + "/holiday.vkf").toStdString();
    veilcraft::ArchiveEncryptionRun(ui, suite.table).run({sources, archive, "sample", "sample", false});
    return QString::fromStdString(archive);
}

// The wizard's pages in both modes, and the other panels with something in
// them; the progress window of a run.
void showPanels(veilcraft::frmMain& main)
{
    using veilcraft::fraTools;
    fraTools& wizard = *main.toolsPanel;
    const QString home = QDir::homePath();
    wizard.addFiles({home + "/cover letter.txt", home + "/harbour.jpg", home + "/minutes.pdf"});
    save(main, "wizard-1-files");
    QTest::mouseClick(wizard.cmdNext[0], Qt::LeftButton);
    save(main, "wizard-2-destination");
    QTest::mouseClick(wizard.cmdNext[1], Qt::LeftButton);
    QTest::keyClicks(wizard.edPassword, "secret");
    save(main, "wizard-3-options");
    QTest::mouseClick(wizard.cmdBack[1], Qt::LeftButton);
    QTest::mouseClick(wizard.cmdBack[0], Qt::LeftButton);
    QTest::mouseClick(wizard.OptOnefile, Qt::LeftButton);
    QTest::mouseClick(wizard.cmdNext[0], Qt::LeftButton);
    save(main, "wizard-2-archive-destination");

    main.decryptMode();
    main.decryptPanel->addFiles({home + "/holiday.vkf", home + "/minutes.vkf"});
    main.decryptPanel->lblDecryptInfo->setText("File, " + home + "/budget.vkf has been decrypted as " + home +
                                               "/budget.ods");
    save(main, "main-decrypt");

    main.encryptFolderMode();
    save(main, "main-encrypt-folder");
    main.folderPanel->SelFolder->setText(home + "/photos.vkf");
    main.folderPanel->lblFolderTip->hide();
    main.folderPanel->fraPassword->show();
    save(main, "main-encrypt-folder-password");

    main.encryptTextMode();
    main.textPanel->edInText->setPlainText("Meet at the harbour at nine.");
    main.textPanel->edOutText->setPlainText("TWVldCBhdCB0aGUgaGFyYm91ciBhdCBuaW5lLg==");
    save(main, "main-encrypt-text");
    main.encryptFileMode();

    veilcraft::QtUserInterface runUi(&main);
    runUi.progress(42, (home + "/Videos/holiday-2024.mkv").toStdString());
    if (auto* progress = main.findChild<QProgressDialog*>())
        save(*progress, "run-progress");
    runUi.endProgress();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    outputFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(outputFolder);
    ScriptUserInterface ui;

    veilcraft::frmSplash splash(veilcraft::frmSplash::AboutMode);
    save(splash, "splash");
    splash.close();

    veilcraft::frmMain main(ui);
    main.setWindowTitle("Veilcraft Software");
    save(main, "main-panel-closed");
    main.encryptFileMode();
    save(main, "main-encrypt-file");
    showPanels(main);

    // The file browser on the home folder, in each of the list's views, its
    // pop-up menus, and the properties of that folder.
    addSampleFiles(QDir::homePath());
    if (QTreeWidgetItem* home = main.folderTree->node(QDir::homePath())) {
        main.tvwFile->setCurrentItem(home);
        main.folderTree->tvwFile_NodeClick(home);
    }
    main.HideSize();
    const char* const views[] = {"browser-big-icons", "browser-small-icons", "browser-list", "browser-report"};
    for (int view = 0; view < 4; ++view) {
        main.lvwFile->setView(view);
        save(main, views[view]);
    }
    QTreeView* report = main.lvwFile->reportView();
    report->selectionModel()->select(main.lvwFile->model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QRect firstRow = report->visualRect(main.lvwFile->model()->index(0, 0));
    main.fileList->MenuPop->popup(report->viewport()->mapToGlobal(firstRow.center()));
    // Opening "Sorted..." shows the order entries too.
    main.fileList->MenuPop->setActiveAction(main.fileList->Pop_Index[14]);
    QTest::keyClick(main.fileList->MenuPop, Qt::Key_Right);
    saveScreen(main, "browser-list-menu");
    main.fileList->Order->close();
    main.fileList->MenuPop->close();
    const QRect node = main.tvwFile->visualItemRect(main.tvwFile->currentItem());
    main.folderTree->tvwPop->popup(main.tvwFile->viewport()->mapToGlobal(node.center()));
    saveScreen(main, "browser-tree-menu");
    main.folderTree->tvwPop->close();

    main.folderTree->setTreeHasFocus(true);
    main.browserCommands->properties();
    if (auto* properties = main.findChild<QDialog*>("AttrForm")) {
        save(*properties, "properties");
        properties->close();
    }

    veilcraft::FrmOption settings({main.toolsPanel->cbAlgorithm, main.toolsPanel->SaveTo, main.toolsPanel->edPassword,
                                   main.toolsPanel->lblPassword},
                                  ui,
                                  veilcraft::RunSettings::shared(), &main);
    save(settings, "settings");
    settings.close();

    veilcraft::frmUpdate update(ui, &main);
    save(update, "update-check");
    // As a fetch leaves it: the status and the notes, "|" shown as line breaks.
    update.lblStatus->setText("Finish!");
    update.txtRelease->setPlainText(
        QString("Veilcraft 1.2 is available.|- Folders encrypt twice as fast|- The archive window lists "
                "100,000 entries at once|- Fixes for names that are not UTF-8")
            .replace('|', '\n'));
    save(update, "update-check-notes");
    update.close();

    veilcraft::frmServer services(ui, &main);
    save(services, "service-links");
    services.close();

    veilcraft::frmPassword password(ui, &main);
    password.setHint(QString::fromStdString(main.ciphers().table.passwordHint()));
    save(password, "password");
    password.close();

    veilcraft::frmExecute archive(ui, main.ciphers().table);
    if (archive.openDecryptMode(sampleArchive(ui, main.ciphers())))
        save(archive, "archive-window");
    archive.hide();

    veilcraft::frmExecute shredder(ui, main.ciphers().table);
    shredder.openShredMode({QDir::homePath() + "/old-statement.pdf", QDir::homePath() + "/draft.txt"});
    save(shredder, "shredder");
    shredder.hide();

    veilcraft::ShowHelpFile(veilcraft::helpFilePath(), &main, veilcraft::HelpContext::Contents);
    if (auto* help = main.findChild<veilcraft::HelpWindow*>())
        save(*help, "help");
    return 0;
}
