#include "smcrypto/smcrypto.h"

#include <gtest/gtest.h>
#include <openssl/objects.h>

#include <string.h>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<uint8_t> FromHex(const std::string& h) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}
std::vector<uint8_t> V(const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); }
std::vector<uint8_t> Text(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }

// Standard example key pair and random value k.
const auto kD = FromHex("3945208F7B2144B13F36E38AC6D39F95889393692860B51A42FB81EF4DF7C5B8");
const auto kPx = FromHex("09F9DF311E5421A150DD7D161E4BC5C672179FAD1833FC076BB08FF356F35020");
const auto kPy = FromHex("CCEA490CE26775A52DC6EA718CC1AA600AED05FBF35E084A6632F6072DA9AD13");
const auto kK = FromHex("59276E27D506861A16680F3AD9C02DCCEF3CC1FA3CDBE4CE6D54B80DEAC1BC21");
const auto kN = FromHex("FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123");
const char kDefaultId[] = "1234567812345678";

// Hands out the same 32 bytes on every draw.
int FixedRandom(void* ctx, uint8_t* out, uint32_t len) {
    const auto* v = static_cast<const std::vector<uint8_t>*>(ctx);
    if (len != v->size()) return 0;
    memcpy(out, v->data(), len);
    return 1;
}
int FailingRandom(void*, uint8_t*, uint32_t) { return 0; }

SM2_PUBLIC_KEY_RECORD PublicRecord(const std::vector<uint8_t>& x, const std::vector<uint8_t>& y) {
    SM2_PUBLIC_KEY_RECORD rec;
    memset(&rec, 0, sizeof(rec));
    rec.algId = 0x0000A003;
    rec.bitLen = 256;
    memcpy(rec.x, x.data(), 32);
    memcpy(rec.y, y.data(), 32);
    return rec;
}

std::vector<uint8_t> MessageDigest(const std::vector<uint8_t>& x, const std::vector<uint8_t>& y, const char* id,
                                   const std::vector<uint8_t>& m) {
    uint8_t z[32], e[32];
    EXPECT_EQ(SM2ComputeZ(reinterpret_cast<const uint8_t*>(id), uint32_t(strlen(id)), x.data(), y.data(), z), 0u);
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, z, 32);
    SM3Update(&ctx, m.data(), uint32_t(m.size()));
    SM3Final(&ctx, e);
    return V(e, 32);
}

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

TEST(Sm2Encrypt, StandardExample) {
    const auto key = PublicRecord(kPx, kPy);
    const auto m = Text("encryption standard");
    SM2_CIPHER_RECORD rec;
    memset(&rec, 0xCC, sizeof(rec));
    auto k = kK;
    ASSERT_EQ(SM2EncryptWithRandom(&key, m.data(), uint32_t(m.size()), &rec, FixedRandom, &k), 0u);
    EXPECT_EQ(V(rec.x, 32), FromHex("04EBFC718E8D1798620432268E77FEB6415E2EDE0E073C0F4F640ECD2E149A73"));
    EXPECT_EQ(V(rec.y, 32), FromHex("E858F9D81E5430A57B36DAAB8F950A3C64E6EE6A63094D99283AFF767E124DF0"));
    ASSERT_EQ(rec.c2Len, m.size());
    EXPECT_EQ(V(rec.c2, rec.c2Len), FromHex("21886CA989CA9C7D58087307CA93092D651EFA"));
    EXPECT_EQ(V(rec.c3, 32), FromHex("59983C18F809E262923C53AEC295D30383B54E39D609D160AFCB1908D0BD8766"));
    // The unused tails of the fields are zero, not left over.
    EXPECT_TRUE(AllZero(rec.x + 32, 32));
    EXPECT_TRUE(AllZero(rec.y + 32, 32));
    EXPECT_TRUE(AllZero(rec.c2 + rec.c2Len, sizeof(rec.c2) - rec.c2Len));
    EXPECT_TRUE(AllZero(rec.c3 + 32, 32));

    uint8_t plain[256];
    uint32_t plainLen = sizeof(plain);
    ASSERT_EQ(SM2Decrypt(kD.data(), &rec, plain, &plainLen), 0u);
    EXPECT_EQ(V(plain, plainLen), m);
}

