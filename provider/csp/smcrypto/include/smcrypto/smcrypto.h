/*
 * smcrypto: SM3 hash, SM4 block cipher (ECB and CBC over buffers) and SM2
 * public-key routines (encryption, decryption, identity digest, signatures,
 * key generation) shared by the provider and the virtual token.
 *
 * Portable C++17 behind a C-compatible interface. Big-number and curve
 * arithmetic come from OpenSSL; everything else is this library's own.
 * All routines are safe to call from several threads at once.
 *
 * Byte order: every 32-byte SM2 value (private key, coordinates, r, s, e, Z,
 * C3) is big-endian, most significant byte first.
 *
 * Result codes (uint32_t):
 *   SMCRYPTO_OK                     0           success
 *   SMCRYPTO_E_NO_MEMORY            8           empty SM2 plaintext, or memory could not be had
 *   SMCRYPTO_E_INVALID_PARAMETER    87          null pointer, bad length, private key out of range
 *   SMCRYPTO_E_BUFFER_TOO_SMALL     234         output capacity below the result's length
 *   SMCRYPTO_E_CURVE_FAILURE        1359        a curve, point, big-number or random-source
 *                                               operation failed (stands where a platform's
 *                                               last-error code would be; fixed value)
 *   SMCRYPTO_E_SM4                  0x88000001  any SM4 buffer fault
 *   SMCRYPTO_E_CHECK_FAILED         0x88000020  a signature or ciphertext that does not check
 *                                               out, or a public point that is not on the curve
 */
#ifndef SMCRYPTO_SMCRYPTO_H
#define SMCRYPTO_SMCRYPTO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SMCRYPTO_OK                  0u
#define SMCRYPTO_E_NO_MEMORY         8u
#define SMCRYPTO_E_INVALID_PARAMETER 87u
#define SMCRYPTO_E_BUFFER_TOO_SMALL  234u
#define SMCRYPTO_E_CURVE_FAILURE     1359u
#define SMCRYPTO_E_SM4               0x88000001u
#define SMCRYPTO_E_CHECK_FAILED      0x88000020u

/* ------------------------------------------------------------------ SM3 */

#define SM3_DIGEST_LENGTH 32
#define SM3_BLOCK_LENGTH  64

typedef struct SM3_CONTEXT {
    uint32_t digest[8];   /* chaining value */
    uint8_t  block[64];   /* bytes waiting for a full block */
    uint32_t blockLen;    /* number of bytes held in block */
    uint32_t totalLow;    /* total bytes hashed, low 32 bits */
    uint32_t totalHigh;   /* total bytes hashed, high 32 bits */
} SM3_CONTEXT;

/* Starts a new digest. A null context is ignored. */
void SM3Init(SM3_CONTEXT* ctx);
/* Hashes length bytes. A null context, null data or zero length does nothing. */
void SM3Update(SM3_CONTEXT* ctx, const uint8_t* data, uint32_t length);
/* Writes the 32-byte digest and returns 32. Returns 0 when nothing was ever
 * hashed (the digest of the empty message is still written) and when ctx or
 * digest is null (nothing written). The context is wiped and started afresh. */
uint32_t SM3Final(SM3_CONTEXT* ctx, uint8_t digest[32]);
/* One-shot digest: returns digest, or NULL when any pointer is null or the
 * length is 0. */
uint8_t* SM3Digest(const uint8_t* data, uint32_t length, uint8_t digest[32]);

/* ------------------------------------------------------------------ SM4 */

#define SM4_ENCRYPT 1
#define SM4_DECRYPT 2
#define SM4_BLOCK_LENGTH 16
#define SM4_KEY_LENGTH   16

typedef struct SM4_KEY_SCHEDULE {
    uint32_t flag;        /* SM4_ENCRYPT or SM4_DECRYPT */
    uint32_t rk[32];      /* round keys; the decryption schedule is the encryption one reversed */
} SM4_KEY_SCHEDULE;

/* Key schedules; null arguments are ignored. Wipe with SMSecureClear after use. */
void SM4SetEncryptKey(SM4_KEY_SCHEDULE* ks, const uint8_t key[16]);
void SM4SetDecryptKey(SM4_KEY_SCHEDULE* ks, const uint8_t key[16]);
/* One block with the given schedule (in and out may be the same buffer). */
void SM4CryptBlock(const SM4_KEY_SCHEDULE* ks, const uint8_t in[16], uint8_t out[16]);

/* ECB over a buffer.
 * Encrypt: whole blocks are encrypted in turn; a final partial block is
 * completed with zero bytes, so *outLen = inLen rounded up to a multiple of 16
 * (out must hold that many bytes).
 * Decrypt: inLen must be a multiple of 16; *outLen = inLen; no padding removed.
 * keyLen must be 16 and inLen non-zero. in and out may be the same buffer.
 * Returns 0 or SMCRYPTO_E_SM4 (0x88000001) on any fault. */
uint32_t SM4EcbBuffer(const uint8_t* in, uint32_t inLen, const uint8_t* key, uint32_t keyLen,
                      int direction, uint8_t* out, uint32_t* outLen);

/* CBC without padding (inLen a non-zero multiple of 16), iv not modified;
 * out holds inLen bytes and may be the same buffer as in.
 * Returns 0 or SMCRYPTO_E_SM4 (0x88000001). */
uint32_t SM4CbcBuffer(const uint8_t* in, uint32_t inLen, const uint8_t key[16], const uint8_t iv[16],
                      int direction, uint8_t* out);

