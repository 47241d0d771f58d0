// Long work on the window's own thread: it runs elsewhere, the window's
// events keep flowing, questions reach the user on the window's thread and
// failures come back to the caller.
#include "GuiTest.h"
#include "GuiThreadUserInterface.h"
#include "ScriptedUserInterface.h"
#include "StopSignals.h"
#include "WorkerThread.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <unistd.h>
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

// A SIGTERM (a logout, a kill) ends the program like Cancel: the running
// work is told to stop and runs to its end, and only then does the event
// loop end, so that every window goes the normal way with its temporary
// files. Ending the loop under running work would let it run on over
// objects being torn down.
TEST(WorkerThreadTest, ATerminationSignalEndsTheProgramOnlyAfterItsWork)
{
    test::ensureApplication();
    const StopSignals stop;
    WorkerThread worker;
    bool workEnded = false;
    QTimer::singleShot(0, [&] {
        worker.run([&] {
            ::kill(::getpid(), SIGTERM);
            while (!StopSignals::requested())
                std::this_thread::yield();
            workEnded = true;
        });
    });
    EXPECT_EQ(QApplication::exec(), 1);
    EXPECT_TRUE(workEnded);
}
