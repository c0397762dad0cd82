#include "smcrypto/smcrypto.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> FromHex(const std::string& h) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

const std::vector<uint8_t> kKey = FromHex("0123456789ABCDEFFEDCBA9876543210");

TEST(Sm4, StandardExampleOneBlock) {
    SM4_KEY_SCHEDULE enc, dec;
    SM4SetEncryptKey(&enc, kKey.data());
    SM4SetDecryptKey(&dec, kKey.data());
    uint8_t c[16], p[16];
    SM4CryptBlock(&enc, kKey.data(), c);
    EXPECT_EQ(std::vector<uint8_t>(c, c + 16), FromHex("681EDF34D206965E86B3E94F536E4246"));
    SM4CryptBlock(&dec, c, p);
    EXPECT_EQ(std::vector<uint8_t>(p, p + 16), kKey);
    // The decryption schedule is the encryption schedule reversed.
    for (int i = 0; i < 32; ++i) EXPECT_EQ(dec.rk[i], enc.rk[31 - i]);
}

TEST(Sm4, StandardExampleMillionIterations) {
    SM4_KEY_SCHEDULE enc;
    SM4SetEncryptKey(&enc, kKey.data());
    uint8_t b[16];
    memcpy(b, kKey.data(), 16);
    for (int i = 0; i < 1000000; ++i) SM4CryptBlock(&enc, b, b);
    EXPECT_EQ(std::vector<uint8_t>(b, b + 16), FromHex("595298C7C6FD271F0402F804C33D3F66"));
}

// A final partial block is completed with zeros; decryption returns the padded input.
TEST(Sm4, EcbPadsPartialLastBlock) {
    SM4_KEY_SCHEDULE enc;
    SM4SetEncryptKey(&enc, kKey.data());
    for (uint32_t len : {1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u}) {
        std::vector<uint8_t> in(len);
        for (uint32_t i = 0; i < len; ++i) in[i] = uint8_t(0xA0 + i);
        const uint32_t padded = (len + 15) / 16 * 16;
        std::vector<uint8_t> out(padded + 16, 0xEE), back(padded, 0xEE);
        uint32_t outLen = 0, backLen = 0;
        ASSERT_EQ(SM4EcbBuffer(in.data(), len, kKey.data(), 16, SM4_ENCRYPT, out.data(), &outLen), 0u);
        ASSERT_EQ(outLen, padded) << len;
        EXPECT_EQ(out[padded], 0xEE) << "wrote past the padded length for " << len;

        std::vector<uint8_t> expected(padded, 0);
        memcpy(expected.data(), in.data(), len);
        for (uint32_t b = 0; b < padded; b += 16) {
            uint8_t c[16];
            SM4CryptBlock(&enc, expected.data() + b, c);
            ASSERT_EQ(memcmp(c, out.data() + b, 16), 0) << "block " << b / 16 << " of " << len;
        }
        ASSERT_EQ(SM4EcbBuffer(out.data(), padded, kKey.data(), 16, SM4_DECRYPT, back.data(), &backLen), 0u);
        EXPECT_EQ(backLen, padded);
        EXPECT_EQ(back, expected);
    }
}

