#pragma once

#include "EncryptedArchive.h"
#include "GuiThreadUserInterface.h"
#include "RunCiphers.h"
#include "StatusSinkInterface.h"
#include "WorkerThread.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTreeWidget;

namespace veilcraft {

class CipherTable;

// The window of two modes. Decrypt mode, for a .vkf file opened from the
// shell: asks the password, lists the archive inside and extracts every
// entry or the selected rows; a single-file container is decrypted into the
// file its destination box names. EncryptedArchive does that work; the window
// collects the destination, the selection and the folder option and shows
// the rows and results. Its end is the program's end: programEnds() is
// emitted once, when opening fails or the window closes, after the temporary
// zip is gone. Shred mode: destroys the listed files through ShredRun with
// the pass count the user sets, and only closes itself.
class frmExecute : public QDialog {
    Q_OBJECT
public:
    // `ciphers` is the main window's selection, which follows the cipher
    // number of the file opened; the window decrypts with engines of its own.
    frmExecute(UserInterface& ui, CipherTable& ciphers, QWidget* parent = nullptr);

    // Asks the password, opens the container and lists it. False when there
    // is nothing to show (programEnds() has then been emitted).
    bool openDecryptMode(const QString& containerPath);
    // Lists the files (full paths) the shredder is to destroy.
    void openShredMode(const QStringList& files);

    // Decrypt mode
    QGroupBox* fraCMDencrypt;
    QTreeWidget* lstFileShow;
    QCheckBox* KeepDirChk;
    QPushButton* cmdDeAll;
    QPushButton* cmdDeSelect;
    QLabel* Label1;
    QLineEdit* strPathto;
    QPushButton* cmdBowser;
    QLabel* Label2;
    QLabel* lblEdcrypt;
    QPushButton* cmdEncrypt;

    // Shred mode
    QGroupBox* fraFileList;
    QListWidget* lstFiles;
    QGroupBox* optTimes;
    QLabel* Label5;
    QLineEdit* txtCount;
    QScrollBar* VScroll2;
    // The "Execute" button, objectName "frmExecute": a member cannot carry
    // its class's name.
    QPushButton* cmdExecute;

public slots:
    // Escape and close() end here as well as at closeEvent().
    void done(int result) override;

signals:
    void programEnds();
    // A shred run touched files: lists showing them are out of date.
    void filesDestroyed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Mode { Decrypt, Shred };

    void buildDecryptFrame();
    void buildShredFrames();
    void setMode(Mode mode);

    void cmdDeAll_Click();
    void cmdDeSelect_Click();
    void cmdBowser_Click();
    void cmdEncrypt_Click();
    void lstFileShow_ColumnClick(int column);
    void frmExecute_Click();
    void showRows();
    // Runs a piece of work with the controls locked: pending events run
    // meanwhile, and neither a second click nor closing the window (which
    // deletes the temporary zip) may cut into it.
    void whileWorking(const std::function<void()>& work);
    // Deletes the temporary zip and, in decrypt mode, announces the end; once.
    void finish();

    StatusSinkInterface ui_;
    // The archive's work runs on the window's own thread, talking to the
    // user through the window's thread, so the window stays live.
    WorkerThread worker_;
    GuiThreadUserInterface workerUi_;
    // Two archive windows may decrypt at once: each has its own engines.
    RunCiphers ciphers_;
    EncryptedArchive archive_;
    Mode mode_ = Mode::Decrypt;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    bool working_ = false;
    bool finished_ = false;
};

}  // namespace veilcraft
