#include "card_profiles.h"

namespace vtoken {
namespace {

struct ProfileSpec {
  ProfileInfo info;
  uint8_t cos;
  uint8_t chipCode;        // byte 5 of the device information
  int buttonType;          // item 0x17, -1 when the token does not know the item
  int verifyPinMode;       // item 0x16
  int encMac;              // item 0x1F
  int algorithmMode;       // item 0x06
  int symSupport;          // item 0x0E
  int canDelete;           // item 0x08
  uint16_t bufLen;         // item 0x0B
  uint16_t totalKiB;       // item 0x0D
  uint32_t freeSpace;      // item 0x02
  bool reservedSections;
  uint8_t challengeP1;
  int confirmationItem;    // item 0x1E
};

const ProfileSpec kSpecs[] = {
    {{"current", "current token: secured commands, 16-byte mode, PIN verification mode 8"},
     0x41, 0x01, 0x00, 8, 1, 0x10, 0x03, 1, 0x0400, 128, 120000, true, 0x00, 0x00},
    {{"display", "token with a display and a confirmation button (button type 3)"},
     0x42, 0x01, 0x03, 8, 1, 0x10, 0x03, 1, 0x0400, 64, 52000, true, 0x00, 0x01},
    {{"legacy", "older token: button type 131, no secured commands (8-byte mode)"},
     0x30, 0x03, 0x83, 2, 0, 0x30, 0x01, 0, 0x0100, 32, 24000, true, 0x00, -1},
    {{"chip1", "chip of device type 1: 96-byte transfers, GET CHALLENGE with P1 1"},
     0x40, 0x15, 0x00, 4, 1, 0x00, 0x02, 1, 0x00F9, 64, 50000, true, 0x01, 0x00},
    {{"sparse", "token that answers 0x6A86 to the items it does not know, no reserved sections"},
     0x33, 0x03, -1, -1, -1, -1, -1, -1, 0x0100, 16, 9000, false, 0x00, -1},
};

void PutByte(CardState& s, uint8_t item, int value) {
  if (value >= 0) s.items[item] = Bytes{static_cast<uint8_t>(value)};
}

void PutWord(CardState& s, uint8_t item, uint16_t value) {
  s.items[item] = Bytes{static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

}  // namespace

const std::vector<ProfileInfo>& Profiles() {
  static const std::vector<ProfileInfo> list = [] {
    std::vector<ProfileInfo> v;
    for (const auto& spec : kSpecs) v.push_back(spec.info);
    return v;
  }();
  return list;
}

bool MakeCard(const std::string& name, const std::array<uint8_t, 8>& serial, CardState& out) {
  for (const auto& spec : kSpecs) {
    if (name != spec.info.name) continue;
    CardState s;
    s.profile = name;
    s.serial = serial;
    s.cosVersion = spec.cos;
    s.items[0x01] = Bytes(serial.begin(), serial.end());
    s.items[0x02] = Bytes{};  // answered from freeSpace
    s.freeSpace = spec.freeSpace;
    s.items[0x03] = Bytes{0x02, 0x01};
    Bytes info(40, 0);
    info[0] = 'V';
    info[1] = 'T';
    info[5] = spec.chipCode;
    s.items[0x0C] = info;
    PutWord(s, 0x0B, spec.bufLen);
    PutWord(s, 0x0D, spec.totalKiB);
    PutByte(s, 0x06, spec.algorithmMode);
    PutByte(s, 0x08, spec.canDelete);
    PutByte(s, 0x0E, spec.symSupport);
    PutByte(s, 0x16, spec.verifyPinMode);
    PutByte(s, 0x17, spec.buttonType);
    PutByte(s, 0x1E, spec.confirmationItem);
    PutByte(s, 0x1F, spec.encMac);
    s.hasReservedSections = spec.reservedSections;
    s.challengeP1 = spec.challengeP1;
    s.sections = {Bytes(64, 0), Bytes(64, 0), Bytes(192, 0)};
    if (HasButton(s)) {
      // Private-key operations (RSA in both generations and forms, SM2 signing) ask the user.
      s.confirmPrefixes = {{0x80, 0xC6}, {0x84, 0xC6}, {0x90, 0xC6}, {0x94, 0xC6}, {0xE0, 0x03}};
    }
    out = std::move(s);
    return true;
  }
  return false;
}

}  // namespace vtoken
