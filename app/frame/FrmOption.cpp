#include "FrmOption.h"

#include "CipherTable.h"
#include "DefaultConfig.h"
#include "RunSettings.h"
#include "UserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace veilcraft {

namespace {

constexpr std::array<const char*, 8> kAlgorithms{"BLOWFISH", "RC4", "DES",      "GOST",
                                                 "TWOFISH",  "TEA", "Skipjack", "Simple XOR"};
// Only the first two have an engine and an entry in the cipher list.
constexpr int kAlgorithmsWithEngine = 2;
constexpr int kRc4 = 1;

const char* const kKeepSources = "Check this option will not remove the select files from your disk.";
const char* const kRemoveSources = "Check this option will remove the select files from your disk.";

// A control named `name(index)`, the name its element of a control array carries.
template <typename Control>
Control* element(const char* name, std::size_t index, const QString& caption, QWidget* parent)
{
    auto* control = new Control(caption, parent);
    control->setObjectName(QString("%1(%2)").arg(name).arg(index));
    return control;
}

template <typename Control> Control* named(const char* name, const QString& caption, QWidget* parent)
{
    auto* control = new Control(caption, parent);
    control->setObjectName(name);
    return control;
}

} // namespace

FrmOption::FrmOption(const OptionTargets& targets, UserInterface& ui, RunSettings& settings, QWidget* parent)
    : QDialog(parent), targets_(targets), ui_(ui), settings_(settings)
{
    setObjectName("FrmOption");
    setWindowTitle("Set Parameter");
    setModal(true);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName("SSTab1");
    SSTab1->addTab(makeAlgorithmPage(), "&Cipher");
    SSTab1->addTab(makeEncryptPage(), "&Output");
    SSTab1->addTab(makeFilePage(), "So&urce Files");

    Label2 = named<QLabel>("Label2", "General", this);
    ComLoad = named<QPushButton>("ComLoad", "&Load Default", this);
    CommSave = named<QPushButton>("CommSave", "&Save as Default", this);
    ComOk = named<QPushButton>("ComOk", "OK", this);
    // Enter anywhere means OK.
    ComBowse->setAutoDefault(false);
    ComLoad->setAutoDefault(false);
    CommSave->setAutoDefault(false);
    ComOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Label2);
    buttons->addWidget(ComLoad);
    buttons->addWidget(CommSave);
    buttons->addStretch();
    buttons->addWidget(ComOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ChAlways, &QCheckBox::toggled, this, &FrmOption::setLocked);
    connect(ComBowse, &QPushButton::clicked, this, &FrmOption::ComBowse_Click);
    connect(OptSource[1], &QRadioButton::toggled, this, &FrmOption::OptSource_Click);
    connect(ComLoad, &QPushButton::clicked, this, &FrmOption::Load);
    connect(CommSave, &QPushButton::clicked, this, &FrmOption::CommSave_Click);
    connect(ComOk, &QPushButton::clicked, this, &FrmOption::ComOk_Click);

    adjustSize();
    if (const QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
    Load();
}

