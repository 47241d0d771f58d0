#include "fraFolder.h"

#include "FolderEncryption.h"
#include "FolderHandle.h"
#include "KompakClient.h"
#include "PanelRunner.h"
#include "TypedPassword.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace veilcraft {

namespace {

QLabel* label(const QString& name, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* passwordBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

std::string native(const QString& path)
{
    return nativePath(path).toStdString();
}

}  // namespace

fraFolder::fraFolder(UserInterface& ui, PanelRunner& runner, CipherTable& ciphers, std::function<void()> resetPanels,
                     QWidget* parent)
    : QGroupBox("Encrypt Folder", parent), ui_(ui), runner_(runner), resetPanels_(std::move(resetPanels)),
      threadUi_(ui, this), ciphers_(ciphers, this)
{
    setObjectName("fraFolder");
    lblEnPath = label("lblEnPath", QString(), this);
    lblEnPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFolderDestination = label("lblFolderDestination", "Select Destination", this);
    SelFolder = new QLineEdit(this);
    SelFolder->setObjectName("SelFolder");
    // The output comes from the file dialog, which also opens the zip.
    SelFolder->setReadOnly(true);
    lblFolderDestination->setBuddy(SelFolder);
    ComDia = button("ComDia(0)", "Browse...", this);
    zipdirbtn = button("zipdirbtn", "Create", this);
    lblFolderTip =
        label("lblFolderTip", "Tip:Select browse button to rename or choose a new destination for the file", this);
    lblFolderTip->setWordWrap(true);

    fraPassword = new QGroupBox("Options", this);
    fraPassword->setObjectName("fraPassword");
    lblPassword = label("lblPassword(1)", "Please select the password you wish to encrypt the file(s) with",
                        fraPassword);
    txtFolderPass = passwordBox("txtFolderPass", fraPassword);
    lblPassword->setBuddy(txtFolderPass);
    lblFolderRetype = label("lblFolderRetype", "Please retype your password:", fraPassword);
    txtFolderPassRe = passwordBox("txtFolderPassRe", fraPassword);
    lblFolderRetype->setBuddy(txtFolderPassRe);
    lblFolderPasswordTip = label("lblFolderPasswordTip", "Tip:Please select encryption algorithm and input password", fraPassword);
    cmdEnFolder = button("cmdEnFolder", "Encrypt", fraPassword);
    cmdEnFolder->setEnabled(false);
    for (QLabel* each : {lblPassword, lblFolderRetype, lblFolderPasswordTip})
        each->setWordWrap(true);
    auto* passwords = new QGridLayout(fraPassword);
    passwords->setVerticalSpacing(2);
    passwords->addWidget(lblPassword, 0, 0);
    passwords->addWidget(txtFolderPass, 0, 1);
    passwords->addWidget(lblFolderRetype, 1, 0);
    passwords->addWidget(txtFolderPassRe, 1, 1);
    passwords->addWidget(lblFolderPasswordTip, 2, 0);
    passwords->addWidget(cmdEnFolder, 2, 1, Qt::AlignRight);
    passwords->setColumnStretch(0, 3);
    passwords->setColumnStretch(1, 2);
    fraPassword->hide();

    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(4);
    grid->addWidget(lblEnPath, 0, 0, 1, 4);
    grid->addWidget(lblFolderDestination, 1, 0);
    grid->addWidget(SelFolder, 1, 1);
    grid->addWidget(ComDia, 1, 2);
    grid->addWidget(zipdirbtn, 1, 3);
    grid->addWidget(lblFolderTip, 2, 0, 1, 4);
    grid->addWidget(fraPassword, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    connect(ComDia, &QPushButton::clicked, this, &fraFolder::ComDia_Click);
    connect(zipdirbtn, &QPushButton::clicked, this, &fraFolder::zipdirbtn_Click);
    connect(cmdEnFolder, &QPushButton::clicked, this, &fraFolder::cmdEnFolder_Click);
    connect(txtFolderPass, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdEnFolder->setEnabled(!text.isEmpty()); });
    connect(txtFolderPass, &QLineEdit::returnPressed, txtFolderPassRe, qOverload<>(&QWidget::setFocus));
    connect(txtFolderPassRe, &QLineEdit::returnPressed, this, &fraFolder::cmdEnFolder_Click);
}

fraFolder::~fraFolder()
{
    // Nothing runs any more: the window waits for its work before it goes.
    folder_.reset();
    myKompak_.reset();
}

void fraFolder::setFolder(const QString& path)
{
    lblEnPath->setText(path);
}

void fraFolder::reset()
{
    SelFolder->clear();
    fraPassword->hide();
    lblFolderTip->show();
    txtFolderPass->clear();
    txtFolderPassRe->clear();
    // The temporary zip of an unfinished choice goes with it.
    if (folder_)
        runner_.runLocked(this, ui_, [this] { folder_.reset(); });
}

void fraFolder::step(const std::function<void(FolderEncryption&)>& work)
{
    ciphers_.followWindow();
    runner_.runLocked(this, ui_, [&] {
        if (!folder_) {
            try {
                myKompak_ = std::make_unique<KompakClient>(threadUi_);
            } catch (const std::exception& error) {
                threadUi_.message(std::string("The zip control cannot be used: ") + error.what(), kApplicationTitle,
                                  UserInterface::Buttons::Ok, UserInterface::Icon::Critical);
                return;
            }
            folder_ = std::make_unique<FolderEncryption>(threadUi_, ciphers_.table(), *myKompak_);
        }
        work(*folder_);
    });
}

void fraFolder::ComDia_Click()
{
    const std::string proposal = SelFolder->text().isEmpty() ? lblEnPath->text().toStdString() + ".vkf"
                                                            : SelFolder->text().toStdString();
    SelFolder->setText(QString::fromStdString(ui_.askSaveFile("Veilcraft file(*.vkf)|*.vkf|", proposal)));
    if (SelFolder->text().isEmpty())
        return;
    bool open = false;
    const std::string output = native(SelFolder->text());
    step([&](FolderEncryption& folder) { open = folder.chooseOutput(output); });
    zipdirbtn->setEnabled(open);
}

void fraFolder::zipdirbtn_Click()
{
    bool zipped = false;
    const std::string folderPath = native(lblEnPath->text());
    ui_.showStatus("Zipping Directory");
    step([&](FolderEncryption& folder) { zipped = folder.create(folderPath); });
    // The zip has ended: the button is free again.
    ui_.showStatus("Ready");
    zipdirbtn->setEnabled(!zipped);
    if (zipped && !SelFolder->text().isEmpty()) {
        // The browse step is done: its tip makes room for the passwords.
        lblFolderTip->hide();
        fraPassword->show();
        fraPassword->raise();
        txtFolderPass->setFocus();
    }
}

void fraFolder::cmdEnFolder_Click()
{
    const std::optional<std::string> password = typedPassword(ui_, txtFolderPass->text());
    const std::optional<std::string> retyped = password ? typedPassword(ui_, txtFolderPassRe->text()) : std::nullopt;
    if (!retyped)
        return;
    RunReport report;
    step([&](FolderEncryption& folder) { report = folder.encrypt(*password, *retyped); });
    if (report.outcome == RunReport::Outcome::Completed)
        resetPanels_();
}

}  // namespace veilcraft
