// SM2 key-pair generation, signing and verification of a message digest
// e = SM3(Z || M).

#include "sm2_internal.h"

#include <string.h>

using namespace smcrypto;

extern "C" uint32_t SM2GenerateKeyPair(uint8_t privateKey[32], uint8_t x[32], uint8_t y[32]) {
    if (privateKey == nullptr || x == nullptr || y == nullptr) return SMCRYPTO_E_INVALID_PARAMETER;
    const Curve* curve = GetCurve();
    if (curve == nullptr) return SMCRYPTO_E_CURVE_FAILURE;
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_secure_new());
    PointPtr pub(EC_POINT_new(curve->group));
    BnPtr d(BN_secure_new());
    if (!ctx || !pub || !d) return SMCRYPTO_E_NO_MEMORY;
    BN_set_flags(d.get(), BN_FLG_CONSTTIME);

    // d in [1, n-2], so that 1 + d is invertible when signing.
    uint32_t rc = DrawScalar(d.get(), curve->nMinus1, nullptr, nullptr);
    if (rc != SMCRYPTO_OK) return rc;
    uint8_t px[32], py[32];
    if (EC_POINT_mul(curve->group, pub.get(), d.get(), nullptr, nullptr, ctx.get()) != 1 ||
        !GetPoint(*curve, pub.get(), px, py, ctx.get()) || BN_bn2binpad(d.get(), privateKey, 32) != 32)
        return SMCRYPTO_E_CURVE_FAILURE;
    memcpy(x, px, 32);
    memcpy(y, py, 32);
    return SMCRYPTO_OK;
}

extern "C" uint32_t SM2SignDigestWithRandom(const uint8_t privateKey[32], const uint8_t e[32], uint8_t r[32],
                                            uint8_t s[32], SM2_RANDOM_FN rnd, void* rndContext) {
    if (privateKey == nullptr || e == nullptr || r == nullptr || s == nullptr) return SMCRYPTO_E_INVALID_PARAMETER;
    const Curve* curve = GetCurve();
    if (curve == nullptr) return SMCRYPTO_E_CURVE_FAILURE;
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_secure_new());
    PointPtr kg(EC_POINT_new(curve->group));
    BnPtr d = PrivateKey(privateKey);
    BnPtr k(BN_secure_new()), be(BN_bin2bn(e, 32, nullptr)), x1(BN_new()), br(BN_new()), bs(BN_secure_new()),
        dInv(BN_secure_new()), tmp(BN_secure_new());
    if (!ctx || !kg || !d || !k || !be || !x1 || !br || !bs || !dInv || !tmp) return SMCRYPTO_E_NO_MEMORY;
    if (BN_is_zero(d.get()) || BN_cmp(d.get(), curve->nMinus1) >= 0) return SMCRYPTO_E_INVALID_PARAMETER;
    BN_set_flags(k.get(), BN_FLG_CONSTTIME);
    BN_set_flags(tmp.get(), BN_FLG_CONSTTIME);

    // (1 + d)^-1 mod n
    if (!BN_add(tmp.get(), d.get(), BN_value_one()) ||
        BN_mod_inverse(dInv.get(), tmp.get(), curve->n, ctx.get()) == nullptr)
        return SMCRYPTO_E_CURVE_FAILURE;

    for (int attempt = 0;; ++attempt) {
        if (attempt == kMaxDraws) return SMCRYPTO_E_CURVE_FAILURE;
        uint32_t rc = DrawScalar(k.get(), curve->n, rnd, rndContext);
        if (rc != SMCRYPTO_OK) return rc;
        // (x1, y1) = k*G; r = (e + x1) mod n
        if (EC_POINT_mul(curve->group, kg.get(), k.get(), nullptr, nullptr, ctx.get()) != 1 ||
            EC_POINT_get_affine_coordinates(curve->group, kg.get(), x1.get(), nullptr, ctx.get()) != 1 ||
            !BN_mod_add(br.get(), be.get(), x1.get(), curve->n, ctx.get()))
            return SMCRYPTO_E_CURVE_FAILURE;
        if (BN_is_zero(br.get())) continue;
        if (!BN_add(tmp.get(), br.get(), k.get())) return SMCRYPTO_E_CURVE_FAILURE;
        if (BN_cmp(tmp.get(), curve->n) == 0) continue;
        // s = (1 + d)^-1 * (k - r*d) mod n
        if (!BN_mod_mul(tmp.get(), br.get(), d.get(), curve->n, ctx.get()) ||
            !BN_mod_sub(tmp.get(), k.get(), tmp.get(), curve->n, ctx.get()) ||
            !BN_mod_mul(bs.get(), dInv.get(), tmp.get(), curve->n, ctx.get()))
            return SMCRYPTO_E_CURVE_FAILURE;
        if (BN_is_zero(bs.get())) continue;
        break;
    }
    uint8_t outR[32], outS[32];
    if (BN_bn2binpad(br.get(), outR, 32) != 32 || BN_bn2binpad(bs.get(), outS, 32) != 32)
        return SMCRYPTO_E_CURVE_FAILURE;
    memcpy(r, outR, 32);
    memcpy(s, outS, 32);
    return SMCRYPTO_OK;
}

