#include "StopSignals.h"

#include "StopSignalHandlers.h"
#include "WorkerThread.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace veilcraft {

namespace {

std::atomic<bool> stopRequested{false};
int signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    // Nothing else is safe in a handler; a full pipe already carries a stop.
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe);
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::onSignal);
    windDown_.setInterval(20);
    connect(&windDown_, &QTimer::timeout, this, &StopSignals::windDown);
    stopsignals::install(onStopSignal);
}

StopSignals::~StopSignals()
{
    stopsignals::restoreDefaults();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

bool StopSignals::requested()
{
    return stopRequested;
}

void StopSignals::onSignal()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    stopRequested = true;
    windDown();
    windDown_.start();
}

void StopSignals::windDown()
{
    // A dialog waiting for an answer would keep its work from ever seeing
    // the stop.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    if (WorkerThread::anyRunning())
        return;
    windDown_.stop();
    QApplication::exit(1);
}

}  // namespace veilcraft
