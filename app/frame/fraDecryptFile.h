#pragma once

#include "StatusSinkInterface.h"

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace veilcraft {

class ListView;
class PanelRunner;

// The decryption panel: the .vkf files listed here are decrypted next to
// themselves with one password, asked once per run (DecryptionRun). The run
// goes on the window's worker thread; the result line of the last file
// shows in lblDecryptInfo.
class fraDecryptFile : public QGroupBox {
    Q_OBJECT
public:
    fraDecryptFile(UserInterface& ui, PanelRunner& runner, QWidget* parent = nullptr);

    // Appends files (display paths) to the list.
    void addFiles(const QStringList& paths);
    void clearFiles();

    ListView* lvwDecrypt;
    QPushButton* cmdDecryptFile;
    QPushButton* cmdDereMove;
    QLabel* lblDecryptInfo;

private:
    void cmdDecryptFile_Click();
    void cmdDereMove_Click();

    StatusSinkInterface ui_;
    PanelRunner& runner_;
};

}  // namespace veilcraft