TEST(Sm2Encrypt, RoundTripAtFieldLimits) {
    uint8_t d[32], x[32], y[32];
    ASSERT_EQ(SM2GenerateKeyPair(d, x, y), 0u);
    const auto key = PublicRecord(V(x, 32), V(y, 32));
    for (uint32_t len : {1u, 31u, 32u, 33u, 255u, 256u}) {
        std::vector<uint8_t> m(len);
        for (uint32_t i = 0; i < len; ++i) m[i] = uint8_t(i * 13 + len);
        SM2_CIPHER_RECORD rec;
        ASSERT_EQ(SM2Encrypt(&key, m.data(), len, &rec), 0u) << len;
        ASSERT_EQ(rec.c2Len, len);
        std::vector<uint8_t> out(len);
        uint32_t outLen = len;
        ASSERT_EQ(SM2Decrypt(d, &rec, out.data(), &outLen), 0u) << len;
        EXPECT_EQ(outLen, len);
        EXPECT_EQ(out, m);
    }
}

TEST(Sm2Encrypt, ArgumentErrors) {
    const auto key = PublicRecord(kPx, kPy);
    std::vector<uint8_t> big(257, 0x5A);
    SM2_CIPHER_RECORD rec;
    memset(&rec, 0xCC, sizeof(rec));
    EXPECT_EQ(SM2Encrypt(nullptr, big.data(), 16, &rec), 87u);
    EXPECT_EQ(SM2Encrypt(&key, nullptr, 16, &rec), 87u);
    EXPECT_EQ(SM2Encrypt(&key, big.data(), 16, nullptr), 87u);
    EXPECT_EQ(SM2Encrypt(&key, big.data(), 0, &rec), 8u);
    EXPECT_EQ(SM2Encrypt(&key, big.data(), 257, &rec), 87u);  // would not fit the C2 field
    EXPECT_EQ(SM2Encrypt(&key, big.data(), 0xFFFFFFFFu, &rec), 87u);
    EXPECT_EQ(rec.c2Len, 0xCCCCCCCCu) << "record written on a refused call";

    auto offCurve = key;
    offCurve.y[31] ^= 1;
    EXPECT_EQ(SM2Encrypt(&offCurve, big.data(), 16, &rec), SMCRYPTO_E_CHECK_FAILED);
    auto beyondP = PublicRecord(std::vector<uint8_t>(32, 0xFF), kPy);
    EXPECT_EQ(SM2Encrypt(&beyondP, big.data(), 16, &rec), SMCRYPTO_E_CHECK_FAILED);

    EXPECT_EQ(SM2EncryptWithRandom(&key, big.data(), 16, &rec, FailingRandom, nullptr), SMCRYPTO_E_CURVE_FAILURE);
    // A source that only yields out-of-range values ends with a failure instead of looping.
    auto zero = std::vector<uint8_t>(32, 0), aboveN = std::vector<uint8_t>(32, 0xFF);
    EXPECT_EQ(SM2EncryptWithRandom(&key, big.data(), 16, &rec, FixedRandom, &zero), SMCRYPTO_E_CURVE_FAILURE);
    EXPECT_EQ(SM2EncryptWithRandom(&key, big.data(), 16, &rec, FixedRandom, &aboveN), SMCRYPTO_E_CURVE_FAILURE);
    auto n = kN;
    EXPECT_EQ(SM2EncryptWithRandom(&key, big.data(), 16, &rec, FixedRandom, &n), SMCRYPTO_E_CURVE_FAILURE);
}

class Sm2Decrypt : public ::testing::Test {
protected:
    void SetUp() override {
        const auto key = PublicRecord(kPx, kPy);
        auto k = kK;
        const auto m = Text("encryption standard");
        ASSERT_EQ(SM2EncryptWithRandom(&key, m.data(), uint32_t(m.size()), &rec_, FixedRandom, &k), 0u);
    }
    uint32_t Decrypt(const SM2_CIPHER_RECORD& rec) {
        memset(plain_, 0xAB, sizeof(plain_));
        uint32_t len = sizeof(plain_);
        uint32_t rc = SM2Decrypt(kD.data(), &rec, plain_, &len);
        if (rc != 0) {
            EXPECT_TRUE(plain_[0] == 0xAB && plain_[18] == 0xAB) << "plaintext released on failure";
        }
        return rc;
    }
    SM2_CIPHER_RECORD rec_;
    uint8_t plain_[256];
};

TEST_F(Sm2Decrypt, TamperedCiphertextIsRefused) {
    struct Case {
        const char* what;
        void (*change)(SM2_CIPHER_RECORD&);
    } cases[] = {
        {"C3 first byte", [](SM2_CIPHER_RECORD& r) { r.c3[0] ^= 0x01; }},
        {"C3 last byte", [](SM2_CIPHER_RECORD& r) { r.c3[31] ^= 0x80; }},
        {"C2 byte", [](SM2_CIPHER_RECORD& r) { r.c2[0] ^= 0x80; }},
        {"C2 shortened", [](SM2_CIPHER_RECORD& r) { r.c2Len -= 1; }},
        {"C1 off the curve", [](SM2_CIPHER_RECORD& r) { r.y[31] ^= 0x01; }},
        {"C1 x not below p", [](SM2_CIPHER_RECORD& r) { memset(r.x, 0xFF, 32); }},
    };
    ASSERT_EQ(Decrypt(rec_), 0u);
    for (const Case& c : cases) {
        SM2_CIPHER_RECORD bad = rec_;
        c.change(bad);
        EXPECT_EQ(Decrypt(bad), SMCRYPTO_E_CHECK_FAILED) << c.what;
    }
}

