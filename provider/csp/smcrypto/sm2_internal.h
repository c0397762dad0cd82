// Shared pieces of the SM2 routines: curve parameters, the process-wide
// group, owning wrappers for OpenSSL objects and scalar/point helpers.
#ifndef SMCRYPTO_SM2_INTERNAL_H
#define SMCRYPTO_SM2_INTERNAL_H

#include "smcrypto/smcrypto.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>

#include <array>
#include <memory>

namespace smcrypto {

// The 256-bit prime curve recommended for SM2, as hexadecimal text.
constexpr char kHexP[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFF";
constexpr char kHexA[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFC";
constexpr char kHexB[] = "28E9FA9E9D9F5E344D5A9E4BCF6509A7F39789F515AB8F92DDBCBD414D940E93";
constexpr char kHexGx[] = "32C4AE2C1F1981195F9904466A39C9948FE30BBFF2660BE1715A4589334C74C7";
constexpr char kHexGy[] = "BC3736A2F4F6779C59BDCEE36B692153D0A9877CC62A474002DF32E52139F0A0";
constexpr char kHexN[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123";

constexpr uint8_t HexNibble(char c) {
    return uint8_t(c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c - 'a' + 10);
}

// 64 hexadecimal digits to 32 bytes, at compile time.
constexpr std::array<uint8_t, 32> HexBytes32(const char* hex) {
    std::array<uint8_t, 32> out{};
    for (int i = 0; i < 32; ++i) out[i] = uint8_t((HexNibble(hex[2 * i]) << 4) | HexNibble(hex[2 * i + 1]));
    return out;
}

// The group and the constants the routines compare against; built once per
// process and never freed.
struct Curve {
    EC_GROUP* group;
    BIGNUM* p;
    BIGNUM* n;
    BIGNUM* nMinus1;
};

// Null when the group could not be built or failed its checks.
const Curve* GetCurve();

struct BnFree {
    void operator()(BIGNUM* b) const { BN_clear_free(b); }
};
struct BnCtxFree {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
struct PointFree {
    void operator()(EC_POINT* p) const { EC_POINT_clear_free(p); }
};
using BnPtr = std::unique_ptr<BIGNUM, BnFree>;
using BnCtxPtr = std::unique_ptr<BN_CTX, BnCtxFree>;
using PointPtr = std::unique_ptr<EC_POINT, PointFree>;

// Leaves OpenSSL's error queue as it was found: failures are reported through
// result codes only.
class ErrorMark {
public:
    ErrorMark() { ERR_set_mark(); }
    ~ErrorMark() { ERR_pop_to_mark(); }
    ErrorMark(const ErrorMark&) = delete;
    ErrorMark& operator=(const ErrorMark&) = delete;
};

// Number of unusable candidates tolerated before a draw gives up.
constexpr int kMaxDraws = 64;

// Draws a scalar uniformly in [1, upper - 1] from rnd (OpenSSL's private
// generator when rnd is null). Returns 0 or SMCRYPTO_E_CURVE_FAILURE.
uint32_t DrawScalar(BIGNUM* out, const BIGNUM* upper, SM2_RANDOM_FN rnd, void* rndContext);

// Imports (x, y) as a point of the curve. Returns 0, SMCRYPTO_E_CHECK_FAILED
// for coordinates not below p or a point not on the curve, or
// SMCRYPTO_E_CURVE_FAILURE.
uint32_t SetPoint(const Curve& curve, EC_POINT* point, const uint8_t x[32], const uint8_t y[32], BN_CTX* ctx);

// Affine coordinates of a point as 32-byte big-endian values.
bool GetPoint(const Curve& curve, const EC_POINT* point, uint8_t x[32], uint8_t y[32], BN_CTX* ctx);

// Private key from 32 bytes, flagged for constant-time arithmetic. Null when
// it cannot be allocated.
BnPtr PrivateKey(const uint8_t key[32]);

}  // namespace smcrypto

#endif
