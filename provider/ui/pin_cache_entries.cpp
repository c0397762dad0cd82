#include "pin_cache_entries.h"

#include <string.h>

#include <openssl/evp.h>

#include "../transport/envelope_crypto.h"

namespace pq {
namespace {

constexpr uint8_t kMask[8] = {0x3B, 0xF0, 0x95, 0x1C, 0x4E, 0xD7, 0x62, 0x0A};
const uint8_t kNoSerial[kSerialSize] = {0};

uint8_t* Record(uint8_t* section, size_t i) { return section + i * kPinCacheEntrySize; }

}  // namespace

uint32_t PinCacheEntry::ProcessId() const {
  return static_cast<uint32_t>(p_[16]) | static_cast<uint32_t>(p_[17]) << 8 | static_cast<uint32_t>(p_[18]) << 16 |
         static_cast<uint32_t>(p_[19]) << 24;
}

void PinCacheEntry::SetProcessId(uint32_t pid) const {
  for (int i = 0; i < 4; ++i) p_[16 + i] = static_cast<uint8_t>(pid >> (8 * i));
}

bool PinCacheEntry::Free() const { return memcmp(Serial(), kNoSerial, kSerialSize) == 0 || ProcessId() == 0; }

bool PinCacheEntry::HasSerial(const uint8_t* serial) const { return memcmp(Serial(), serial, kSerialSize) == 0; }

void ScramblePinCode(const uint8_t* code6, const uint8_t* serial8, uint8_t* block8) {
  uint8_t plain[8];
  memcpy(plain, code6, kPinCodeSize);
  plain[6] = plain[7] = 0xFF;
  for (int i = 0; i < 8; ++i) block8[i] = static_cast<uint8_t>(plain[i] ^ serial8[i] ^ kMask[i]);
  SecureClear(plain, sizeof(plain));
}

bool UnscramblePinCode(const uint8_t* block8, const uint8_t* serial8, uint8_t* code6) {
  // A wiped block is no code, whatever the serial would turn it into.
  static const uint8_t kWiped[8] = {0};
  if (memcmp(block8, kWiped, 8) == 0) return false;
  uint8_t plain[8];
  for (int i = 0; i < 8; ++i) plain[i] = static_cast<uint8_t>(block8[i] ^ serial8[i] ^ kMask[i]);
  bool valid = plain[6] == 0xFF && plain[7] == 0xFF;
  if (valid) memcpy(code6, plain, kPinCodeSize);
  SecureClear(plain, sizeof(plain));
  return valid;
}

size_t ChooseEntryForWrite(uint8_t* section, const uint8_t* serial8, uint32_t pid) {
  int own = FindOwnEntry(section, serial8, pid);
  if (own >= 0) return static_cast<size_t>(own);
  for (size_t i = 0; i < kPinCacheEntryCount; ++i)
    if (PinCacheEntry(Record(section, i)).Free()) return i;
  return 0;
}

int FindOwnEntry(uint8_t* section, const uint8_t* serial8, uint32_t pid) {
  for (size_t i = 0; i < kPinCacheEntryCount; ++i) {
    PinCacheEntry e(Record(section, i));
    if (e.HasSerial(serial8) && e.ProcessId() == pid && !e.Free()) return static_cast<int>(i);
  }
  return -1;
}

void WipeCodes(uint8_t* section, const uint8_t* serial8) {
  for (size_t i = 0; i < kPinCacheEntryCount; ++i) {
    PinCacheEntry e(Record(section, i));
    if (e.HasSerial(serial8)) SecureClear(e.Block(), 8);
  }
}

void FreeAllKeepDigests(uint8_t* section) {
  for (size_t i = 0; i < kPinCacheEntryCount; ++i) SecureClear(Record(section, i), 20);
}

std::vector<Serial> OwnSerials(uint8_t* section, uint32_t pid) {
  std::vector<Serial> out;
  for (size_t i = 0; i < kPinCacheEntryCount; ++i) {
    PinCacheEntry e(Record(section, i));
    if (e.ProcessId() != pid || memcmp(e.Serial(), kNoSerial, kSerialSize) == 0) continue;
    Serial s;
    memcpy(s.data(), e.Serial(), kSerialSize);
    out.push_back(s);
  }
  return out;
}

void PinCodeDigest(const uint8_t* code6, uint8_t* digest20) {
  unsigned int n = 0;
  EVP_Digest(code6, kPinCodeSize, digest20, &n, EVP_sha1(), nullptr);
}

}  // namespace pq
