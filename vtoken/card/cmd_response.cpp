// GET RESPONSE: hands out data a previous command announced with 0x61XX.
#include "card_os.h"

namespace vtoken {
namespace {

ResponseApdu GetResponse(CardContext& c, const CommandApdu& cmd) {
  Bytes& pending = c.state.ram.pendingResponse;
  if (pending.empty()) return ResponseApdu::Status(sw::kConditionsNotSatisfied);
  if (cmd.p1 != 0 || cmd.p2 != 0 || cmd.le < 0) return ResponseApdu::Status(sw::kWrongP1P2);
  size_t le = cmd.le == 0 ? 256 : static_cast<size_t>(cmd.le);
  if (le > pending.size()) return ResponseApdu::Status(static_cast<uint16_t>(0x6C00 | (pending.size() & 0xFF)));
  ResponseApdu out = ResponseApdu::Ok(Bytes(pending.begin(), pending.begin() + le));
  pending.erase(pending.begin(), pending.begin() + le);
  if (!pending.empty()) out.sw = static_cast<uint16_t>(0x6100 | (pending.size() > 255 ? 0 : pending.size()));
  return out;
}

}  // namespace

void RegisterResponseCommands(CardOs& os) { os.Register(0x00, 0xC0, GetResponse); }

}  // namespace vtoken
