// Agreement with OpenSSL's own SM3, SM4 and SM2 on random inputs.

#include "smcrypto/smcrypto.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <string.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

class Cross : public ::testing::Test {
protected:
    Bytes Random(size_t n) {
        Bytes b(n);
        for (auto& v : b) v = uint8_t(rng_());
        return b;
    }
    std::mt19937 rng_{20240611};
};

// Lengths on both sides of the 64-byte block and of the 56-byte padding limit.
std::vector<uint32_t> DigestLengths() {
    std::vector<uint32_t> lengths;
    for (uint32_t i = 0; i <= 200; ++i) lengths.push_back(i);
    for (uint32_t base : {255u, 511u, 1023u, 4095u, 65535u})
        for (uint32_t d = 0; d < 3; ++d) lengths.push_back(base + d);
    return lengths;
}

Bytes OpenSslSm3(const Bytes& m) {
    uint8_t d[32];
    unsigned len = 0;
    EXPECT_EQ(EVP_Digest(m.data(), m.size(), d, &len, EVP_sm3(), nullptr), 1);
    return Bytes(d, d + 32);
}

TEST_F(Cross, Sm3MatchesOpenSsl) {
    for (uint32_t len : DigestLengths()) {
        const Bytes m = Random(len);
        const Bytes expected = OpenSslSm3(m);
        // Fed in random pieces.
        SM3_CONTEXT ctx;
        SM3Init(&ctx);
        uint32_t pos = 0;
        while (pos < len) {
            uint32_t piece = std::min<uint32_t>(len - pos, rng_() % 150);
            SM3Update(&ctx, m.data() + pos, piece);
            pos += piece;
        }
        uint8_t d[32];
        EXPECT_EQ(SM3Final(&ctx, d), len == 0 ? 0u : 32u);
        ASSERT_EQ(Bytes(d, d + 32), expected) << "length " << len;
        if (len != 0) {
            ASSERT_EQ(SM3Digest(m.data(), len, d), d);
            ASSERT_EQ(Bytes(d, d + 32), expected) << "one-shot, length " << len;
        }
    }
}

// The bit count of the padding needs more than 32 bits from 512 MiB on.
TEST_F(Cross, Sm3LengthBeyond32BitCount) {
    const Bytes chunk = Random(1 << 20);
    const uint32_t chunks = 513;
    const Bytes tail = Random(3);
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    MdCtxPtr md(EVP_MD_CTX_new());
    ASSERT_EQ(EVP_DigestInit_ex(md.get(), EVP_sm3(), nullptr), 1);
    for (uint32_t i = 0; i < chunks; ++i) {
        SM3Update(&ctx, chunk.data(), uint32_t(chunk.size()));
        EVP_DigestUpdate(md.get(), chunk.data(), chunk.size());
    }
    SM3Update(&ctx, tail.data(), 3);
    EVP_DigestUpdate(md.get(), tail.data(), 3);
    uint8_t ours[32], theirs[32];
    unsigned len = 0;
    ASSERT_EQ(SM3Final(&ctx, ours), 32u);
    ASSERT_EQ(EVP_DigestFinal_ex(md.get(), theirs, &len), 1);
    EXPECT_EQ(Bytes(ours, ours + 32), Bytes(theirs, theirs + 32));
}

Bytes OpenSslSm4(const EVP_CIPHER* cipher, bool encrypt, const Bytes& key, const Bytes* iv, const Bytes& in) {
    CipherCtxPtr c(EVP_CIPHER_CTX_new());
    Bytes out(in.size() + 16);
    int n1 = 0, n2 = 0;
    EXPECT_EQ(EVP_CipherInit_ex(c.get(), cipher, nullptr, key.data(), iv ? iv->data() : nullptr, encrypt ? 1 : 0), 1);
    EVP_CIPHER_CTX_set_padding(c.get(), 0);
    EXPECT_EQ(EVP_CipherUpdate(c.get(), out.data(), &n1, in.data(), int(in.size())), 1);
    EXPECT_EQ(EVP_CipherFinal_ex(c.get(), out.data() + n1, &n2), 1);
    out.resize(size_t(n1 + n2));
    return out;
}