TEST_F(Sm2Decrypt, LengthQueryAndArgumentErrors) {
    uint32_t len = 0;
    EXPECT_EQ(SM2Decrypt(kD.data(), &rec_, nullptr, &len), 0u);
    EXPECT_EQ(len, 19u);
    len = 18;
    EXPECT_EQ(SM2Decrypt(kD.data(), &rec_, plain_, &len), 234u);
    EXPECT_EQ(len, 19u);

    len = sizeof(plain_);
    EXPECT_EQ(SM2Decrypt(nullptr, &rec_, plain_, &len), 87u);
    EXPECT_EQ(SM2Decrypt(kD.data(), nullptr, plain_, &len), 87u);
    EXPECT_EQ(SM2Decrypt(kD.data(), &rec_, plain_, nullptr), 87u);
    for (uint32_t c2Len : {0u, 257u, 0xFFFFFFFFu}) {
        SM2_CIPHER_RECORD bad = rec_;
        bad.c2Len = c2Len;
        EXPECT_EQ(SM2Decrypt(kD.data(), &bad, plain_, &len), 87u) << c2Len;
    }
    const std::vector<uint8_t> zero(32, 0);
    EXPECT_EQ(SM2Decrypt(zero.data(), &rec_, plain_, &len), 87u);
    EXPECT_EQ(SM2Decrypt(kN.data(), &rec_, plain_, &len), 87u);
}

TEST(Sm2Sign, StandardExample) {
    const auto e = MessageDigest(kPx, kPy, kDefaultId, Text("message digest"));
    auto k = kK;
    uint8_t r[32], s[32];
    ASSERT_EQ(SM2SignDigestWithRandom(kD.data(), e.data(), r, s, FixedRandom, &k), 0u);
    EXPECT_EQ(V(r, 32), FromHex("F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3"));
    EXPECT_EQ(V(s, 32), FromHex("B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA"));
    EXPECT_EQ(SM2VerifyDigest(kPx.data(), kPy.data(), e.data(), r, s), 0u);
}

TEST(Sm2Sign, AlteredSignaturesFail) {
    const auto m = Text("message digest");
    const auto e = MessageDigest(kPx, kPy, kDefaultId, m);
    auto k = kK;
    uint8_t r0[32], s0[32];
    ASSERT_EQ(SM2SignDigestWithRandom(kD.data(), e.data(), r0, s0, FixedRandom, &k), 0u);
    const auto n = kN;
    const std::vector<uint8_t> zero(32, 0);

    struct Case {
        const char* what;
        std::vector<uint8_t> e, r, s, x, y;
        uint32_t expected;
    } cases[] = {
        {"flipped bit in r", e, [&] { auto v = V(r0, 32); v[31] ^= 1; return v; }(), V(s0, 32), kPx, kPy,
         SMCRYPTO_E_CHECK_FAILED},
        {"flipped bit in s", e, V(r0, 32), [&] { auto v = V(s0, 32); v[0] ^= 0x40; return v; }(), kPx, kPy,
         SMCRYPTO_E_CHECK_FAILED},
        {"wrong identity", MessageDigest(kPx, kPy, "1234567812345679", m), V(r0, 32), V(s0, 32), kPx, kPy,
         SMCRYPTO_E_CHECK_FAILED},
        {"other message", MessageDigest(kPx, kPy, kDefaultId, Text("message digesT")), V(r0, 32), V(s0, 32), kPx,
         kPy, SMCRYPTO_E_CHECK_FAILED},
        {"r = 0", e, zero, V(s0, 32), kPx, kPy, SMCRYPTO_E_CHECK_FAILED},
        {"s = 0", e, V(r0, 32), zero, kPx, kPy, SMCRYPTO_E_CHECK_FAILED},
        {"r = n", e, n, V(s0, 32), kPx, kPy, SMCRYPTO_E_CHECK_FAILED},
        {"s = n", e, V(r0, 32), n, kPx, kPy, SMCRYPTO_E_CHECK_FAILED},
        {"key off the curve", e, V(r0, 32), V(s0, 32), kPx, [&] { auto v = kPy; v[31] ^= 1; return v; }(),
         SMCRYPTO_E_CHECK_FAILED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SM2VerifyDigest(c.x.data(), c.y.data(), c.e.data(), c.r.data(), c.s.data()), c.expected)
            << c.what;
    }
}

