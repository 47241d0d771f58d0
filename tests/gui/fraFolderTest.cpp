// The folder panel in the main window with the real zip control: the
// current folder becomes one encrypted archive in three steps, and the steps
// taken out of order or with passwords that differ.
#include "ListView.h"
#include "PanelTest.h"
#include "fraDecryptFile.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gmock/gmock.h>

using namespace veilcraft;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::q;

namespace {

class fraFolderTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        write({{"photos/a.jpg", test::randomBytes(50000, 9)}, {"photos/2024/b.jpg", "picture b"}});
        window.show();
        openFolder("photos");
        window.encryptFolderMode();
    }
    template <typename T = QPushButton> T* find(const char* name) { return test::control<T>(panel, name); }
    void click(const char* name) { PanelTest::click(find(name)); }
    QLineEdit* box(const char* name) { return find<QLineEdit>(name); }
    // The first two steps, the save dialog answering `output`.
    void zipFolder()
    {
        ui.saveFiles.push_back(output);
        click("ComDia(0)");
        click("zipdirbtn");
    }

    QGroupBox& panel = *test::control<QGroupBox>(window, "fraFolder");
    QGroupBox& passwords = *find<QGroupBox>("fraPassword");
    const std::string output = dir.file("out/photos.vkf");
};

}  // namespace

TEST_F(fraFolderTest, ThreeStepsTurnTheFolderIntoOneEncryptedFile)
{
    EXPECT_THAT(ui.texts(), ElementsAre("Are you sure to encrypt the folder? " + dir.file("photos")));
    EXPECT_EQ(find<QLabel>("lblEnPath")->text(), q(dir.file("photos")));
    EXPECT_FALSE(passwords.isVisible());
    ui.messages.clear();

    ui.saveFiles.push_back(output);
    click("ComDia(0)");
    EXPECT_EQ(box("SelFolder")->text(), q(output));
    EXPECT_TRUE(find("zipdirbtn")->isEnabled());
    click("zipdirbtn");
    EXPECT_THAT(ui.statuses, ElementsAre("Zipping Directory", "Ready"));
    EXPECT_TRUE(passwords.isVisible());
    EXPECT_FALSE(find("cmdEnFolder")->isEnabled());
    QTest::keyClicks(box("txtFolderPass"), "secret");
    EXPECT_TRUE(find("cmdEnFolder")->isEnabled());
    QTest::keyClick(box("txtFolderPass"), Qt::Key_Return);
    EXPECT_EQ(window.focusWidget(), box("txtFolderPassRe"));
    QTest::keyClicks(box("txtFolderPassRe"), "secret");
    // The window's cipher at the last step is the one recorded.
    test::control<QComboBox>(window, "cbAlgorithm(0)")->setCurrentIndex(0);
    QTest::keyClick(box("txtFolderPassRe"), Qt::Key_Return);

    EXPECT_THAT(ui.texts(), ElementsAre("Encrypt succeed!"));
    EXPECT_EQ(test::trailerOf(output), std::string(".zip0  \xFF\xFF"));
    EXPECT_THAT(test::listFolder(dir.file("out")), ElementsAre("photos.vkf"));
    EXPECT_TRUE(box("SelFolder")->text().isEmpty());
    EXPECT_FALSE(passwords.isVisible());
    EXPECT_TRUE(box("txtFolderPass")->text().isEmpty());

    // What it holds: the folder from its own name down.
    ui.messages.clear();
    ui.password = "secret";
    window.decryptMode();
    window.decryptPanel->addFiles({q(output)});
    PanelTest::click(test::control<QPushButton>(window, "cmdDecryptFile"));
    EXPECT_EQ(test::readFile(dir.file("out/photos/photos/a.jpg")), test::readFile(dir.file("photos/a.jpg")));
    EXPECT_EQ(test::readFile(dir.file("out/photos/photos/2024/b.jpg")), "picture b");
}

TEST_F(fraFolderTest, CreateNeedsAnOutputAndDifferentPasswordsDoNothing)
{
    ui.messages.clear();
    click("zipdirbtn");
    EXPECT_THAT(ui.texts(), ElementsAre("You must open a new zip file first"));
    EXPECT_FALSE(passwords.isVisible());

    ui.messages.clear();
    zipFolder();
    ASSERT_TRUE(passwords.isVisible());
    QTest::keyClicks(box("txtFolderPass"), "secret");
    QTest::keyClicks(box("txtFolderPassRe"), "Secret");
    click("cmdEnFolder");
    EXPECT_THAT(ui.texts(), IsEmpty());
    EXPECT_FALSE(test::fileExists(output));
    EXPECT_TRUE(passwords.isVisible());

    // The zipped folder is still there for the right password.
    box("txtFolderPassRe")->clear();
    QTest::keyClicks(box("txtFolderPassRe"), "secret");
    click("cmdEnFolder");
    EXPECT_THAT(ui.texts(), ElementsAre("Encrypt succeed!"));
    EXPECT_TRUE(test::fileExists(output));
}
