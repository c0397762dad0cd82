// Reader-table access for tools and for the provider's own start-up: connect the
// present tokens and find a reader's registered handle.
#include <atomic>
#include <mutex>

#include "device_events.h"
#include "export_guard.h"
#include "reader_table.h"
#include "result_codes.h"

using namespace pq;

namespace {

std::mutex g_initLock;
std::atomic<bool> g_initialised{false};

void ClearInitialised() { g_initialised = false; }

}  // namespace

// Runs the initial reader handling once while initialised; a removal clears the
// flag so that the next call enumerates again.
PQ_EXPORT uint32_t PQ_WINAPI HC_InitReaders(void) {
  return Guarded([&]() -> uint32_t {
    std::lock_guard<std::mutex> lock(g_initLock);
    if (g_initialised) return kOk;
    if (Removal().clearInitialised == nullptr) Removal().clearInitialised = ClearInitialised;
    uint32_t rc = InitialReaderHandling();
    if (rc == 0) g_initialised = true;
    return rc;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HC_GetReaderHandle(const char* readerName, DeviceHandle* device) {
  return Guarded([&]() -> uint32_t {
    if (readerName == nullptr || device == nullptr) return kErrInvalidArgument;
    return LookupReaderHandle(readerName, device);
  });
}
