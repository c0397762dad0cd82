#include "card_state.h"

#include <string.h>

namespace vtoken {
namespace {

const uint8_t kMagic[4] = {'V', 'T', 'K', '1'};

enum Tag : uint8_t {
  kTagProfile = 1,
  kTagSerial = 2,
  kTagCos = 3,
  kTagItem = 4,  // item number, then the answer
  kTagFlags = 5,
  kTagSection = 6,  // section number, then the field
  kTagFreeSpace = 7,
  kTagChallengeP1 = 8,
  kTagConfirmPrefix = 9,
  kTagButtonSettings = 10,  // timeout (2 bytes), mode
  kTagLastChallenge = 0x80,
  kTagPending = 0x81,
  kTagButtonWait = 0x82,  // outcome, since (8 bytes), command
};

void Put(Bytes& out, uint8_t tag, const uint8_t* value, size_t length) {
  out.push_back(tag);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
  out.insert(out.end(), value, value + length);
}

void Put(Bytes& out, uint8_t tag, const Bytes& value) { Put(out, tag, value.data(), value.size()); }

void PutU32(Bytes& out, uint8_t tag, uint32_t v) {
  uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                  static_cast<uint8_t>(v)};
  Put(out, tag, b, 4);
}

uint32_t GetU32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
         p[3];
}

}  // namespace

bool HasButton(const CardState& state) {
  auto it = state.items.find(0x17);
  if (it == state.items.end() || it->second.empty()) return false;
  return it->second[0] == 0x83 || (it->second[0] & 0x03) == 0x03;
}

Bytes BuildAtr(const CardState& state) {
  // TS, T0 (TB1 and TC1 follow, 13 historical bytes), TB1, TC1, historical bytes.
  return Bytes{0x3B, 0x6D, 0x00, 0x00, 0x80, state.cosVersion, 0x56, 0x54, 0x4F, 0x4B, 0x45, 0x4E, 0x01, 0x00,
               0x00, 0x90, 0x00};
}

Bytes EncodeCardState(const CardState& state) {
  Bytes out(kMagic, kMagic + 4);
  Put(out, kTagProfile, reinterpret_cast<const uint8_t*>(state.profile.data()), state.profile.size());
  Put(out, kTagSerial, state.serial.data(), state.serial.size());
  Put(out, kTagCos, &state.cosVersion, 1);
  for (const auto& item : state.items) {
    Bytes value{item.first};
    value.insert(value.end(), item.second.begin(), item.second.end());
    Put(out, kTagItem, value);
  }
  uint8_t flags = state.hasReservedSections ? 1 : 0;
  Put(out, kTagFlags, &flags, 1);
  Put(out, kTagChallengeP1, &state.challengeP1, 1);
  PutU32(out, kTagFreeSpace, state.freeSpace);
  for (uint8_t i = 0; i < state.sections.size(); ++i) {
    Bytes value{i};
    value.insert(value.end(), state.sections[i].begin(), state.sections[i].end());
    Put(out, kTagSection, value);
  }
  for (const auto& prefix : state.confirmPrefixes) Put(out, kTagConfirmPrefix, prefix);
  uint8_t button[3] = {static_cast<uint8_t>(state.buttonTimeoutSeconds >> 8),
                       static_cast<uint8_t>(state.buttonTimeoutSeconds), state.buttonMode};
  Put(out, kTagButtonSettings, button, sizeof(button));
  if (!state.ram.buttonCommand.empty()) {
    Bytes wait{state.ram.buttonOutcome};
    for (int shift = 56; shift >= 0; shift -= 8)
      wait.push_back(static_cast<uint8_t>(static_cast<unsigned long long>(state.ram.buttonSince) >> shift));
    wait.insert(wait.end(), state.ram.buttonCommand.begin(), state.ram.buttonCommand.end());
    Put(out, kTagButtonWait, wait);
  }
  Put(out, kTagLastChallenge, state.ram.lastChallenge);
  Put(out, kTagPending, state.ram.pendingResponse);
  return out;
}

bool DecodeCardState(const uint8_t* data, size_t length, CardState& state) {
  if (length < 4 || memcmp(data, kMagic, 4) != 0) return false;
  CardState decoded;
  size_t pos = 4;
  while (pos < length) {
    if (length - pos < 5) return false;
    uint8_t tag = data[pos];
    uint32_t size = GetU32(data + pos + 1);
    pos += 5;
    if (size > length - pos) return false;
    const uint8_t* v = data + pos;
    pos += size;
    switch (tag) {
      case kTagProfile: decoded.profile.assign(reinterpret_cast<const char*>(v), size); break;
      case kTagSerial:
        if (size != 8) return false;
        memcpy(decoded.serial.data(), v, 8);
        break;
      case kTagCos:
        if (size != 1) return false;
        decoded.cosVersion = v[0];
        break;
      case kTagItem:
        if (size < 1) return false;
        decoded.items[v[0]] = Bytes(v + 1, v + size);
        break;
      case kTagFlags:
        if (size != 1) return false;
        decoded.hasReservedSections = (v[0] & 1) != 0;
        break;
      case kTagChallengeP1:
        if (size != 1) return false;
        decoded.challengeP1 = v[0];
        break;
      case kTagFreeSpace:
        if (size != 4) return false;
        decoded.freeSpace = GetU32(v);
        break;
      case kTagSection:
        if (size < 1 || v[0] >= decoded.sections.size()) return false;
        decoded.sections[v[0]] = Bytes(v + 1, v + size);
        break;
      case kTagConfirmPrefix: decoded.confirmPrefixes.emplace_back(v, v + size); break;
      case kTagButtonSettings:
        if (size != 3) return false;
        decoded.buttonTimeoutSeconds = static_cast<uint16_t>((v[0] << 8) | v[1]);
        decoded.buttonMode = v[2];
        break;
      case kTagButtonWait: {
        if (size < 10) return false;
        decoded.ram.buttonOutcome = v[0];
        unsigned long long since = 0;
        for (int i = 1; i <= 8; ++i) since = (since << 8) | v[i];
        decoded.ram.buttonSince = static_cast<long long>(since);
        decoded.ram.buttonCommand.assign(v + 9, v + size);
        break;
      }
      case kTagLastChallenge: decoded.ram.lastChallenge = Bytes(v, v + size); break;
      case kTagPending: decoded.ram.pendingResponse = Bytes(v, v + size); break;
      default: break;  // written by a newer card: not ours to interpret
    }
  }
  state = std::move(decoded);
  return true;
}

}  // namespace vtoken
