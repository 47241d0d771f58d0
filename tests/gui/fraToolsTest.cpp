// The encryption wizard in the main window: its three pages in both modes,
// the checks that keep it on the password page, a cancelled run, a file it
// wrote decrypted by the veilcraft command; and the file list read again
// after a shred.
#include "ListView.h"
#include "MainMenus.h"
#include "PanelTest.h"
#include "fraTools.h"
#include "frmExecute.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <gmock/gmock.h>

using namespace veilcraft;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using test::q;

namespace {

class fraToolsTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        window.show();
        window.encryptFileMode();
    }
    template <typename T = QPushButton> T* find(const char* name) { return test::control<T>(wizard, name); }
    void click(const char* name) { PanelTest::click(find(name)); }
    QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
    int rows() { return find<ListView>("lvwInput")->model()->rowCount(); }
    // The page shown, or 0 when not exactly one is.
    int page()
    {
        const bool shown[] = {find<ListView>("lvwInput")->isVisible(), find<QGroupBox>("FraNext1")->isVisible(),
                              find<QGroupBox>("FraNext2")->isVisible()};
        if (shown[0] + shown[1] + shown[2] != 1)
            return 0;
        return shown[0] ? 1 : shown[1] ? 2 : 3;
    }
    // From the list page to the password page, the folder picker choosing `saveTo`.
    void toPasswordPage(const std::string& saveTo)
    {
        click("cmdNext(0)");
        ui.folders.push_back(saveTo);
        click("cmdPathTo");
        click("cmdNext(1)");
    }
    void typePasswords(const QString& password, const QString& retyped)
    {
        box("edPassword")->clear();
        box("rePassword")->clear();
        // Typed as a whole: key clicks know no characters beyond ASCII.
        box("edPassword")->insert(password);
        box("rePassword")->insert(retyped);
    }

    QGroupBox& wizard = *test::control<QGroupBox>(window, "fraTools(1)");
    const std::string out = dir.file("out");
};

}  // namespace

