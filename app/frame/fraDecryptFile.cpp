#include "fraDecryptFile.h"

#include "DecryptionRun.h"
#include "ListView.h"
#include "PanelList.h"
#include "PanelRunner.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace veilcraft {

fraDecryptFile::fraDecryptFile(UserInterface& ui, PanelRunner& runner, QWidget* parent)
    : QGroupBox("Decrypt File(s)", parent),
      ui_(ui, [this](const std::string& text) { lblDecryptInfo->setText(QString::fromStdString(text)); }),
      runner_(runner)
{
    setObjectName("fraDecryptFile");
    lvwDecrypt = new ListView(this);
    lvwDecrypt->setObjectName("lvwDecrypt");
    cmdDecryptFile = new QPushButton("Execute", this);
    cmdDecryptFile->setObjectName("cmdDecryptFile");
    cmdDereMove = new QPushButton("Remove", this);
    cmdDereMove->setObjectName("cmdDereMove");
    lblDecryptInfo = new QLabel(this);
    lblDecryptInfo->setObjectName("lblDecryptInfo");
    lblDecryptInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lvwDecrypt, 0, 0, 3, 1);
    grid->addWidget(cmdDecryptFile, 0, 1);
    grid->addWidget(cmdDereMove, 1, 1);
    grid->addWidget(lblDecryptInfo, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);

    connect(cmdDecryptFile, &QPushButton::clicked, this, &fraDecryptFile::cmdDecryptFile_Click);
    connect(cmdDereMove, &QPushButton::clicked, this, &fraDecryptFile::cmdDereMove_Click);
}

void fraDecryptFile::addFiles(const QStringList& paths)
{
    panellist::append(lvwDecrypt, paths);
}

void fraDecryptFile::clearFiles()
{
    lvwDecrypt->clearRows();
}

void fraDecryptFile::cmdDereMove_Click()
{
    panellist::removeSelected(lvwDecrypt);
}

void fraDecryptFile::cmdDecryptFile_Click()
{
    const std::vector<std::string> containers = panellist::nativePaths(lvwDecrypt);
    RunReport report;
    cmdDereMove->setEnabled(false);
    runner_.run(this, ui_, [&](UserInterface& ui, CipherTable& ciphers) {
        report = DecryptionRun(ui, ciphers).run(containers);
    });
    cmdDereMove->setEnabled(true);
    // A finished run empties the list; files that failed stay for another
    // try (with another password, say).
    if (report.outcome != RunReport::Outcome::Completed)
        return;
    std::vector<std::string> failed;
    for (const FileFailure& failure : report.failures)
        failed.push_back(failure.path);
    panellist::keepOnly(lvwDecrypt, failed);
}

}  // namespace veilcraft
