// The start paths, the splash's rules, the --encrypt and --decrypt starts
// and the hand-over to a running instance.
#include "GuiTest.h"
#include "LaunchRequest.h"
#include "ListView.h"
#include "MainMenus.h"
#include "PanelList.h"
#include "ScriptedUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "TempDir.h"
#include "WorkerThread.h"
#include "fraDecryptFile.h"
#include "fraTools.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace veilcraft;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class frmSplashTest : public ::testing::Test {
protected:
    test::WithApplication application;
};

}  // namespace

TEST_F(frmSplashTest, StartUpScreenIgnoresClicksAndLeavesOnItsTwentyFifthTick)
{
    frmSplash splash(frmSplash::StartUpMode);
    EXPECT_EQ(splash.lblVersion->text(), "40423");
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_EQ(splash.Timer1->interval(), 200);
    splash.show();
    QTest::mouseClick(splash.Image1, Qt::LeftButton);
    EXPECT_TRUE(splash.isVisible());
    for (int tick = 1; tick < 25; ++tick)
        splash.Timer1_Timer();
    EXPECT_TRUE(splash.isVisible());
    splash.Timer1_Timer();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.Timer1->isActive());
}

TEST_F(frmSplashTest, KeyLeavesAtOnceAndShowsTheMainWindow)
{
    frmSplash splash(frmSplash::StartUpMode);
    QSignalSpy key(&splash, &frmSplash::keyPressed);
    splash.show();
    QTest::keyClick(&splash, Qt::Key_Space);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(key.count(), 1);
}

