#include "fraEncryptText.h"

#include "CipherError.h"
#include "Latin1.h"
#include "UserInterface.h"
#include "mdlBase64.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace veilcraft {

namespace {

QPlainTextEdit* textBox(const QString& name, const QString& placeholder, QWidget* parent)
{
    // The hint shows in the empty box; it is no text of the box's own.
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setPlaceholderText(placeholder);
    // Tab moves on to the button instead of typing a tab.
    box->setTabChangesFocus(true);
    return box;
}

// Wrapping at word boundaries costs time that grows with the square of the
// longest word: a megabyte of Base64 (one word) would hold the window for
// minutes. Such texts wrap anywhere.
void showWrapped(QPlainTextEdit* box, const QString& text)
{
    constexpr qsizetype kLongestWord = 256;
    qsizetype run = 0;
    bool longWord = false;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestWord) {
            longWord = true;
            break;
        }
    }
    box->setWordWrapMode(longWord ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setPlainText(text);
}

}  // namespace

fraEncryptText::fraEncryptText(UserInterface& ui, QWidget* parent)
    : QGroupBox("Encrypt Text", parent), ui_(ui)
{
    setObjectName("fraEncryptText");
    lblEncryptText = new QLabel("Encrypt Text", this);
    lblEncryptText->setObjectName("lblEncryptText");
    edInText = textBox("edInText(0)", "Input the text", this);
    lblEncryptText->setBuddy(edInText);
    btnEncrypt = new QPushButton("Encrypt", this);
    btnEncrypt->setObjectName("btnEncrypt");
    lblDecryptText = new QLabel("Decrypt Text", this);
    lblDecryptText->setObjectName("lblDecryptText");
    edOutText = textBox("edOutText(1)", "Input the decrypted text", this);
    // Base64 has no words.
    edOutText->setWordWrapMode(QTextOption::WrapAnywhere);
    lblDecryptText->setBuddy(edOutText);
    btnDecrypt = new QPushButton("Decrypt", this);
    btnDecrypt->setObjectName("btnDecrypt");

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblEncryptText, 0, 0);
    grid->addWidget(edInText, 1, 0);
    grid->addWidget(btnEncrypt, 2, 0, Qt::AlignRight);
    grid->addWidget(lblDecryptText, 0, 1);
    grid->addWidget(edOutText, 1, 1);
    grid->addWidget(btnDecrypt, 2, 1, Qt::AlignRight);

    connect(edInText, &QPlainTextEdit::textChanged, this, &fraEncryptText::updateButtons);
    connect(edOutText, &QPlainTextEdit::textChanged, this, &fraEncryptText::updateButtons);
    connect(btnEncrypt, &QPushButton::clicked, this, &fraEncryptText::btnEncrypt_Click);
    connect(btnDecrypt, &QPushButton::clicked, this, &fraEncryptText::btnDecrypt_Click);
    updateButtons();
}

void fraEncryptText::clearTexts()
{
    edInText->clear();
    edOutText->clear();
}

void fraEncryptText::updateButtons()
{
    btnEncrypt->setEnabled(!edInText->document()->isEmpty());
    btnDecrypt->setEnabled(!edOutText->document()->isEmpty());
}

void fraEncryptText::btnEncrypt_Click()
{
    if (edInText->document()->isEmpty()) {
        ui_.message("Text can not null!", kApplicationTitle);
        return;
    }
    const std::string text = edInText->toPlainText().toStdString();
    const std::optional<std::string> bytes = utf8ToLatin1(text);
    if (!bytes) {
        ui_.message(describeLatin1Problem(*firstNonLatin1(text), "text"), kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
        return;
    }
    edOutText->setPlainText(QString::fromLatin1(mdlBase64::Encode(*bytes)));
    edInText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edInText->clear();
    btnDecrypt->setEnabled(true);
}

void fraEncryptText::btnDecrypt_Click()
{
    if (edOutText->document()->isEmpty()) {
        ui_.message("Txt can not null!", kApplicationTitle);
        return;
    }
    // A character outside latin-1 becomes "?", which is outside the alphabet
    // too: the decoder names its place.
    try {
        const std::string bytes = mdlBase64::Decode(edOutText->toPlainText().toLatin1().toStdString());
        showWrapped(edInText, QString::fromLatin1(bytes));
    } catch (const CipherError& error) {
        // The typed text stays, so that it can be mended.
        ui_.message(std::string("The text cannot be decoded: ") + error.what(), kApplicationTitle,
                    UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
        return;
    }
    edOutText->clear();
    btnEncrypt->setEnabled(true);
}

}  // namespace veilcraft
