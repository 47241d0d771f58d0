#pragma once

#include "CipherTable.h"
#include "clsBlowfish.h"
#include "clsRC4.h"

namespace veilcraft {

// The two engines and the cipher table as the program sets them up at load:
// "Blowfish" registered at position 0, "RC4" at 1, and "RC4" selected.
struct CipherSuite {
    CipherSuite();
    CipherSuite(const CipherSuite&) = delete;
    CipherSuite& operator=(const CipherSuite&) = delete;

    clsBlowfish EncryptBlowfish;
    clsRC4 EncryptRC4;
    CipherTable table;
};

}  // namespace veilcraft
