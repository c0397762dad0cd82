// The emulated card operating system: parses a command, finds the handler for its
// class and instruction, and answers. Command groups register their handlers; new
// groups (files, PINs, keys) plug in the same way.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <map>

#include "card_state.h"

namespace vtoken {

struct CommandApdu {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  Bytes data;
  int le = -1;  // -1: no Le byte; 0 stands for 256
  uint16_t P1P2() const { return static_cast<uint16_t>((p1 << 8) | p2); }
};

struct ResponseApdu {
  Bytes data;
  uint16_t sw = 0x9000;
  static ResponseApdu Status(uint16_t sw) { return ResponseApdu{{}, sw}; }
  static ResponseApdu Ok(Bytes data) { return ResponseApdu{std::move(data), 0x9000}; }
};

namespace sw {
constexpr uint16_t kOk = 0x9000;
constexpr uint16_t kWrongLength = 0x6700;
constexpr uint16_t kConditionsNotSatisfied = 0x6985;
constexpr uint16_t kSecurityNotSatisfied = 0x6982;
constexpr uint16_t kFileNotFound = 0x6A82;
constexpr uint16_t kWrongP1P2 = 0x6A86;
constexpr uint16_t kInsNotSupported = 0x6D00;
constexpr uint16_t kClaNotSupported = 0x6E00;
}  // namespace sw

// What a handler may use besides the command.
struct CardContext {
  CardState& state;
  bool dirty = false;  // set when the persistent part changed
  std::function<void(uint8_t*, size_t)> random;
  std::function<long long()> now;  // seconds since 1970, local time of the token's clock
};

using Handler = std::function<ResponseApdu(CardContext&, const CommandApdu&)>;

class CardOs {
 public:
  CardOs();

  void Register(uint8_t cla, uint8_t ins, Handler handler);

  // Parses and runs one command against `state`. Sets `persistentChanged` when the
  // token's persistent part must be written back.
  ResponseApdu Process(CardState& state, const uint8_t* apdu, size_t length, bool* persistentChanged);

  // Test seams: fixed random bytes and clock.
  std::function<void(uint8_t*, size_t)> random;
  std::function<long long()> now;

 private:
  std::map<uint16_t, Handler> handlers_;
};

// Short command forms: CLA INS P1 P2 [Lc data] [Le]. False when the lengths do not add up.
bool ParseCommand(const uint8_t* apdu, size_t length, CommandApdu& out);

// Command groups.
void RegisterDeviceInfoCommands(CardOs& os);
void RegisterFileCommands(CardOs& os);
void RegisterResponseCommands(CardOs& os);
void RegisterButtonCommands(CardOs& os);

// The button gate, run before a command reaches its handler.
bool NeedsButton(const CardState& state, const CommandApdu& cmd, const uint8_t* apdu, size_t length);
// True when the gate answers instead of the command (0x6954, 0x6955 or 0x6956).
bool GateOnButton(CardContext& c, const Bytes& command, ResponseApdu* answer);
// The user acts on the button (press, refuse, let expire). False when nothing waits.
bool ApplyButtonAction(CardState& state, uint8_t outcome);

}  // namespace vtoken
