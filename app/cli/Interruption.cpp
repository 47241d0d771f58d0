#include "Interruption.h"

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

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

Interruption::Interruption()
{
    if (installed++ != 0)
        return;
    interrupted = false;
    for (const int signal : kSignals) {
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        // Interrupted reads and writes are restarted; the work polls the flag.
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

Interruption::~Interruption()
{
    if (--installed != 0)
        return;
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
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