TEST_F(frmSplashTest, AboutBoxStaysUntilAClick)
{
    frmSplash about(frmSplash::AboutMode);
    EXPECT_FALSE(about.Timer1->isActive());
    about.show();
    QTest::qWait(50);
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(about.Image1, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

namespace {

class StartUpTest : public ::testing::Test {
protected:
    test::WithApplication application;
    test::ScriptedUserInterface mainUi;
    test::ScriptedUserInterface archiveUi;
    StartUp startUp{mainUi, archiveUi, 0};

    frmMain& main() { return startUp.mainWindow(); }
    std::vector<std::string> encryptionList() { return panellist::nativePaths(main().toolsPanel->lvwInput); }
    std::vector<std::string> decryptionList() { return panellist::nativePaths(main().decryptPanel->lvwDecrypt); }
};

LaunchRequest request(const QList<QByteArray>& arguments)
{
    return LaunchRequest::fromArguments(arguments);
}

}  // namespace

TEST_F(StartUpTest, WithoutArgumentTheMainWindowStays)
{
    EXPECT_TRUE(startUp.run(request({})));
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().windowTitle(), "Veilcraft Software");
}

TEST_F(StartUpTest, WithArgumentTheArchiveWindowRunsInsteadAndTheProgramEnds)
{
    archiveUi.password = "pw";
    EXPECT_FALSE(startUp.run(request({"/nowhere/missing", "file.vkf"})));
    EXPECT_FALSE(main().isVisible());
    EXPECT_THAT(archiveUi.texts(), ElementsAre(HasSubstr("/nowhere/missing file.vkf cannot be opened")));
    EXPECT_TRUE(mainUi.messages.empty());
}

// The file managers' actions: the files land in the list of the panel of
// that mode, which is open; names that are not UTF-8 keep their bytes.
TEST_F(StartUpTest, EncryptAndDecryptArgumentsFillThePanelsList)
{
    EXPECT_TRUE(startUp.run(request({"--encrypt", "/home/me/a b.txt", "/home/me/caf\xe9.txt"})));
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(main().panelShown());
    EXPECT_EQ(main().menus->checkedMode(), 0);
    EXPECT_TRUE(main().toolsPanel->isVisible());
    EXPECT_THAT(encryptionList(), ElementsAre("/home/me/a b.txt", "/home/me/caf\xe9.txt"));

    startUp.openHandedOver(request({"--decrypt", "/home/me/a.vkf"}));
    EXPECT_EQ(main().menus->checkedMode(), 2);
    EXPECT_TRUE(main().decryptPanel->isVisible());
    EXPECT_THAT(decryptionList(), ElementsAre("/home/me/a.vkf"));
    EXPECT_TRUE(encryptionList().empty());
}

// A second "Encrypt with" while the wizard is open adds to its list instead
// of throwing away what the user chose before.
TEST_F(StartUpTest, FilesHandedOverToAnOpenModeJoinItsList)
{
    ASSERT_TRUE(startUp.run(request({"--decrypt", "/a.vkf"})));
    startUp.openHandedOver(request({"--decrypt", "/b.vkf"}));
    EXPECT_THAT(decryptionList(), ElementsAre("/a.vkf", "/b.vkf"));
    EXPECT_TRUE(mainUi.messages.empty());
}

// Files handed over while a run goes on would change the panels under it:
// they are refused with a message and the panels stay as they were.
TEST_F(StartUpTest, FilesHandedOverDuringARunAreRefused)
{
    ASSERT_TRUE(startUp.run(request({"--encrypt", "/a.txt"})));
    WorkerThread worker;
    std::atomic<bool> handedOver{false};
    QTimer::singleShot(0, [&] {
        startUp.openHandedOver(request({"--decrypt", "/b.vkf"}));
        handedOver = true;
    });
    worker.run([&] {
        while (!handedOver)
            std::this_thread::yield();
    });
    EXPECT_EQ(main().menus->checkedMode(), 0);
    EXPECT_THAT(encryptionList(), ElementsAre("/a.txt"));
    EXPECT_TRUE(decryptionList().empty());
    EXPECT_THAT(mainUi.texts(), ElementsAre(HasSubstr("A run is going on")));
}

TEST_F(StartUpTest, HandedOverStartBringsTheMainWindowForward)
{
    startUp.openHandedOver(request({}));
    EXPECT_TRUE(main().isVisible());
}

TEST(LaunchRequestTest, RelativePathsBecomeAbsoluteBeforeTheHandOver)
{
    const QByteArray here = QFile::encodeName(QDir::currentPath());
    EXPECT_THAT(absoluteArguments({"--encrypt", "a.txt", "/b.txt"}),
                ElementsAre("--encrypt", here + "/a.txt", "/b.txt"));
    EXPECT_THAT(absoluteArguments({"my", "file.vkf"}), ElementsAre(here + "/my", "file.vkf"));
    EXPECT_THAT(absoluteArguments({"--decrypt"}), ElementsAre("--decrypt"));
}

TEST(SingleInstanceTest, SecondStartHandsItsArgumentsToTheFirst)
{
    test::ensureApplication();
    SingleInstance second;
    EXPECT_FALSE(second.handOver({"alone.vkf"}));  // nobody runs yet

    SingleInstance first;
    ASSERT_TRUE(first.listen());
    QList<QList<QByteArray>> received;
    QObject::connect(&first, &SingleInstance::argumentsReceived, [&](const QList<QByteArray>& a) { received << a; });
    EXPECT_TRUE(second.handOver({"--encrypt", "/home/me/line\nbreak.txt", "", "/x/\xff.txt"}));
    EXPECT_TRUE(second.handOver({}));
    QTRY_COMPARE(received.size(), 2);
    EXPECT_THAT(received[0], ElementsAre("--encrypt", "/home/me/line\nbreak.txt", "", "/x/\xff.txt"));
    EXPECT_TRUE(received[1].isEmpty());
}

// A message cut short (a start killed while writing) is not taken for a
// shorter request.
TEST(SingleInstanceTest, IncompleteMessageIsNotARequest)
{
    bool complete = true;
    const QByteArray whole = SingleInstance::encode({"--decrypt", "/a.vkf"});
    EXPECT_THAT(SingleInstance::decode(whole, complete), ElementsAre("--decrypt", "/a.vkf"));
    EXPECT_TRUE(complete);
    EXPECT_TRUE(SingleInstance::decode(whole.chopped(1), complete).isEmpty());
    EXPECT_FALSE(complete);
    EXPECT_TRUE(SingleInstance::decode("99999999999\n", complete).isEmpty());
    EXPECT_FALSE(complete);
}

// The real program started by a file manager's action while the window
// runs: it hands its files over, made absolute against its own folder, and
// ends.
TEST(SingleInstanceTest, VeilcraftAppHandsItsFilesToTheRunningWindow)
{
    test::ensureApplication();
    test::TempDir dir;
    test::ScriptedUserInterface mainUi;
    test::ScriptedUserInterface archiveUi;
    StartUp running(mainUi, archiveUi, 0);
    ASSERT_TRUE(running.run(LaunchRequest{}));
    SingleInstance instance;
    ASSERT_TRUE(instance.listen());
    QObject::connect(&instance, &SingleInstance::argumentsReceived,
                     [&running](const QList<QByteArray>& a) { running.openHandedOver(LaunchRequest::fromArguments(a)); });

    QProcess later;
    later.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Were the hand-over to fail, the program would end right after its start.
    environment.insert("VEILCRAFT_SPLASH_TICKS", "0");
    environment.insert("VEILCRAFT_STARTUP_PROBE", "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    later.setProcessEnvironment(environment);
    QSignalSpy finished(&later, &QProcess::finished);
    later.start(VEILCRAFT_BINARY_DIR "/VeilcraftApp", {"--encrypt", "notes.txt", "/elsewhere/photo.jpg"});
    ASSERT_TRUE(finished.wait());
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(later.readAllStandardOutput().isEmpty());  // no window of its own
    QTRY_COMPARE(running.mainWindow().toolsPanel->lvwInput->model()->rowCount(), 2);
    EXPECT_THAT(panellist::nativePaths(running.mainWindow().toolsPanel->lvwInput),
                ElementsAre(dir.file("notes.txt"), "/elsewhere/photo.jpg"));
}
