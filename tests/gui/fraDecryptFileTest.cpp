// The decryption panel in the main window: files decrypted next to
// themselves with one password, the list and the cipher list afterwards,
// the refusals, and an archive made by the veilcraft command unpacked.
#include "CipherSuite.h"
#include "FileEncryptionRun.h"
#include "ListView.h"
#include "PanelTest.h"
#include "fraDecryptFile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gmock/gmock.h>

using namespace veilcraft;
using ::testing::ElementsAre;
using test::q;

namespace {

class fraDecryptFileTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        window.show();
        window.decryptMode();
        ui.password = "secret";
    }
    // Encrypts a file of the test folder into vault/ with the cipher at `position`.
    std::string encrypt(const std::string& name, const std::string& content, int position)
    {
        CipherSuite suite;
        suite.table.select(position);
        std::filesystem::create_directories(dir.file("vault"));
        const FileEncryptionRequest request{write({{"in/" + name, content}}), dir.file("vault"), "secret", "secret",
                                              false};
        EXPECT_EQ(FileEncryptionRun(ui, suite.table).run(request).count, 1);
        ui.messages.clear();
        return dir.file("vault/" + name.substr(0, name.find('.')) + ".vkf");
    }
    void add(const std::vector<std::string>& paths)
    {
        for (const std::string& path : paths)
            window.decryptPanel->addFiles({q(path)});
    }
    void execute() { click(test::control<QPushButton>(panel, "cmdDecryptFile")); }
    QStringList listed()
    {
        QStringList texts;
        ListView* list = test::control<ListView>(panel, "lvwDecrypt");
        for (int row = 0; row < list->model()->rowCount(); ++row)
            texts << list->model()->item(row)->text();
        return texts;
    }

    QGroupBox& panel = *test::control<QGroupBox>(window, "fraDecryptFile");
};

}  // namespace

TEST_F(fraDecryptFileTest, DecryptsEachFileNextToItselfWithOnePassword)
{
    const std::string photo = test::randomBytes(200000, 1);
    const std::string notes = test::randomBytes(5000, 2);
    const std::string first = encrypt("photo.jpg", photo, 1);
    const std::string second = encrypt("notes.txt", notes, 0);
    const std::string damaged = write({{"vault/damaged.vkf", "xy"}})[0];
    auto* ciphers = test::control<QComboBox>(window, "cbAlgorithm(0)");
    ciphers->setCurrentIndex(1);
    add({first, damaged, second});
    execute();
    QCoreApplication::processEvents();

    EXPECT_EQ(ui.passwordRequests, 1);
    EXPECT_EQ(test::readFile(dir.file("vault/photo.jpg")), photo);
    EXPECT_EQ(test::readFile(dir.file("vault/notes.txt")), notes);
    const std::vector<std::string> texts = ui.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "File " + first + "\r\nhas been decrypted as " + dir.file("vault/photo.jpg"));
    EXPECT_EQ(texts[1].rfind("File " + damaged + " was not decrypted: ", 0), 0u) << texts[1];
    EXPECT_EQ(texts[2], "File " + second + "\r\nhas been decrypted as " + dir.file("vault/notes.txt"));
    EXPECT_EQ(test::control<QLabel>(panel, "lblDecryptInfo")->text(),
              q("File, " + second + " has been decrypted as " + dir.file("vault/notes.txt")));
    // The failed file stays for another try; the last file's cipher is selected.
    EXPECT_EQ(listed(), QStringList({q(damaged)}));
    EXPECT_EQ(ciphers->currentText(), "Blowfish");
    EXPECT_TRUE(panel.isEnabled());
}

TEST_F(fraDecryptFileTest, EmptyListAndPlainFilesAreRefused)
{
    execute();
    EXPECT_THAT(ui.texts(), ElementsAre("You have not select any files!"));
    EXPECT_EQ(ui.passwordRequests, 0);

    ui.messages.clear();
    const std::string plain = write({{"in/plain.txt", "not encrypted"}})[0];
    add({plain});
    execute();
    EXPECT_THAT(ui.texts(), ElementsAre(plain + " was not be encrypted, please select the encrypted file again!"));
    EXPECT_EQ(listed(), QStringList({q(plain)}));

    click(test::control<QPushButton>(panel, "cmdDereMove"));
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(fraDecryptFileTest, FolderEncryptedByTheCommandUnpacksBelowTheBase)
{
    const auto files = write({{"photos/a.jpg", test::randomBytes(70000, 4)}, {"photos/2024/b.jpg", "picture b"}});
    const test::CommandResult made = test::runVeilcraft(
        {"encrypt-folder", q(dir.file("photos")), "--output", q(dir.file("out/pack.vkf"))}, "secret");
    ASSERT_EQ(made.code, 0) << made.errors;

    add({dir.file("out/pack.vkf")});
    execute();
    EXPECT_THAT(ui.texts(), ElementsAre("File " + dir.file("out/pack.vkf") + "\r\nhas been decrypted as " +
                                        dir.file("out/pack")));
    EXPECT_EQ(test::readFile(dir.file("out/pack/photos/a.jpg")), test::readFile(files[0]));
    EXPECT_EQ(test::readFile(dir.file("out/pack/photos/2024/b.jpg")), "picture b");
    EXPECT_TRUE(listed().isEmpty());
}
