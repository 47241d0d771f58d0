// The start paths, the splash's rules and the hand-over to a running
// instance.
#include "GuiTest.h"
#include "ScriptedUserInterface.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
};

}  // namespace

TEST_F(StartUpTest, WithoutArgumentTheMainWindowStays)
{
    EXPECT_TRUE(startUp.run(""));
    EXPECT_TRUE(startUp.mainWindow().isVisible());
    EXPECT_EQ(startUp.mainWindow().windowTitle(), "Veilcraft Software");
}

TEST_F(StartUpTest, WithArgumentTheArchiveWindowRunsInsteadAndTheProgramEnds)
{
    archiveUi.password = "pw";
    EXPECT_FALSE(startUp.run("/nowhere/missing.vkf"));
    EXPECT_FALSE(startUp.mainWindow().isVisible());
    EXPECT_THAT(archiveUi.texts(), ElementsAre(HasSubstr("/nowhere/missing.vkf cannot be opened")));
    EXPECT_TRUE(mainUi.messages.empty());
}

TEST_F(StartUpTest, HandedOverStartBringsTheMainWindowForward)
{
    startUp.openHandedOver("");
    EXPECT_TRUE(startUp.mainWindow().isVisible());
}

TEST(SingleInstanceTest, SecondStartHandsItsArgumentToTheFirst)
{
    test::ensureApplication();
    SingleInstance second;
    EXPECT_FALSE(second.handOver("alone.vkf"));  // nobody runs yet

    SingleInstance first;
    ASSERT_TRUE(first.listen());
    QStringList received;
    QObject::connect(&first, &SingleInstance::argumentReceived, [&](const QString& a) { received << a; });
    EXPECT_TRUE(second.handOver("/home/me/my files/a.vkf"));
    EXPECT_TRUE(second.handOver(""));
    QTRY_COMPARE(received.size(), 2);
    EXPECT_EQ(received[0], "/home/me/my files/a.vkf");
    EXPECT_EQ(received[1], "");
}