TEST_F(Cross, Sm4EcbMatchesOpenSsl) {
    std::vector<uint32_t> lengths;
    for (uint32_t i = 1; i <= 80; ++i) lengths.push_back(i);
    for (uint32_t v : {255u, 256u, 257u, 1023u, 1024u, 1025u, 4096u}) lengths.push_back(v);
    for (uint32_t len : lengths) {
        const Bytes key = Random(16), in = Random(len);
        Bytes padded = in;
        padded.resize((len + 15) / 16 * 16, 0);
        const Bytes expected = OpenSslSm4(EVP_sm4_ecb(), true, key, nullptr, padded);

        Bytes out(padded.size());
        uint32_t outLen = 0;
        ASSERT_EQ(SM4EcbBuffer(in.data(), len, key.data(), 16, SM4_ENCRYPT, out.data(), &outLen), 0u);
        ASSERT_EQ(outLen, padded.size());
        ASSERT_EQ(out, expected) << "length " << len;

        Bytes back(padded.size());
        ASSERT_EQ(SM4EcbBuffer(expected.data(), uint32_t(expected.size()), key.data(), 16, SM4_DECRYPT, back.data(),
                               &outLen),
                  0u);
        ASSERT_EQ(back, padded) << "length " << len;
    }
}

TEST_F(Cross, Sm4CbcMatchesOpenSsl) {
    for (uint32_t blocks : {1u, 2u, 3u, 4u, 5u, 16u, 17u, 64u, 257u}) {
        const uint32_t len = blocks * 16;
        const Bytes key = Random(16), iv = Random(16), in = Random(len);
        Bytes out(len), back(len);
        ASSERT_EQ(SM4CbcBuffer(in.data(), len, key.data(), iv.data(), SM4_ENCRYPT, out.data()), 0u);
        ASSERT_EQ(out, OpenSslSm4(EVP_sm4_cbc(), true, key, &iv, in)) << blocks;
        ASSERT_EQ(SM4CbcBuffer(out.data(), len, key.data(), iv.data(), SM4_DECRYPT, back.data()), 0u);
        ASSERT_EQ(back, in);
        ASSERT_EQ(OpenSslSm4(EVP_sm4_cbc(), false, key, &iv, out), in);
    }
}

// ---------------------------------------------------------------- SM2

struct KeyPair {
    Bytes d, x, y;
    PkeyPtr pkey;
};

PkeyPtr ImportKey(const Bytes& d, const Bytes& x, const Bytes& y) {
    Bytes pub{0x04};
    pub.insert(pub.end(), x.begin(), x.end());
    pub.insert(pub.end(), y.begin(), y.end());
    BIGNUM* priv = BN_bin2bn(d.data(), int(d.size()), nullptr);
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, "SM2", 0);
    OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, pub.data(), pub.size());
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_PRIV_KEY, priv);
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
    EVP_PKEY* pkey = nullptr;
    EXPECT_EQ(EVP_PKEY_fromdata_init(ctx.get()), 1);
    EXPECT_EQ(EVP_PKEY_fromdata(ctx.get(), &pkey, EVP_PKEY_KEYPAIR, params), 1);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    BN_free(priv);
    return PkeyPtr(pkey);
}

KeyPair OurKey() {
    KeyPair k{Bytes(32), Bytes(32), Bytes(32), nullptr};
    EXPECT_EQ(SM2GenerateKeyPair(k.d.data(), k.x.data(), k.y.data()), 0u);
    k.pkey = ImportKey(k.d, k.x, k.y);
    return k;
}