extern "C" uint32_t SM2SignDigest(const uint8_t privateKey[32], const uint8_t e[32], uint8_t r[32], uint8_t s[32]) {
    return SM2SignDigestWithRandom(privateKey, e, r, s, nullptr, nullptr);
}

extern "C" uint32_t SM2VerifyDigest(const uint8_t x[32], const uint8_t y[32], const uint8_t e[32], const uint8_t r[32],
                                    const uint8_t s[32]) {
    if (x == nullptr || y == nullptr || e == nullptr || r == nullptr || s == nullptr)
        return SMCRYPTO_E_INVALID_PARAMETER;
    const Curve* curve = GetCurve();
    if (curve == nullptr) return SMCRYPTO_E_CURVE_FAILURE;
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_new());
    PointPtr pub(EC_POINT_new(curve->group)), sum(EC_POINT_new(curve->group));
    BnPtr be(BN_bin2bn(e, 32, nullptr)), br(BN_bin2bn(r, 32, nullptr)), bs(BN_bin2bn(s, 32, nullptr));
    BnPtr t(BN_new()), x1(BN_new()), check(BN_new());
    if (!ctx || !pub || !sum || !be || !br || !bs || !t || !x1 || !check) return SMCRYPTO_E_NO_MEMORY;

    uint32_t rc = SetPoint(*curve, pub.get(), x, y, ctx.get());
    if (rc != SMCRYPTO_OK) return rc;
    // r and s in [1, n-1]; t = (r + s) mod n not zero
    if (BN_is_zero(br.get()) || BN_cmp(br.get(), curve->n) >= 0 || BN_is_zero(bs.get()) ||
        BN_cmp(bs.get(), curve->n) >= 0)
        return SMCRYPTO_E_CHECK_FAILED;
    if (!BN_mod_add(t.get(), br.get(), bs.get(), curve->n, ctx.get())) return SMCRYPTO_E_CURVE_FAILURE;
    if (BN_is_zero(t.get())) return SMCRYPTO_E_CHECK_FAILED;
    // (x1, y1) = s*G + t*P; valid when (e + x1) mod n = r
    if (EC_POINT_mul(curve->group, sum.get(), bs.get(), pub.get(), t.get(), ctx.get()) != 1)
        return SMCRYPTO_E_CURVE_FAILURE;
    if (EC_POINT_is_at_infinity(curve->group, sum.get()) == 1) return SMCRYPTO_E_CHECK_FAILED;
    if (EC_POINT_get_affine_coordinates(curve->group, sum.get(), x1.get(), nullptr, ctx.get()) != 1 ||
        !BN_mod_add(check.get(), be.get(), x1.get(), curve->n, ctx.get()))
        return SMCRYPTO_E_CURVE_FAILURE;
    return BN_cmp(check.get(), br.get()) == 0 ? SMCRYPTO_OK : SMCRYPTO_E_CHECK_FAILED;
}
