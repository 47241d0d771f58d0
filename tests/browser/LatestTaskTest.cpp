// Long work for the latest request only: what a newer request or the end of
// the task stops is never delivered.
#include "GuiTest.h"
#include "LatestTask.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace veilcraft;

namespace {

// Work that runs until it is superseded (or a minute passes).
LatestTask::Work untilSuperseded(std::atomic<bool>& started, std::atomic<bool>& stopped)
{
    return [&started, &stopped](const LatestTask::Superseded& superseded) -> std::optional<QString> {
        started = true;
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!superseded() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stopped = superseded();
        return QStringLiteral("stale");
    };
}

class LatestTaskTest : public ::testing::Test {
protected:
    test::WithApplication application;
    std::atomic<bool> started{false};
    std::atomic<bool> stopped{false};
    QStringList delivered;
};

} // namespace

TEST_F(LatestTaskTest, ANewRequestStopsTheOldWorkAndOnlyTheLatestIsDelivered)
{
    LatestTask task;
    task.start(untilSuperseded(started, stopped), [this](const QString& text) { delivered << text; });
    QTRY_VERIFY(started);
    task.start([](const LatestTask::Superseded&) { return std::optional<QString>("latest"); },
               [this](const QString& text) { delivered << text; });
    QTRY_COMPARE(delivered, QStringList{"latest"});
    QTRY_VERIFY(stopped);
    QTest::qWait(20);
    EXPECT_EQ(delivered, QStringList{"latest"});
}

TEST_F(LatestTaskTest, EndingTheTaskStopsItsWorkWithoutDelivering)
{
    {
        LatestTask task;
        task.start(untilSuperseded(started, stopped), [this](const QString& text) { delivered << text; });
        QTRY_VERIFY(started);
    }
    QTRY_VERIFY(stopped);
    QTest::qWait(20);
    EXPECT_TRUE(delivered.isEmpty());
}
