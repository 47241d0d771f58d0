// The service links: each label's page, from the mouse and the keyboard, and
// the message when no browser can be started.
#include "GuiTest.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "UrlCatcher.h"
#include "frmServer.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace veilcraft;

namespace {

class frmServerTest : public ::testing::Test {
protected:
    frmServerTest() { dialog.show(); }
    void click(int index) { QTest::mouseClick(dialog.lblServer.at(index), Qt::LeftButton); }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    test::ScopedEnv site{"VEILCRAFT_SITE_URL", "https://site.test/"};
    frmServer dialog{ui};
};

}  // namespace

TEST_F(frmServerTest, EachLinkOpensItsPage)
{
    EXPECT_EQ(dialog.windowTitle(), "Internet Services and Supports");
    EXPECT_EQ(test::control<QLabel>(dialog, "Label1")->text(), "Internet Services and Supports");
    EXPECT_EQ(test::control<QLabel>(dialog, "lblServer(6)")->text(), "Bug report and Feedback");
    test::UrlCatcher catcher("https");
    for (const int index : {0, 1, 2, 3, 6})
        click(index);
    QTest::keyClick(dialog.lblServer.at(7), Qt::Key_Return);
    const QStringList pages{"/", "/mirror.htm", "/update.htm", "/upgrade.htm", "/feedback.htm", "/faq.html"};
    ASSERT_EQ(catcher.opened.size(), pages.size());
    for (int i = 0; i < pages.size(); ++i)
        EXPECT_EQ(catcher.opened[i], QUrl("https://site.test" + pages[i]));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(frmServerTest, NoBrowserIsReportedAndTheDialogStays)
{
    // The headless platform opens nothing.
    click(7);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Can not open the browser!");
    EXPECT_EQ(ui.messages[0].icon, UserInterface::Icon::Information);
    EXPECT_NE(ui.messages[0].text.find("https://site.test/faq.html"), std::string::npos);
    EXPECT_TRUE(dialog.isVisible());
}
