// The archive window over real .vkf files and the real zip control: what it
// lists, which entries its buttons extract where, the single-file case, and
// that every way out deletes the temporary zip and ends the program once.
#include "frmExecute.h"
#include "ArchiveEncryptionRun.h"
#include "CipherSuite.h"
#include "GuiTest.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "VkfContainer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace veilcraft;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

// Files below the test folder by name, with their contents.
using Files = std::vector<std::pair<std::string, std::string>>;

class frmExecuteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.file("tmp"));
        ui.password = "pw";
    }
    std::vector<std::string> write(const Files& files)
    {
        std::vector<std::string> paths;
        for (const auto& [name, content] : files) {
            paths.push_back(dir.file(name));
            std::filesystem::create_directories(std::filesystem::path(paths.back()).parent_path());
            test::writeFile(paths.back(), content);
        }
        return paths;
    }
    // An archive container of the files, each stored under its last folder.
    std::string archive(const Files& files)
    {
        const std::string out = dir.file("all.vkf");
        EXPECT_TRUE(ArchiveEncryptionRun(ui, suite.table).run({write(files), out, "pw", "pw", false}).allSucceeded());
        ui.messages.clear();
        return out;
    }
    std::vector<std::string> folder(const std::string& name) { return test::listFolder(dir.file(name)); }
    std::string content(const std::string& name) { return test::readFile(dir.file(name)); }
    bool open(const std::string& container)
    {
        const bool opened = form.openDecryptMode(QString::fromStdString(container));
        if (opened)
            form.show();
        return opened;
    }
    QTreeWidget& list() { return *test::control<QTreeWidget>(form, "lstFileShow"); }
    QStringList rowTexts(int row)
    {
        QStringList texts;
        for (int column = 0; column < list().columnCount(); ++column)
            texts << list().topLevelItem(row)->text(column);
        return texts;
    }
    void clickRow(int row)
    {
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {},
                          list().visualItemRect(list().topLevelItem(row)).center());
    }
    void clickColumn(int column)
    {
        QHeaderView& header = *list().header();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(column) + 5, header.height() / 2));
    }
    void click(const char* button) { QTest::mouseClick(test::control<QPushButton>(form, button), Qt::LeftButton); }
    void setDestination(const std::string& text)
    {
        auto* box = test::control<QLineEdit>(form, "strPathto");
        box->clear();
        QTest::keyClicks(box, QString::fromStdString(text));
    }

    test::WithApplication application;
    test::TempDir dir;
    test::ScopedEnv tmpdir{"TMPDIR", dir.file("tmp")};
    test::ScriptedUserInterface ui;
    CipherSuite suite;
    frmExecute form{ui, suite.table};
    QSignalSpy ends{&form, &frmExecute::programEnds};
};

}  // namespace