TEST(Sm4, EcbAndCbcWorkInPlace) {
    std::vector<uint8_t> data(80);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
    const uint8_t iv[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

    std::vector<uint8_t> sep(80), buf = data;
    uint32_t len = 0;
    ASSERT_EQ(SM4EcbBuffer(data.data(), 80, kKey.data(), 16, SM4_ENCRYPT, sep.data(), &len), 0u);
    ASSERT_EQ(SM4EcbBuffer(buf.data(), 80, kKey.data(), 16, SM4_ENCRYPT, buf.data(), &len), 0u);
    EXPECT_EQ(buf, sep);

    buf = data;
    ASSERT_EQ(SM4CbcBuffer(data.data(), 80, kKey.data(), iv, SM4_ENCRYPT, sep.data()), 0u);
    ASSERT_EQ(SM4CbcBuffer(buf.data(), 80, kKey.data(), iv, SM4_ENCRYPT, buf.data()), 0u);
    EXPECT_EQ(buf, sep);
    ASSERT_EQ(SM4CbcBuffer(buf.data(), 80, kKey.data(), iv, SM4_DECRYPT, buf.data()), 0u);
    EXPECT_EQ(buf, data);
}

TEST(Sm4, CbcChainsFromIvAndLeavesItAlone) {
    // One block of CBC is ECB of (P xor IV); the second block chains from the first.
    uint8_t iv[16], ivCopy[16], p[32], c[32];
    for (int i = 0; i < 16; ++i) iv[i] = uint8_t(0x10 + i);
    for (int i = 0; i < 32; ++i) p[i] = uint8_t(3 * i);
    memcpy(ivCopy, iv, 16);
    ASSERT_EQ(SM4CbcBuffer(p, 32, kKey.data(), iv, SM4_ENCRYPT, c), 0u);
    EXPECT_EQ(memcmp(iv, ivCopy, 16), 0);

    SM4_KEY_SCHEDULE enc;
    SM4SetEncryptKey(&enc, kKey.data());
    uint8_t x[16], e[16];
    for (int i = 0; i < 16; ++i) x[i] = p[i] ^ iv[i];
    SM4CryptBlock(&enc, x, e);
    EXPECT_EQ(memcmp(e, c, 16), 0);
    for (int i = 0; i < 16; ++i) x[i] = p[16 + i] ^ c[i];
    SM4CryptBlock(&enc, x, e);
    EXPECT_EQ(memcmp(e, c + 16, 16), 0);
}

TEST(Sm4, BufferFaultsGiveTheSm4Code) {
    const std::vector<uint8_t> key17(17, 1);
    uint8_t in[32] = {0}, out[48];
    const uint8_t iv[16] = {0};
    uint32_t outLen = 12345;
    struct Case {
        const char* what;
        const uint8_t* in;
        uint32_t inLen;
        const uint8_t* key;
        uint32_t keyLen;
        int dir;
        uint8_t* out;
        uint32_t* outLen;
    } cases[] = {
        {"null input", nullptr, 16, kKey.data(), 16, SM4_ENCRYPT, out, &outLen},
        {"null key", in, 16, nullptr, 16, SM4_ENCRYPT, out, &outLen},
        {"null output", in, 16, kKey.data(), 16, SM4_ENCRYPT, nullptr, &outLen},
        {"null out-length", in, 16, kKey.data(), 16, SM4_ENCRYPT, out, nullptr},
        {"key of 15", in, 16, kKey.data(), 15, SM4_ENCRYPT, out, &outLen},
        {"key of 17", in, 16, key17.data(), 17, SM4_ENCRYPT, out, &outLen},
        {"key of 0", in, 16, kKey.data(), 0, SM4_DECRYPT, out, &outLen},
        {"encrypt 0 bytes", in, 0, kKey.data(), 16, SM4_ENCRYPT, out, &outLen},
        {"decrypt 0 bytes", in, 0, kKey.data(), 16, SM4_DECRYPT, out, &outLen},
        {"decrypt 17 bytes", in, 17, kKey.data(), 16, SM4_DECRYPT, out, &outLen},
        {"direction 0", in, 16, kKey.data(), 16, 0, out, &outLen},
        {"direction 3", in, 16, kKey.data(), 16, 3, out, &outLen},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SM4EcbBuffer(c.in, c.inLen, c.key, c.keyLen, c.dir, c.out, c.outLen), SMCRYPTO_E_SM4) << c.what;
    }
    EXPECT_EQ(outLen, 12345u);

    EXPECT_EQ(SM4CbcBuffer(nullptr, 16, kKey.data(), iv, SM4_ENCRYPT, out), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 16, nullptr, iv, SM4_ENCRYPT, out), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 16, kKey.data(), nullptr, SM4_ENCRYPT, out), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 16, kKey.data(), iv, SM4_ENCRYPT, nullptr), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 0, kKey.data(), iv, SM4_ENCRYPT, out), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 17, kKey.data(), iv, SM4_ENCRYPT, out), SMCRYPTO_E_SM4);
    EXPECT_EQ(SM4CbcBuffer(in, 16, kKey.data(), iv, 5, out), SMCRYPTO_E_SM4);

    // Null schedule or blocks are ignored rather than dereferenced.
    SM4SetEncryptKey(nullptr, kKey.data());
    SM4_KEY_SCHEDULE ks;
    SM4SetEncryptKey(&ks, kKey.data());
    SM4CryptBlock(nullptr, in, out);
    SM4CryptBlock(&ks, nullptr, out);
    SM4CryptBlock(&ks, in, nullptr);
}

}  // namespace
