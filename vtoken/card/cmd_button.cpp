// The confirmation button: commands that need it wait (0x6954) until the user
// presses (the real answer follows), refuses (0x6955) or lets the time run out
// (0x6956). Button settings, state query and cancel.
#include <algorithm>

#include "card_os.h"

namespace vtoken {
namespace {

bool IsButtonCommand(const CommandApdu& cmd) {
  return cmd.cla == 0x80 && (cmd.ins == 0xAB || cmd.ins == 0x48);
}

void ClearWait(CardState& s) {
  s.ram.buttonCommand.clear();
  s.ram.buttonOutcome = kButtonNone;
  s.ram.buttonSince = 0;
}

// A wait past the token's time-out ends by itself.
void ExpireIfDue(CardContext& c) {
  CardState& s = c.state;
  if (!s.ram.buttonCommand.empty() && s.ram.buttonOutcome == kButtonNone &&
      c.now() - s.ram.buttonSince >= static_cast<long long>(s.buttonTimeoutSeconds))
    s.ram.buttonOutcome = kButtonExpired;
}

ResponseApdu ButtonSettings(CardContext& c, const CommandApdu& cmd) {
  CardState& s = c.state;
  if (!HasButton(s)) return ResponseApdu::Status(sw::kInsNotSupported);
  switch (cmd.p1) {
    case 0x00:  // button mode
      if (cmd.data.size() != 1) return ResponseApdu::Status(sw::kWrongLength);
      s.buttonMode = cmd.data[0];
      c.dirty = true;
      return ResponseApdu::Status(sw::kOk);
    case 0x02:  // time-out in seconds
      if (cmd.data.size() != 2) return ResponseApdu::Status(sw::kWrongLength);
      s.buttonTimeoutSeconds = static_cast<uint16_t>((cmd.data[0] << 8) | cmd.data[1]);
      c.dirty = true;
      return ResponseApdu::Status(sw::kOk);
    case 0x06: {  // state: seconds left, state byte (0 idle, 1 waiting, 2 pressed, 3 refused, 4 expired)
      if (cmd.le != 3) return ResponseApdu::Status(0x6C03);
      ExpireIfDue(c);
      long long left = 0;
      uint8_t state = 0;
      if (!s.ram.buttonCommand.empty()) {
        state = static_cast<uint8_t>(1 + s.ram.buttonOutcome);
        if (s.ram.buttonOutcome == kButtonNone) left = s.buttonTimeoutSeconds - (c.now() - s.ram.buttonSince);
      }
      if (left < 0) left = 0;
      return ResponseApdu::Ok({static_cast<uint8_t>(left >> 8), static_cast<uint8_t>(left), state});
    }
    case 0x08:  // arm the certificate write
      return ResponseApdu::Status(sw::kOk);
    default:
      return ResponseApdu::Status(sw::kWrongP1P2);
  }
}

ResponseApdu CancelWait(CardContext& c, const CommandApdu& cmd) {
  if (!HasButton(c.state)) return ResponseApdu::Status(sw::kInsNotSupported);
  if (cmd.p1 != 0x01 || cmd.p2 != 0x00) return ResponseApdu::Status(sw::kWrongP1P2);
  if (!c.state.ram.buttonCommand.empty() && c.state.ram.buttonOutcome == kButtonNone)
    c.state.ram.buttonOutcome = kButtonRefused;
  return ResponseApdu::Status(sw::kOk);
}

}  // namespace

bool NeedsButton(const CardState& state, const CommandApdu& cmd, const uint8_t* apdu, size_t length) {
  if (!HasButton(state) || IsButtonCommand(cmd)) return false;
  for (const auto& prefix : state.confirmPrefixes) {
    if (!prefix.empty() && prefix.size() <= length && std::equal(prefix.begin(), prefix.end(), apdu)) return true;
  }
  return false;
}

bool GateOnButton(CardContext& c, const Bytes& command, ResponseApdu* answer) {
  CardState& s = c.state;
  if (s.ram.buttonCommand != command) {
    // A new command that needs the button: the wait starts.
    s.ram.buttonCommand = command;
    s.ram.buttonOutcome = kButtonNone;
    s.ram.buttonSince = c.now();
    *answer = ResponseApdu::Status(0x6954);
    return true;
  }
  ExpireIfDue(c);
  switch (s.ram.buttonOutcome) {
    case kButtonPressed:
      ClearWait(s);
      return false;  // the command runs
    case kButtonRefused:
      ClearWait(s);
      *answer = ResponseApdu::Status(0x6955);
      return true;
    case kButtonExpired:
      ClearWait(s);
      *answer = ResponseApdu::Status(0x6956);
      return true;
    default:
      *answer = ResponseApdu::Status(0x6954);
      return true;
  }
}

bool ApplyButtonAction(CardState& state, uint8_t outcome) {
  if (state.ram.buttonCommand.empty() || state.ram.buttonOutcome != kButtonNone) return false;
  if (outcome < kButtonPressed || outcome > kButtonExpired) return false;
  state.ram.buttonOutcome = outcome;
  return true;
}

void RegisterButtonCommands(CardOs& os) {
  os.Register(0x80, 0xAB, ButtonSettings);
  os.Register(0x80, 0x48, CancelWait);
}

}  // namespace vtoken
