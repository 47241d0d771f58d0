#include "fraTools.h"

#include "ArchiveEncryptionRun.h"
#include "FileDrop.h"
#include "FileEncryptionRun.h"
#include "FolderHandle.h"
#include "ListView.h"
#include "PanelList.h"
#include "PanelRunner.h"
#include "RunSettings.h"
#include "TypedPassword.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace veilcraft {

namespace {

template <typename T>
T* named(T* control, const QString& name)
{
    control->setObjectName(name);
    return control;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = named(new QPushButton(caption, parent), name);
    // Enter belongs to the boxes' own chain, never to a default button.
    button->setAutoDefault(false);
    return button;
}

QLineEdit* passwordBox(const QString& name, QWidget* parent)
{
    auto* box = named(new QLineEdit(parent), name);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

}  // namespace

fraTools::fraTools(UserInterface& ui, PanelRunner& runner, CipherTable& ciphers, RunSettings& settings,
                   std::function<void()> resetPanels, QWidget* parent)
    : QGroupBox("Encrypt file", parent), ui_(ui), runner_(runner), ciphers_(ciphers), settings_(settings),
      resetPanels_(std::move(resetPanels))
{
    setObjectName("fraTools(1)");
    buildPages();

    for (const CipherTable::Record& record : ciphers_.records())
        cbAlgorithm->addItem(QString::fromStdString(record.name));
    // Whoever selects -- this list, the settings dialog, a decryption run
    // reading a file's cipher number -- the list shows it.
    ciphers_.onSelected = [this](int position) { cbAlgorithm->setCurrentIndex(position); };
    connect(cbAlgorithm, &QComboBox::currentIndexChanged, this, &fraTools::cbAlgorithm_Click);
    cbAlgorithm->setCurrentIndex(ciphers_.selectedPosition());
    cbAlgorithm_Click(cbAlgorithm->currentIndex());

    connect(cmdNext[0], &QPushButton::clicked, this, [this] { cmdNext_Click(0); });
    connect(cmdNext[1], &QPushButton::clicked, this, [this] { cmdNext_Click(1); });
    connect(cmdBack[0], &QPushButton::clicked, this, [this] { showPage(1); });
    connect(cmdBack[1], &QPushButton::clicked, this, [this] { showPage(2); });
    connect(cmdRemoveEn, &QPushButton::clicked, this, [this] {
        panellist::removeSelected(lvwInput);
        updateButtons();
    });
    connect(cmdPathTo, &QPushButton::clicked, this, &fraTools::cmdPathTo_Click);
    connect(OptOnefile, &QRadioButton::clicked, this, &fraTools::OptOnefile_Click);
    connect(edPassword, &QLineEdit::textChanged, this, &fraTools::updateButtons);
    connect(edPassword, &QLineEdit::returnPressed, rePassword, qOverload<>(&QWidget::setFocus));
    connect(rePassword, &QLineEdit::returnPressed, this, &fraTools::cmdEncrypt_Click);
    connect(cmdEncrypt, &QPushButton::clicked, this, &fraTools::cmdEncrypt_Click);
    connect(lvwInput->model(), &QAbstractItemModel::rowsInserted, this, &fraTools::updateButtons);
    connect(lvwInput->model(), &QAbstractItemModel::rowsRemoved, this, &fraTools::updateButtons);
    connect(lvwInput->model(), &QAbstractItemModel::modelReset, this, &fraTools::updateButtons);

    SaveTo->setText(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/");
    showPage(1);
    updateButtons();
}

void fraTools::buildPages()
{
    FrmSelect = named(new QGroupBox("Select", this), "FrmSelect(0)");
    OptDirect = named(new QRadioButton("Keep the multi-file(s)", FrmSelect), "OptDirect");
    OptOnefile = named(new QRadioButton("Save the file(s) to a file", FrmSelect), "OptOnefile");
    OptDirect->setChecked(true);
    cmdRemoveEn = button("cmdRemoveEn", "Remove", FrmSelect);
    auto* select = new QVBoxLayout(FrmSelect);
    select->addWidget(OptDirect);
    select->addWidget(OptOnefile);
    select->addStretch();
    select->addWidget(cmdRemoveEn, 0, Qt::AlignLeft);

    lvwInput = named(new ListView(this), "lvwInput");
    // Files dragged from the file list or a desktop file manager join the list.
    new FileDrop(lvwInput, ui_, [this](const QStringList& paths) { addFiles(paths); });

    FraNext1 = named(new QGroupBox("Select Destination", this), "FraNext1");
    SaveTo = named(new QLineEdit(FraNext1), "SaveTo");
    cmdPathTo = button("cmdPathTo", "Browse...", FraNext1);
    lblDestinationTip = named(
        new QLabel("Tip:Select browse button to rename or choose a new destination for the file", FraNext1),
        "lblDestinationTip");
    lblDestinationTip->setWordWrap(true);
    auto* destination = new QGridLayout(FraNext1);
    destination->addWidget(SaveTo, 0, 0);
    destination->addWidget(cmdPathTo, 0, 1);
    destination->addWidget(lblDestinationTip, 1, 0, 1, 2);
    destination->setRowStretch(2, 1);

    FraNext2 = named(new QGroupBox("Options", this), "FraNext2");
    cbAlgorithm = named(new QComboBox(FraNext2), "cbAlgorithm(0)");
    lblPassword =
        named(new QLabel("Please select the password you wish to encrypt the file(s) with", FraNext2), "lblPassword(0)");
    edPassword = passwordBox("edPassword", FraNext2);
    lblPassword->setBuddy(edPassword);
    lblRetype = named(new QLabel("Please retype your password:", FraNext2), "lblRetype");
    rePassword = passwordBox("rePassword", FraNext2);
    lblRetype->setBuddy(rePassword);
    lblPasswordTip =
        named(new QLabel("Tip:Please select encryption algorithm and input password", FraNext2), "lblPasswordTip");
    lblPasswordTip->setWordWrap(true);
    // Labels above their boxes: the page shares the panel's width with the
    // mode choice.
    auto* options = new QGridLayout(FraNext2);
    options->setVerticalSpacing(2);
    options->addWidget(cbAlgorithm, 0, 0);
    options->addWidget(lblPasswordTip, 0, 1);
    options->addWidget(lblPassword, 1, 0, 1, 2);
    options->addWidget(edPassword, 2, 0, 1, 2);
    options->addWidget(lblRetype, 3, 0, 1, 2);
    options->addWidget(rePassword, 4, 0, 1, 2);
    options->setColumnStretch(1, 1);
    options->setRowStretch(5, 1);

    for (int i = 0; i < 2; ++i) {
        cmdNext[static_cast<std::size_t>(i)] = button(QString("cmdNext(%1)").arg(i), "Next >", this);
        cmdBack[static_cast<std::size_t>(i)] = button(QString("cmdBack(%1)").arg(i), "< Back", this);
    }
    cmdEncrypt = button("cmdEncrypt", "Encrypt", this);

    // The page takes the height; the mode choice and the page buttons share
    // the left column.
    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {cmdBack[0], cmdBack[1], cmdNext[0], cmdNext[1], cmdEncrypt})
        buttons->addWidget(each);
    auto* left = new QVBoxLayout;
    left->addWidget(FrmSelect, 1);
    left->addLayout(buttons);
    auto* wizard = new QHBoxLayout(this);
    wizard->addLayout(left);
    wizard->addWidget(lvwInput, 1);
    wizard->addWidget(FraNext1, 1);
    wizard->addWidget(FraNext2, 1);
}

void fraTools::showPage(int page)
{
    page_ = page;
    lvwInput->setVisible(page == 1);
    FraNext1->setVisible(page == 2);
    FraNext2->setVisible(page == 3);
    cmdNext[0]->setVisible(page == 1);
    cmdBack[0]->setVisible(page == 2);
    cmdNext[1]->setVisible(page == 2);
    cmdBack[1]->setVisible(page == 3);
    cmdEncrypt->setVisible(page == 3);
    // After page 1 the mode is fixed: the other choice is disabled.
    OptDirect->setEnabled(page == 1 || OptDirect->isChecked());
    OptOnefile->setEnabled(page == 1 || OptOnefile->isChecked());
    updateButtons();
    if (page == 3)
        edPassword->setFocus();
}

void fraTools::updateButtons()
{
    cmdEncrypt->setEnabled(!edPassword->text().isEmpty());
    cmdRemoveEn->setEnabled(page_ == 1 && lvwInput->model()->rowCount() > 0);
}

void fraTools::cbAlgorithm_Click(int index)
{
    ciphers_.select(index);
    // A longer password typed before the switch is kept as typed: the run
    // answers it with "Password too long!" instead of cutting it silently.
    edPassword->setMaxLength(std::max(ciphers_.passwordLimit(), static_cast<int>(edPassword->text().size())));
    lblPassword->setText(QString::fromStdString(ciphers_.passwordHint()));
}

void fraTools::cmdNext_Click(int index)
{
    if (index == 0) {
        if (lvwInput->model()->rowCount() == 0) {
            ui_.message("No file(s) have been selected, please select file(s) again!", kApplicationTitle);
            return;
        }
        showPage(2);
    } else if (!SaveTo->text().isEmpty()) {
        showPage(3);
    }
}

void fraTools::cmdPathTo_Click()
{
    const std::string current = SaveTo->text().toStdString();
    const std::string chosen = OptDirect->isChecked()
                                   ? ui_.browseForFolder("Select A Directory", current)
                                   : ui_.askSaveFile("Veilcraft file(*.vkf)|*.vkf|", current);
    if (!chosen.empty())
        SaveTo->setText(QString::fromStdString(chosen));
}

void fraTools::OptOnefile_Click()
{
    SaveTo->setText(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/myvkffile.vkf");
}

void fraTools::addFiles(const QStringList& paths)
{
    panellist::append(lvwInput, paths);
}

void fraTools::reset()
{
    showPage(1);
    lvwInput->clearRows();
    edPassword->clear();
    rePassword->clear();
    // The settings' caption ("BLOWFISH") names the entry in other letters.
    const int position = cbAlgorithm->findText(QString::fromStdString(settings_.DefaultAlgorithm), Qt::MatchFixedString);
    if (position >= 0)
        cbAlgorithm->setCurrentIndex(position);
    for (QPushButton* each : {cmdBack[0], cmdBack[1], cmdNext[0], cmdNext[1]})
        each->setEnabled(true);
    updateButtons();
}

void fraTools::cmdEncrypt_Click()
{
    const std::optional<std::string> password = typedPassword(ui_, edPassword->text());
    const std::optional<std::string> retyped = password ? typedPassword(ui_, rePassword->text()) : std::nullopt;
    if (!retyped)
        return;
    const std::vector<std::string> sources = panellist::nativePaths(lvwInput);
    const std::string saveTo = nativePath(SaveTo->text()).toStdString();
    const bool remove = settings_.RemoveSourceFiles;
    const bool oneFile = OptOnefile->isChecked();
    RunReport report;
    runner_.run(this, ui_, [&](UserInterface& ui, CipherTable& ciphers) {
        if (oneFile)
            report = ArchiveEncryptionRun(ui, ciphers).run({sources, saveTo, *password, *retyped, remove});
        else
            report = FileEncryptionRun(ui, ciphers).run({sources, saveTo, *password, *retyped, remove});
    });
    // A run stopped by a check (or cancelled) stays on this page with its
    // files and password; a finished one empties the panels.
    if (report.outcome == RunReport::Outcome::Completed)
        resetPanels_();
}

}  // namespace veilcraft
