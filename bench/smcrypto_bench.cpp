// smcrypto_bench [scale]
// Measures SM3 and SM4-ECB throughput and SM2 encryptions per second, this
// library's against OpenSSL's, in one run. Each measurement runs for about
// 2 s times scale in alternating trials (default 1; e.g. 0.1 for a quick
// run), keeping the best trial of each side.

#include "smcrypto/smcrypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double g_seconds = 2.0;
volatile uint8_t g_sink;

constexpr int kTrials = 5;

// Calls fn repeatedly for about seconds; returns calls per second.
template <typename F>
double Rate(F& fn, double seconds) {
    using Clock = std::chrono::steady_clock;
    uint64_t calls = 0;
    uint64_t batch = 1;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        for (uint64_t i = 0; i < batch; ++i) fn();
        calls += batch;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed < seconds / 20) batch *= 2;
    } while (elapsed < seconds);
    return double(calls) / elapsed;
}

// Alternates short trials of the two contenders and keeps each one's best
// rate, so that load from other processes skews the ratio as little as possible.
template <typename A, typename B>
void Compare(A& ours, B& theirs, double* oursRate, double* theirsRate) {
    ours();
    theirs();  // warm-up
    *oursRate = *theirsRate = 0;
    for (int t = 0; t < kTrials; ++t) {
        double a = Rate(ours, g_seconds / kTrials);
        double b = Rate(theirs, g_seconds / kTrials);
        if (a > *oursRate) *oursRate = a;
        if (b > *theirsRate) *theirsRate = b;
    }
}

void Row(const char* op, const char* size, double ours, double theirs, const char* unit) {
    std::printf("%-16s %-8s %12.1f %12.1f  %-6s %6.2f\n", op, size, ours, theirs, unit, ours / theirs);
}

bool Fail(const char* what) {
    std::fprintf(stderr, "smcrypto_bench: %s\n", what);
    return false;
}

bool BenchSm3(size_t len, const char* label) {
    std::vector<uint8_t> buf(len, 0x61);
    uint8_t ours[32], theirs[32];
    EVP_MD* md = EVP_MD_fetch(nullptr, "SM3", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (md == nullptr || ctx == nullptr) return Fail("OpenSSL SM3 unavailable");
    auto openssl = [&] {
        unsigned n = 0;
        EVP_DigestInit_ex(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, buf.data(), buf.size());
        EVP_DigestFinal_ex(ctx, theirs, &n);
        g_sink = theirs[0];
    };
    auto mine = [&] {
        SM3Digest(buf.data(), uint32_t(buf.size()), ours);
        g_sink = ours[0];
    };
    mine();
    openssl();
    if (std::memcmp(ours, theirs, 32) != 0) return Fail("SM3 digests differ");
    double a = 0, b = 0;
    Compare(mine, openssl, &a, &b);
    Row("SM3", label, a * double(len) / 1e6, b * double(len) / 1e6, "MB/s");
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
    return true;
}

bool BenchSm4(size_t len, const char* label) {
    std::vector<uint8_t> in(len, 0x5C), ours(len), theirs(len);
    const uint8_t key[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                             0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "SM4-ECB", nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (cipher == nullptr || ctx == nullptr || EVP_EncryptInit_ex(ctx, cipher, nullptr, key, nullptr) != 1)
        return Fail("OpenSSL SM4 unavailable");
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    auto openssl = [&] {
        int n = 0;
        EVP_EncryptUpdate(ctx, theirs.data(), &n, in.data(), int(in.size()));
        g_sink = theirs[0];
    };
    auto mine = [&] {  // includes the key schedule of every call
        uint32_t n = 0;
        SM4EcbBuffer(in.data(), uint32_t(in.size()), key, 16, SM4_ENCRYPT, ours.data(), &n);
        g_sink = ours[0];
    };
    mine();
    openssl();
    if (ours != theirs) return Fail("SM4 ciphertexts differ");
    double a = 0, b = 0;
    Compare(mine, openssl, &a, &b);
    Row("SM4-ECB encrypt", label, a * double(len) / 1e6, b * double(len) / 1e6, "MB/s");
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    return true;
}

bool BenchSm2() {
    EVP_PKEY* pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
    if (pkey == nullptr) return Fail("OpenSSL SM2 unavailable");
    uint8_t pub[65];
    size_t pubLen = 0;
    if (EVP_PKEY_get_octet_string_param(pkey, OSSL_PKEY_PARAM_PUB_KEY, pub, sizeof(pub), &pubLen) != 1 ||
        pubLen != 65)
        return Fail("cannot read the public key");
    SM2_PUBLIC_KEY_RECORD rec;
    std::memset(&rec, 0, sizeof(rec));
    rec.bitLen = 256;
    std::memcpy(rec.x, pub + 1, 32);
    std::memcpy(rec.y, pub + 33, 32);

    uint8_t msg[32];
    for (int i = 0; i < 32; ++i) msg[i] = uint8_t(i);
    SM2_CIPHER_RECORD out;
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pkey, nullptr);
    if (ctx == nullptr || EVP_PKEY_encrypt_init(ctx) != 1) return Fail("OpenSSL SM2 encryption unavailable");
    std::vector<uint8_t> der(512);
    bool ok = true;
    auto openssl = [&] {
        size_t n = der.size();
        ok &= EVP_PKEY_encrypt(ctx, der.data(), &n, msg, sizeof(msg)) == 1;
    };
    auto mine = [&] { ok &= SM2Encrypt(&rec, msg, sizeof(msg), &out) == 0; };
    double a = 0, b = 0;
    Compare(mine, openssl, &a, &b);
    if (!ok) return Fail("SM2 encryption failed");
    Row("SM2 encrypt", "32 B", a, b, "ops/s");
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const double scale = std::atof(argv[1]);
        if (!(scale > 0)) {
            std::fprintf(stderr, "usage: smcrypto_bench [scale > 0]\n");
            return 2;
        }
        g_seconds *= scale;
    }
    std::printf("%-16s %-8s %12s %12s  %-6s %6s\n", "operation", "buffer", "ours", "OpenSSL", "unit", "ratio");
    bool ok = BenchSm3(1024, "1 KiB") && BenchSm3(1 << 20, "1 MiB") && BenchSm4(1024, "1 KiB") &&
              BenchSm4(1 << 20, "1 MiB") && BenchSm2();
    return ok ? 0 : 1;
}
