#pragma once

// The signals that ask a running program to stop as Cancel does: Ctrl-C,
// SIGTERM (a kill, the session manager at logout) and SIGHUP (a closed
// terminal). The command and the window install their own handler for all
// three the same way; interrupted reads and writes are restarted, and the
// work polls what the handler recorded.

#include <csignal>

namespace veilcraft::stopsignals {

inline constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

inline void install(void (*handler)(int))
{
    for (const int signal : kSignals) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

inline void restoreDefaults()
{
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
}

}  // namespace veilcraft::stopsignals
