#define OPENSSL_SUPPRESS_DEPRECATED
#include "envelope_crypto.h"

#include <openssl/crypto.h>
#include <openssl/des.h>
#include <string.h>

#include "smcrypto/smcrypto.h"

namespace pq {
namespace {

// The DES key parts: K1, K2, K3 (K2 = K1 for single DES, K3 = K1 for two-key).
struct DesKeys {
  DES_key_schedule k1, k2, k3;
  ~DesKeys() { SecureClear(this, sizeof(*this)); }
};

void LoadDesKeys(const uint8_t* key, size_t keyLength, DesKeys& keys) {
  DES_cblock part;
  memcpy(part, key, 8);
  DES_set_key_unchecked(&part, &keys.k1);
  memcpy(part, keyLength >= 16 ? key + 8 : key, 8);
  DES_set_key_unchecked(&part, &keys.k2);
  memcpy(part, keyLength == 24 ? key + 16 : key, 8);
  DES_set_key_unchecked(&part, &keys.k3);
  SecureClear(part, sizeof(part));
}

void DesBlock(const DesKeys& keys, size_t keyLength, bool encrypt, const uint8_t* in, uint8_t* out) {
  DES_cblock input, output;
  memcpy(input, in, 8);
  if (keyLength == 8) {
    DES_ecb_encrypt(&input, &output, const_cast<DES_key_schedule*>(&keys.k1), encrypt ? DES_ENCRYPT : DES_DECRYPT);
  } else {
    DES_ecb3_encrypt(&input, &output, const_cast<DES_key_schedule*>(&keys.k1), const_cast<DES_key_schedule*>(&keys.k2),
                     const_cast<DES_key_schedule*>(&keys.k3), encrypt ? DES_ENCRYPT : DES_DECRYPT);
  }
  memcpy(out, output, 8);
}

}  // namespace

void SecureClear(void* p, size_t n) { OPENSSL_cleanse(p, n); }

bool EnvelopeKeyValid(EnvelopeCipher cipher, size_t keyLength) {
  if (cipher == EnvelopeCipher::kSm4) return keyLength == 16;
  return keyLength == 8 || keyLength == 16 || keyLength == 24;
}

Bytes EnvelopePlainBlock(EnvelopeCipher cipher, const uint8_t* data, size_t length) {
  Bytes block;
  if (length < 256) {
    block.push_back(static_cast<uint8_t>(length));
  } else {
    block.push_back(static_cast<uint8_t>(length >> 8));
    block.push_back(static_cast<uint8_t>(length));
  }
  block.insert(block.end(), data, data + length);
  if (cipher == EnvelopeCipher::kSm4) {
    while (block.size() % 16 != 0) block.push_back(0);
  } else {
    uint8_t n = static_cast<uint8_t>(8 - block.size() % 8);
    block.insert(block.end(), n, n);
  }
  return block;
}

bool EnvelopeEcb(EnvelopeCipher cipher, bool encrypt, const uint8_t* key, size_t keyLength, const Bytes& in, Bytes& out) {
  const size_t bs = static_cast<size_t>(cipher);
  if (!EnvelopeKeyValid(cipher, keyLength) || in.empty() || in.size() % bs != 0) return false;
  out.assign(in.size(), 0);
  if (cipher == EnvelopeCipher::kSm4) {
    uint32_t outLength = 0;
    return SM4EcbBuffer(in.data(), static_cast<uint32_t>(in.size()), key, 16, encrypt ? SM4_ENCRYPT : SM4_DECRYPT,
                        out.data(), &outLength) == 0;
  }
  DesKeys keys;
  LoadDesKeys(key, keyLength, keys);
  for (size_t i = 0; i < in.size(); i += 8) DesBlock(keys, keyLength, encrypt, in.data() + i, out.data() + i);
  return true;
}

bool EnvelopeMac(EnvelopeCipher cipher, const uint8_t* key, size_t keyLength, const uint8_t* iv, const Bytes& input,
                 uint8_t mac[4]) {
  const size_t bs = static_cast<size_t>(cipher);
  if (!EnvelopeKeyValid(cipher, keyLength)) return false;
  Bytes padded(input);
  padded.push_back(0x80);
  while (padded.size() % bs != 0) padded.push_back(0);

  uint8_t chain[16];
  memcpy(chain, iv, bs);
  if (cipher == EnvelopeCipher::kSm4) {
    Bytes out(padded.size());
    if (SM4CbcBuffer(padded.data(), static_cast<uint32_t>(padded.size()), key, iv, SM4_ENCRYPT, out.data()) != 0)
      return false;
    memcpy(mac, out.data() + out.size() - 16, 4);
    return true;
  }
  // ISO/IEC 9797-1 algorithm 3: single DES under K1 for every block, then the last
  // block decrypted under K2 and encrypted under K1.
  DesKeys keys;
  LoadDesKeys(key, keyLength, keys);
  for (size_t i = 0; i < padded.size(); i += 8) {
    for (size_t j = 0; j < 8; ++j) chain[j] ^= padded[i + j];
    DesBlock(keys, 8, true, chain, chain);
  }
  if (keyLength >= 16) {
    DES_cblock in, out;
    memcpy(in, chain, 8);
    DES_ecb_encrypt(&in, &out, &keys.k2, DES_DECRYPT);
    DES_ecb_encrypt(&out, &in, &keys.k1, DES_ENCRYPT);
    memcpy(chain, in, 8);
  }
  memcpy(mac, chain, 4);
  return true;
}

}  // namespace pq
