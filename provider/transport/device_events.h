// Token arrival and removal, and the reader handling at provider initialisation.
#pragma once
#include <string>
#include <vector>

#include "platform.h"

namespace pq {

// What the removal handler asks of the rest of the provider. Each step does nothing
// until the part of the provider that owns it is present.
struct RemovalSteps {
  void (*closeDialogs)(const char* readerName) = nullptr;  // provider dialogs for that reader
  void (*refreshPinCache)() = nullptr;                      // wipe PINs of absent tokens
  void (*clearInitialised)() = nullptr;                     // next acquisition enumerates again
  bool (*userToolRunning)() = nullptr;                      // the management tool's window exists
  void (*clearContainerCache)() = nullptr;
  // REMOVE_APP / EXE_NAME: whether this process must end when a token leaves.
  bool (*processMustEnd)() = nullptr;
  void (*endProcess)() = nullptr;
};

RemovalSteps& Removal();

uint32_t PQ_WINAPI OnReaderArrived(void* readerName);
uint32_t PQ_WINAPI OnReaderRemoved(void* readerName);

// Fetches the reader list, connects present tokens and registers the handlers for
// every reader. Returns the transport's error or NTE_FAIL as the caller expects.
uint32_t InitialReaderHandling();

// The names of the last fetched list (for callers that walk the readers).
std::vector<std::string> KnownReaders();

// Whether `exeName` (no directory) stands in the ";"-separated `list` as a whole
// name: at its start, or after ";" or "\\". Only the first occurrence counts.
bool ExeNameListed(const std::string& list, const std::string& exeName);

}  // namespace pq
