#include "frmPassword.h"

#include "UserInterface.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veilcraft {

frmPassword::frmPassword(UserInterface& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), ui_(ui)
{
    setObjectName("frmPassword");
    setWindowTitle("The passowrd for encryption");
    setModal(true);

    fraPass = new QGroupBox(this);
    fraPass->setObjectName("fraPass");
    lblPassword = new QLabel("Password", fraPass);
    lblPassword->setObjectName("lblPassword");
    txtPassword = new QLineEdit(fraPass);
    txtPassword->setObjectName("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    Label2 = new QLabel("Retype password", fraPass);
    Label2->setObjectName("Label2");
    txtRePassword = new QLineEdit(fraPass);
    txtRePassword->setObjectName("txtRePassword");
    txtRePassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(txtPassword);
    Label2->setBuddy(txtRePassword);

    auto* fields = new QGridLayout(fraPass);
    fields->addWidget(lblPassword, 0, 0);
    fields->addWidget(txtPassword, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(txtRePassword, 1, 1);
    fields->setColumnMinimumWidth(1, 200);

    cmdOk = new QPushButton("OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdCancel = new QPushButton("Close", this);
    cmdCancel->setObjectName("cmdCancel");
    // Enter is routed by the fields themselves, never to a default button.
    cmdOk->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraPass);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(txtPassword, &QLineEdit::returnPressed, txtRePassword, qOverload<>(&QWidget::setFocus));
    connect(txtRePassword, &QLineEdit::returnPressed, this, &frmPassword::cmdOk_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmPassword::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmPassword::setHint(const QString& hint)
{
    lblPassword->setText(hint);
}

void frmPassword::cmdOk_Click()
{
    if (txtPassword->text().isEmpty() || txtRePassword->text().isEmpty()) {
        ui_.message("Password can not be null", kApplicationTitle);
        return;
    }
    if (txtPassword->text() != txtRePassword->text()) {
        ui_.message("Your password is not match", kApplicationTitle);
        return;
    }
    accept();
}

std::optional<QString> frmPassword::ask()
{
    txtPassword->clear();
    txtRePassword->clear();
    txtPassword->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return txtPassword->text();
}

}  // namespace veilcraft
