// One-time registration of the SM2 object identifiers with OpenSSL's object table.

#include "sm2_internal.h"

#include <openssl/objects.h>

#include <mutex>

namespace {

void RegisterOne(const char* oid, const char* shortName, const char* longName) {
    if (OBJ_txt2nid(oid) != NID_undef) return;  // known already (OpenSSL's own table, or registered earlier)
    OBJ_create(oid, shortName, longName);
}

}  // namespace

extern "C" void SM2RegisterObjects(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        smcrypto::ErrorMark mark;
        RegisterOne("1.2.156.10197.1.301", "SM2", "SM2 public key");
        RegisterOne("1.2.156.10197.1.501", "SM2-SM3", "SM2 signature with SM3");
    });
}