TEST_F(frmExecuteTest, ListsEachEntryInItsColumns)
{
    ASSERT_TRUE(open(archive({{"photos/a.jpg", "12"}, {"docs/b.txt", "1234567"}})));
    EXPECT_EQ(form.windowTitle(), "Veilcraft");
    const QTreeWidgetItem& header = *list().headerItem();
    EXPECT_EQ(QStringList({header.text(0), header.text(1), header.text(2), header.text(3), header.text(4)}),
              QStringList({"Name", "Modified", "Size", "Packed", "Path"}));
    ASSERT_EQ(list().topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(0), QStringList({"a.jpg", "0/1/1980 12:00 AM", "2", "4", "photos/"}));
    EXPECT_EQ(rowTexts(1), QStringList({"b.txt", "0/1/1980 12:00 AM", "7", "9", "docs/"}));
    EXPECT_EQ(test::control<QLineEdit>(form, "strPathto")->text(), QString::fromStdString(dir.path()));
    EXPECT_EQ(test::control<QPushButton>(form, "cmdEncrypt")->text(), "Close");
    EXPECT_FALSE(test::control<QCheckBox>(form, "KeepDirChk")->isChecked());
    EXPECT_EQ(list().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(ends.count(), 0);
}

TEST_F(frmExecuteTest, DecryptSelectExtractsOnlyTheSelectedRow)
{
    ASSERT_TRUE(open(archive({{"photos/a.jpg", "12"}, {"docs/b.txt", "1234567"}})));
    test::control<QCheckBox>(form, "KeepDirChk")->setChecked(true);
    setDestination(dir.file("out"));
    clickRow(1);
    click("cmdDeSelect");
    EXPECT_THAT(folder("out"), ElementsAre("docs"));
    EXPECT_EQ(content("out/docs/b.txt"), "1234567");
    EXPECT_THAT(ui.texts(), IsEmpty());
    EXPECT_EQ(test::control<QLabel>(form, "lblEdcrypt")->text(),
              QString::fromStdString("1 file(s) extracted to " + dir.file("out")));
}

TEST_F(frmExecuteTest, SortedRowsStillExtractTheirOwnEntries)
{
    // By size the rows swap places; by name they would not.
    ASSERT_TRUE(open(archive({{"docs/b.txt", "12"}, {"photos/a.jpg", "1234567"}})));
    // The first click turns the list's ascending order over.
    clickColumn(2);
    EXPECT_EQ(list().topLevelItem(0)->text(0), "a.jpg");
    clickColumn(2);
    EXPECT_EQ(list().topLevelItem(0)->text(0), "b.txt");
    clickColumn(2);
    ASSERT_EQ(list().topLevelItem(0)->text(0), "a.jpg");

    setDestination(dir.file("out"));
    clickRow(0);
    click("cmdDeSelect");
    EXPECT_THAT(folder("out"), ElementsAre("a.jpg"));
    EXPECT_EQ(content("out/a.jpg"), "1234567");
}

TEST_F(frmExecuteTest, FolderOptionDecidesWhetherStoredFoldersAreKept)
{
    ASSERT_TRUE(open(archive({{"photos/a.jpg", "picture"}, {"docs/a.jpg", "document"}})));
    setDestination(dir.file("out"));
    click("cmdDeAll");
    // Flat, the later entry of the same name wins.
    EXPECT_THAT(folder("out"), ElementsAre("a.jpg"));
    EXPECT_EQ(content("out/a.jpg"), "document");

    QTest::mouseClick(test::control<QCheckBox>(form, "KeepDirChk"), Qt::LeftButton);
    // A destination naming a .vkf file stands for its folder.
    setDestination(dir.file("kept/any.vkf"));
    click("cmdDeAll");
    EXPECT_THAT(folder("kept"), ElementsAre("docs", "photos"));
    EXPECT_EQ(content("kept/photos/a.jpg"), "picture");

    // A cancelled folder picker leaves the destination alone.
    click("cmdBowser");
    EXPECT_EQ(test::control<QLineEdit>(form, "strPathto")->text(), QString::fromStdString(dir.file("kept/any.vkf")));
    EXPECT_THAT(ui.texts(), IsEmpty());
}

TEST_F(frmExecuteTest, SingleFileDecryptsIntoTheNamedFileThenEnds)
{
    std::string bytes = suite.EncryptRC4.EncryptString("plain text", "pw");
    const vkf::TrailerBytes trailer = vkf::encodeTrailer(".txt", 1);
    bytes.append(trailer.begin(), trailer.end());
    const std::string p = write({{"notes.vkf", bytes}})[0];

    ASSERT_TRUE(open(p));
    ASSERT_EQ(list().topLevelItemCount(), 1);
    EXPECT_EQ(list().topLevelItem(0)->text(0), QString::fromStdString(p));
    EXPECT_EQ(test::control<QPushButton>(form, "cmdEncrypt")->text(), "Decrypt");
    EXPECT_FALSE(test::control<QPushButton>(form, "cmdDeAll")->isEnabled());
    EXPECT_EQ(test::control<QLineEdit>(form, "strPathto")->text(), QString::fromStdString(dir.file("notes.txt")));

    // Without a target the window stays for another try.
    setDestination("");
    click("cmdEncrypt");
    EXPECT_THAT(ui.texts(), ElementsAre("You have not select the path for the file(s)."));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(ends.count(), 0);

    setDestination(dir.file("plain.txt"));
    click("cmdEncrypt");
    EXPECT_EQ(content("plain.txt"), "plain text");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(frmExecuteTest, WrongOrNoPasswordEndsTheProgram)
{
    const std::string p = archive({{"photos/a.jpg", "picture worth zipping"}});
    ui.password = "wrong";
    EXPECT_FALSE(open(p));
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr(p + " was not opened: wrong password or damaged archive"),
                                        "File Info Could not be Retrieved"));
    EXPECT_EQ(ends.count(), 1);
    EXPECT_THAT(folder("tmp"), IsEmpty());

    frmExecute second(ui, suite.table);
    QSignalSpy secondEnds(&second, &frmExecute::programEnds);
    ui.messages.clear();
    ui.password.reset();
    EXPECT_FALSE(second.openDecryptMode(QString::fromStdString(p)));
    EXPECT_THAT(ui.texts(), IsEmpty());
    EXPECT_EQ(secondEnds.count(), 1);
}

