#include "device_monitor.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "device_registry.h"
#include "vtoken_api.h"

namespace vt {
namespace {

constexpr DWORD kPollMs = 20;

struct Registration {
  uint32_t slot;
  ZTDevChgHandler arrived;
  ZTDevChgHandler removed;
  void* context;
};

struct Seen {
  uint32_t present;
  uint32_t insertion;
};

std::mutex g_lock;
std::vector<Registration> g_registrations;
Seen g_seen[kReaderCount];
HANDLE g_thread = nullptr;
volatile LONG g_stop = 0;

void ReadPresence(Seen* out) {
  WithShared([&](SharedBlock& b) {
    for (uint32_t i = 0; i < kReaderCount; ++i) out[i] = Seen{b.readers[i].present, b.readers[i].insertion};
    return 0;
  });
}

DWORD WINAPI MonitorThread(LPVOID) {
  while (InterlockedCompareExchange(&g_stop, 0, 0) == 0) {
    Sleep(kPollMs);
    Seen now[kReaderCount];
    ReadPresence(now);
    std::vector<std::pair<ZTDevChgHandler, void*>> calls;
    {
      std::lock_guard<std::mutex> lock(g_lock);
      for (uint32_t i = 0; i < kReaderCount; ++i) {
        const Seen before = g_seen[i];
        if (before.present == now[i].present && before.insertion == now[i].insertion) continue;
        bool left = before.present && (!now[i].present || before.insertion != now[i].insertion);
        bool came = now[i].present && (!before.present || before.insertion != now[i].insertion);
        for (const auto& r : g_registrations) {
          if (r.slot != i) continue;
          if (left && r.removed) calls.emplace_back(r.removed, r.context);
        }
        for (const auto& r : g_registrations) {
          if (r.slot != i) continue;
          if (came && r.arrived) calls.emplace_back(r.arrived, r.context);
        }
        g_seen[i] = now[i];
      }
    }
    // Handlers run without our lock: they may call back into the transport.
    for (const auto& call : calls) call.first(call.second);
  }
  return 0;
}

}  // namespace

uint32_t AddDeviceHandlers(uint32_t slot, ZTDevChgHandler arrived, ZTDevChgHandler removed, void* context) {
  std::lock_guard<std::mutex> lock(g_lock);
  if (g_thread == nullptr) {
    ReadPresence(g_seen);
    g_stop = 0;
    g_thread = CreateThread(nullptr, 0, MonitorThread, nullptr, 0, nullptr);
    if (g_thread == nullptr) return VT_E_PARAMETER;
  }
  g_registrations.push_back(Registration{slot, arrived, removed, context});
  return 0;
}

void StopDeviceMonitor() {
  HANDLE thread;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    thread = g_thread;
    g_thread = nullptr;
    g_registrations.clear();
  }
  if (thread == nullptr) return;
  InterlockedExchange(&g_stop, 1);
  if (GetCurrentThreadId() != GetThreadId(thread)) WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
}

void KillDeviceMonitor() {
  if (g_thread == nullptr) return;
  InterlockedExchange(&g_stop, 1);
  TerminateThread(g_thread, 0);
  CloseHandle(g_thread);
  g_thread = nullptr;
}

uint32_t WaitForPresenceChange(uint32_t timeoutMs, uint32_t* slot, uint32_t* event) {
  Seen start[kReaderCount];
  ReadPresence(start);
  const ULONGLONG begin = GetTickCount64();
  for (;;) {
    Seen now[kReaderCount];
    ReadPresence(now);
    for (uint32_t i = 0; i < kReaderCount; ++i) {
      if (start[i].present == now[i].present && start[i].insertion == now[i].insertion) continue;
      *slot = i;
      *event = now[i].present ? 1 : 2;
      return 0;
    }
    if (timeoutMs != INFINITE && GetTickCount64() - begin >= timeoutMs) return VT_E_TIMEOUT;
    Sleep(kPollMs);
  }
}

}  // namespace vt
