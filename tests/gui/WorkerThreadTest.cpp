// Long work on the window's own thread: it runs elsewhere, the window's
// events keep flowing, questions reach the user on the window's thread and
// failures come back to the caller.
#include "GuiTest.h"
#include "GuiThreadUserInterface.h"
#include "ScriptedUserInterface.h"
#include "WorkerThread.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace veilcraft;

TEST(WorkerThreadTest, WorkRunsElsewhereWhileTheWindowsEventsFlow)
{
    test::ensureApplication();
    WorkerThread worker;
    QObject window;
    test::ScriptedUserInterface ui;
    ui.answers.push_back(UserInterface::Answer::No);
    GuiThreadUserInterface workerUi(ui, &window);

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);

    QThread* workedOn = nullptr;
    UserInterface::Answer answer = UserInterface::Answer::Ok;
    worker.run([&] {
        workedOn = QThread::currentThread();
        answer = workerUi.message("Go on?", "Veilcraft", UserInterface::Buttons::YesNo, UserInterface::Icon::None);
        workerUi.showStatus("halfway");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    EXPECT_NE(workedOn, QThread::currentThread());
    EXPECT_EQ(answer, UserInterface::Answer::No);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Go on?");
    EXPECT_EQ(ui.statuses, std::vector<std::string>{"halfway"});
    EXPECT_GT(ticks, 0);

    // The same thread every time; a failure is thrown again here.
    QThread* again = nullptr;
    worker.run([&] { again = QThread::currentThread(); });
    EXPECT_EQ(again, workedOn);
    EXPECT_THROW(worker.run([] { throw std::runtime_error("disk gone"); }), std::runtime_error);
}
