// The settings dialog: what it loads from the saved defaults, what OK hands to
// the main window and the run, and the "Save as Default" / "Load Default" pair.
#include "FrmOption.h"
#include "DefaultConfig.h"
#include "GuiTest.h"
#include "RunSettings.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace veilcraft;

namespace {

QString caption(const QAbstractButton* button)
{
    return button->text().remove('&');
}

class FrmOptionTest : public ::testing::Test {
protected:
    FrmOptionTest()
    {
        cbAlgorithm.addItems({"Blowfish", "RC4"});
        cbAlgorithm.setCurrentIndex(1);
        std::filesystem::remove(defaultConfigPath());
    }

    // The dialog as the Settings command opens it: it reads the file at once.
    std::unique_ptr<FrmOption> open()
    {
        auto dialog = std::make_unique<FrmOption>(targets, ui, settings);
        dialog->show();
        return dialog;
    }

    static void save(const DefaultConfig& record)
    {
        ASSERT_EQ(writeDefaultConfig(defaultConfigPath(), record), std::nullopt);
    }

    static void click(QWidget* control)
    {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(4, control->height() / 2));
    }

    static QRadioButton* option(const FrmOption& dialog, const QString& name)
    {
        return test::control<QRadioButton>(dialog, name);
    }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    RunSettings settings;
    QComboBox cbAlgorithm;
    QLineEdit mainSaveTo{"/previous"};
    QLineEdit edPassword;
    QLabel lblPassword{"Password"};
    OptionTargets targets{&cbAlgorithm, &mainSaveTo, &edPassword, &lblPassword};
};

} // namespace

TEST_F(FrmOptionTest, OpensWithItsDesignDefaultsWhenNothingIsSaved)
{
    const auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Set Parameter");
    test::control<QTabWidget>(*dialog, "SSTab1");
    const char* algorithms[] = {"BLOWFISH", "RC4", "DES", "GOST", "TWOFISH", "TEA", "Skipjack", "Simple XOR"};
    for (int i = 0; i < 8; ++i) {
        const QRadioButton* button = option(*dialog, QString("OptSuan(%1)").arg(i));
        EXPECT_EQ(caption(button), algorithms[i]);
        // Only Blowfish and RC4 have an engine.
        EXPECT_EQ(button->isEnabled(), i < 2) << i;
    }
    EXPECT_TRUE(option(*dialog, "OptSuan(1)")->isChecked());
    EXPECT_EQ(caption(option(*dialog, "OptFormat(1)")), "Save as \".fkv\"");
    EXPECT_TRUE(option(*dialog, "OptFormat(0)")->isChecked());
    EXPECT_TRUE(option(*dialog, "OptSource(0)")->isChecked());
    EXPECT_FALSE(test::control<QCheckBox>(*dialog, "ChAlways")->isChecked());
    EXPECT_EQ(caption(test::control<QCheckBox>(*dialog, "ChAlways")), "Always use this location when encrypting file");
    EXPECT_EQ(test::control<QLineEdit>(*dialog, "SaveTo")->text(), "");
    EXPECT_EQ(caption(test::control<QPushButton>(*dialog, "ComBowse")), "Browse");
    EXPECT_EQ(caption(test::control<QPushButton>(*dialog, "ComLoad")), "Load Default");
    EXPECT_EQ(caption(test::control<QPushButton>(*dialog, "CommSave")), "Save as Default");
    EXPECT_TRUE(test::control<QPushButton>(*dialog, "ComOk")->isDefault());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(test::fileExists(defaultConfigPath()));
}

