#include "card_exchange.h"

#include <mutex>
#include <string>

#include "card_os.h"
#include "device_registry.h"
#include "vtoken_api.h"

namespace vt {
namespace {

// This process's copy of each token, valid while the shared generation matches.
struct CachedCard {
  std::string tokenId;
  uint32_t generation = 0;
  bool valid = false;
  vtoken::CardState state;
};

std::mutex g_cacheLock;
CachedCard g_cache[kReaderCount];

vtoken::CardOs& Os() {
  static vtoken::CardOs os;
  return os;
}

bool Matches(const FaultRule& f, const uint8_t* command, uint32_t length) {
  if (f.headerLength > length) return false;
  return memcmp(f.header, command, f.headerLength) == 0;
}

// Applies the first matching fault. Returns true when it decided the exchange.
bool ApplyFault(ReaderRecord& r, const uint8_t* command, uint32_t length, uint32_t* result, uint32_t* sw,
                uint32_t* silentMs) {
  for (auto& f : r.faults) {
    if (f.kind == 0 || !Matches(f, command, length)) continue;
    bool decided = false;
    if (f.kind == VT_FAULT_STATUS) {
      *sw = f.status;
      decided = true;
    } else if (f.kind == VT_FAULT_FAIL) {
      *result = VT_E_INJECTED;
      decided = true;
    } else if (f.kind == VT_FAULT_SILENT) {
      *silentMs = f.silentMs;
    }
    if (f.remaining != 0 && --f.remaining == 0) f.kind = 0;
    return decided;
  }
  return false;
}

// Loads into the cache when the token file changed; caller holds g_cacheLock.
bool Refresh(uint32_t slot, const std::string& tokenId, uint32_t generation) {
  CachedCard& c = g_cache[slot];
  if (c.valid && c.tokenId == tokenId && c.generation == generation) return true;
  vtoken::CardState state;
  if (!LoadCard(tokenId, state)) return false;
  c.state = std::move(state);
  c.tokenId = tokenId;
  c.generation = generation;
  c.valid = true;
  return true;
}

bool Snapshot(uint32_t slot, std::string* tokenId, uint32_t* generation) {
  return WithShared([&](SharedBlock& b) {
    const ReaderRecord& r = b.readers[slot];
    if (!r.present) return false;
    *tokenId = r.tokenId;
    *generation = r.cardGeneration;
    return true;
  });
}

bool Store(uint32_t slot, const std::string& tokenId, vtoken::CardState& state) {
  if (!SaveCard(tokenId, state)) return false;
  uint32_t generation = WithShared([&](SharedBlock& b) { return ++b.readers[slot].cardGeneration; });
  g_cache[slot].generation = generation;
  return true;
}

}  // namespace

uint32_t ExchangeWithCard(uint32_t slot, const uint8_t* command, uint32_t length, uint8_t* response,
                          uint32_t* responseLength, uint32_t* statusWord) {
  std::lock_guard<std::mutex> lock(g_cacheLock);
  uint32_t result = 0, sw = 0, silentMs = 0, action = 0;
  bool decided = false, silent = false, present = false;
  std::string tokenId;
  uint32_t generation = 0;
  // Everything the exchange needs from the shared state, in one look.
  WithShared([&](SharedBlock& b) {
    ReaderRecord& r = b.readers[slot];
    present = r.present != 0;
    tokenId = r.tokenId;
    generation = r.cardGeneration;
    silent = r.silentUntil != 0 && GetTickCount64() < r.silentUntil;
    if (!silent) decided = ApplyFault(r, command, length, &result, &sw, &silentMs);
    // The user's act on the button reaches the card with the next command.
    action = r.buttonAction;
    r.buttonAction = 0;
    if (silentMs != 0) r.silentUntil = GetTickCount64() + silentMs;
    return 0;
  });
  if (!present) return VT_E_NO_TOKEN;
  if (silent) {
    AppendTrace(slot, command, length, nullptr, 0, 0, VT_E_NO_ANSWER);
    return VT_E_NO_ANSWER;
  }
  vtoken::Bytes data;
  if (!decided) {
    if (!Refresh(slot, tokenId, generation)) return VT_E_STORE;
    vtoken::CardState& state = g_cache[slot].state;
    vtoken::Bytes before = vtoken::EncodeCardState(state);
    if (action != 0) vtoken::ApplyButtonAction(state, static_cast<uint8_t>(action));
    vtoken::ResponseApdu answer = Os().Process(state, command, length, nullptr);
    if (vtoken::EncodeCardState(state) != before && !Store(slot, tokenId, state)) return VT_E_STORE;
    data = std::move(answer.data);
    sw = answer.sw;
  }
  if (result == 0 && data.size() > *responseLength) result = VT_E_BUFFER_TOO_SMALL;
  AppendTrace(slot, command, length, data.data(), static_cast<uint32_t>(data.size()), sw, result);
  if (result != 0) return result;
  if (!data.empty()) memcpy(response, data.data(), data.size());
  *responseLength = static_cast<uint32_t>(data.size());
  *statusWord = sw;
  return 0;
}

bool CurrentCard(uint32_t slot, vtoken::CardState* state) {
  std::lock_guard<std::mutex> lock(g_cacheLock);
  std::string tokenId;
  uint32_t generation = 0;
  if (!Snapshot(slot, &tokenId, &generation) || !Refresh(slot, tokenId, generation)) return false;
  *state = g_cache[slot].state;
  return true;
}

bool ModifyCard(uint32_t slot, void (*change)(vtoken::CardState&, const void*), const void* argument) {
  std::lock_guard<std::mutex> lock(g_cacheLock);
  std::string tokenId;
  uint32_t generation = 0;
  if (!Snapshot(slot, &tokenId, &generation) || !Refresh(slot, tokenId, generation)) return false;
  change(g_cache[slot].state, argument);
  return Store(slot, tokenId, g_cache[slot].state);
}

bool ResetCard(uint32_t slot) {
  return ModifyCard(slot, [](vtoken::CardState& s, const void*) { s.ResetVolatile(); }, nullptr);
}

}  // namespace vt
