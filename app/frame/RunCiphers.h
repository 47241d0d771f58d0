#pragma once

#include "CipherSuite.h"

class QObject;

namespace veilcraft {

// Engines of one run's (or one archive window's) own. An engine holds its
// key and its Progress listeners, so two runs on two threads must never
// share one. The run starts from the window's cipher selection; selections
// the run makes (a decrypted file's cipher number) are handed to the
// window's list on the thread of `windowContext`, which must own `window`.
class RunCiphers {
public:
    RunCiphers(CipherTable& window, QObject* windowContext);
    RunCiphers(const RunCiphers&) = delete;
    RunCiphers& operator=(const RunCiphers&) = delete;

    [[nodiscard]] CipherTable& table() { return suite_.table; }
    // Starts again from the window's selection, for engines kept from one
    // step of the user's to the next. On the window's thread only.
    void followWindow() { suite_.table.select(window_.selectedPosition()); }

private:
    CipherTable& window_;
    CipherSuite suite_;
};

}  // namespace veilcraft