QWidget* FrmOption::makeAlgorithmPage()
{
    auto* page = new QWidget;
    FrAlgorithm = named<QGroupBox>("FrAlgorithm", "Encryption Algorithm", page);
    auto* grid = new QGridLayout(FrAlgorithm);
    for (std::size_t i = 0; i < OptSuan.size(); ++i) {
        // One group: the buttons share their parent.
        OptSuan[i] = element<QRadioButton>("OptSuan", i, kAlgorithms[i], FrAlgorithm);
        if (static_cast<int>(i) >= kAlgorithmsWithEngine) {
            OptSuan[i]->setEnabled(false);
            OptSuan[i]->setToolTip("No engine for this cipher is available.");
        }
        grid->addWidget(OptSuan[i], static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    OptSuan[kRc4]->setChecked(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(FrAlgorithm);
    layout->addStretch();
    return page;
}

QWidget* FrmOption::makeEncryptPage()
{
    auto* page = new QWidget;
    Frame2 = named<QGroupBox>("Frame2", "Encrypt Option", page);

    Frame4 = named<QGroupBox>("Frame4", "File Format", Frame2);
    OptFormat[0] = element<QRadioButton>("OptFormat", 0, "Keep File Format", Frame4);
    OptFormat[1] = element<QRadioButton>("OptFormat", 1, "Save as \".fkv\"", Frame4);
    OptFormat[0]->setChecked(true);
    LblFormat = named<QLabel>("LblFormat", "Encrypted files are always saved as \".vkf\" files.", Frame4);
    auto* format = new QVBoxLayout(Frame4);
    format->addWidget(OptFormat[0]);
    format->addWidget(OptFormat[1]);
    format->addWidget(LblFormat);

    Frame1 = named<QGroupBox>("Frame1", "Location", Frame2);
    Label1 = named<QLabel>("Label1", "Always store encrypted file in the fol&der", Frame1);
    SaveTo = new QLineEdit(Frame1);
    SaveTo->setObjectName("SaveTo");
    SaveTo->setMinimumWidth(240);
    Label1->setBuddy(SaveTo);
    ComBowse = named<QPushButton>("ComBowse", "&Browse", Frame1);
    ChAlways = named<QCheckBox>("ChAlways", "&Always use this location when encrypting file", Frame1);
    auto* location = new QGridLayout(Frame1);
    location->addWidget(Label1, 0, 0, 1, 2);
    location->addWidget(SaveTo, 1, 0);
    location->addWidget(ComBowse, 1, 1);
    location->addWidget(ChAlways, 2, 0, 1, 2);

    auto* frames = new QVBoxLayout(Frame2);
    frames->addWidget(Frame4);
    frames->addWidget(Frame1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame2);
    return page;
}

QWidget* FrmOption::makeFilePage()
{
    auto* page = new QWidget;
    Frame3 = named<QGroupBox>("Frame3", "File Option", page);
    OptSource[0] = element<QRadioButton>("OptSource", 0, "Keep Source File(s)", Frame3);
    OptSource[1] = element<QRadioButton>("OptSource", 1, "Remove Source File(s)", Frame3);
    OptSource[0]->setChecked(true);
    LblSource = named<QLabel>("LblSource", kKeepSources, Frame3);
    LblSource->setWordWrap(true);
    auto* options = new QVBoxLayout(Frame3);
    options->addWidget(OptSource[0]);
    options->addWidget(OptSource[1]);
    options->addWidget(LblSource);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Frame3);
    layout->addStretch();
    return page;
}

void FrmOption::Load()
{
    const DefaultConfigRead read = readDefaultConfig(defaultConfigPath());
    // Fields 1 to 3 carry the settings; a file cut off after them still holds them whole.
    const bool settingsWhole = read.wholeFields >= 3;
    if (settingsWhole && !read.record.algorithm.empty())
        apply(read.record);
    if (read.problem.empty())
        return;
    std::string text = read.problem;
    if (!settingsWhole)
        text += " The saved defaults were not loaded.";
    text += " \"Save as Default\" writes the file again.";
    ui_.message(text, kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
}

void FrmOption::apply(const DefaultConfig& saved)
{
    // A name this dialog does not offer, as older files may hold, loads as RC4.
    int algorithm = kRc4;
    for (int i = 0; i < kAlgorithmsWithEngine; ++i)
        if (QString::fromStdString(saved.algorithm).compare(kAlgorithms[i], Qt::CaseInsensitive) == 0)
            algorithm = i;
    OptSuan[algorithm]->setChecked(true);
    SaveTo->setText(QString::fromStdString(saved.saveTo));
    // Only exactly 1 locks; anything else, numbers and other text alike, does not.
    bool isNumber = false;
    const int lock = QString::fromStdString(saved.lockFlag).trimmed().toInt(&isNumber);
    ChAlways->setChecked(isNumber && lock == 1);
}

void FrmOption::setLocked(bool locked)
{
    SaveTo->setEnabled(!locked);
    ComBowse->setEnabled(!locked);
}

int FrmOption::chosenAlgorithm() const
{
    for (std::size_t i = 0; i < OptSuan.size(); ++i)
        if (OptSuan[i]->isChecked())
            return static_cast<int>(i);
    return kRc4;
}

void FrmOption::ComBowse_Click()
{
    const std::string folder = ui_.browseForFolder("Select A Directory", SaveTo->text().toStdString());
    if (!folder.empty())
        SaveTo->setText(QString::fromStdString(folder));
}

void FrmOption::OptSource_Click()
{
    LblSource->setText(OptSource[1]->isChecked() ? kRemoveSources : kKeepSources);
}

void FrmOption::CommSave_Click()
{
    DefaultConfig record;
    record.algorithm = kAlgorithms[static_cast<std::size_t>(chosenAlgorithm())];
    record.saveTo = SaveTo->text().toStdString();
    record.lockFlag = ChAlways->isChecked() ? "1" : "0";
    if (const std::optional<std::string> problem = writeDefaultConfig(defaultConfigPath(), record))
        ui_.message(*problem, kApplicationTitle, UserInterface::Buttons::Ok, UserInterface::Icon::Warning);
}

void FrmOption::ComOk_Click()
{
    targets_.cbAlgorithm->setCurrentIndex(chosenAlgorithm());
    settings_.RemoveSourceFiles = OptSource[1]->isChecked();
    settings_.KeepFileFormat = OptFormat[0]->isChecked();
    settings_.DefaultAlgorithm = kAlgorithms[static_cast<std::size_t>(chosenAlgorithm())];
    targets_.SaveTo->setText(SaveTo->text());
    const int limit = passwordLimitFor(targets_.cbAlgorithm->currentIndex());
    // A longer password already typed stays whole; the run refuses it.
    targets_.edPassword->setMaxLength(std::max(limit, static_cast<int>(targets_.edPassword->text().size())));
    targets_.lblPassword->setText(QString("Password (1 to %1 chars)").arg(limit));
    accept();
}

} // namespace veilcraft
