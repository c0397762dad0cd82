// The records of the shared PIN cache and the rules for choosing, reading and wiping
// them. The section is 10 records of 40 bytes, numbers little-endian:
//   0  scrambled PIN code (8)   8  token serial (8)   16  process id (4)   20  SHA-1 of the code (20)
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <array>
#include <vector>

namespace pq {

constexpr size_t kPinCacheEntryCount = 10;
constexpr size_t kPinCacheEntrySize = 40;
constexpr size_t kPinCacheSectionSize = kPinCacheEntryCount * kPinCacheEntrySize;
constexpr size_t kPinCodeSize = 6;
constexpr size_t kSerialSize = 8;
constexpr size_t kDigestSize = 20;

using Serial = std::array<uint8_t, kSerialSize>;

// A view of one record inside the mapped section.
class PinCacheEntry {
 public:
  explicit PinCacheEntry(uint8_t* record) : p_(record) {}
  uint8_t* Block() const { return p_; }
  uint8_t* Serial() const { return p_ + 8; }
  uint8_t* Digest() const { return p_ + 20; }
  uint32_t ProcessId() const;
  void SetProcessId(uint32_t pid) const;
  bool Free() const;
  bool HasSerial(const uint8_t* serial) const;

 private:
  uint8_t* p_;
};

// The code followed by FF FF, XORed with the serial and the fixed mask.
void ScramblePinCode(const uint8_t* code6, const uint8_t* serial8, uint8_t* block8);
// False when the unscrambled block does not end in FF FF (stale or foreign data).
bool UnscramblePinCode(const uint8_t* block8, const uint8_t* serial8, uint8_t* code6);

// The record a write uses: this process's record for the serial, else the first
// free one, else record 0.
size_t ChooseEntryForWrite(uint8_t* section, const uint8_t* serial8, uint32_t pid);
// This process's record for the serial, or -1. Other processes' records are never read.
int FindOwnEntry(uint8_t* section, const uint8_t* serial8, uint32_t pid);
// Wipes the code of every record with the serial, whoever stored it.
void WipeCodes(uint8_t* section, const uint8_t* serial8);
// Frees every record but keeps each digest in place.
void FreeAllKeepDigests(uint8_t* section);
// The non-zero serials of this process's records.
std::vector<Serial> OwnSerials(uint8_t* section, uint32_t pid);

// SHA-1 of a PIN code.
void PinCodeDigest(const uint8_t* code6, uint8_t* digest20);

}  // namespace pq
