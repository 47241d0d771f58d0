// The properties dialog over folders of the test's own standing in for
// drives: what each page shows, the attribute writes and their order, the
// volume label, and the failures it reports instead of swallowing.
#include "AttrForm.h"
#include "FileSys.h"
#include "FormatByPattern.h"
#include "GuiTest.h"
#include "LargeImages.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace veilcraft;
using ::testing::HasSubstr;

namespace {

constexpr double kMiB = 1024.0 * 1024;

// Folders of the test's own stand in for mounted volumes.
struct TestDrives final : DriveSource {
    std::vector<Volume> list;
    std::vector<Volume> volumes() const override { return list; }
};

class AttrFormTest : public ::testing::Test {
protected:
    AttrFormTest()
    {
        drives->list.push_back({root, QStringLiteral("DATA"), QStringLiteral("ext4"), kFixedDrive, true, 4096 * kMiB,
                                1024.5 * kMiB, 512 * kMiB});
    }

    QString make(const std::string& name, std::size_t size)
    {
        test::writeFile(dir.file(name), std::string(size, 'x'));
        return QString::fromStdString(dir.file(name));
    }

    // Only Frame1(`shown`) is visible.
    void expectPage(const AttrForm& form, int shown)
    {
        for (int page = 0; page < 3; ++page)
            EXPECT_EQ(test::control<QGroupBox>(form, QStringLiteral("Frame1(%1)").arg(page))->isVisibleTo(&form),
                      page == shown)
                << page;
    }

    test::WithApplication application;
    test::TempDir dir;
    QString root = QString::fromStdString(dir.path());
    std::shared_ptr<TestDrives> drives = std::make_shared<TestDrives>();
    FileSys fs{drives};
    test::ScriptedUserInterface ui;
};

QString text(const AttrForm& form, const char* name)
{
    return test::control<QLabel>(form, name)->text();
}

TEST_F(AttrFormTest, DrivePageShowsTheVolumeInMegabytesCentredOnTheScreen)
{
    AttrForm form(fs.GetDrive(root), ui);
    EXPECT_EQ(form.windowTitle(), "Attribute");
    EXPECT_FALSE(form.isModal());
    expectPage(form, 0);
    EXPECT_EQ(text(form, "lblNamedrv"), root);
    EXPECT_EQ(test::control<QLineEdit>(form, "txtVol")->text(), "DATA");
    EXPECT_EQ(text(form, "lblTypedrv"), "Fixed Drive");
    EXPECT_EQ(text(form, "lblFS"), "ext4");
    EXPECT_EQ(text(form, "lblTotal"), "4096M");
    EXPECT_EQ(text(form, "lblSpace"), "1024.5M");
    // Used is the total less what this user may still fill.
    EXPECT_EQ(text(form, "lblUsed"), "3584M");
    EXPECT_TRUE(form.cmbOK->isDefault());
    EXPECT_TRUE(ui.messages.empty());

    const QRect screen = form.screen()->geometry();
    EXPECT_EQ(form.x(), screen.x() + (screen.width() - form.width()) / 2);
    EXPECT_EQ(form.y(), screen.y() + (screen.height() - form.height()) / 2);
}

// Drive type codes and image indexes are both small numbers and easily mixed up.
TEST_F(AttrFormTest, DriveTypeGivesTypeTextAndImage)
{
    drives->list.push_back({QString::fromStdString(dir.file("usb")), QStringLiteral("STICK"), QStringLiteral("vfat"),
                            kRemovableDrive, true, kMiB, kMiB, kMiB});
    AttrForm form(fs.GetDrive(QString::fromStdString(dir.file("usb"))), ui);
    EXPECT_EQ(text(form, "lblTypedrv"), "Floppy Drive");

    EXPECT_EQ(driveImageIndex(kUnknownDrive), 4);
    EXPECT_EQ(driveImageIndex(kRemovableDrive), 3);
    EXPECT_EQ(driveImageIndex(kFixedDrive), 4);
    EXPECT_EQ(driveImageIndex(kNetworkDrive), 9);
    EXPECT_EQ(driveImageIndex(kCdRomDrive), 5);
    EXPECT_EQ(driveImageIndex(kRamDisk), 4);
}

// The comparison is exact, so a change of letter case is written; this
// service refuses every new label, and the refusal must reach the user.
TEST_F(AttrFormTest, LabelChangedInCaseIsWrittenAndTheRefusalReported)
{
    AttrForm form(fs.GetDrive(root), ui);
    QSignalSpy treeUpdates(&form, &AttrForm::driveNodeTextChanged);
    form.show();
    form.txtVol->setText("data");
    QTest::mouseClick(form.cmbOK, Qt::LeftButton);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr("Cannot change the volume label of " + dir.path()));
    EXPECT_EQ(ui.messages[0].icon, UserInterface::Icon::Critical);
    EXPECT_EQ(treeUpdates.count(), 0);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(AttrFormTest, EnterWithTheSameLabelClosesWithoutWriting)
{
    AttrForm form(fs.GetDrive(root), ui);
    QSignalSpy treeUpdates(&form, &AttrForm::driveNodeTextChanged);
    form.show();
    QTest::keyClick(form.txtVol, Qt::Key_Return);

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(treeUpdates.count(), 0);
}

TEST_F(AttrFormTest, DriveWithoutMediumIsReportedAndOkDisabled)
{
    drives->list.push_back({QString::fromStdString(dir.file("cd")), QString(), QString(), kCdRomDrive, false});
    AttrForm form(fs.GetDrive(QString::fromStdString(dir.file("cd"))), ui);

    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.cmbOK->isEnabled());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file("cd")));
}