TEST(Sm2Sign, GeneratedKeysSignAndVerify) {
    for (int i = 0; i < 8; ++i) {
        uint8_t d[32], x[32], y[32], r[32], s[32];
        ASSERT_EQ(SM2GenerateKeyPair(d, x, y), 0u);
        const auto e = MessageDigest(V(x, 32), V(y, 32), kDefaultId, Text("payload"));
        ASSERT_EQ(SM2SignDigest(d, e.data(), r, s), 0u);
        EXPECT_EQ(SM2VerifyDigest(x, y, e.data(), r, s), 0u);
    }
}

TEST(Sm2Sign, ArgumentErrors) {
    uint8_t r[32], s[32], buf[32] = {1};
    const std::vector<uint8_t> zero(32, 0);
    auto nMinus1 = kN;
    nMinus1[31] -= 1;
    EXPECT_EQ(SM2SignDigest(nullptr, buf, r, s), 87u);
    EXPECT_EQ(SM2SignDigest(kD.data(), nullptr, r, s), 87u);
    EXPECT_EQ(SM2SignDigest(kD.data(), buf, nullptr, s), 87u);
    EXPECT_EQ(SM2SignDigest(kD.data(), buf, r, nullptr), 87u);
    EXPECT_EQ(SM2SignDigest(zero.data(), buf, r, s), 87u);
    EXPECT_EQ(SM2SignDigest(nMinus1.data(), buf, r, s), 87u);  // 1 + d not invertible
    EXPECT_EQ(SM2SignDigestWithRandom(kD.data(), buf, r, s, FailingRandom, nullptr), SMCRYPTO_E_CURVE_FAILURE);

    EXPECT_EQ(SM2VerifyDigest(nullptr, buf, buf, buf, buf), 87u);
    EXPECT_EQ(SM2VerifyDigest(buf, nullptr, buf, buf, buf), 87u);
    EXPECT_EQ(SM2VerifyDigest(buf, buf, nullptr, buf, buf), 87u);
    EXPECT_EQ(SM2VerifyDigest(buf, buf, buf, nullptr, buf), 87u);
    EXPECT_EQ(SM2VerifyDigest(buf, buf, buf, buf, nullptr), 87u);

    EXPECT_EQ(SM2GenerateKeyPair(nullptr, r, s), 87u);
    EXPECT_EQ(SM2GenerateKeyPair(buf, nullptr, s), 87u);
    EXPECT_EQ(SM2GenerateKeyPair(buf, r, nullptr), 87u);
}

TEST(Sm2Z, IdentityLengthLimits) {
    std::vector<uint8_t> id(513, 'A');
    uint8_t z[32];
    EXPECT_EQ(SM2ComputeZ(id.data(), 512, kPx.data(), kPy.data(), z), 0u);
    EXPECT_EQ(SM2ComputeZ(id.data(), 513, kPx.data(), kPy.data(), z), 8u);
    EXPECT_EQ(SM2ComputeZ(id.data(), 0, kPx.data(), kPy.data(), z), 87u);
    EXPECT_EQ(SM2ComputeZ(nullptr, 16, kPx.data(), kPy.data(), z), 87u);
    EXPECT_EQ(SM2ComputeZ(id.data(), 16, nullptr, kPy.data(), z), 87u);
    EXPECT_EQ(SM2ComputeZ(id.data(), 16, kPx.data(), nullptr, z), 87u);
    EXPECT_EQ(SM2ComputeZ(id.data(), 16, kPx.data(), kPy.data(), nullptr), 87u);
}

TEST(Sm2Objects, RegistrationResolvesIdentifiers) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) threads.emplace_back(SM2RegisterObjects);
    for (auto& t : threads) t.join();
    SM2RegisterObjects();
    const int nid = OBJ_txt2nid("1.2.156.10197.1.301");
    ASSERT_NE(nid, NID_undef);
    EXPECT_STREQ(OBJ_nid2sn(nid), "SM2");
    EXPECT_NE(OBJ_txt2nid("1.2.156.10197.1.501"), NID_undef);
}

TEST(SecureClear, ZeroesAndToleratesNull) {
    uint8_t b[20];
    memset(b, 0x77, sizeof(b));
    SMSecureClear(b, 10);
    EXPECT_TRUE(AllZero(b, 10));
    EXPECT_EQ(b[10], 0x77);
    SMSecureClear(nullptr, 10);
}

}  // namespace
