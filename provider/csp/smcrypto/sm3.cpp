// SM3 hash: 512-bit blocks, 256-bit chaining value, 64 rounds.

#include "smcrypto/smcrypto.h"

#include <string.h>

namespace {

#define SM3_ROTL(x, n) (((x) << (n)) | ((x) >> ((32 - (n)) & 31)))
#define SM3_P0(x) ((x) ^ SM3_ROTL((x), 9) ^ SM3_ROTL((x), 17))
#define SM3_P1(x) ((x) ^ SM3_ROTL((x), 15) ^ SM3_ROTL((x), 23))
#define SM3_FF0(x, y, z) ((x) ^ (y) ^ (z))
#define SM3_GG0(x, y, z) ((x) ^ (y) ^ (z))
#define SM3_FF1(x, y, z) (((x) & (y)) | (((x) | (y)) & (z)))
#define SM3_GG1(x, y, z) ((((y) ^ (z)) & (x)) ^ (z))

// Tj <<< (j mod 32): 0x79CC4519 for rounds 0..15, 0x7A879D8A afterwards.
constexpr uint32_t RotlC(uint32_t x, unsigned n) { return n == 0 ? x : (x << n) | (x >> (32 - n)); }
struct RoundConstants {
    uint32_t t[64];
};
constexpr RoundConstants MakeRoundConstants() {
    RoundConstants c{};
    for (unsigned j = 0; j < 64; ++j) c.t[j] = RotlC(j < 16 ? 0x79CC4519u : 0x7A879D8Au, j % 32);
    return c;
}
constexpr RoundConstants kT = MakeRoundConstants();

constexpr uint32_t kIV[8] = {0x7380166Fu, 0x4914B2B9u, 0x172442D7u, 0xDA8A0600u,
                             0xA96F30BCu, 0x163138AAu, 0xE38DEE4Du, 0xB0FB0E4Eu};

inline uint32_t LoadBE(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void StoreBE(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Message expansion on the fly in a 16-word window: W[k] lands in the slot of
// W[k-16], which no later round or expansion needs.
#define SM3_W(k) w[(k) & 15]
#define SM3_EXPAND(k)                                                                          \
    SM3_W(k) = SM3_P1(SM3_W((k) - 16) ^ SM3_W((k) - 9) ^ SM3_ROTL(SM3_W((k) - 3), 15)) ^          \
               SM3_ROTL(SM3_W((k) - 13), 7) ^ SM3_W((k) - 6)

// One round. The caller rotates the roles of the eight registers, so no moves
// are needed: the new A lands in D's register and the new E in H's. Round j
// uses W[j] and W'[j] = W[j] ^ W[j+4]; from round 12 on it first expands W[j+4].
#define SM3_ROUND(A, B, C, D, E, F, G, H, j, FF, GG)          \
    do {                                                      \
        if ((j) >= 12) SM3_EXPAND((j) + 4);                   \
        uint32_t a12 = SM3_ROTL(A, 12);                       \
        uint32_t ss1 = SM3_ROTL(a12 + E + kT.t[j], 7);        \
        uint32_t ss2 = ss1 ^ a12;                             \
        D = FF(A, B, C) + D + ss2 + (SM3_W(j) ^ SM3_W((j) + 4)); \
        H = GG(E, F, G) + H + ss1 + SM3_W(j);                 \
        B = SM3_ROTL(B, 9);                                   \
        F = SM3_ROTL(F, 19);                                  \
        H = SM3_P0(H);                                        \
    } while (0)

#define SM3_R4(j, FF, GG)                                       \
    SM3_ROUND(a, b, c, d, e, f, g, h, (j) + 0, FF, GG);         \
    SM3_ROUND(d, a, b, c, h, e, f, g, (j) + 1, FF, GG);         \
    SM3_ROUND(c, d, a, b, g, h, e, f, (j) + 2, FF, GG);         \
    SM3_ROUND(b, c, d, a, f, g, h, e, (j) + 3, FF, GG)

void Compress(uint32_t v[8], const uint8_t* p, size_t blocks) {
    uint32_t w[16];
    while (blocks--) {
        for (int i = 0; i < 16; ++i) w[i] = LoadBE(p + 4 * i);
        uint32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5], g = v[6], h = v[7];
        SM3_R4(0, SM3_FF0, SM3_GG0);
        SM3_R4(4, SM3_FF0, SM3_GG0);
        SM3_R4(8, SM3_FF0, SM3_GG0);
        SM3_R4(12, SM3_FF0, SM3_GG0);
        SM3_R4(16, SM3_FF1, SM3_GG1);
        SM3_R4(20, SM3_FF1, SM3_GG1);
        SM3_R4(24, SM3_FF1, SM3_GG1);
        SM3_R4(28, SM3_FF1, SM3_GG1);
        SM3_R4(32, SM3_FF1, SM3_GG1);
        SM3_R4(36, SM3_FF1, SM3_GG1);
        SM3_R4(40, SM3_FF1, SM3_GG1);
        SM3_R4(44, SM3_FF1, SM3_GG1);
        SM3_R4(48, SM3_FF1, SM3_GG1);
        SM3_R4(52, SM3_FF1, SM3_GG1);
        SM3_R4(56, SM3_FF1, SM3_GG1);
        SM3_R4(60, SM3_FF1, SM3_GG1);
        v[0] ^= a;
        v[1] ^= b;
        v[2] ^= c;
        v[3] ^= d;
        v[4] ^= e;
        v[5] ^= f;
        v[6] ^= g;
        v[7] ^= h;
        p += SM3_BLOCK_LENGTH;
    }
    SMSecureClear(w, sizeof(w));
}

}  // namespace

extern "C" void SM3Init(SM3_CONTEXT* ctx) {
    if (ctx == nullptr) return;
    memcpy(ctx->digest, kIV, sizeof(kIV));
    memset(ctx->block, 0, sizeof(ctx->block));
    ctx->blockLen = 0;
    ctx->totalLow = 0;
    ctx->totalHigh = 0;
}

extern "C" void SM3Update(SM3_CONTEXT* ctx, const uint8_t* data, uint32_t length) {
    if (ctx == nullptr || data == nullptr || length == 0) return;
    uint32_t held = ctx->blockLen % SM3_BLOCK_LENGTH;  // a damaged count never writes past block
    ctx->totalLow += length;
    if (ctx->totalLow < length) ++ctx->totalHigh;

    if (held != 0) {
        uint32_t take = SM3_BLOCK_LENGTH - held;
        if (take > length) take = length;
        memcpy(ctx->block + held, data, take);
        held += take;
        data += take;
        length -= take;
        if (held < SM3_BLOCK_LENGTH) {
            ctx->blockLen = held;
            return;
        }
        Compress(ctx->digest, ctx->block, 1);
        held = 0;
    }
    uint32_t blocks = length / SM3_BLOCK_LENGTH;
    if (blocks != 0) {
        Compress(ctx->digest, data, blocks);
        data += size_t(blocks) * SM3_BLOCK_LENGTH;
        length -= blocks * SM3_BLOCK_LENGTH;
    }
    memcpy(ctx->block, data, length);
    ctx->blockLen = length;
}

extern "C" uint32_t SM3Final(SM3_CONTEXT* ctx, uint8_t digest[32]) {
    if (ctx == nullptr || digest == nullptr) return 0;
    const bool empty = ctx->totalLow == 0 && ctx->totalHigh == 0;
    uint32_t held = ctx->blockLen % SM3_BLOCK_LENGTH;
    const uint32_t bitsHigh = (ctx->totalHigh << 3) | (ctx->totalLow >> 29);
    const uint32_t bitsLow = ctx->totalLow << 3;

    ctx->block[held++] = 0x80;
    if (held > SM3_BLOCK_LENGTH - 8) {
        memset(ctx->block + held, 0, SM3_BLOCK_LENGTH - held);
        Compress(ctx->digest, ctx->block, 1);
        held = 0;
    }
    memset(ctx->block + held, 0, SM3_BLOCK_LENGTH - 8 - held);
    StoreBE(ctx->block + 56, bitsHigh);
    StoreBE(ctx->block + 60, bitsLow);
    Compress(ctx->digest, ctx->block, 1);
    for (int i = 0; i < 8; ++i) StoreBE(digest + 4 * i, ctx->digest[i]);

    SMSecureClear(ctx, sizeof(*ctx));
    SM3Init(ctx);
    return empty ? 0 : SM3_DIGEST_LENGTH;
}

extern "C" uint8_t* SM3Digest(const uint8_t* data, uint32_t length, uint8_t digest[32]) {
    if (data == nullptr || length == 0 || digest == nullptr) return nullptr;
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, data, length);
    SM3Final(&ctx, digest);
    return digest;
}
