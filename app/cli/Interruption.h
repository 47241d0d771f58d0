#pragma once

namespace veilcraft::cli {

// Ctrl-C, SIGTERM (a kill, a logout) and SIGHUP (a closed terminal) ask the
// running command to stop, as the window's Cancel does: the work in hand is
// dropped whole and every temporary file removed before the command exits.
// While an Interruption lives, the three signals only set a flag that the
// work polls; a second Ctrl-C ends the program at once.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // True once one of the signals arrived (async-signal-safe to set).
    [[nodiscard]] static bool requested();
    // Clears the flag (tests, and each new command in one process).
    static void reset();
};

}  // namespace veilcraft::cli