/* ------------------------------------------------------------------ SM2 */

#define SM2_MAX_PLAINTEXT 256   /* capacity of the ciphertext record's C2 field */
#define SM2_MAX_IDENTITY  512   /* longest identity accepted by SM2ComputeZ */

/* 256-bit coordinate in the first 32 bytes of each field (X at offset 8, Y at 72). */
typedef struct SM2_PUBLIC_KEY_RECORD {
    uint32_t algId;
    uint32_t bitLen;
    uint8_t  x[64];
    uint8_t  y[64];
} SM2_PUBLIC_KEY_RECORD;

/* C1 = (x, y) in the first 32 bytes of x and y; C2 in the first c2Len bytes of
 * c2; C3 in the first 32 bytes of c3. Unused bytes are written as zero. The
 * byte-string form of the same ciphertext is 04 || x || y || C2 || C3. */
typedef struct SM2_CIPHER_RECORD {
    uint8_t  x[64];
    uint8_t  y[64];
    uint8_t  c2[256];
    uint8_t  c3[64];
    uint32_t c2Len;
} SM2_CIPHER_RECORD;

/* Fills length bytes with random data; returns 1 on success. The SM2 routines
 * draw 32-byte big-endian candidates and redraw any that are out of range;
 * after a bounded number of unusable draws they fail with
 * SMCRYPTO_E_CURVE_FAILURE. Meant for tests that fix k. */
typedef int (*SM2_RANDOM_FN)(void* context, uint8_t* out, uint32_t length);

/* Encrypts 1..256 bytes into *out. Returns 0; 87 when key, plain or out is null
 * or plainLen > 256 (out untouched); 8 when plainLen is 0;
 * SMCRYPTO_E_CHECK_FAILED when the public point is not on the curve;
 * SMCRYPTO_E_CURVE_FAILURE when a curve operation or the random source fails. */
uint32_t SM2Encrypt(const SM2_PUBLIC_KEY_RECORD* key, const uint8_t* plain, uint32_t plainLen,
                    SM2_CIPHER_RECORD* out);
/* As SM2Encrypt with k drawn from rnd (the default generator when rnd is null). */
uint32_t SM2EncryptWithRandom(const SM2_PUBLIC_KEY_RECORD* key, const uint8_t* plain, uint32_t plainLen,
                              SM2_CIPHER_RECORD* out, SM2_RANDOM_FN rnd, void* rndContext);

/* Decrypts a ciphertext record. *plainLen is in/out: the capacity of plain on
 * input, the plaintext length on output. A null plain asks only for the length
 * (returns 0 with *plainLen = c2Len); a capacity below c2Len gives 234 with
 * *plainLen = c2Len and copies nothing.
 * Returns 0; 87 for a null privateKey, in or plainLen, c2Len of 0 or over 256,
 * or a private key outside [1, n-1]; SMCRYPTO_E_CHECK_FAILED when C1 is not on
 * the curve, the key stream is all zero or C3 does not match (plain untouched);
 * SMCRYPTO_E_CURVE_FAILURE when a curve operation fails. */
uint32_t SM2Decrypt(const uint8_t privateKey[32], const SM2_CIPHER_RECORD* in, uint8_t* plain,
                    uint32_t* plainLen);

/* Z = SM3(ENTL || ID || a || b || Gx || Gy || x || y). Returns 0; 87 when a
 * pointer is null or idLen is 0; 8 when idLen is over 512. */
uint32_t SM2ComputeZ(const uint8_t* id, uint32_t idLen, const uint8_t x[32], const uint8_t y[32],
                     uint8_t z[32]);

/* New key pair: private key in [1, n-2], public point = d*G.
 * Returns 0; 87 for a null pointer; SMCRYPTO_E_CURVE_FAILURE. */
uint32_t SM2GenerateKeyPair(uint8_t privateKey[32], uint8_t x[32], uint8_t y[32]);

/* Signs e = SM3(Z || M). Returns 0; 87 for a null pointer or a private key
 * outside [1, n-2]; SMCRYPTO_E_CURVE_FAILURE. */
uint32_t SM2SignDigest(const uint8_t privateKey[32], const uint8_t e[32], uint8_t r[32], uint8_t s[32]);
/* As SM2SignDigest with k drawn from rnd (the default generator when rnd is null). */
uint32_t SM2SignDigestWithRandom(const uint8_t privateKey[32], const uint8_t e[32], uint8_t r[32],
                                 uint8_t s[32], SM2_RANDOM_FN rnd, void* rndContext);
/* Returns 0 when (r, s) is a valid signature of e under (x, y); 87 for a null
 * pointer; SMCRYPTO_E_CHECK_FAILED for a signature that does not verify or a
 * public point that is not on the curve; SMCRYPTO_E_CURVE_FAILURE. */
uint32_t SM2VerifyDigest(const uint8_t x[32], const uint8_t y[32], const uint8_t e[32], const uint8_t r[32],
                         const uint8_t s[32]);

/* Registers the object identifiers 1.2.156.10197.1.301 ("SM2") and
 * 1.2.156.10197.1.501 with OpenSSL's object table once per process (those
 * already known are left alone); later calls return at once. */
void SM2RegisterObjects(void);

/* Overwrites n bytes at p with zeros in a way the compiler cannot remove.
 * A null p is ignored. */
void SMSecureClear(void* p, size_t n);

#ifdef __cplusplus
}
#endif

#endif /* SMCRYPTO_SMCRYPTO_H */
