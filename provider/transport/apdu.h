// Building commands and exchanging them with the token: the one place every token
// command goes through.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <initializer_list>
#include <vector>

#include "platform.h"

namespace pq {

using Bytes = std::vector<uint8_t>;

// A command: header, optional data (short Lc), optional Le.
class Command {
 public:
  Command(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2);
  // P1-P2 as one big-endian 16-bit value (file identifiers, offsets).
  static Command WithP1P2(uint8_t cla, uint8_t ins, uint16_t p1p2);

  Command& Data(const uint8_t* data, size_t length);
  Command& Data(std::initializer_list<uint8_t> data);
  Command& Le(uint8_t le);

  // Encoded bytes: header, [Lc data], [Le].
  Bytes Encode() const;

 private:
  uint8_t header_[4];
  Bytes data_;
  bool hasData_ = false;
  bool hasLe_ = false;
  uint8_t le_ = 0;
};

// What one exchange produced. `result` is the transport's own result (0 when the
// exchange took place); the status word and data are meaningful only then.
struct Reply {
  uint32_t result = 0;
  uint16_t sw = 0;
  Bytes data;

  bool Exchanged() const { return result == 0; }
  bool Ok() const { return result == 0 && sw == 0x9000; }
  uint8_t Sw1() const { return static_cast<uint8_t>(sw >> 8); }
  uint8_t Sw2() const { return static_cast<uint8_t>(sw & 0xFF); }
};

// Response buffer capacity used when a command states none.
constexpr uint32_t kDefaultResponseCapacity = 640;

// One exchange through the bound transport: response length set to `capacity`
// before the call. A missing transport gives kErrTransportUnavailable.
Reply Exchange(DeviceHandle device, const uint8_t* command, size_t length, uint32_t capacity = kDefaultResponseCapacity);
Reply Exchange(DeviceHandle device, const Command& command, uint32_t capacity = kDefaultResponseCapacity);

// Status-word handling: a command lists the status words it distinguishes; every
// other word maps to kErrUnexpectedStatus. Rules match a whole word, or with
// `mask` 0xFF00 a whole class such as 0x61XX.
struct StatusRule {
  uint16_t sw;
  uint32_t result;
  uint16_t mask = 0xFFFF;
};

// The reply's result: transport failures pass through; 0x9000 is success unless a
// rule says otherwise; the first matching rule decides.
uint32_t MapStatus(const Reply& reply, std::initializer_list<StatusRule> rules = {});

// Fetches `expected` bytes announced by 0x61XX: the announced length must equal
// `expected` (or 0x80 when `allow128` for a 128-byte RSA block), else kErrUnexpectedStatus.
uint32_t CollectResponse(DeviceHandle device, Reply& reply, uint32_t expected, bool allow128 = false);

// GET RESPONSE 00 C0 00 00 Le, Le = low byte of `length`; copies exactly Le bytes.
uint32_t GetResponse(DeviceHandle device, uint32_t length, uint8_t* out);

// Splits `total` bytes into chunks of `chunk` and calls fn(offset, length) for each,
// stopping at the first non-zero result.
template <typename Fn>
uint32_t ForEachChunk(size_t total, size_t chunk, Fn&& fn) {
  for (size_t offset = 0; offset < total; offset += chunk) {
    size_t length = total - offset < chunk ? total - offset : chunk;
    uint32_t rc = fn(offset, length);
    if (rc != 0) return rc;
  }
  return 0;
}

uint16_t ReadBe16(const uint8_t* p);
uint32_t ReadBe32(const uint8_t* p);

}  // namespace pq