KeyPair OpenSslKey() {
    KeyPair k{Bytes(32), Bytes(32), Bytes(32), PkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2"))};
    BIGNUM* priv = nullptr;
    uint8_t pub[65];
    size_t pubLen = 0;
    EXPECT_EQ(EVP_PKEY_get_bn_param(k.pkey.get(), OSSL_PKEY_PARAM_PRIV_KEY, &priv), 1);
    EXPECT_EQ(EVP_PKEY_get_octet_string_param(k.pkey.get(), OSSL_PKEY_PARAM_PUB_KEY, pub, sizeof(pub), &pubLen), 1);
    EXPECT_EQ(pubLen, 65u);
    BN_bn2binpad(priv, k.d.data(), 32);
    BN_clear_free(priv);
    memcpy(k.x.data(), pub + 1, 32);
    memcpy(k.y.data(), pub + 33, 32);
    return k;
}

// DER form used by OpenSSL: SEQUENCE { INTEGER x, INTEGER y, OCTET STRING C3, OCTET STRING C2 }.
void DerLength(Bytes& out, size_t len) {
    if (len < 128) {
        out.push_back(uint8_t(len));
    } else if (len < 256) {
        out.push_back(0x81);
        out.push_back(uint8_t(len));
    } else {
        out.push_back(0x82);
        out.push_back(uint8_t(len >> 8));
        out.push_back(uint8_t(len));
    }
}
void DerItem(Bytes& out, uint8_t tag, const Bytes& body) {
    out.push_back(tag);
    DerLength(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
}
Bytes DerInteger(const uint8_t* v) {
    size_t i = 0;
    while (i < 31 && v[i] == 0) ++i;
    Bytes body;
    if (v[i] & 0x80) body.push_back(0);
    body.insert(body.end(), v + i, v + 32);
    return body;
}

Bytes RecordToDer(const SM2_CIPHER_RECORD& rec) {
    Bytes body;
    DerItem(body, 0x02, DerInteger(rec.x));
    DerItem(body, 0x02, DerInteger(rec.y));
    DerItem(body, 0x04, Bytes(rec.c3, rec.c3 + 32));
    DerItem(body, 0x04, Bytes(rec.c2, rec.c2 + rec.c2Len));
    Bytes out;
    DerItem(out, 0x30, body);
    return out;
}

bool DerRead(const Bytes& in, size_t& pos, uint8_t tag, Bytes& body) {
    if (pos + 2 > in.size() || in[pos] != tag) return false;
    size_t len = in[pos + 1];
    pos += 2;
    if (len & 0x80) {
        size_t n = len & 0x7F;
        if (n == 0 || n > 2 || pos + n > in.size()) return false;
        len = 0;
        for (size_t i = 0; i < n; ++i) len = (len << 8) | in[pos++];
    }
    if (pos + len > in.size()) return false;
    body.assign(in.begin() + long(pos), in.begin() + long(pos + len));
    pos += len;
    return true;
}

bool DerToRecord(const Bytes& der, SM2_CIPHER_RECORD& rec) {
    memset(&rec, 0, sizeof(rec));
    size_t pos = 0, inner = 0;
    Bytes seq, x, y, c3, c2;
    if (!DerRead(der, pos, 0x30, seq)) return false;
    if (!DerRead(seq, inner, 0x02, x) || !DerRead(seq, inner, 0x02, y) || !DerRead(seq, inner, 0x04, c3) ||
        !DerRead(seq, inner, 0x04, c2))
        return false;
    while (!x.empty() && x[0] == 0 && x.size() > 32) x.erase(x.begin());
    while (!y.empty() && y[0] == 0 && y.size() > 32) y.erase(y.begin());
    if (x.size() > 32 || y.size() > 32 || c3.size() != 32 || c2.size() > 256) return false;
    memcpy(rec.x + 32 - x.size(), x.data(), x.size());
    memcpy(rec.y + 32 - y.size(), y.data(), y.size());
    memcpy(rec.c3, c3.data(), 32);
    memcpy(rec.c2, c2.data(), c2.size());
    rec.c2Len = uint32_t(c2.size());
    return true;
}

Bytes OpenSslPkeyOp(EVP_PKEY* pkey, bool encrypt, const Bytes& in, int* ok) {
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new(pkey, nullptr));
    size_t len = 0;
    *ok = 0;
    if ((encrypt ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get())) != 1) return {};
    auto op = encrypt ? EVP_PKEY_encrypt : EVP_PKEY_decrypt;
    if (op(ctx.get(), nullptr, &len, in.data(), in.size()) != 1) return {};
    Bytes out(len);
    if (op(ctx.get(), out.data(), &len, in.data(), in.size()) != 1) return {};
    out.resize(len);
    *ok = 1;
    return out;
}

SM2_PUBLIC_KEY_RECORD PublicRecord(const KeyPair& k) {
    SM2_PUBLIC_KEY_RECORD rec;
    memset(&rec, 0, sizeof(rec));
    rec.bitLen = 256;
    memcpy(rec.x, k.x.data(), 32);
    memcpy(rec.y, k.y.data(), 32);
    return rec;
}

const uint32_t kSm2Lengths[] = {1, 2, 19, 31, 32, 33, 63, 64, 65, 200, 255, 256};

TEST_F(Cross, Sm2OurCiphertextDecryptsWithOpenSsl) {
    for (int round = 0; round < 2; ++round) {
        KeyPair key = round == 0 ? OurKey() : OpenSslKey();
        ASSERT_TRUE(key.pkey);
        const auto pubRec = PublicRecord(key);
        for (uint32_t len : kSm2Lengths) {
            const Bytes m = Random(len);
            SM2_CIPHER_RECORD rec;
            ASSERT_EQ(SM2Encrypt(&pubRec, m.data(), len, &rec), 0u);
            int ok = 0;
            EXPECT_EQ(OpenSslPkeyOp(key.pkey.get(), false, RecordToDer(rec), &ok), m) << "length " << len;
            EXPECT_EQ(ok, 1);
        }
    }
}

