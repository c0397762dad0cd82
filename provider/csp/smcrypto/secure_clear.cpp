// Wiping of keys and intermediate secrets.

#include "smcrypto/smcrypto.h"

#include <openssl/crypto.h>

extern "C" void SMSecureClear(void* p, size_t n) {
    if (p == nullptr || n == 0) return;
    OPENSSL_cleanse(p, n);
}
