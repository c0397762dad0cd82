// The virtual token's shared device state. Every process that loads the transport
// sees the same readers: presence, transaction owner and faults live in a named
// file mapping; each token's card state lives in its own file in the store folder.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

#include "card_state.h"

namespace vt {

constexpr uint32_t kReaderCount = 12;
constexpr uint32_t kMaxFaults = 4;

struct FaultRule {
  uint32_t kind;  // 0 = unused
  uint8_t header[8];
  uint32_t headerLength;
  uint32_t status;
  uint32_t remaining;  // 0 = unlimited
  uint32_t silentMs;
};

struct ReaderRecord {
  uint32_t present;
  uint32_t insertion;        // counts insertions; handles remember the one they were made in
  char tokenId[32];          // serial in hex: the token file's name
  uint32_t ownerPid;
  uint32_t ownerHandle;
  uint32_t depth;
  uint32_t cardGeneration;   // bumped when the token file is rewritten
  ULONGLONG silentUntil;     // GetTickCount64 time until which the token does not answer
  FaultRule faults[kMaxFaults];
  uint32_t buttonAction;     // the user's last act on the button, not yet seen by the card
};

struct SharedBlock {
  uint32_t magic;
  uint32_t changeCounter;
  ReaderRecord readers[kReaderCount];
};

const char* ReaderNameOf(uint32_t slot);
// Index of the reader with that name, or -1.
int SlotOfReader(const char* name);

std::string StoreFolder();
std::string TokenFilePath(const std::string& tokenId);
std::string TracePath(uint32_t slot);

// Runs `fn(block)` under the cross-process state lock.
template <typename Fn>
auto WithShared(Fn&& fn) -> decltype(fn(*static_cast<SharedBlock*>(nullptr)));

SharedBlock* Shared();
void LockShared();
void UnlockShared();
void PersistSlots(const SharedBlock& block);  // caller holds the lock

bool LoadCard(const std::string& tokenId, vtoken::CardState& state);
bool SaveCard(const std::string& tokenId, const vtoken::CardState& state);

void ClearTrace(uint32_t slot);
void AppendTrace(uint32_t slot, const uint8_t* command, uint32_t length, const uint8_t* data, uint32_t dataLength,
                 uint32_t sw, uint32_t result);

template <typename Fn>
auto WithShared(Fn&& fn) -> decltype(fn(*static_cast<SharedBlock*>(nullptr))) {
  struct Guard {
    Guard() { LockShared(); }
    ~Guard() { UnlockShared(); }
  } guard;
  return fn(*Shared());
}

}  // namespace vt
