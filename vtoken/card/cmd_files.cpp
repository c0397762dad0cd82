// File system commands. The file tree arrives with the file commands; until then the
// card knows its master file only.
#include "card_os.h"

namespace vtoken {
namespace {

ResponseApdu Select(CardContext& c, const CommandApdu& cmd) {
  if (cmd.data.size() != 2) return ResponseApdu::Status(sw::kWrongLength);
  const uint16_t fid = static_cast<uint16_t>((cmd.data[0] << 8) | cmd.data[1]);
  if (cmd.p1 == 0x00 && fid == 0x3F00) return ResponseApdu::Status(sw::kOk);
  return ResponseApdu::Status(cmd.p1 == 0x00 ? 0x6A81 : sw::kFileNotFound);
}

}  // namespace

void RegisterFileCommands(CardOs& os) { os.Register(0x00, 0xA4, Select); }

}  // namespace vtoken