// OpenSSL keeps a k whose key stream is all zero, which the recipient must refuse;
// for a 1-byte message that happens once in 256 encryptions, so the shortest
// message here has 3 bytes.
TEST_F(Cross, Sm2OpenSslCiphertextDecryptsWithOurs) {
    for (int round = 0; round < 2; ++round) {
        KeyPair key = round == 0 ? OurKey() : OpenSslKey();
        ASSERT_TRUE(key.pkey);
        for (uint32_t len : kSm2Lengths) {
            if (len < 3) continue;
            const Bytes m = Random(len);
            int ok = 0;
            const Bytes der = OpenSslPkeyOp(key.pkey.get(), true, m, &ok);
            ASSERT_EQ(ok, 1);
            SM2_CIPHER_RECORD rec;
            ASSERT_TRUE(DerToRecord(der, rec));
            uint8_t out[256];
            uint32_t outLen = sizeof(out);
            ASSERT_EQ(SM2Decrypt(key.d.data(), &rec, out, &outLen), 0u) << "length " << len;
            EXPECT_EQ(Bytes(out, out + outLen), m);
        }
    }
}

Bytes OurDigestE(const KeyPair& key, const Bytes& id, const Bytes& m) {
    uint8_t z[32], e[32];
    EXPECT_EQ(SM2ComputeZ(id.data(), uint32_t(id.size()), key.x.data(), key.y.data(), z), 0u);
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, z, 32);
    SM3Update(&ctx, m.data(), uint32_t(m.size()));
    SM3Final(&ctx, e);
    return Bytes(e, e + 32);
}

Bytes SigToDer(const uint8_t r[32], const uint8_t s[32]) {
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(r, 32, nullptr), BN_bin2bn(s, 32, nullptr));
    unsigned char* der = nullptr;
    int len = i2d_ECDSA_SIG(sig, &der);
    Bytes out(der, der + len);
    OPENSSL_free(der);
    ECDSA_SIG_free(sig);
    return out;
}

// Sign (sig empty) or verify (sig given) the message with OpenSSL, SM3 and identity id.
int OpenSslSignature(EVP_PKEY* pkey, const Bytes& id, const Bytes& m, Bytes& sig, bool sign) {
    MdCtxPtr md(EVP_MD_CTX_new());
    PkeyCtxPtr pctx(EVP_PKEY_CTX_new(pkey, nullptr));
    if (EVP_PKEY_CTX_set1_id(pctx.get(), id.data(), int(id.size())) != 1) return -1;
    EVP_MD_CTX_set_pkey_ctx(md.get(), pctx.get());
    if (sign) {
        if (EVP_DigestSignInit(md.get(), nullptr, EVP_sm3(), nullptr, pkey) != 1) return -1;
        size_t len = 0;
        if (EVP_DigestSign(md.get(), nullptr, &len, m.data(), m.size()) != 1) return -1;
        sig.resize(len);
        if (EVP_DigestSign(md.get(), sig.data(), &len, m.data(), m.size()) != 1) return -1;
        sig.resize(len);
        return 1;
    }
    if (EVP_DigestVerifyInit(md.get(), nullptr, EVP_sm3(), nullptr, pkey) != 1) return -1;
    return EVP_DigestVerify(md.get(), sig.data(), sig.size(), m.data(), m.size());
}

const Bytes kDefaultId = {'1', '2', '3', '4', '5', '6', '7', '8', '1', '2', '3', '4', '5', '6', '7', '8'};

TEST_F(Cross, Sm2SignaturesVerifyBothWays) {
    const Bytes longId = Random(300);  // ENTL above one byte
    for (int i = 0; i < 12; ++i) {
        KeyPair key = i % 2 == 0 ? OurKey() : OpenSslKey();
        ASSERT_TRUE(key.pkey);
        const Bytes& id = i % 3 == 2 ? longId : kDefaultId;
        const Bytes m = Random(rng_() % 300);
        const Bytes e = OurDigestE(key, id, m);

        uint8_t r[32], s[32];
        ASSERT_EQ(SM2SignDigest(key.d.data(), e.data(), r, s), 0u);
        Bytes ours = SigToDer(r, s);
        EXPECT_EQ(OpenSslSignature(key.pkey.get(), id, m, ours, false), 1) << "OpenSSL rejects ours, round " << i;

        Bytes theirs;
        ASSERT_EQ(OpenSslSignature(key.pkey.get(), id, m, theirs, true), 1);
        const unsigned char* p = theirs.data();
        ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, long(theirs.size()));
        ASSERT_NE(sig, nullptr);
        uint8_t tr[32], ts[32];
        BN_bn2binpad(ECDSA_SIG_get0_r(sig), tr, 32);
        BN_bn2binpad(ECDSA_SIG_get0_s(sig), ts, 32);
        ECDSA_SIG_free(sig);
        EXPECT_EQ(SM2VerifyDigest(key.x.data(), key.y.data(), e.data(), tr, ts), 0u)
            << "we reject OpenSSL's, round " << i;
        ts[7] ^= 0x10;
        EXPECT_EQ(SM2VerifyDigest(key.x.data(), key.y.data(), e.data(), tr, ts), SMCRYPTO_E_CHECK_FAILED);
    }
}

}  // namespace