TEST_F(FrmOptionTest, OnlyALockFlagOfExactlyOneLocksTheLocation)
{
    for (const auto& [flag, locked] : {std::pair{"1", true}, {"0", false}, {"2", false}, {"abc", false}}) {
        SCOPED_TRACE(flag);
        save({"BLOWFISH", "/saved", flag, "", ""});
        const auto dialog = open();
        EXPECT_TRUE(dialog->OptSuan[0]->isChecked());
        EXPECT_EQ(dialog->SaveTo->text(), "/saved");
        EXPECT_EQ(dialog->ChAlways->isChecked(), locked);
        EXPECT_EQ(dialog->SaveTo->isEnabled(), !locked);
        EXPECT_EQ(dialog->ComBowse->isEnabled(), !locked);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FrmOptionTest, EmptyFirstFieldLeavesTheCurrentValues)
{
    const auto dialog = open();
    dialog->SaveTo->setText("/mine");
    save({"", "/other", "1", "", ""});
    click(dialog->ComLoad);
    EXPECT_EQ(dialog->SaveTo->text(), "/mine");
    EXPECT_FALSE(dialog->ChAlways->isChecked());
    EXPECT_TRUE(dialog->SaveTo->isEnabled());
}

TEST_F(FrmOptionTest, LockBrowseAndSourceOptionActOnTheirControls)
{
    const auto dialog = open();
    dialog->SSTab1->setCurrentIndex(1);
    // A cancelled folder picker keeps the folder.
    dialog->SaveTo->setText("/kept");
    click(dialog->ComBowse);
    EXPECT_EQ(dialog->SaveTo->text(), "/kept");

    click(dialog->ChAlways);
    EXPECT_FALSE(dialog->SaveTo->isEnabled());
    EXPECT_FALSE(dialog->ComBowse->isEnabled());
    click(dialog->ChAlways);
    EXPECT_TRUE(dialog->SaveTo->isEnabled());
    EXPECT_TRUE(dialog->ComBowse->isEnabled());

    dialog->SSTab1->setCurrentIndex(2);
    click(dialog->OptSource[1]);
    EXPECT_EQ(dialog->LblSource->text(), "Check this option will remove the select files from your disk.");
    click(dialog->OptSource[0]);
    EXPECT_EQ(dialog->LblSource->text(), "Check this option will not remove the select files from your disk.");
}

TEST_F(FrmOptionTest, OkHandsTheChoicesToTheMainWindowAndTheRun)
{
    auto dialog = open();
    dialog->SaveTo->setText("/out");
    click(dialog->ComOk);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(cbAlgorithm.currentIndex(), 1);
    EXPECT_EQ(lblPassword.text(), "Password (1 to 128 chars)");
    EXPECT_EQ(edPassword.maxLength(), 128);
    EXPECT_EQ(mainSaveTo.text(), "/out");
    EXPECT_FALSE(settings.RemoveSourceFiles);
    EXPECT_TRUE(settings.KeepFileFormat);

    dialog = open();
    click(dialog->OptSuan[0]);
    dialog->SSTab1->setCurrentIndex(1);
    click(dialog->OptFormat[1]);
    dialog->SSTab1->setCurrentIndex(2);
    click(dialog->OptSource[1]);
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(cbAlgorithm.currentIndex(), 0);
    EXPECT_EQ(lblPassword.text(), "Password (1 to 56 chars)");
    EXPECT_EQ(edPassword.maxLength(), 56);
    EXPECT_TRUE(settings.RemoveSourceFiles);
    EXPECT_FALSE(settings.KeepFileFormat);

    // Closed without OK, the dialog changes nothing.
    dialog = open();
    click(dialog->OptSuan[1]);
    dialog->reject();
    EXPECT_EQ(cbAlgorithm.currentIndex(), 0);
    EXPECT_TRUE(settings.RemoveSourceFiles);
}

TEST_F(FrmOptionTest, SaveAsDefaultThenLoadDefaultRestoresTheChoices)
{
    auto dialog = open();
    click(dialog->OptSuan[0]);
    dialog->SaveTo->setText("/data/caf\u00e9");
    dialog->ChAlways->setChecked(true);
    click(dialog->CommSave);
    ASSERT_TRUE(ui.messages.empty());

    click(dialog->OptSuan[1]);
    dialog->ChAlways->setChecked(false);
    dialog->SaveTo->setText("/elsewhere");
    click(dialog->ComLoad);
    EXPECT_TRUE(dialog->OptSuan[0]->isChecked());
    EXPECT_EQ(dialog->SaveTo->text(), "/data/caf\u00e9");
    EXPECT_TRUE(dialog->ChAlways->isChecked());
    EXPECT_FALSE(dialog->SaveTo->isEnabled());

    // The next opening reads them too.
    dialog = open();
    EXPECT_TRUE(dialog->OptSuan[0]->isChecked());
    EXPECT_EQ(dialog->SaveTo->text(), "/data/caf\u00e9");
}

TEST_F(FrmOptionTest, FolderLatin1CannotHoldIsRefusedWithAMessage)
{
    save({"RC4", "/old", "0", "", ""});
    const auto dialog = open();
    dialog->SaveTo->setText("/home/\u65e5\u672c");
    click(dialog->CommSave);
    ASSERT_EQ(ui.messages.size(), 1U);
    EXPECT_NE(ui.messages[0].text.find("The destination folder contains the character"), std::string::npos);
    EXPECT_EQ(readDefaultConfig(defaultConfigPath()).record.saveTo, "/old");
}

TEST_F(FrmOptionTest, DamagedFileIsReportedOnceAndItsWholeSettingsUsed)
{
    // Cut inside the reserved fields: the settings are still whole.
    save({"BLOWFISH", "/saved", "1", "reserved", ""});
    std::filesystem::resize_file(defaultConfigPath(), 30);
    auto dialog = open();
    ASSERT_EQ(ui.messages.size(), 1U);
    EXPECT_NE(ui.messages[0].text.find("is damaged"), std::string::npos);
    EXPECT_EQ(ui.messages[0].text.find("not loaded"), std::string::npos);
    EXPECT_TRUE(dialog->OptSuan[0]->isChecked());
    EXPECT_EQ(dialog->SaveTo->text(), "/saved");

    // Cut inside the folder: nothing is taken from it.
    ui.messages.clear();
    std::filesystem::resize_file(defaultConfigPath(), 15);
    dialog = open();
    ASSERT_EQ(ui.messages.size(), 1U);
    EXPECT_NE(ui.messages[0].text.find("The saved defaults were not loaded."), std::string::npos);
    EXPECT_TRUE(dialog->OptSuan[1]->isChecked());
    EXPECT_EQ(dialog->SaveTo->text(), "");
}
