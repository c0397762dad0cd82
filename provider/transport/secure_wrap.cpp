#include "secure_wrap.h"

#include <string.h>

#include "../token/device_info.h"
#include "envelope_crypto.h"
#include "result_codes.h"

namespace pq {

uint32_t SecureWrap(DeviceHandle device, BlockMode mode, const uint8_t* key, uint32_t keyLength, Bytes& command,
                    const uint8_t* data, uint32_t dataLength, const uint8_t* iv) {
  const EnvelopeCipher cipher = mode == BlockMode::k16 ? EnvelopeCipher::kSm4 : EnvelopeCipher::kDes;
  if (data == nullptr || dataLength == 0 || dataLength >= 4096 || key == nullptr ||
      !EnvelopeKeyValid(cipher, keyLength) || (command.size() != 4 && command.size() != 5))
    return kErrInvalidParameter;

  const unsigned bs = BlockSize(mode);
  uint8_t challenge[16] = {0};
  if (iv != nullptr) {
    memcpy(challenge, iv, bs);
  } else {
    uint32_t rc = HWGenRandom(device, bs, challenge);
    if (rc != 0) return rc;
  }

  Bytes plain = EnvelopePlainBlock(cipher, data, dataLength);
  Bytes encrypted;
  bool ok = EnvelopeEcb(cipher, true, key, keyLength, plain, encrypted);
  SecureClear(plain.data(), plain.size());
  if (!ok) return kErrInvalidParameter;

  const size_t lc = encrypted.size() + 4;
  if (lc < 256) {
    command.push_back(static_cast<uint8_t>(lc));
  } else {
    command.push_back(static_cast<uint8_t>(lc >> 8));
    command.push_back(static_cast<uint8_t>(lc));
  }
  command.insert(command.end(), encrypted.begin(), encrypted.end());
  uint8_t mac[4];
  if (!EnvelopeMac(cipher, key, keyLength, challenge, command, mac)) return kErrInvalidParameter;
  command.insert(command.end(), mac, mac + 4);
  return kOk;
}

uint32_t SecureWrap(DeviceHandle device, const uint8_t* key, uint32_t keyLength, Bytes& command, const uint8_t* data,
                    uint32_t dataLength, const uint8_t* iv) {
  return SecureWrap(device, DeviceBlockMode(device), key, keyLength, command, data, dataLength, iv);
}

}  // namespace pq
