// Inserting and removing tokens, faults and the trace: the control program's and
// the tests' handle on the virtual token.
#include <windows.h>
#include <stdio.h>

#include <string>

#include "card_exchange.h"
#include "card_profiles.h"
#include "device_registry.h"
#include "handles.h"
#include "vtoken_api.h"

using namespace vt;

#define VT_EXPORT extern "C" __declspec(dllexport) uint32_t __stdcall

namespace {

uint32_t CopyText(const std::string& text, char* out, uint32_t capacity) {
  if (out == nullptr || capacity <= text.size()) return VT_E_BUFFER_TOO_SMALL;
  strcpy(out, text.c_str());
  return 0;
}

bool ParseSerial(const char* hex, std::array<uint8_t, 8>* serial) {
  if (hex == nullptr || strlen(hex) != 16) return false;
  for (int i = 0; i < 8; ++i) {
    unsigned v = 0;
    if (sscanf(hex + 2 * i, "%2x", &v) != 1) return false;
    (*serial)[i] = static_cast<uint8_t>(v);
  }
  return true;
}

std::string SerialText(const std::array<uint8_t, 8>& serial) {
  char text[17];
  for (int i = 0; i < 8; ++i) snprintf(text + 2 * i, 3, "%02X", serial[i]);
  return text;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

VT_EXPORT VTokenReaderCount(void) { return kReaderCount; }

VT_EXPORT VTokenReaderName(uint32_t slot, char* name, uint32_t capacity) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  return CopyText(ReaderNameOf(slot), name, capacity);
}

VT_EXPORT VTokenInsert(uint32_t slot, const char* profile, const char* serialHex) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  std::array<uint8_t, 8> serial = {0x56, 0x54, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(slot)};
  if (serialHex != nullptr && !ParseSerial(serialHex, &serial)) return VT_E_PARAMETER;
  const std::string id = SerialText(serial);
  if (!FileExists(TokenFilePath(id))) {
    vtoken::CardState card;
    if (!vtoken::MakeCard(profile != nullptr ? profile : "current", serial, card)) return VT_E_PARAMETER;
    if (!SaveCard(id, card)) return VT_E_STORE;
  }
  uint32_t rc = WithShared([&](SharedBlock& b) -> uint32_t {
    ReaderRecord& r = b.readers[slot];
    if (r.present) return VT_E_SLOT_BUSY;
    r.present = 1;
    ++r.insertion;
    strcpy(r.tokenId, id.c_str());
    r.ownerPid = r.ownerHandle = r.depth = 0;
    r.silentUntil = 0;
    ++r.cardGeneration;
    ++b.changeCounter;
    PersistSlots(b);
    return 0;
  });
  if (rc != 0) return rc;
  // A freshly powered token has nothing in its RAM.
  return ResetCard(slot) ? 0 : VT_E_STORE;
}

VT_EXPORT VTokenRemove(uint32_t slot) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    ReaderRecord& r = b.readers[slot];
    if (!r.present) return VT_E_NO_TOKEN;
    r.present = 0;
    r.ownerPid = r.ownerHandle = r.depth = 0;
    memset(r.faults, 0, sizeof(r.faults));
    ++b.changeCounter;
    PersistSlots(b);
    return 0;
  });
}

VT_EXPORT VTokenIsPresent(uint32_t slot) {
  if (slot >= kReaderCount) return 0;
  return WithShared([&](SharedBlock& b) { return b.readers[slot].present; });
}

VT_EXPORT VTokenAddFault(uint32_t slot, uint32_t kind, const uint8_t* header, uint32_t headerLength, uint32_t status,
                         uint32_t count, uint32_t silentMs) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  if (kind < VT_FAULT_STATUS || kind > VT_FAULT_SILENT || headerLength > 8 || (header == nullptr && headerLength != 0))
    return VT_E_PARAMETER;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    for (auto& f : b.readers[slot].faults) {
      if (f.kind != 0) continue;
      f = FaultRule{kind, {0}, headerLength, status, count, silentMs};
      if (headerLength != 0) memcpy(f.header, header, headerLength);
      return 0;
    }
    return VT_E_PARAMETER;
  });
}

VT_EXPORT VTokenClearFaults(uint32_t slot) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    memset(b.readers[slot].faults, 0, sizeof(b.readers[slot].faults));
    b.readers[slot].silentUntil = 0;
    return 0;
  });
}

VT_EXPORT VTokenTracePath(uint32_t slot, char* path, uint32_t capacity) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  return CopyText(TracePath(slot), path, capacity);
}

VT_EXPORT VTokenTraceClear(uint32_t slot) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  ClearTrace(slot);
  return 0;
}

VT_EXPORT VTokenStorePath(char* path, uint32_t capacity) { return CopyText(StoreFolder(), path, capacity); }

VT_EXPORT VTokenButton(uint32_t slot, uint32_t action) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  if (action < VT_BUTTON_PRESS || action > VT_BUTTON_EXPIRE) return VT_E_PARAMETER;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    if (!b.readers[slot].present) return VT_E_NO_TOKEN;
    b.readers[slot].buttonAction = action;
    return 0;
  });
}

VT_EXPORT VTokenRequireButton(uint32_t slot, const uint8_t* header, uint32_t headerLength) {
  if (slot >= kReaderCount) return VT_E_UNKNOWN_READER;
  if (header == nullptr || headerLength == 0 || headerLength > 8) return VT_E_PARAMETER;
  // Changed like any command would change it: inside the reader's transaction.
  uint32_t handle = 0;
  uint32_t rc = OpenConnection(slot, &handle);
  if (rc != 0) return rc;
  bool nested = false;
  rc = AcquireTransaction(handle, INFINITE, &nested);
  if (rc == 0) {
    vtoken::Bytes prefix(header, header + headerLength);
    bool ok = ModifyCard(
        slot, [](vtoken::CardState& s, const void* p) { s.confirmPrefixes.push_back(*static_cast<const vtoken::Bytes*>(p)); },
        &prefix);
    ReleaseTransaction(handle);
    rc = ok ? 0 : VT_E_STORE;
  }
  CloseConnection(handle);
  return rc;
}
