#include "pin_cache.h"

#include <string.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "../config/settings.h"
#include "../token/device_info.h"
#include "../transport/device_events.h"
#include "../transport/export_guard.h"
#include "../transport/named_lock.h"
#include "../transport/result_codes.h"
#include "../transport/transport_binding.h"
#include "pin_cache_entries.h"
#include "shared_section.h"

using namespace pq;

namespace {

// The section opened under the cache's lock; the lock is held until after the
// section is closed (members are destroyed in reverse order).
struct LockedSection {
  NamedLock lock{kPinCacheLockName};
  SharedSection section{PinCacheSectionName(), kPinCacheSectionSize};
  bool Ok() const { return lock.Held() && section.Ok(); }
};

// Runs `change` on the section, creating the process's lasting section first when
// none existed (a write must not vanish with its handle).
template <typename Fn>
uint32_t WriteSection(Fn change) {
  {
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    if (s.section.Existed()) {
      change(s.section.View());
      s.section.Flush();
      return kOk;
    }
  }
  uint32_t rc = KVCreateCachedPin();
  if (rc != 0) return rc;
  LockedSection s;
  if (!s.Ok()) return kErrNoMemory;
  change(s.section.View());
  s.section.Flush();
  return kOk;
}

// The serial of the token in a reader: connect, begin, read, end, disconnect.
uint32_t ReadSerialOf(const char* reader, uint8_t* serial) {
  DeviceHandle device = 0;
  uint32_t rc = Transport().connectDev(reader, &device);
  if (rc != 0) return rc;
  rc = Transport().beginTransaction(device);
  if (rc == 0) {
    rc = HWGetSerial(device, serial);
    Transport().endTransaction(device);
  }
  Transport().disconnectDev(device);
  return rc;
}

std::atomic<bool> g_sectionKept{false};

}  // namespace

PQ_EXPORT uint32_t PQ_WINAPI KVCreateCachedPin(void) {
  return Guarded([&]() -> uint32_t {
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    if (!g_sectionKept.exchange(true)) s.section.KeepForProcessLifetime();
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI KVWriteCachedPin(const uint8_t* serial8, const uint8_t* code6) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr || code6 == nullptr) return kErrInvalidArgument;
    uint32_t pid = ThisProcessId();
    return WriteSection([&](uint8_t* view) {
      PinCacheEntry e(view + ChooseEntryForWrite(view, serial8, pid) * kPinCacheEntrySize);
      ScramblePinCode(code6, serial8, e.Block());
      memcpy(e.Serial(), serial8, kSerialSize);
      e.SetProcessId(pid);
    });
  });
}

PQ_EXPORT uint32_t PQ_WINAPI KVClearCachedPin(const uint8_t* serial8) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr) return kErrInvalidArgument;
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    WipeCodes(s.section.View(), serial8);
    s.section.Flush();
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI KVClearAllCachedPin(void) {
  return Guarded([&]() -> uint32_t {
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    FreeAllKeepDigests(s.section.View());
    s.section.Flush();
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI KVRefreshCachedPin(const char* readerList) {
  return Guarded([&]() -> uint32_t {
    std::vector<Serial> cached;
    {
      LockedSection s;
      if (!s.Ok()) return kErrNoMemory;
      if (s.section.Existed()) cached = OwnSerials(s.section.View(), ThisProcessId());
    }
    std::vector<Serial> present;
    for (const char* name = readerList; name != nullptr && *name != '\0'; name += strlen(name) + 1) {
      if (present.size() == kPinCacheEntryCount) return kErrSizeOrLookup;
      if (!TransportReady()) return kErrTransportUnavailable;
      uint32_t state = 0;
      uint32_t rc = Transport().getDevState(name, &state);
      if (rc != 0) return rc;
      if (state != kZTStatePresent) continue;
      Serial serial{};
      rc = ReadSerialOf(name, serial.data());
      if (rc != 0) return rc;
      present.push_back(serial);
    }
    for (const auto& serial : cached) {
      if (std::find(present.begin(), present.end(), serial) == present.end()) KVClearCachedPin(serial.data());
    }
    return kOk;
  });
}

namespace pq {

uint32_t ReadCachedPin(const uint8_t* serial8, uint8_t* code6, uint32_t* notFound) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr || code6 == nullptr || notFound == nullptr) return kErrInvalidArgument;
    *notFound = 1;
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    if (!s.section.Existed()) return kOk;
    int i = FindOwnEntry(s.section.View(), serial8, ThisProcessId());
    if (i >= 0 && UnscramblePinCode(s.section.View() + i * kPinCacheEntrySize, serial8, code6)) *notFound = 0;
    return kOk;
  });
}

uint32_t ReadCachedPinDigest(const uint8_t* serial8, uint8_t* digest20) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr || digest20 == nullptr) return kErrInvalidArgument;
    LockedSection s;
    if (!s.Ok()) return kErrNoMemory;
    if (!s.section.Existed()) return kErrSecurityStatus;
    int i = FindOwnEntry(s.section.View(), serial8, ThisProcessId());
    if (i < 0) return kErrSecurityStatus;
    memcpy(digest20, PinCacheEntry(s.section.View() + i * kPinCacheEntrySize).Digest(), kDigestSize);
    return kOk;
  });
}

uint32_t WriteCachedPinDigest(const uint8_t* serial8, const uint8_t* digest20) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr || digest20 == nullptr) return kErrInvalidArgument;
    uint32_t pid = ThisProcessId();
    return WriteSection([&](uint8_t* view) {
      PinCacheEntry e(view + ChooseEntryForWrite(view, serial8, pid) * kPinCacheEntrySize);
      memcpy(e.Serial(), serial8, kSerialSize);
      e.SetProcessId(pid);
      memcpy(e.Digest(), digest20, kDigestSize);
    });
  });
}

void RefreshCachedPinForKnownReaders() {
  std::string list;
  for (const auto& name : KnownReaders()) list += name + '\0';
  list += '\0';
  (void)KVRefreshCachedPin(list.c_str());
}

}  // namespace pq