TEST_F(frmExecuteTest, EveryWayOutDeletesTheTemporaryZipAndEndsOnce)
{
    const std::string p = archive({{"photos/a.jpg", "picture"}});
    ASSERT_TRUE(open(p));
    EXPECT_THAT(folder("tmp"), SizeIs(1));
    click("cmdEncrypt");
    EXPECT_THAT(folder("tmp"), IsEmpty());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ends.count(), 1);

    // The title bar's close button.
    frmExecute second(ui, suite.table);
    QSignalSpy secondEnds(&second, &frmExecute::programEnds);
    ASSERT_TRUE(second.openDecryptMode(QString::fromStdString(p)));
    second.show();
    EXPECT_THAT(folder("tmp"), SizeIs(1));
    second.close();
    EXPECT_THAT(folder("tmp"), IsEmpty());
    EXPECT_EQ(secondEnds.count(), 1);
}

TEST_F(frmExecuteTest, ShredModeDestroysTheListedFilesAndOnlyClosesItself)
{
    QStringList files;
    for (const std::string& path : write({{"docs/a.txt", "0123456789"}, {"docs/b.txt", "x"}}))
        files << QString::fromStdString(path);
    form.openShredMode(files);
    form.show();
    EXPECT_EQ(form.windowTitle(), "Destroy the file(s)");
    EXPECT_FALSE(test::control<QGroupBox>(form, "fraCMDencrypt")->isVisible());
    EXPECT_EQ(test::control<QGroupBox>(form, "fraFileList")->title(), "file(s):2");
    EXPECT_EQ(test::control<QGroupBox>(form, "optTimes")->title(), "Option");
    auto* count = test::control<QLineEdit>(form, "txtCount");
    auto* spinner = test::control<QScrollBar>(form, "VScroll2");
    EXPECT_EQ(count->text(), "3");
    // The upper arrow raises the count, the lower one lowers it.
    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(count->text(), "4");
    spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(count->text(), "2");

    QSignalSpy destroyed(&form, &frmExecute::filesDestroyed);
    ui.answers = {UserInterface::Answer::No};
    click("frmExecute");
    EXPECT_THAT(folder("docs"), ElementsAre("a.txt", "b.txt"));
    EXPECT_TRUE(form.isVisible());

    click("frmExecute");
    EXPECT_THAT(folder("docs"), IsEmpty());
    EXPECT_THAT(ui.texts(),
                ElementsAre("Are you sure? File will be destroyed PERMANENTLY !",
                            "Are you sure? File will be destroyed PERMANENTLY !", "File has been destroyed"));
    EXPECT_EQ(destroyed.count(), 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ends.count(), 0);
}

TEST_F(frmExecuteTest, DecryptsWithEnginesOfItsOwnWhileTheMainListFollowsTheFile)
{
    // Written with "Blowfish" selected; the main window shows "RC4".
    suite.table.select(0);
    const std::string container = archive({{"docs/b.txt", "1234567"}});
    suite.table.select(1);
    int mainEngineEvents = 0;
    suite.EncryptRC4.Progress().connect([&](int&) { ++mainEngineEvents; });
    ASSERT_TRUE(open(container));
    click("cmdDeAll");
    EXPECT_EQ(content("docs/b.txt"), "1234567");
    // Another window's run never keys or listens on the main window's engine.
    EXPECT_EQ(mainEngineEvents, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(suite.table.selectedPosition(), 0);
}
