#pragma once

#include <QGroupBox>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace veilcraft {

class UserInterface;

// The text panel: a text turned into Base64 ("Encrypt") and back
// ("Decrypt"). The codec works on latin-1 bytes, one per character, so a
// character outside latin-1 is refused by name, and decoded bytes show one
// character per byte.
class fraEncryptText : public QGroupBox {
    Q_OBJECT
public:
    fraEncryptText(UserInterface& ui, QWidget* parent = nullptr);

    // Empties both boxes (and so sets the buttons).
    void clearTexts();
    // Each button is enabled exactly when its box holds text.
    void updateButtons();

    QLabel* lblEncryptText;
    QPlainTextEdit* edInText;
    QPushButton* btnEncrypt;
    QLabel* lblDecryptText;
    QPlainTextEdit* edOutText;
    QPushButton* btnDecrypt;

private:
    void btnEncrypt_Click();
    void btnDecrypt_Click();

    UserInterface& ui_;
};

}  // namespace veilcraft
