#pragma once

#include <QGroupBox>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace veilcraft {

class CipherTable;
class ListView;
class PanelRunner;
class UserInterface;
struct RunSettings;

// The encryption wizard. Page 1: the files (dropped, or handed over from the
// file list) and the choice between one .vkf per file and one archive .vkf
// for all; page 2: the destination; page 3: the cipher and the password
// twice. "Encrypt" runs FileEncryptionRun or ArchiveEncryptionRun on the
// window's worker thread; a finished run empties every panel. The wizard
// also owns the window's cipher list, which follows the window's cipher
// selection whoever makes it.
class fraTools : public QGroupBox {
    Q_OBJECT
public:
    // `resetPanels` empties every panel (the window's RemoveNull).
    fraTools(UserInterface& ui, PanelRunner& runner, CipherTable& ciphers, RunSettings& settings,
             std::function<void()> resetPanels, QWidget* parent = nullptr);

    // Appends files (display paths) to the list, at page 1 or not.
    void addFiles(const QStringList& paths);
    // The wizard's part of emptying the panels: list and passwords cleared,
    // the settings' default cipher selected, every page button enabled.
    void reset();
    // cmdEncrypt follows the password, cmdRemoveEn the list.
    void updateButtons();

    QGroupBox* FrmSelect;  // "FrmSelect(0)"
    QRadioButton* OptDirect;
    QRadioButton* OptOnefile;
    QPushButton* cmdRemoveEn;
    ListView* lvwInput;
    QGroupBox* FraNext1;
    QLineEdit* SaveTo;
    QPushButton* cmdPathTo;
    QLabel* lblDestinationTip;
    QGroupBox* FraNext2;
    QComboBox* cbAlgorithm;  // "cbAlgorithm(0)"
    QLabel* lblPassword;     // "lblPassword(0)"
    QLineEdit* edPassword;
    QLabel* lblRetype;
    QLineEdit* rePassword;
    QLabel* lblPasswordTip;
    std::array<QPushButton*, 2> cmdNext{};
    std::array<QPushButton*, 2> cmdBack{};
    QPushButton* cmdEncrypt;

private:
    void buildPages();
    void showPage(int page);
    void cbAlgorithm_Click(int index);
    void cmdNext_Click(int index);
    void cmdPathTo_Click();
    void OptOnefile_Click();
    void cmdEncrypt_Click();

    UserInterface& ui_;
    PanelRunner& runner_;
    CipherTable& ciphers_;
    RunSettings& settings_;
    std::function<void()> resetPanels_;
    int page_ = 1;
};

}  // namespace veilcraft
