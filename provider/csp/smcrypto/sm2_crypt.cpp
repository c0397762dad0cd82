// SM2 public-key encryption and decryption into and out of the ciphertext record.

#include "sm2_internal.h"

#include <openssl/crypto.h>

#include <string.h>

namespace smcrypto {
namespace {

// Key stream t = SM3(x2 || y2 || 1) || SM3(x2 || y2 || 2) || ..., truncated to
// length bytes. Returns false when the stream is all zero.
bool DeriveKeyStream(const uint8_t x2[32], const uint8_t y2[32], uint8_t* t, uint32_t length) {
    SM3_CONTEXT base;
    SM3Init(&base);
    SM3Update(&base, x2, 32);
    SM3Update(&base, y2, 32);
    uint8_t block[SM3_DIGEST_LENGTH];
    uint8_t any = 0;
    uint32_t done = 0;
    for (uint32_t counter = 1; done < length; ++counter) {
        SM3_CONTEXT ctx = base;
        const uint8_t ct[4] = {uint8_t(counter >> 24), uint8_t(counter >> 16), uint8_t(counter >> 8),
                               uint8_t(counter)};
        SM3Update(&ctx, ct, sizeof(ct));
        SM3Final(&ctx, block);
        uint32_t take = length - done < SM3_DIGEST_LENGTH ? length - done : SM3_DIGEST_LENGTH;
        for (uint32_t i = 0; i < take; ++i) {
            t[done + i] = block[i];
            any |= block[i];
        }
        done += take;
    }
    SMSecureClear(block, sizeof(block));
    SMSecureClear(&base, sizeof(base));
    return any != 0;
}

// C3 = SM3(x2 || M || y2).
void ComputeC3(const uint8_t x2[32], const uint8_t* m, uint32_t length, const uint8_t y2[32], uint8_t c3[32]) {
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, x2, 32);
    SM3Update(&ctx, m, length);
    SM3Update(&ctx, y2, 32);
    SM3Final(&ctx, c3);
}

// Secrets of one operation, wiped on every path.
struct Secrets {
    uint8_t x2[32];
    uint8_t y2[32];
    uint8_t t[SM2_MAX_PLAINTEXT];
    uint8_t m[SM2_MAX_PLAINTEXT];
    Secrets() { memset(this, 0, sizeof(*this)); }
    ~Secrets() { SMSecureClear(this, sizeof(*this)); }
    Secrets(const Secrets&) = delete;
    Secrets& operator=(const Secrets&) = delete;
};

}  // namespace
}  // namespace smcrypto

using namespace smcrypto;

extern "C" uint32_t SM2EncryptWithRandom(const SM2_PUBLIC_KEY_RECORD* key, const uint8_t* plain, uint32_t plainLen,
                                         SM2_CIPHER_RECORD* out, SM2_RANDOM_FN rnd, void* rndContext) {
    if (key == nullptr || plain == nullptr || out == nullptr) return SMCRYPTO_E_INVALID_PARAMETER;
    if (plainLen == 0) return SMCRYPTO_E_NO_MEMORY;
    // The record's C2 field holds 256 bytes: anything longer cannot be stored.
    if (plainLen > SM2_MAX_PLAINTEXT) return SMCRYPTO_E_INVALID_PARAMETER;

    const Curve* curve = GetCurve();
    if (curve == nullptr) return SMCRYPTO_E_CURVE_FAILURE;
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_secure_new());
    PointPtr pub(EC_POINT_new(curve->group)), c1(EC_POINT_new(curve->group)), shared(EC_POINT_new(curve->group));
    BnPtr k(BN_secure_new());
    if (!ctx || !pub || !c1 || !shared || !k) return SMCRYPTO_E_NO_MEMORY;
    BN_set_flags(k.get(), BN_FLG_CONSTTIME);

    uint32_t rc = SetPoint(*curve, pub.get(), key->x, key->y, ctx.get());
    if (rc != SMCRYPTO_OK) return rc;

    SM2_CIPHER_RECORD rec;
    memset(&rec, 0, sizeof(rec));
    Secrets sec;
    // A k whose key stream is all zero is discarded and another one drawn.
    for (int attempt = 0;; ++attempt) {
        if (attempt == kMaxDraws) return SMCRYPTO_E_CURVE_FAILURE;
        rc = DrawScalar(k.get(), curve->n, rnd, rndContext);
        if (rc != SMCRYPTO_OK) return rc;
        if (EC_POINT_mul(curve->group, c1.get(), k.get(), nullptr, nullptr, ctx.get()) != 1 ||
            EC_POINT_mul(curve->group, shared.get(), nullptr, pub.get(), k.get(), ctx.get()) != 1 ||
            !GetPoint(*curve, c1.get(), rec.x, rec.y, ctx.get()) ||
            !GetPoint(*curve, shared.get(), sec.x2, sec.y2, ctx.get()))
            return SMCRYPTO_E_CURVE_FAILURE;
        if (DeriveKeyStream(sec.x2, sec.y2, sec.t, plainLen)) break;
    }
    for (uint32_t i = 0; i < plainLen; ++i) rec.c2[i] = plain[i] ^ sec.t[i];
    ComputeC3(sec.x2, plain, plainLen, sec.y2, rec.c3);
    rec.c2Len = plainLen;
    *out = rec;
    return SMCRYPTO_OK;
}