TEST_F(AttrFormTest, FolderPageCountsItsContentAndSumsEverythingBelow)
{
    for (const char* sub : {"docs", "docs/a", "docs/b", "docs/c"})
        ASSERT_EQ(::mkdir(dir.file(sub).c_str(), 0755), 0);
    for (int i = 0; i < 10; ++i)
        make("docs/file" + std::to_string(i), 100);
    make("docs/b/deep", 536);
    const QString path = QString::fromStdString(dir.file("docs"));

    AttrForm form(fs.GetFolder(path), ui);
    expectPage(form, 1);
    EXPECT_EQ(text(form, "lblfldr"), "Include folder:s3");
    EXPECT_EQ(text(form, "lblfile"), "Include files:10");
    QTRY_COMPARE(text(form, "lblSizefldr"), QStringLiteral("1.5K"));
    EXPECT_EQ(text(form, "lblnamefldr"), "docs");
    EXPECT_EQ(text(form, "lblpathfldr"), path);
    EXPECT_EQ(text(form, "lblshtnamefldr"), "docs");
    EXPECT_EQ(text(form, "lblshtpathfldr"), path);
    EXPECT_EQ(text(form, "lblTypefldr"), QMimeDatabase().mimeTypeForName("inode/directory").comment());
    EXPECT_FALSE(test::control<QCheckBox>(form, "chksysfldr")->isEnabled());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AttrFormTest, FilePageKeepsEveryDigitOfTheSizeAndShowsBothDates)
{
    const QString path = make("report.txt", 1000);
    // Access after modification and recent, so reading the file leaves it alone.
    const QDateTime modified(QDate(2021, 3, 4), QTime(5, 6));
    const QDateTime accessed = QDateTime::currentDateTime().addSecs(-3600);
    const timespec times[2] = {{accessed.toSecsSinceEpoch(), 0}, {modified.toSecsSinceEpoch(), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("report.txt").c_str(), times, 0), 0);

    AttrForm form(fs.GetFile(path), ui);
    expectPage(form, 2);
    EXPECT_EQ(text(form, "lblsizefl"), "0.9765625K");
    EXPECT_EQ(text(form, "lblnamefl"), "report.txt");
    EXPECT_EQ(text(form, "lblpathfl"), path);
    EXPECT_EQ(text(form, "lblshtnamefl"), "report.txt");
    EXPECT_EQ(text(form, "lbltypefl"), fs.GetFile(path).Type());
    EXPECT_EQ(text(form, "lblmodifyfl"), DefaultDateText(modified));
    EXPECT_EQ(text(form, "lbllastfl"), DefaultDateText(QDateTime::fromSecsSinceEpoch(accessed.toSecsSinceEpoch())));
}

TEST_F(AttrFormTest, AttributeChangesAddUp)
{
    const QString path = make("plan.txt", 10);
    fs.GetFile(path).SetAttributes(FileSysItem::ReadOnly | FileSysItem::Archive);

    AttrForm form(fs.GetFile(path), ui);
    EXPECT_TRUE(form.chkreadfl->isChecked());
    EXPECT_TRUE(form.chkarchivefl->isChecked());
    EXPECT_FALSE(form.chkhidefl->isChecked());
    form.show();
    form.chkreadfl->setChecked(false);
    form.chkhidefl->setChecked(true);
    QTest::mouseClick(form.cmbOK, Qt::LeftButton);

    EXPECT_EQ(fs.GetFile(path).Attributes(), 34);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(ui.messages.empty());
}

// ReadOnly is written before Hidden; the refused Hidden is reported and
// the dialog stays open for the user to cancel or retry.
TEST_F(AttrFormTest, RefusedAttributeIsReportedAfterTheEarlierOnesWereWritten)
{
    const QString path = make(".secret", 10);
    ASSERT_EQ(::chmod(dir.file(".secret").c_str(), 0444), 0);

    AttrForm form(fs.GetFile(path), ui);
    form.show();
    form.chkreadfl->setChecked(false);
    form.chkhidefl->setChecked(false);
    QTest::mouseClick(form.cmbOK, Qt::LeftButton);

    EXPECT_EQ(fs.GetFile(path).Attributes(), FileSysItem::Hidden);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_THAT(ui.messages[0].text, HasSubstr(dir.file(".secret")));
    EXPECT_THAT(ui.messages[0].text, HasSubstr("always hidden"));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(AttrFormTest, EscapeChangesNothing)
{
    const QString path = make("keep.txt", 10);
    AttrForm fileForm(fs.GetFile(path), ui);
    fileForm.show();
    fileForm.chkhidefl->setChecked(true);
    QTest::keyClick(&fileForm, Qt::Key_Escape);

    EXPECT_FALSE(fileForm.isVisible());
    EXPECT_EQ(fileForm.result(), QDialog::Rejected);
    EXPECT_EQ(fs.GetFile(path).Attributes(), 0);
}

} // namespace
