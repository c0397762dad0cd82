#include "handles.h"

#include <map>
#include <mutex>

#include "device_registry.h"
#include "vtoken_api.h"

namespace vt {
namespace {

std::mutex g_lock;
std::map<uint32_t, Connection>& Connections() {
  static std::map<uint32_t, Connection> c;
  return c;
}
uint32_t g_nextHandle = 0x101;

bool ProcessAlive(uint32_t pid) {
  if (pid == GetCurrentProcessId()) return true;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return false;
  bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

}  // namespace

uint32_t ConnectionOf(uint32_t handle, Connection* out) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Connections().find(handle);
  if (it == Connections().end()) return VT_E_INVALID_HANDLE;
  *out = it->second;
  return 0;
}

uint32_t ResolveHandle(uint32_t handle, Connection* out) {
  if (ConnectionOf(handle, out) != 0) return VT_E_INVALID_HANDLE;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    const ReaderRecord& r = b.readers[out->slot];
    return (r.present && r.insertion == out->insertion) ? 0 : VT_E_NO_TOKEN;
  });
}

uint32_t OpenConnection(uint32_t slot, uint32_t* handle) {
  uint32_t insertion = 0;
  uint32_t rc = WithShared([&](SharedBlock& b) -> uint32_t {
    if (!b.readers[slot].present) return VT_E_NO_TOKEN;
    insertion = b.readers[slot].insertion;
    return 0;
  });
  if (rc != 0) return rc;
  std::lock_guard<std::mutex> lock(g_lock);
  *handle = g_nextHandle++;
  Connections()[*handle] = Connection{slot, insertion};
  return 0;
}

uint32_t CloseConnection(uint32_t handle) {
  Connection c;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = Connections().find(handle);
    if (it == Connections().end()) return VT_E_INVALID_HANDLE;
    c = it->second;
    Connections().erase(it);
  }
  // A handle closed inside its transaction gives the reader up.
  WithShared([&](SharedBlock& b) {
    ReaderRecord& r = b.readers[c.slot];
    if (r.ownerPid == GetCurrentProcessId() && r.ownerHandle == handle) {
      r.ownerPid = r.ownerHandle = r.depth = 0;
    }
    return 0;
  });
  return 0;
}

uint32_t AcquireTransaction(uint32_t handle, DWORD timeoutMs, bool* nested) {
  const DWORD pid = GetCurrentProcessId();
  const ULONGLONG start = GetTickCount64();
  Connection c;
  if (ConnectionOf(handle, &c) != 0) return VT_E_INVALID_HANDLE;
  for (;;) {
    uint32_t ownerPid = 0;
    // One look at the shared state: the token still there, and the reader free or ours.
    uint32_t rc = WithShared([&](SharedBlock& b) -> uint32_t {
      ReaderRecord& r = b.readers[c.slot];
      if (!r.present || r.insertion != c.insertion) return VT_E_NO_TOKEN;
      if (r.ownerPid == pid && r.ownerHandle == handle) {
        ++r.depth;
        *nested = true;
        return 0;
      }
      if (r.ownerPid == 0) {
        r.ownerPid = pid;
        r.ownerHandle = handle;
        r.depth = 1;
        *nested = false;
        return 0;
      }
      ownerPid = r.ownerPid;
      return VT_E_NOT_OWNER;
    });
    if (rc != VT_E_NOT_OWNER) return rc;
    // A process that died inside its transaction loses it.
    if (!ProcessAlive(ownerPid)) {
      WithShared([&](SharedBlock& b) {
        ReaderRecord& r = b.readers[c.slot];
        if (r.ownerPid == ownerPid) r.ownerPid = r.ownerHandle = r.depth = 0;
        return 0;
      });
      continue;
    }
    if (timeoutMs != INFINITE && GetTickCount64() - start >= timeoutMs) return VT_E_TIMEOUT;
    Sleep(2);
  }
}

uint32_t ReleaseTransaction(uint32_t handle) {
  Connection c;
  if (ConnectionOf(handle, &c) != 0) return VT_E_INVALID_HANDLE;
  return WithShared([&](SharedBlock& b) -> uint32_t {
    ReaderRecord& r = b.readers[c.slot];
    if (r.ownerPid != GetCurrentProcessId() || r.ownerHandle != handle) return VT_E_NOT_OWNER;
    if (--r.depth == 0) r.ownerPid = r.ownerHandle = 0;
    return 0;
  });
}

}  // namespace vt
