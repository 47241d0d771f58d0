// The password dialog: its validation messages, Enter routing and result.
#include "GuiTest.h"
#include "ScriptedUserInterface.h"
#include "QtUserInterface.h"
#include "frmPassword.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace veilcraft;
using ::testing::ElementsAre;

namespace {

class frmPasswordTest : public ::testing::Test {
protected:
    // Types into both fields and presses `finish` while the dialog runs.
    std::optional<QString> typeAndAsk(const QString& first, const QString& second,
                                      const std::function<void()>& finish)
    {
        test::whenModal([&] {
            QTest::keyClicks(dialog.txtPassword, first);
            QTest::keyClicks(dialog.txtRePassword, second);
            finish();
            if (dialog.isVisible())
                dialog.reject();
        });
        return dialog.ask();
    }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    frmPassword dialog{ui};
};

}  // namespace

TEST_F(frmPasswordTest, ControlsCarryTheirNamesAndCaptions)
{
    EXPECT_EQ(dialog.windowTitle(), "The passowrd for encryption");
    EXPECT_EQ(test::control<QLabel>(dialog, "lblPassword")->text(), "Password");
    EXPECT_EQ(test::control<QLabel>(dialog, "Label2")->text(), "Retype password");
    EXPECT_EQ(test::control<QPushButton>(dialog, "cmdCancel")->text(), "Close");
    EXPECT_EQ(test::control<QLineEdit>(dialog, "txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    dialog.setHint("Password (1 to 128 bit key)");
    EXPECT_EQ(dialog.lblPassword->text(), "Password (1 to 128 bit key)");
}

TEST_F(frmPasswordTest, EmptyOrDifferentFieldsKeepTheDialogOpen)
{
    const auto pressOk = [&] { QTest::mouseClick(dialog.cmdOk, Qt::LeftButton); };
    EXPECT_FALSE(typeAndAsk("", "", pressOk));
    EXPECT_FALSE(typeAndAsk("abc", "", pressOk));
    EXPECT_FALSE(typeAndAsk("abc", "ABC", pressOk));
    EXPECT_THAT(ui.texts(),
                ElementsAre("Password can not be null", "Password can not be null", "Your password is not match"));
}

TEST_F(frmPasswordTest, EnterMovesOnThenConfirms)
{
    test::whenModal([&] {
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClicks(dialog.txtPassword, "secret");
        QTest::keyClick(dialog.txtPassword, Qt::Key_Return);
        EXPECT_TRUE(dialog.txtRePassword->hasFocus());
        QTest::keyClicks(dialog.txtRePassword, "secret");
        QTest::keyClick(dialog.txtRePassword, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.ask(), QString("secret"));
    EXPECT_TRUE(ui.texts().empty());

    // Close hands back nothing, and the fields start empty next time.
    EXPECT_FALSE(typeAndAsk("x", "x", [&] { QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton); }));
}

TEST(QtUserInterfaceTest, FileFiltersBecomeQtFilters)
{
    EXPECT_EQ(qtFileFilter("Veilcraft file(*.vkf)|*.vkf|"), "Veilcraft file (*.vkf)");
    EXPECT_EQ(qtFileFilter("Text (*.txt)|*.txt;*.text|All files|*|"), "Text (*.txt *.text);;All files (*)");
    EXPECT_EQ(qtFileFilter(""), "");
}
