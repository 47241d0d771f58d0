#pragma once

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace veilcraft {

struct DefaultConfig;
struct RunSettings;
class UserInterface;

// The main window's controls that OK sets.
struct OptionTargets {
    QComboBox* cbAlgorithm; // entry 0 "Blowfish", entry 1 "RC4"
    QLineEdit* SaveTo;      // the wizard's destination folder
    QLineEdit* edPassword;
    QLabel* lblPassword;
};

// The settings dialog "Set Parameter": the default cipher, the destination
// folder and its lock, what happens to source files and the file format.
// Each opening reads the saved defaults (DefaultConfig); OK hands the choices
// to the main window's controls and to the run-wide RunSettings. Closing it
// any other way changes nothing. Messages and the folder picker go through
// the UserInterface.
class FrmOption : public QDialog {
    Q_OBJECT
public:
    FrmOption(const OptionTargets& targets, UserInterface& ui, RunSettings& settings, QWidget* parent = nullptr);

    // Reads the saved defaults into the dialog; reports a damaged or
    // unreadable file once per reading.
    void Load();

    QTabWidget* SSTab1;
    QGroupBox* FrAlgorithm;
    std::array<QRadioButton*, 8> OptSuan;
    QGroupBox* Frame2;
    QGroupBox* Frame4;
    std::array<QRadioButton*, 2> OptFormat;
    QLabel* LblFormat;
    QGroupBox* Frame1;
    QCheckBox* ChAlways;
    QLineEdit* SaveTo;
    QPushButton* ComBowse;
    QLabel* Label1;
    QGroupBox* Frame3;
    std::array<QRadioButton*, 2> OptSource;
    QLabel* LblSource;
    QLabel* Label2;
    QPushButton* ComLoad;
    QPushButton* CommSave;
    QPushButton* ComOk;

private:
    QWidget* makeAlgorithmPage();
    QWidget* makeEncryptPage();
    QWidget* makeFilePage();
    void apply(const DefaultConfig& saved);
    void setLocked(bool locked);
    [[nodiscard]] int chosenAlgorithm() const;
    void ComBowse_Click();
    void OptSource_Click();
    void CommSave_Click();
    void ComOk_Click();

    OptionTargets targets_;
    UserInterface& ui_;
    RunSettings& settings_;
};

} // namespace veilcraft
