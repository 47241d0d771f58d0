// The loopback server as a real QNetworkAccessManager sees it.
#include "LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using veilcraft::test::LoopbackHttpServer;

namespace {

class LoopbackHttp : public ::testing::Test {
protected:
    // One application for the run, never destroyed: Qt supports only one.
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "online-test";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }
    LoopbackHttp() { manager.setProxy(QNetworkProxy::NoProxy); }  // a proxy in the environment must not take these

    std::unique_ptr<QNetworkReply> get(const QUrl& url)
    {
        QNetworkRequest request(url);
        request.setMaximumRedirectsAllowed(5);
        return std::unique_ptr<QNetworkReply>(manager.get(request));
    }
    static bool finish(QNetworkReply& r)
    {
        return QTest::qWaitFor([&] { return r.isFinished(); });
    }
    static int status(QNetworkReply& r) { return r.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); }

    LoopbackHttpServer server;
    QNetworkAccessManager manager;
};

TEST_F(LoopbackHttp, AnswersServedPathsAndNotFound)
{
    server.serve("/update.txt", {.body = "1.2.3\n"});
    server.serve("/gone", {.status = 404, .body = "no such file"});
    const auto served = get(server.url("/update.txt")), gone = get(server.url("/gone")),
               other = get(server.url("/other"));
    const auto refused = get(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackHttpServer::closedPort())));
    ASSERT_TRUE(finish(*served) && finish(*gone) && finish(*other) && finish(*refused));
    EXPECT_EQ(served->readAll(), "1.2.3\n");
    EXPECT_EQ(status(*gone), 404);
    EXPECT_EQ(gone->readAll(), "no such file");
    EXPECT_EQ(status(*other), 404);
    EXPECT_EQ(refused->error(), QNetworkReply::ConnectionRefusedError);
    EXPECT_EQ(server.requests("/update.txt"), 1);
}

TEST_F(LoopbackHttp, FollowsRedirectsToABodyInPieces)
{
    server.serve("/a", {.status = 302, .headers = {{"Location", "/b"}}});
    server.serve("/b", {.status = 301, .headers = {{"Location", server.url("/c").toEncoded()}}, .delayMs = 50});
    server.serve("/c", {.body = QByteArray(1000, 'x'), .chunkBytes = 100});
    const auto reply = get(server.url("/a"));
    ASSERT_TRUE(finish(*reply));
    EXPECT_EQ(reply->url(), server.url("/c"));
    EXPECT_EQ(reply->readAll(), QByteArray(1000, 'x'));
    EXPECT_EQ(server.requests("/a") + server.requests("/b") + server.requests("/c"), 3);
}

TEST_F(LoopbackHttp, StallsWhileOtherConnectionsAreAnswered)
{
    server.serve("/stall", {.body = "never sent", .stall = true});
    server.serve("/update.txt", {.body = "1.2.3\n"});
    const auto stalled = get(server.url("/stall")), other = get(server.url("/update.txt"));
    ASSERT_TRUE(finish(*other) && other->readAll() == "1.2.3\n");  // a second connection meanwhile
    QTest::qWait(300);
    ASSERT_FALSE(stalled->isFinished());
    stalled->abort();  // as a client's timer would
    EXPECT_EQ(stalled->error(), QNetworkReply::OperationCanceledError);
    EXPECT_EQ(status(*stalled), 200);  // the headers came, the body never did
}

}  // namespace
