#pragma once

#include "GuiThreadUserInterface.h"
#include "RunCiphers.h"

#include <QGroupBox>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace veilcraft {

class FolderEncryption;
class KompakClient;
class PanelRunner;

// The folder panel: the folder shown in lblEnPath becomes one archive .vkf
// file in three steps -- choose the output (ComDia(0), which opens the
// zip), "Create" (zip the folder), then the password twice and "Encrypt".
// FolderEncryption holds the steps' state. Its zip control and engines live
// on the window's worker thread from one step to the next, so every step
// runs there, the window staying live while a large folder is zipped.
class fraFolder : public QGroupBox {
    Q_OBJECT
public:
    // `resetPanels` empties every panel after a finished encryption.
    fraFolder(UserInterface& ui, PanelRunner& runner, CipherTable& ciphers, std::function<void()> resetPanels,
              QWidget* parent = nullptr);
    ~fraFolder() override;

    // The folder to encrypt, as the browser shows its path.
    void setFolder(const QString& path);
    // Forgets the output and the zip, hides the password step.
    void reset();

    QLabel* lblEnPath;
    QLabel* lblFolderDestination;
    QLineEdit* SelFolder;
    QPushButton* ComDia;  // "ComDia(0)"
    QPushButton* zipdirbtn;
    QLabel* lblFolderTip;
    QGroupBox* fraPassword;
    QLabel* lblPassword;  // "lblPassword(1)"
    QLineEdit* txtFolderPass;
    QLabel* lblFolderRetype;
    QLineEdit* txtFolderPassRe;
    QLabel* lblFolderPasswordTip;
    QPushButton* cmdEnFolder;

private:
    void ComDia_Click();
    void zipdirbtn_Click();
    void cmdEnFolder_Click();
    // Runs one step on the worker thread, making the zip control first.
    void step(const std::function<void(FolderEncryption&)>& work);

    UserInterface& ui_;
    PanelRunner& runner_;
    std::function<void()> resetPanels_;
    // Kept for the whole life of the steps, used on the worker thread only.
    GuiThreadUserInterface threadUi_;
    RunCiphers ciphers_;
    std::unique_ptr<KompakClient> myKompak_;
    std::unique_ptr<FolderEncryption> folder_;
};

}  // namespace veilcraft
