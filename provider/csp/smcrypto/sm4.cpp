// SM4 block cipher: 128-bit blocks and keys, 32 rounds.
//
// The round function T = L(tau(x)) is evaluated with four 256-entry tables,
// table i holding L applied to the S-box output placed in byte i, so a round
// costs four lookups and three XORs.

#include "smcrypto/smcrypto.h"

#include <string.h>

namespace {

constexpr uint8_t kSbox[256] = {
    0xD6, 0x90, 0xE9, 0xFE, 0xCC, 0xE1, 0x3D, 0xB7, 0x16, 0xB6, 0x14, 0xC2, 0x28, 0xFB, 0x2C, 0x05,
    0x2B, 0x67, 0x9A, 0x76, 0x2A, 0xBE, 0x04, 0xC3, 0xAA, 0x44, 0x13, 0x26, 0x49, 0x86, 0x06, 0x99,
    0x9C, 0x42, 0x50, 0xF4, 0x91, 0xEF, 0x98, 0x7A, 0x33, 0x54, 0x0B, 0x43, 0xED, 0xCF, 0xAC, 0x62,
    0xE4, 0xB3, 0x1C, 0xA9, 0xC9, 0x08, 0xE8, 0x95, 0x80, 0xDF, 0x94, 0xFA, 0x75, 0x8F, 0x3F, 0xA6,
    0x47, 0x07, 0xA7, 0xFC, 0xF3, 0x73, 0x17, 0xBA, 0x83, 0x59, 0x3C, 0x19, 0xE6, 0x85, 0x4F, 0xA8,
    0x68, 0x6B, 0x81, 0xB2, 0x71, 0x64, 0xDA, 0x8B, 0xF8, 0xEB, 0x0F, 0x4B, 0x70, 0x56, 0x9D, 0x35,
    0x1E, 0x24, 0x0E, 0x5E, 0x63, 0x58, 0xD1, 0xA2, 0x25, 0x22, 0x7C, 0x3B, 0x01, 0x21, 0x78, 0x87,
    0xD4, 0x00, 0x46, 0x57, 0x9F, 0xD3, 0x27, 0x52, 0x4C, 0x36, 0x02, 0xE7, 0xA0, 0xC4, 0xC8, 0x9E,
    0xEA, 0xBF, 0x8A, 0xD2, 0x40, 0xC7, 0x38, 0xB5, 0xA3, 0xF7, 0xF2, 0xCE, 0xF9, 0x61, 0x15, 0xA1,
    0xE0, 0xAE, 0x5D, 0xA4, 0x9B, 0x34, 0x1A, 0x55, 0xAD, 0x93, 0x32, 0x30, 0xF5, 0x8C, 0xB1, 0xE3,
    0x1D, 0xF6, 0xE2, 0x2E, 0x82, 0x66, 0xCA, 0x60, 0xC0, 0x29, 0x23, 0xAB, 0x0D, 0x53, 0x4E, 0x6F,
    0xD5, 0xDB, 0x37, 0x45, 0xDE, 0xFD, 0x8E, 0x2F, 0x03, 0xFF, 0x6A, 0x72, 0x6D, 0x6C, 0x5B, 0x51,
    0x8D, 0x1B, 0xAF, 0x92, 0xBB, 0xDD, 0xBC, 0x7F, 0x11, 0xD9, 0x5C, 0x41, 0x1F, 0x10, 0x5A, 0xD8,
    0x0A, 0xC1, 0x31, 0x88, 0xA5, 0xCD, 0x7B, 0xBD, 0x2D, 0x74, 0xD0, 0x12, 0xB8, 0xE5, 0xB4, 0xB0,
    0x89, 0x69, 0x97, 0x4A, 0x0C, 0x96, 0x77, 0x7E, 0x65, 0xB9, 0xF1, 0x09, 0xC5, 0x6E, 0xC6, 0x84,
    0x18, 0xF0, 0x7D, 0xEC, 0x3A, 0xDC, 0x4D, 0x20, 0x79, 0xEE, 0x5F, 0x3E, 0xD7, 0xCB, 0x39, 0x48,
};

constexpr uint32_t kFK[4] = {0xA3B1BAC6u, 0x56AA3350u, 0x677D9197u, 0xB27022DCu};

constexpr uint32_t Rotl(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

// Linear transform of the cipher rounds.
constexpr uint32_t L(uint32_t b) { return b ^ Rotl(b, 2) ^ Rotl(b, 10) ^ Rotl(b, 18) ^ Rotl(b, 24); }

struct Tables {
    uint32_t t[4][256];
    uint32_t ck[32];
};

constexpr Tables MakeTables() {
    Tables r{};
    for (unsigned x = 0; x < 256; ++x) {
        const uint32_t s = kSbox[x];
        r.t[0][x] = L(s << 24);
        r.t[1][x] = L(s << 16);
        r.t[2][x] = L(s << 8);
        r.t[3][x] = L(s);
    }
    // CK[i] byte j = (4i + j) * 7 mod 256.
    for (unsigned i = 0; i < 32; ++i) {
        uint32_t v = 0;
        for (unsigned j = 0; j < 4; ++j) v = (v << 8) | (((4 * i + j) * 7) & 0xFFu);
        r.ck[i] = v;
    }
    return r;
}

constexpr Tables kTab = MakeTables();

inline uint32_t LoadBE(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void StoreBE(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

#define SM4_T(x) \
    (kTab.t[0][(x) >> 24] ^ kTab.t[1][((x) >> 16) & 0xFF] ^ kTab.t[2][((x) >> 8) & 0xFF] ^ kTab.t[3][(x) & 0xFF])

// Key-schedule transform: S-box then L'(b) = b ^ (b <<< 13) ^ (b <<< 23).
inline uint32_t KeyT(uint32_t x) {
    uint32_t b = (uint32_t(kSbox[x >> 24]) << 24) | (uint32_t(kSbox[(x >> 16) & 0xFF]) << 16) |
                 (uint32_t(kSbox[(x >> 8) & 0xFF]) << 8) | uint32_t(kSbox[x & 0xFF]);
    return b ^ Rotl(b, 13) ^ Rotl(b, 23);
}

void ExpandKey(uint32_t rk[32], const uint8_t key[16]) {
    uint32_t k[4];
    for (int i = 0; i < 4; ++i) k[i] = LoadBE(key + 4 * i) ^ kFK[i];
    for (int i = 0; i < 32; ++i) {
        uint32_t t = k[(i + 1) & 3] ^ k[(i + 2) & 3] ^ k[(i + 3) & 3] ^ kTab.ck[i];
        k[i & 3] ^= KeyT(t);
        rk[i] = k[i & 3];
    }
    SMSecureClear(k, sizeof(k));
}

#define SM4_R4(x0, x1, x2, x3, rk, i)                    \
    do {                                                 \
        uint32_t t_;                                     \
        t_ = x1 ^ x2 ^ x3 ^ rk[(i) + 0]; x0 ^= SM4_T(t_); \
        t_ = x2 ^ x3 ^ x0 ^ rk[(i) + 1]; x1 ^= SM4_T(t_); \
        t_ = x3 ^ x0 ^ x1 ^ rk[(i) + 2]; x2 ^= SM4_T(t_); \
        t_ = x0 ^ x1 ^ x2 ^ rk[(i) + 3]; x3 ^= SM4_T(t_); \
    } while (0)

inline void CryptOne(const uint32_t* rk, const uint8_t* in, uint8_t* out) {
    uint32_t x0 = LoadBE(in), x1 = LoadBE(in + 4), x2 = LoadBE(in + 8), x3 = LoadBE(in + 12);
    SM4_R4(x0, x1, x2, x3, rk, 0);
    SM4_R4(x0, x1, x2, x3, rk, 4);
    SM4_R4(x0, x1, x2, x3, rk, 8);
    SM4_R4(x0, x1, x2, x3, rk, 12);
    SM4_R4(x0, x1, x2, x3, rk, 16);
    SM4_R4(x0, x1, x2, x3, rk, 20);
    SM4_R4(x0, x1, x2, x3, rk, 24);
    SM4_R4(x0, x1, x2, x3, rk, 28);
    StoreBE(out, x3);
    StoreBE(out + 4, x2);
    StoreBE(out + 8, x1);
    StoreBE(out + 12, x0);
}

// Two independent blocks interleaved so that their table lookups overlap.
#define SM4_R4X2(rk, i)                                                                  \
    do {                                                                                 \
        uint32_t t_, u_;                                                                 \
        t_ = a1 ^ a2 ^ a3 ^ rk[(i) + 0]; u_ = b1 ^ b2 ^ b3 ^ rk[(i) + 0];                \
        a0 ^= SM4_T(t_); b0 ^= SM4_T(u_);                                                \
        t_ = a2 ^ a3 ^ a0 ^ rk[(i) + 1]; u_ = b2 ^ b3 ^ b0 ^ rk[(i) + 1];                \
        a1 ^= SM4_T(t_); b1 ^= SM4_T(u_);                                                \
        t_ = a3 ^ a0 ^ a1 ^ rk[(i) + 2]; u_ = b3 ^ b0 ^ b1 ^ rk[(i) + 2];                \
        a2 ^= SM4_T(t_); b2 ^= SM4_T(u_);                                                \
        t_ = a0 ^ a1 ^ a2 ^ rk[(i) + 3]; u_ = b0 ^ b1 ^ b2 ^ rk[(i) + 3];                \
        a3 ^= SM4_T(t_); b3 ^= SM4_T(u_);                                                \
    } while (0)

inline void CryptTwo(const uint32_t* rk, const uint8_t* in, uint8_t* out) {
    uint32_t a0 = LoadBE(in), a1 = LoadBE(in + 4), a2 = LoadBE(in + 8), a3 = LoadBE(in + 12);
    uint32_t b0 = LoadBE(in + 16), b1 = LoadBE(in + 20), b2 = LoadBE(in + 24), b3 = LoadBE(in + 28);
    SM4_R4X2(rk, 0);
    SM4_R4X2(rk, 4);
    SM4_R4X2(rk, 8);
    SM4_R4X2(rk, 12);
    SM4_R4X2(rk, 16);
    SM4_R4X2(rk, 20);
    SM4_R4X2(rk, 24);
    SM4_R4X2(rk, 28);
    StoreBE(out, a3);
    StoreBE(out + 4, a2);
    StoreBE(out + 8, a1);
    StoreBE(out + 12, a0);
    StoreBE(out + 16, b3);
    StoreBE(out + 20, b2);
    StoreBE(out + 24, b1);
    StoreBE(out + 28, b0);
}

bool MakeSchedule(SM4_KEY_SCHEDULE* ks, const uint8_t* key, int direction) {
    if (direction == SM4_ENCRYPT) {
        SM4SetEncryptKey(ks, key);
        return true;
    }
    if (direction == SM4_DECRYPT) {
        SM4SetDecryptKey(ks, key);
        return true;
    }
    return false;
}

}  // namespace

extern "C" void SM4SetEncryptKey(SM4_KEY_SCHEDULE* ks, const uint8_t key[16]) {
    if (ks == nullptr || key == nullptr) return;
    ks->flag = SM4_ENCRYPT;
    ExpandKey(ks->rk, key);
}

extern "C" void SM4SetDecryptKey(SM4_KEY_SCHEDULE* ks, const uint8_t key[16]) {
    if (ks == nullptr || key == nullptr) return;
    ks->flag = SM4_DECRYPT;
    ExpandKey(ks->rk, key);
    for (int i = 0; i < 16; ++i) {
        uint32_t t = ks->rk[i];
        ks->rk[i] = ks->rk[31 - i];
        ks->rk[31 - i] = t;
    }
}

extern "C" void SM4CryptBlock(const SM4_KEY_SCHEDULE* ks, const uint8_t in[16], uint8_t out[16]) {
    if (ks == nullptr || in == nullptr || out == nullptr) return;
    CryptOne(ks->rk, in, out);
}

extern "C" uint32_t SM4EcbBuffer(const uint8_t* in, uint32_t inLen, const uint8_t* key, uint32_t keyLen,
                                 int direction, uint8_t* out, uint32_t* outLen) {
    if (in == nullptr || key == nullptr || out == nullptr || outLen == nullptr) return SMCRYPTO_E_SM4;
    if (keyLen != SM4_KEY_LENGTH || inLen == 0) return SMCRYPTO_E_SM4;
    if (direction == SM4_DECRYPT && inLen % SM4_BLOCK_LENGTH != 0) return SMCRYPTO_E_SM4;
    if (direction == SM4_ENCRYPT && inLen > 0xFFFFFFFFu - (SM4_BLOCK_LENGTH - 1)) return SMCRYPTO_E_SM4;

    SM4_KEY_SCHEDULE ks;
    if (!MakeSchedule(&ks, key, direction)) return SMCRYPTO_E_SM4;

    const uint32_t whole = inLen / SM4_BLOCK_LENGTH;
    uint32_t i = 0;
    for (; i + 2 <= whole; i += 2) CryptTwo(ks.rk, in + size_t(i) * 16, out + size_t(i) * 16);
    if (i < whole) CryptOne(ks.rk, in + size_t(i) * 16, out + size_t(i) * 16);

    const uint32_t rest = inLen % SM4_BLOCK_LENGTH;
    if (rest != 0) {
        uint8_t last[SM4_BLOCK_LENGTH] = {0};
        memcpy(last, in + size_t(whole) * 16, rest);
        CryptOne(ks.rk, last, out + size_t(whole) * 16);
        SMSecureClear(last, sizeof(last));
    }
    *outLen = (whole + (rest != 0 ? 1 : 0)) * SM4_BLOCK_LENGTH;
    SMSecureClear(&ks, sizeof(ks));
    return SMCRYPTO_OK;
}

extern "C" uint32_t SM4CbcBuffer(const uint8_t* in, uint32_t inLen, const uint8_t key[16], const uint8_t iv[16],
                                 int direction, uint8_t* out) {
    if (in == nullptr || key == nullptr || iv == nullptr || out == nullptr) return SMCRYPTO_E_SM4;
    if (inLen == 0 || inLen % SM4_BLOCK_LENGTH != 0) return SMCRYPTO_E_SM4;

    SM4_KEY_SCHEDULE ks;
    if (!MakeSchedule(&ks, key, direction)) return SMCRYPTO_E_SM4;

    uint8_t chain[SM4_BLOCK_LENGTH];
    uint8_t block[SM4_BLOCK_LENGTH];
    memcpy(chain, iv, SM4_BLOCK_LENGTH);
    const uint32_t blocks = inLen / SM4_BLOCK_LENGTH;
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint8_t* src = in + size_t(b) * 16;
        uint8_t* dst = out + size_t(b) * 16;
        if (direction == SM4_ENCRYPT) {
            for (int j = 0; j < 16; ++j) block[j] = src[j] ^ chain[j];
            CryptOne(ks.rk, block, dst);
            memcpy(chain, dst, 16);
        } else {
            // Keep the ciphertext block before out (possibly the same memory) is written.
            uint8_t saved[SM4_BLOCK_LENGTH];
            memcpy(saved, src, 16);
            CryptOne(ks.rk, saved, block);
            for (int j = 0; j < 16; ++j) dst[j] = block[j] ^ chain[j];
            memcpy(chain, saved, 16);
        }
    }
    SMSecureClear(block, sizeof(block));
    SMSecureClear(chain, sizeof(chain));
    SMSecureClear(&ks, sizeof(ks));
    return SMCRYPTO_OK;
}
