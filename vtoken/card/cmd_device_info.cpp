// GET DATA, GET CHALLENGE, the token clock and the reserved sections.
#include <ctime>

#include "card_os.h"

namespace vtoken {
namespace {

constexpr uint8_t kItemFreeSize = 0x02;

ResponseApdu GetData(CardContext& c, const CommandApdu& cmd) {
  if (cmd.p1 != 0x00 || cmd.le < 0) return ResponseApdu::Status(sw::kWrongP1P2);
  const size_t le = cmd.le == 0 ? 256 : static_cast<size_t>(cmd.le);
  if (cmd.p2 == kItemFreeSize && c.state.items.count(kItemFreeSize)) {
    // Two bytes while the value fits below FF FF; FF FF asks for the four-byte form.
    uint32_t free = c.state.freeSpace;
    if (le == 2) {
      uint16_t v = free >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(free);
      return ResponseApdu::Ok({static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    }
    if (le == 4)
      return ResponseApdu::Ok({static_cast<uint8_t>(free >> 24), static_cast<uint8_t>(free >> 16),
                               static_cast<uint8_t>(free >> 8), static_cast<uint8_t>(free)});
    return ResponseApdu::Status(0x6C02);
  }
  auto it = c.state.items.find(cmd.p2);
  if (it == c.state.items.end()) return ResponseApdu::Status(sw::kWrongP1P2);
  if (le != it->second.size()) return ResponseApdu::Status(static_cast<uint16_t>(0x6C00 | (it->second.size() & 0xFF)));
  return ResponseApdu::Ok(it->second);
}

ResponseApdu GetChallenge(CardContext& c, const CommandApdu& cmd) {
  if (cmd.p1 != c.state.challengeP1 || cmd.p2 != 0) return ResponseApdu::Status(sw::kWrongP1P2);
  if (cmd.le != 8 && cmd.le != 16) return ResponseApdu::Status(sw::kWrongLength);
  Bytes challenge(static_cast<size_t>(cmd.le));
  c.random(challenge.data(), challenge.size());
  c.state.ram.lastChallenge = challenge;
  return ResponseApdu::Ok(challenge);
}

uint8_t ToBcd(int v) { return static_cast<uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

ResponseApdu ReadClock(CardContext& c, const CommandApdu& cmd) {
  if (cmd.p1 != 0 || cmd.p2 != 0) return ResponseApdu::Status(sw::kWrongP1P2);
  if (cmd.le != 6) return ResponseApdu::Status(0x6C06);
  std::time_t t = static_cast<std::time_t>(c.now());
  std::tm tm{};
#if defined(_WIN32)
  gmtime_s(&tm, &t);
#else
  gmtime_r(&t, &tm);
#endif
  return ResponseApdu::Ok({ToBcd(tm.tm_year % 100), ToBcd(tm.tm_mon + 1), ToBcd(tm.tm_mday), ToBcd(tm.tm_hour),
                           ToBcd(tm.tm_min), ToBcd(tm.tm_sec)});
}

size_t SectionSize(uint8_t section) { return section == 2 ? 0xC0 : 0x40; }

ResponseApdu ReservedSection(CardContext& c, const CommandApdu& cmd) {
  if (!c.state.hasReservedSections) return ResponseApdu::Status(sw::kInsNotSupported);
  if (cmd.p2 > 2 || cmd.p1 > 1) return ResponseApdu::Status(sw::kWrongP1P2);
  const size_t size = SectionSize(cmd.p2);
  Bytes& field = c.state.sections[cmd.p2];
  if (field.size() != size) field.assign(size, 0);
  if (cmd.p1 == 0) {
    if (cmd.le < 0 || static_cast<size_t>(cmd.le) != size)
      return ResponseApdu::Status(static_cast<uint16_t>(0x6C00 | size));
    return ResponseApdu::Ok(field);
  }
  if (cmd.data.size() != size) return ResponseApdu::Status(sw::kWrongLength);
  field = cmd.data;
  c.dirty = true;
  return ResponseApdu::Status(sw::kOk);
}

}  // namespace

void RegisterDeviceInfoCommands(CardOs& os) {
  os.Register(0x80, 0xCA, GetData);
  os.Register(0x00, 0x84, GetChallenge);
  os.Register(0x80, 0x34, ReadClock);
  os.Register(0x80, 0x85, ReservedSection);
}

}  // namespace vtoken
