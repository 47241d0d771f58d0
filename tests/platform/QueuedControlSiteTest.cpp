// The site of hosts without an event loop: tasks from any thread run on the
// host thread, in the order they were posted.
#include "QueuedControlSite.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

using veilcraft::component::QueuedControlSite;

TEST(QueuedControlSite, RunsTasksFromOtherThreadsOnTheHostThreadInOrder)
{
    QueuedControlSite site;
    std::vector<int> order;
    std::atomic<bool> workerOnHostThread{true};
    std::thread worker([&] {
        workerOnHostThread = site.IsHostThread();
        for (int i = 0; i < 100; ++i)
            site.PostToHostThread([&, i] {
                EXPECT_TRUE(site.IsHostThread());
                order.push_back(i);
            });
    });
    EXPECT_TRUE(site.waitFor([&] { return order.size() == 100; }, std::chrono::seconds(30)));
    worker.join();
    EXPECT_FALSE(workerOnHostThread);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(site.waitFor([] { return false; }, std::chrono::milliseconds(1)));

    // A task posted by a task waits for the next round.
    site.PostToHostThread([&] { site.PostToHostThread([&] { order.push_back(100); }); });
    EXPECT_EQ(site.runPending(), 1U);
    EXPECT_EQ(order.size(), 100U);
    EXPECT_EQ(site.runPending(), 1U);
    EXPECT_EQ(order.back(), 100);
}

TEST(QueuedControlSite, RefusesToRunTasksOnAnotherThreadAndShowsErrorsThroughItsDisplay)
{
    std::vector<std::string> shown;
    QueuedControlSite site([&](const std::string& description, const std::string& source) {
        shown.push_back(source + ": " + description);
    });
    bool refused = false;
    std::thread([&] {
        try {
            site.runPending();
        } catch (const std::logic_error&) {
            refused = true;
        }
    }).join();
    EXPECT_TRUE(refused);
    site.ShowErrorMessage("UnZip IO Error", "Kompak");
    EXPECT_EQ(shown, std::vector<std::string>{"Kompak: UnZip IO Error"});
}

}  // namespace
