#include "CipherSuite.h"

namespace veilcraft {

CipherSuite::CipherSuite()
{
    table.registerCipher(EncryptBlowfish, "Blowfish", "Blowfish block cipher, 64-bit blocks in chained mode");
    table.registerCipher(EncryptRC4, "RC4", "RC4 stream cipher");
    table.select(1);
}

}  // namespace veilcraft
