#include "Interruption.h"

#include "StopSignalHandlers.h"

#include <atomic>
#include <csignal>

namespace veilcraft::cli {

namespace {

std::atomic<bool> interrupted{false};
std::atomic<int> installed{0};

extern "C" void onStopSignal(int signal)
{
    interrupted = true;
    // A second Ctrl-C ends the program at once.
    if (signal == SIGINT)
        std::signal(SIGINT, SIG_DFL);
}

}  // namespace

Interruption::Interruption()
{
    if (installed++ != 0)
        return;
    interrupted = false;
    stopsignals::install(onStopSignal);
}

Interruption::~Interruption()
{
    if (--installed == 0)
        stopsignals::restoreDefaults();
}

bool Interruption::requested()
{
    return interrupted;
}

void Interruption::reset()
{
    interrupted = false;
}

}  // namespace veilcraft::cli
