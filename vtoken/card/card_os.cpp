#include "card_os.h"

#include <openssl/rand.h>

#include <ctime>

namespace vtoken {

bool ParseCommand(const uint8_t* apdu, size_t length, CommandApdu& out) {
  if (apdu == nullptr || length < 4) return false;
  out = CommandApdu{};
  out.cla = apdu[0];
  out.ins = apdu[1];
  out.p1 = apdu[2];
  out.p2 = apdu[3];
  if (length == 4) return true;
  if (length == 5) {
    out.le = apdu[4];
    return true;
  }
  size_t lc = apdu[4];
  if (lc == 0 || length < 5 + lc || length > 6 + lc) return false;
  out.data.assign(apdu + 5, apdu + 5 + lc);
  if (length == 6 + lc) out.le = apdu[5 + lc];
  return true;
}

CardOs::CardOs() {
  random = [](uint8_t* out, size_t n) { RAND_bytes(out, static_cast<int>(n)); };
  now = [] { return static_cast<long long>(std::time(nullptr)); };
  RegisterDeviceInfoCommands(*this);
  RegisterFileCommands(*this);
  RegisterResponseCommands(*this);
  RegisterButtonCommands(*this);
}

void CardOs::Register(uint8_t cla, uint8_t ins, Handler handler) {
  handlers_[static_cast<uint16_t>((cla << 8) | ins)] = std::move(handler);
}

ResponseApdu CardOs::Process(CardState& state, const uint8_t* apdu, size_t length, bool* persistentChanged) {
  if (persistentChanged) *persistentChanged = false;
  CommandApdu command;
  if (!ParseCommand(apdu, length, command)) return ResponseApdu::Status(sw::kWrongLength);
  auto it = handlers_.find(static_cast<uint16_t>((command.cla << 8) | command.ins));
  if (it == handlers_.end()) return ResponseApdu::Status(sw::kInsNotSupported);
  // Data a previous command announced is only available to the very next command.
  if (command.ins != 0xC0) state.ram.pendingResponse.clear();
  CardContext context{state, false, random, now};
  if (NeedsButton(state, command, apdu, length)) {
    ResponseApdu gated;
    if (GateOnButton(context, Bytes(apdu, apdu + length), &gated)) return gated;
  }
  ResponseApdu response = it->second(context, command);
  if (persistentChanged) *persistentChanged = context.dirty;
  return response;
}

}  // namespace vtoken
