// The exchange engine, GET RESPONSE handling and the secure-messaging envelope,
// checked against OpenSSL's own ciphers.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <gtest/gtest.h>
#include <openssl/des.h>
#include <openssl/evp.h>

#include "fake_transport.h"
#include "card_profiles.h"
#include "smcrypto/smcrypto.h"
#include "token/device_info.h"
#include "transport/result_codes.h"
#include "transport/secure_wrap.h"

using namespace testing_support;
using pq::BlockMode;

namespace {

constexpr DeviceHandle kDev = 9;

TEST(Exchange, StatusRulesMapWordsAndClasses) {
  pq::Reply r;
  r.sw = 0x9000;
  EXPECT_EQ(pq::MapStatus(r), 0u);
  r.sw = 0x6A82;
  EXPECT_EQ(pq::MapStatus(r), pq::kErrUnexpectedStatus);
  EXPECT_EQ(pq::MapStatus(r, {{0x6A82, pq::kErrEFNotFound}}), pq::kErrEFNotFound);
  r.sw = 0x6110;
  EXPECT_EQ(pq::MapStatus(r, {{0x6100, 0, 0xFF00}}), 0u);
  r.result = 0xA0000009;
  EXPECT_EQ(pq::MapStatus(r, {{0x6100, 0, 0xFF00}}), 0xA0000009u);
}

TEST(Exchange, ResponseCapacityIsStatedOnEveryCall) {
  FakeTransport t;
  t.Queue(0x9000, Bytes(641, 1));  // more than the default capacity: the fake refuses
  uint8_t serial[8];
  EXPECT_NE(HWGetSerial(kDev, serial), 0u);
}

TEST(Exchange, CollectResponseFetchesOnlyTheAnnouncedLength) {
  FakeTransport t;
  t.Queue(0x9000, Bytes(16, 0x5A));
  pq::Reply reply;
  reply.sw = 0x6110;
  ASSERT_EQ(pq::CollectResponse(kDev, reply, 16), 0u);
  EXPECT_EQ(ToHex(t.commands[0]), "00C0000010");
  EXPECT_EQ(reply.data, Bytes(16, 0x5A));

  reply = pq::Reply{};
  reply.sw = 0x6108;  // announced 8, caller expects 16: nothing is fetched
  EXPECT_EQ(pq::CollectResponse(kDev, reply, 16), pq::kErrUnexpectedStatus);
  EXPECT_EQ(t.commands.size(), 1u);

  reply = pq::Reply{};
  reply.sw = 0x6180;  // a 128-byte RSA block is accepted where allowed
  t.Queue(0x9000, Bytes(128, 1));
  EXPECT_EQ(pq::CollectResponse(kDev, reply, 256, true), 0u);
  EXPECT_EQ(reply.data.size(), 128u);
}

TEST(Exchange, MissingTransportFailsWithoutCallingIt) {
  pq::Transport() = pq::TransportBinding{};
  uint8_t serial[8];
  EXPECT_EQ(HWGetSerial(kDev, serial), pq::kErrTransportUnavailable);
}

// Independent decryption and MAC with OpenSSL, to check what the envelope sent.
struct Unwrapped {
  Bytes plain;
  Bytes mac;
  Bytes expectedMac;
};

Bytes OpenSslEcbDecrypt(BlockMode mode, const Bytes& key, const Bytes& c) {
  Bytes out(c.size());
  if (mode == BlockMode::k16) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_DecryptInit_ex(ctx, EVP_sm4_ecb(), nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0, m = 0;
    EVP_DecryptUpdate(ctx, out.data(), &n, c.data(), static_cast<int>(c.size()));
    EVP_DecryptFinal_ex(ctx, out.data() + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    return out;
  }
  DES_key_schedule k1, k2;
  DES_cblock b1, b2;
  memcpy(b1, key.data(), 8);
  memcpy(b2, key.data() + (key.size() >= 16 ? 8 : 0), 8);
  DES_set_key_unchecked(&b1, &k1);
  DES_set_key_unchecked(&b2, &k2);
  for (size_t i = 0; i < c.size(); i += 8) {
    DES_cblock in, o;
    memcpy(in, c.data() + i, 8);
    DES_ecb3_encrypt(&in, &o, &k1, &k2, &k1, DES_DECRYPT);
    memcpy(out.data() + i, o, 8);
  }
  return out;
}

Bytes OpenSslMac(BlockMode mode, const Bytes& key, const Bytes& iv, Bytes input) {
  size_t bs = mode == BlockMode::k16 ? 16 : 8;
  input.push_back(0x80);
  while (input.size() % bs) input.push_back(0);
  if (mode == BlockMode::k16) {
    Bytes out(input.size());
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_sm4_cbc(), nullptr, key.data(), iv.data());
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0;
    EVP_EncryptUpdate(ctx, out.data(), &n, input.data(), static_cast<int>(input.size()));
    EVP_CIPHER_CTX_free(ctx);
    return Bytes(out.end() - 16, out.end() - 12);
  }
  DES_key_schedule k1, k2;
  DES_cblock b1, b2, chain;
  memcpy(b1, key.data(), 8);
  memcpy(b2, key.data() + (key.size() >= 16 ? 8 : 0), 8);
  DES_set_key_unchecked(&b1, &k1);
  DES_set_key_unchecked(&b2, &k2);
  memcpy(chain, iv.data(), 8);
  Bytes out(input.size());
  DES_ncbc_encrypt(input.data(), out.data(), static_cast<long>(input.size()), &k1, &chain, DES_ENCRYPT);
  DES_cblock last, tmp;
  memcpy(last, out.data() + out.size() - 8, 8);
  DES_ecb_encrypt(&last, &tmp, &k2, DES_DECRYPT);
  DES_ecb_encrypt(&tmp, &last, &k1, DES_ENCRYPT);
  return Bytes(last, last + 4);
}

struct WrapCase {
  BlockMode mode;
  size_t keyLength;
  size_t dataLength;
  size_t headerLength;
  size_t expectedPaddedLength;  // length of C
  size_t expectedLcBytes;
};

TEST(SecureWrap, EnvelopeDecryptsAndAuthenticatesWithIndependentCiphers) {
  const WrapCase cases[] = {
      {BlockMode::k8, 16, 7, 4, 16, 1},     // plain block of exactly 8 bytes gets a whole padding block
      {BlockMode::k8, 8, 10, 4, 16, 1},     // single DES
      {BlockMode::k16, 16, 15, 4, 16, 1},   // plain block of exactly 16 bytes: no padding
      {BlockMode::k16, 16, 16, 4, 32, 1},
      {BlockMode::k16, 16, 240, 5, 256, 2}, // C + MAC reaches 256: two-byte Lc'
      {BlockMode::k16, 16, 300, 4, 304, 2}, // two-byte length prefix inside the block
      {BlockMode::k8, 16, 4095, 4, 4104, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " data " << c.dataLength);
    FakeTransport t;
    Bytes key(c.keyLength);
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(0x11 * (i + 1));
    Bytes iv(16);
    for (size_t i = 0; i < iv.size(); ++i) iv[i] = static_cast<uint8_t>(0xF0 - i);
    Bytes data(c.dataLength);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    Bytes command = c.headerLength == 4 ? Hex("84D40000") : Hex("94C6000100");
    ASSERT_EQ(pq::SecureWrap(kDev, c.mode, key.data(), static_cast<uint32_t>(key.size()), command, data.data(),
                             static_cast<uint32_t>(data.size()), iv.data()),
              0u);
    EXPECT_TRUE(t.commands.empty()) << "a given IV needs no challenge";
    size_t pos = c.headerLength;
    size_t lc = c.expectedLcBytes == 1 ? command[pos] : (command[pos] << 8 | command[pos + 1]);
    EXPECT_EQ(lc, c.expectedPaddedLength + 4);
    if (c.expectedLcBytes == 2) {
      EXPECT_NE(command[pos], 0x00);
    }
    pos += c.expectedLcBytes;
    ASSERT_EQ(command.size(), pos + c.expectedPaddedLength + 4);
    Bytes encrypted(command.begin() + pos, command.begin() + pos + c.expectedPaddedLength);
    Bytes plain = OpenSslEcbDecrypt(c.mode, key, encrypted);
    size_t prefix = c.dataLength < 256 ? 1 : 2;
    size_t declared = prefix == 1 ? plain[0] : (plain[0] << 8 | plain[1]);
    EXPECT_EQ(declared, c.dataLength);
    EXPECT_EQ(Bytes(plain.begin() + prefix, plain.begin() + prefix + c.dataLength), data);
    if (c.mode == BlockMode::k8) {
      uint8_t n = plain.back();
      EXPECT_EQ(plain.size(), prefix + c.dataLength + n);
      for (size_t i = plain.size() - n; i < plain.size(); ++i) EXPECT_EQ(plain[i], n);
    } else {
      for (size_t i = prefix + c.dataLength; i < plain.size(); ++i) EXPECT_EQ(plain[i], 0);
    }
    Bytes macInput(command.begin(), command.end() - 4);
    EXPECT_EQ(ToHex(Bytes(command.end() - 4, command.end())), ToHex(OpenSslMac(c.mode, key, iv, macInput)));
  }
}

TEST(SecureWrap, AsksForAChallengeOfTheBlockSizeWhenNoIvIsGiven) {
  vtoken::CardState card;
  ASSERT_TRUE(vtoken::MakeCard("chip1", {8, 7, 6, 5, 4, 3, 2, 1}, card));
  FakeTransport t;
  t.UseCard(&card);
  Bytes key(16, 0x42);
  Bytes command = Hex("84E00000");
  const uint8_t data[3] = {1, 2, 3};
  ASSERT_EQ(pq::SecureWrap(kDev, BlockMode::k16, key.data(), 16, command, data, 3, nullptr), 0u);
  ASSERT_EQ(t.commands.size(), 2u);  // device type, then the challenge with this chip's P1
  EXPECT_EQ(ToHex(t.commands[1]), "0084010010");
  Bytes macInput(command.begin(), command.end() - 4);
  EXPECT_EQ(ToHex(Bytes(command.end() - 4, command.end())),
            ToHex(OpenSslMac(BlockMode::k16, key, card.ram.lastChallenge, macInput)));
}

TEST(SecureWrap, RefusesEmptyOversizedDataAndUnsuitableKeys) {
  FakeTransport t;
  Bytes key(16, 1), iv(16, 0);
  Bytes data(4096, 0);
  Bytes command = Hex("84E00000");
  EXPECT_EQ(pq::SecureWrap(kDev, BlockMode::k16, key.data(), 16, command, data.data(), 0, iv.data()), 87u);
  EXPECT_EQ(pq::SecureWrap(kDev, BlockMode::k16, key.data(), 16, command, data.data(), 4096, iv.data()), 87u);
  EXPECT_EQ(pq::SecureWrap(kDev, BlockMode::k16, key.data(), 8, command, data.data(), 10, iv.data()), 87u);
  EXPECT_EQ(pq::SecureWrap(kDev, BlockMode::k8, key.data(), 12, command, data.data(), 10, iv.data()), 87u);
  EXPECT_EQ(command.size(), 4u);
}

TEST(BlockModeChoice, EightByteModeOnlyForButton131WithoutSecuredCommands) {
  struct Case {
    const char* profile;
    BlockMode expected;
  } cases[] = {{"current", BlockMode::k16}, {"display", BlockMode::k16}, {"legacy", BlockMode::k8},
               {"sparse", BlockMode::k16}};
  for (const auto& c : cases) {
    vtoken::CardState card;
    ASSERT_TRUE(vtoken::MakeCard(c.profile, {1, 1, 1, 1, 1, 1, 1, 1}, card));
    FakeTransport t;
    t.UseCard(&card);
    EXPECT_EQ(pq::EvaluateBlockMode(kDev), c.expected) << c.profile;
    EXPECT_EQ(pq::DeviceBlockMode(kDev), c.expected) << c.profile;
    EXPECT_EQ(pq::DeviceBlockMode(kDev + 1), BlockMode::k16) << "another token keeps its own mode";
    pq::ForgetDeviceBlockMode(kDev);
  }
}

}  // namespace
