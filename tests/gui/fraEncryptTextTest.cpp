// The text panel: a text to Base64 and back, one character per byte, and
// what it refuses.
#include "GuiTest.h"
#include "ScriptedUserInterface.h"
#include "TempDir.h"
#include "fraEncryptText.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace veilcraft;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

class fraEncryptTextTest : public ::testing::Test {
protected:
    QPlainTextEdit* box(const char* name) { return test::control<QPlainTextEdit>(panel, name); }
    QPushButton* button(const char* name) { return test::control<QPushButton>(panel, name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString in() { return box("edInText(0)")->toPlainText(); }
    QString out() { return box("edOutText(1)")->toPlainText(); }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    fraEncryptText panel{ui};
};

}  // namespace

TEST_F(fraEncryptTextTest, EncryptAndDecryptSwapTheBoxes)
{
    panel.show();
    EXPECT_FALSE(button("btnEncrypt")->isEnabled());
    EXPECT_FALSE(button("btnDecrypt")->isEnabled());
    QTest::keyClicks(box("edInText(0)"), "abc");
    EXPECT_TRUE(button("btnEncrypt")->isEnabled());
    EXPECT_FALSE(button("btnDecrypt")->isEnabled());
    click("btnEncrypt");
    EXPECT_EQ(out(), "YWJj");
    EXPECT_TRUE(in().isEmpty());
    EXPECT_FALSE(button("btnEncrypt")->isEnabled());
    EXPECT_TRUE(button("btnDecrypt")->isEnabled());
    click("btnDecrypt");
    EXPECT_EQ(in(), "abc");
    EXPECT_TRUE(out().isEmpty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(fraEncryptTextTest, CharacterOutsideLatin1IsRefusedByName)
{
    box("edInText(0)")->setPlainText("price: 5\u20AC");
    click("btnEncrypt");
    EXPECT_THAT(ui.texts(), ElementsAre(HasSubstr("\"\u20AC\"")));
    EXPECT_EQ(in(), "price: 5\u20AC");
    EXPECT_TRUE(out().isEmpty());
}

TEST_F(fraEncryptTextTest, InvalidBase64StaysForMendingWithAMessage)
{
    for (const QString& typed : {QString("YW\nJj"), QString("YW%j")}) {
        ui.messages.clear();
        box("edOutText(1)")->setPlainText(typed);
        click("btnDecrypt");
        EXPECT_THAT(ui.messages, SizeIs(1)) << typed.toStdString();
        EXPECT_EQ(out(), typed);
        EXPECT_TRUE(in().isEmpty());
    }
}

TEST_F(fraEncryptTextTest, DecodedBytesShowOneCharacterEach)
{
    box("edOutText(1)")->setPlainText("6Q==");
    click("btnDecrypt");
    EXPECT_EQ(in(), QString(QChar(0xE9)));
    click("btnEncrypt");
    EXPECT_EQ(out(), "6Q==");
}

TEST_F(fraEncryptTextTest, OneMebibyteRoundTrips)
{
    const std::string bytes = test::randomBytes(1 << 20, 11);
    QString text;
    for (const char byte : bytes)
        text += QChar(0x20 + static_cast<unsigned char>(byte) % 0x5F);  // printable ASCII, no line breaks
    box("edInText(0)")->setPlainText(text);
    click("btnEncrypt");
    EXPECT_EQ(out().size(), (1 << 20) / 3 * 4 + 4);
    click("btnDecrypt");
    EXPECT_TRUE(in() == text);
    EXPECT_TRUE(ui.messages.empty());
}