extern "C" uint32_t SM2Encrypt(const SM2_PUBLIC_KEY_RECORD* key, const uint8_t* plain, uint32_t plainLen,
                               SM2_CIPHER_RECORD* out) {
    return SM2EncryptWithRandom(key, plain, plainLen, out, nullptr, nullptr);
}

extern "C" uint32_t SM2Decrypt(const uint8_t privateKey[32], const SM2_CIPHER_RECORD* in, uint8_t* plain,
                               uint32_t* plainLen) {
    if (privateKey == nullptr || in == nullptr || plainLen == nullptr) return SMCRYPTO_E_INVALID_PARAMETER;
    const uint32_t len = in->c2Len;
    if (len == 0 || len > SM2_MAX_PLAINTEXT) return SMCRYPTO_E_INVALID_PARAMETER;
    if (plain == nullptr) {
        *plainLen = len;
        return SMCRYPTO_OK;
    }
    if (*plainLen < len) {
        *plainLen = len;
        return SMCRYPTO_E_BUFFER_TOO_SMALL;
    }

    const Curve* curve = GetCurve();
    if (curve == nullptr) return SMCRYPTO_E_CURVE_FAILURE;
    ErrorMark mark;
    BnCtxPtr ctx(BN_CTX_secure_new());
    PointPtr c1(EC_POINT_new(curve->group)), shared(EC_POINT_new(curve->group));
    BnPtr d = PrivateKey(privateKey);
    if (!ctx || !c1 || !shared || !d) return SMCRYPTO_E_NO_MEMORY;
    if (BN_is_zero(d.get()) || BN_cmp(d.get(), curve->n) >= 0) return SMCRYPTO_E_INVALID_PARAMETER;

    uint32_t rc = SetPoint(*curve, c1.get(), in->x, in->y, ctx.get());
    if (rc != SMCRYPTO_OK) return rc;

    Secrets sec;
    if (EC_POINT_mul(curve->group, shared.get(), nullptr, c1.get(), d.get(), ctx.get()) != 1 ||
        !GetPoint(*curve, shared.get(), sec.x2, sec.y2, ctx.get()))
        return SMCRYPTO_E_CURVE_FAILURE;
    if (!DeriveKeyStream(sec.x2, sec.y2, sec.t, len)) return SMCRYPTO_E_CHECK_FAILED;
    for (uint32_t i = 0; i < len; ++i) sec.m[i] = in->c2[i] ^ sec.t[i];
    uint8_t u[SM3_DIGEST_LENGTH];
    ComputeC3(sec.x2, sec.m, len, sec.y2, u);
    if (CRYPTO_memcmp(u, in->c3, sizeof(u)) != 0) return SMCRYPTO_E_CHECK_FAILED;

    memcpy(plain, sec.m, len);
    *plainLen = len;
    return SMCRYPTO_OK;
}