TEST_F(fraToolsTest, ThreePagesWriteOneFilePerSourceThenOneArchive)
{
    const auto sources = write({{"in/notes.txt", "some notes"}, {"in/README", "read me first"}});
    EXPECT_FALSE(find("cmdRemoveEn")->isEnabled());
    window.toolsPanel->addFiles({q(dir.file("in/gone.txt"))});
    EXPECT_TRUE(find("cmdRemoveEn")->isEnabled());
    click("cmdRemoveEn");
    EXPECT_FALSE(find("cmdRemoveEn")->isEnabled());
    window.toolsPanel->addFiles({q(sources[0]), q(sources[1])});
    ASSERT_EQ(page(), 1);

    click("cmdNext(0)");
    EXPECT_EQ(page(), 2);
    EXPECT_FALSE(find("cmdRemoveEn")->isEnabled());
    EXPECT_FALSE(find<QRadioButton>("OptOnefile")->isEnabled());
    EXPECT_TRUE(find<QRadioButton>("OptDirect")->isEnabled());
    click("cmdBack(0)");
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(find<QRadioButton>("OptOnefile")->isEnabled());
    box("SaveTo")->clear();
    click("cmdNext(0)");
    click("cmdNext(1)");
    EXPECT_EQ(page(), 2);  // no destination yet
    ui.folders.push_back(out);
    click("cmdPathTo");
    EXPECT_EQ(box("SaveTo")->text(), q(out));
    click("cmdNext(1)");
    EXPECT_EQ(page(), 3);
    click("cmdBack(1)");
    EXPECT_EQ(page(), 2);
    click("cmdNext(1)");

    find<QComboBox>("cbAlgorithm(0)")->setCurrentIndex(0);
    EXPECT_EQ(find<QLabel>("lblPassword(0)")->text(), "Password (1 to 56 bit key)");
    EXPECT_FALSE(find("cmdEncrypt")->isEnabled());
    QTest::keyClicks(box("edPassword"), "secret");
    EXPECT_TRUE(find("cmdEncrypt")->isEnabled());
    QTest::keyClick(box("edPassword"), Qt::Key_Return);
    EXPECT_EQ(window.focusWidget(), box("rePassword"));
    QTest::keyClicks(box("rePassword"), "secret");
    click("cmdEncrypt");
    EXPECT_THAT(ui.texts(),
                ElementsAre("Encryption success! The encrypted file(s) have been saved to " + out + "(2 file(s))!"));
    EXPECT_THAT(test::listFolder(out), ElementsAre("README.vkf", "notes.vkf"));
    EXPECT_EQ(test::trailerOf(dir.file("out/notes.vkf")), std::string(".txt0  \xFF\xFF"));
    EXPECT_EQ(test::trailerOf(dir.file("out/README.vkf")), std::string("ADME0  \xFF\xFF"));
    // A finished run empties the wizard and selects the default cipher again.
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(box("edPassword")->text().isEmpty());
    EXPECT_TRUE(box("rePassword")->text().isEmpty());
    EXPECT_EQ(find<QComboBox>("cbAlgorithm(0)")->currentText(), "RC4");

    ui.messages.clear();
    window.toolsPanel->addFiles({q(sources[0]), q(sources[1])});
    find<QRadioButton>("OptOnefile")->click();
    EXPECT_EQ(box("SaveTo")->text(),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/myvkffile.vkf");
    click("cmdNext(0)");
    EXPECT_FALSE(find<QRadioButton>("OptDirect")->isEnabled());
    ui.saveFiles.push_back(dir.file("out/all.vkf"));
    click("cmdPathTo");
    click("cmdNext(1)");
    typePasswords("secret", "secret");
    QTest::keyClick(box("rePassword"), Qt::Key_Return);
    EXPECT_THAT(ui.texts(), ElementsAre("Encryption success!, the encrypted file(s) have been saved to " +
                                        dir.file("out/all.vkf")));
    EXPECT_EQ(test::trailerOf(dir.file("out/all.vkf")), std::string(".zip1  \xFF\xFF"));
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(rows(), 0);
}

TEST_F(fraToolsTest, ChecksKeepTheFilesAndPasswordsOnThePasswordPage)
{
    click("cmdNext(0)");
    EXPECT_THAT(ui.texts(), ElementsAre("No file(s) have been selected, please select file(s) again!"));
    EXPECT_EQ(page(), 1);

    window.toolsPanel->addFiles({q(write({{"in/notes.txt", "some notes"}})[0])});
    toPasswordPage(out);
    ui.messages.clear();
    QTest::keyClicks(box("rePassword"), "secret");
    QTest::keyClick(box("rePassword"), Qt::Key_Return);
    typePasswords("secret", "Secret");
    click("cmdEncrypt");
    EXPECT_EQ(box("edPassword")->text(), "secret");

    // Typed under RC4's limit, the longer password stays whole under Blowfish's.
    const QString longer(57, 'k');
    typePasswords(longer, longer);
    find<QComboBox>("cbAlgorithm(0)")->setCurrentIndex(0);
    EXPECT_EQ(box("edPassword")->text().toStdString(), longer.toStdString());
    click("cmdEncrypt");

    typePasswords("pr\u20ACis", "pr\u20ACis");
    click("cmdEncrypt");
    EXPECT_THAT(ui.texts(), ElementsAre("Password is not null", "Your password is not match", "Password too long!",
                                        HasSubstr("\"\u20AC\"")));
    EXPECT_THAT(test::listFolder(out), IsEmpty());
    EXPECT_EQ(page(), 3);
    EXPECT_EQ(rows(), 1);
}

TEST_F(fraToolsTest, CancelledRunLeavesNoOutputAndStaysOnThePasswordPage)
{
    const std::string content = test::randomBytes(6 << 20, 3);
    const std::string source = write({{"in/big.bin", content}})[0];
    window.toolsPanel->addFiles({q(source)});
    toPasswordPage(out);
    ui.cancelAfterProgressEvents = 1;
    typePasswords("secret", "secret");
    // File > Exit while the run goes on leaves the program running.
    test::whenModal([this] { test::control<QAction>(window, "Mu_File_Index(4)")->trigger(); });
    click("cmdEncrypt");
    EXPECT_THAT(test::control<QLabel>(window, "StatusLabel")->text().toStdString(), HasSubstr("running work"));
    EXPECT_GE(ui.progressEvents, 1);
    EXPECT_THAT(test::listFolder(out), IsEmpty());
    EXPECT_EQ(test::readFile(source), content);
    EXPECT_EQ(page(), 3);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(box("edPassword")->text(), "secret");
    EXPECT_TRUE(wizard.isEnabled());
}

TEST_F(fraToolsTest, FileEncryptedInTheWindowDecryptsWithTheCommand)
{
    const std::string content = test::randomBytes(300000, 5);
    window.toolsPanel->addFiles({q(write({{"in/report.pdf", content}})[0])});
    toPasswordPage(out);
    // A latin-1 password: the window and the command must take the same bytes.
    typePasswords("cl\u00E9 secr\u00E8te", "cl\u00E9 secr\u00E8te");
    click("cmdEncrypt");
    ASSERT_TRUE(test::fileExists(dir.file("out/report.vkf")));

    const test::CommandResult decrypted =
        test::runVeilcraft({"decrypt", q(dir.file("out/report.vkf"))}, "cl\u00E9 secr\u00E8te");
    EXPECT_EQ(decrypted.code, 0) << decrypted.errors;
    EXPECT_EQ(test::readFile(dir.file("out/report.pdf")), content);
}

TEST_F(fraToolsTest, ShreddedFilesLeaveTheFileList)
{
    write({{"in/a.txt", "destroy me"}, {"in/b.txt", "keep me"}});
    openFolder("in");
    ASSERT_EQ(window.lvwFile->model()->rowCount(), 2);
    window.lvwFile->model()->item(0)->setCheckState(Qt::Checked);
    QAction* shred = test::control<QAction>(window, "mu_Tools_Index(1)");
    ASSERT_EQ(shred->text(), "Shre&dFile");
    shred->trigger();
    auto* shredder = window.findChild<frmExecute*>();
    ASSERT_NE(shredder, nullptr);
    PanelTest::click(test::control<QPushButton>(*shredder, "frmExecute"));
    EXPECT_THAT(ui.texts(),
                ElementsAre("Are you sure? File will be destroyed PERMANENTLY !", "File has been destroyed"));
    EXPECT_THAT(test::listFolder(dir.file("in")), ElementsAre("b.txt"));
    ASSERT_EQ(window.lvwFile->model()->rowCount(), 1);
    EXPECT_EQ(window.lvwFile->model()->item(0)->text(), "b.txt");
}
