#include "smcrypto/smcrypto.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t* p, size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += kDigits[p[i] >> 4];
        s += kDigits[p[i] & 15];
    }
    return s;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Digest(const std::vector<uint8_t>& m) {
    uint8_t d[32];
    EXPECT_EQ(SM3Digest(m.data(), uint32_t(m.size()), d), d);
    return Hex(d, 32);
}

TEST(Sm3, StandardExamples) {
    std::string abcd16;
    for (int i = 0; i < 16; ++i) abcd16 += "abcd";
    EXPECT_EQ(Digest(Bytes("abc")), "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0");
    EXPECT_EQ(Digest(Bytes(abcd16)), "DEBE9FF92275B8A138604889C18E5A4D6FDB70E5387E5765293DCBA39C0C5732");
}

// Every way of cutting a message into two or three updates gives the one-shot digest;
// the message spans several blocks so the buffered and direct paths both run.
TEST(Sm3, SplitUpdatesMatchOneShot) {
    std::vector<uint8_t> m(200);
    for (size_t i = 0; i < m.size(); ++i) m[i] = uint8_t(i * 31 + 7);
    const std::string expected = Digest(m);
    for (uint32_t cut1 = 0; cut1 <= m.size(); ++cut1) {
        for (uint32_t cut2 : {cut1, cut1 + 1, cut1 + 63, cut1 + 64, cut1 + 65}) {
            if (cut2 > m.size()) continue;
            SM3_CONTEXT ctx;
            SM3Init(&ctx);
            SM3Update(&ctx, m.data(), cut1);
            SM3Update(&ctx, m.data() + cut1, cut2 - cut1);
            SM3Update(&ctx, m.data() + cut2, uint32_t(m.size() - cut2));
            uint8_t d[32];
            ASSERT_EQ(SM3Final(&ctx, d), 32u);
            ASSERT_EQ(Hex(d, 32), expected) << "cuts " << cut1 << "," << cut2;
        }
    }
}

TEST(Sm3, ContextIsReusableAfterFinal) {
    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    uint8_t d1[32], d2[32];
    SM3Update(&ctx, reinterpret_cast<const uint8_t*>("xyz"), 3);
    SM3Final(&ctx, d1);
    SM3Update(&ctx, reinterpret_cast<const uint8_t*>("abc"), 3);
    ASSERT_EQ(SM3Final(&ctx, d2), 32u);
    EXPECT_EQ(Hex(d2, 32), "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0");
}

TEST(Sm3, BadArguments) {
    uint8_t d[32] = {0};
    const uint8_t data[1] = {'a'};
    EXPECT_EQ(SM3Digest(nullptr, 1, d), nullptr);
    EXPECT_EQ(SM3Digest(data, 0, d), nullptr);
    EXPECT_EQ(SM3Digest(data, 1, nullptr), nullptr);

    SM3Init(nullptr);
    SM3Update(nullptr, data, 1);
    EXPECT_EQ(SM3Final(nullptr, d), 0u);

    SM3_CONTEXT ctx;
    SM3Init(&ctx);
    SM3Update(&ctx, nullptr, 5);  // ignored
    SM3Update(&ctx, data, 0);     // ignored
    EXPECT_EQ(SM3Final(&ctx, nullptr), 0u);
    // Nothing hashed: 0, with the empty message's digest written.
    EXPECT_EQ(SM3Final(&ctx, d), 0u);
    EXPECT_EQ(Hex(d, 32), "1AB21D8355CFA17F8E61194831E81A8F22BEC8C728FEFB747ED035EB5082AA2B");
}

}  // namespace
