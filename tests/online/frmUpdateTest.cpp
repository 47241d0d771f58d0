// The update dialog against a scripted server on 127.0.0.1: what it shows for
// notes, empty and failed answers, its two heights, a second check, Close
// during a fetch, and that the fetch never holds the window.
#include "GuiTest.h"
#include "LoopbackHttpServer.h"
#include "ReleaseFetch.h"
#include "ScopedEnv.h"
#include "ScriptedUserInterface.h"
#include "UrlCatcher.h"
#include "frmUpdate.h"

#include <QLabel>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace veilcraft;
using ::testing::HasSubstr;
using test::LoopbackHttpServer;

namespace {

class frmUpdateTest : public ::testing::Test {
protected:
    frmUpdateTest()
    {
        // A proxy of the environment must not take loopback requests.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        dialog.show();
    }
    void serve(const LoopbackHttpServer::Response& response) { server.serve("/update.txt", response); }
    // Presses "Check Now" and waits for the transfer's end.
    void check()
    {
        QTest::mouseClick(dialog.cmdCheck, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog.InetCheck->running(); }, 10000));
    }
    std::string status() const { return dialog.lblStatus->text().toStdString(); }
    QString notes() const { return dialog.txtRelease->toPlainText(); }

    test::WithApplication application;
    test::ScriptedUserInterface ui;
    LoopbackHttpServer server;
    test::ScopedEnv updateServer{"VEILCRAFT_UPDATE_URL", server.url("/").toString().toStdString()};
    test::ScopedEnv site{"VEILCRAFT_SITE_URL", "http://site.test/base/"};
    frmUpdate dialog{ui};
};

}  // namespace

TEST_F(frmUpdateTest, NotesShowWithLineBreaksAndGrowTheDialog)
{
    EXPECT_EQ(dialog.height(), frmUpdate::kSmallHeight);
    QStringList seen;
    QObject::connect(dialog.InetCheck, &ReleaseFetch::responseBegins, [&] { seen << dialog.lblStatus->text(); });
    serve({.body = QByteArray("Version 1.2|faster\0here", 23), .delayMs = 300});
    QTest::mouseClick(dialog.cmdCheck, Qt::LeftButton);
    // The click came back before the answer: the window went on meanwhile.
    EXPECT_TRUE(dialog.InetCheck->running());
    EXPECT_FALSE(dialog.cmdCheck->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog.InetCheck->running(); }, 10000));
    EXPECT_EQ(seen, QStringList{"Connect servers for update......"});
    EXPECT_EQ(status(), "Finish!");
    EXPECT_EQ(notes(), QString("Version 1.2\nfaster") + QChar(0x2400) + "here");
    EXPECT_EQ(dialog.height(), frmUpdate::kGrownHeight);
    EXPECT_TRUE(dialog.cmdCheck->isEnabled());

    serve({.body = "Version 1.3"});
    check();
    EXPECT_EQ(notes(), "Version 1.3");
    EXPECT_EQ(server.requests("/update.txt"), 2);
}

TEST_F(frmUpdateTest, AnEmptyOrFailedAnswerIsNoUpdate)
{
    serve({.body = ""});
    check();
    EXPECT_EQ(status(), "Don't find any updates!");
    EXPECT_EQ(dialog.height(), frmUpdate::kSmallHeight);

    // An error page is not release notes.
    serve({.status = 404, .body = "<html>Not here</html>"});
    check();
    EXPECT_THAT(status(), HasSubstr("Don't find any updates! (the server answered 404"));
    EXPECT_TRUE(notes().isEmpty());

    server.serve("/loop", {.status = 302, .headers = {{"Location", "/loop"}}});
    serve({.status = 302, .headers = {{"Location", "/loop"}}});
    check();
    EXPECT_THAT(status(), HasSubstr("Don't find any updates! ("));
    EXPECT_LE(server.requests("/loop"), ReleaseFetch::kMaximumRedirects);

    dialog.InetCheck->setTransferTimeout(300);
    serve({.body = "never sent", .stall = true});
    check();
    EXPECT_THAT(status(), HasSubstr("did not answer"));
    EXPECT_EQ(dialog.height(), frmUpdate::kSmallHeight);
}

TEST_F(frmUpdateTest, NothingListensOnThePort)
{
    const test::ScopedEnv closed{"VEILCRAFT_UPDATE_URL",
                                 "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::closedPort())};
    check();
    EXPECT_THAT(status(), HasSubstr("Don't find any updates! ("));
    EXPECT_TRUE(notes().isEmpty());
}

TEST_F(frmUpdateTest, ALargeAnswerIsCutVisibly)
{
    serve({.body = QByteArray(2 << 20, 'x'), .chunkBytes = 256 << 10});
    check();
    EXPECT_EQ(status(), "Finish!");
    EXPECT_TRUE(notes().startsWith(QString(ReleaseFetch::kBodyLimit, 'x') + "\n\n(The release notes were cut at 64"));
}

TEST_F(frmUpdateTest, CloseDuringAFetchEndsIt)
{
    serve({.body = "late", .stall = true});
    QTest::mouseClick(dialog.cmdCheck, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog.lblStatus->text().isEmpty(); }, 10000));
    QTest::mouseClick(dialog.cmdClose, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.InetCheck->running());
}

TEST_F(frmUpdateTest, GetUpdateOpensTheUpdatePageAndCloses)
{
    test::UrlCatcher catcher("http");
    QTest::mouseClick(dialog.cmdDownLoad, Qt::LeftButton);
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl("http://site.test/base/update.htm")});
    EXPECT_FALSE(dialog.isVisible());
}
