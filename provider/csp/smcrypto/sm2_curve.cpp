// The SM2 curve group and the scalar and point helpers shared by the SM2 routines.

#include "sm2_internal.h"

#include <openssl/rand.h>

namespace smcrypto {
namespace {

BnPtr FromHex(const char* hex) {
    BIGNUM* b = nullptr;
    if (BN_hex2bn(&b, hex) == 0) return nullptr;
    return BnPtr(b);
}

// Builds the group from the hexadecimal parameters and checks that the field
// is 256 bits, the generator lies on the curve and has order n.
Curve* BuildCurve() {
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_new());
    BnPtr p = FromHex(kHexP), a = FromHex(kHexA), b = FromHex(kHexB);
    BnPtr gx = FromHex(kHexGx), gy = FromHex(kHexGy), n = FromHex(kHexN);
    BnPtr one(BN_new()), nMinus1(BN_new());
    if (!ctx || !p || !a || !b || !gx || !gy || !n || !one || !nMinus1) return nullptr;
    if (BN_num_bits(p.get()) != 256 || !BN_one(one.get()) || !BN_sub(nMinus1.get(), n.get(), one.get()))
        return nullptr;

    EC_GROUP* group = EC_GROUP_new_curve_GFp(p.get(), a.get(), b.get(), ctx.get());
    if (group == nullptr) return nullptr;
    bool ok = false;
    {
        PointPtr g(EC_POINT_new(group)), check(EC_POINT_new(group));
        ok = g && check && EC_POINT_set_affine_coordinates(group, g.get(), gx.get(), gy.get(), ctx.get()) == 1 &&
             EC_POINT_is_on_curve(group, g.get(), ctx.get()) == 1 &&
             EC_GROUP_set_generator(group, g.get(), n.get(), one.get()) == 1 &&
             EC_GROUP_get_degree(group) == 256 &&
             BN_cmp(EC_GROUP_get0_order(group), n.get()) == 0 &&
             EC_POINT_mul(group, check.get(), nullptr, g.get(), n.get(), ctx.get()) == 1 &&
             EC_POINT_is_at_infinity(group, check.get()) == 1;
    }
    if (!ok) {
        EC_GROUP_free(group);
        return nullptr;
    }
    return new Curve{group, p.release(), n.release(), nMinus1.release()};
}

}  // namespace

const Curve* GetCurve() {
    static const Curve* const curve = BuildCurve();  // thread-safe one-time construction
    return curve;
}

uint32_t DrawScalar(BIGNUM* out, const BIGNUM* upper, SM2_RANDOM_FN rnd, void* rndContext) {
    uint8_t buf[32];
    uint32_t rc = SMCRYPTO_E_CURVE_FAILURE;
    for (int attempt = 0; attempt < kMaxDraws; ++attempt) {
        int got = rnd != nullptr ? rnd(rndContext, buf, sizeof(buf)) : RAND_priv_bytes(buf, sizeof(buf));
        if (got != 1) break;
        if (BN_bin2bn(buf, sizeof(buf), out) == nullptr) break;
        if (!BN_is_zero(out) && BN_cmp(out, upper) < 0) {
            rc = SMCRYPTO_OK;
            break;
        }
    }
    SMSecureClear(buf, sizeof(buf));
    if (rc != SMCRYPTO_OK) BN_clear(out);
    return rc;
}

uint32_t SetPoint(const Curve& curve, EC_POINT* point, const uint8_t x[32], const uint8_t y[32], BN_CTX* ctx) {
    BnPtr bx(BN_bin2bn(x, 32, nullptr)), by(BN_bin2bn(y, 32, nullptr));
    if (!bx || !by) return SMCRYPTO_E_CURVE_FAILURE;
    if (BN_cmp(bx.get(), curve.p) >= 0 || BN_cmp(by.get(), curve.p) >= 0) return SMCRYPTO_E_CHECK_FAILED;
    if (EC_POINT_set_affine_coordinates(curve.group, point, bx.get(), by.get(), ctx) != 1)
        return SMCRYPTO_E_CHECK_FAILED;
    if (EC_POINT_is_on_curve(curve.group, point, ctx) != 1) return SMCRYPTO_E_CHECK_FAILED;
    return SMCRYPTO_OK;
}

bool GetPoint(const Curve& curve, const EC_POINT* point, uint8_t x[32], uint8_t y[32], BN_CTX* ctx) {
    BnPtr bx(BN_new()), by(BN_new());
    return bx && by && EC_POINT_get_affine_coordinates(curve.group, point, bx.get(), by.get(), ctx) == 1 &&
           BN_bn2binpad(bx.get(), x, 32) == 32 && BN_bn2binpad(by.get(), y, 32) == 32;
}

BnPtr PrivateKey(const uint8_t key[32]) {
    BnPtr d(BN_secure_new());
    if (!d || BN_bin2bn(key, 32, d.get()) == nullptr) return nullptr;
    BN_set_flags(d.get(), BN_FLG_CONSTTIME);
    return d;
}

}  // namespace smcrypto
