#include "reader_table.h"

#include <ctype.h>
#include <string.h>

#include "export_guard.h"
#include "named_lock.h"
#include "result_codes.h"

namespace pq {
namespace {

struct ReaderEntry {
  char readerName[kReaderNameMax + 1];
  DeviceHandle device;
};

ReaderEntry g_table[kReaderTableSize];

// Runs `fn` on the table under the cross-process lock; a lock that cannot be had
// is reported as the system error.
template <typename Fn>
uint32_t WithTable(Fn&& fn) {
  NamedLock lock(kReaderTableLockName);
  if (!lock.Held()) return lock.Error() != 0 ? lock.Error() : kErrSizeOrLookup;
  return fn();
}

bool EntryFree(const ReaderEntry& e) { return e.device == 0; }

}  // namespace

bool SameReaderName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

void ClearReaderTable() { memset(g_table, 0, sizeof(g_table)); }

uint32_t RegisterReader(const char* readerName, DeviceHandle device) {
  if (readerName == nullptr || strlen(readerName) > kReaderNameMax) return kErrSizeOrLookup;
  return WithTable([&]() -> uint32_t {
    for (auto& e : g_table) {
      if (!EntryFree(e) && SameReaderName(e.readerName, readerName)) {
        e.device = device;
        return kOk;
      }
    }
    for (auto& e : g_table) {
      if (EntryFree(e)) {
        strcpy(e.readerName, readerName);
        e.device = device;
        return kOk;
      }
    }
    return kErrSizeOrLookup;
  });
}

uint32_t LookupReaderHandle(const char* readerName, DeviceHandle* device) {
  if (readerName == nullptr || device == nullptr) return kErrSizeOrLookup;
  return WithTable([&]() -> uint32_t {
    for (const auto& e : g_table) {
      if (!EntryFree(e) && strcmp(e.readerName, readerName) == 0) {
        *device = e.device;
        return kOk;
      }
    }
    return kErrSizeOrLookup;
  });
}

uint32_t RemoveReaderByHandle(DeviceHandle device) {
  return WithTable([&]() -> uint32_t {
    for (auto& e : g_table) {
      if (!EntryFree(e) && e.device == device) {
        memset(&e, 0, sizeof(e));
        return kOk;
      }
    }
    return kErrSizeOrLookup;
  });
}

uint32_t ReaderNameByHandle(DeviceHandle device, char* name) {
  if (name == nullptr) return kErrSizeOrLookup;
  return WithTable([&]() -> uint32_t {
    for (const auto& e : g_table) {
      if (!EntryFree(e) && e.device == device) {
        strcpy(name, e.readerName);
        return kOk;
      }
    }
    return kErrSizeOrLookup;
  });
}

uint32_t AnyReaderOpen(uint32_t* flag) {
  uint32_t count = 0;
  uint32_t rc = CountOpenReaders(&count);
  if (rc == 0) *flag = count != 0 ? 1 : 0;
  return rc;
}

uint32_t CountOpenReaders(uint32_t* count) {
  return WithTable([&]() -> uint32_t {
    uint32_t n = 0;
    for (const auto& e : g_table) n += EntryFree(e) ? 0 : 1;
    *count = n;
    return kOk;
  });
}

}  // namespace pq

using namespace pq;

PQ_EXPORT uint32_t PQ_WINAPI ClearShare(const char* readerName) {
  Guarded([&]() -> uint32_t {
    if (readerName == nullptr) return kOk;
    NamedLock lock(kReaderTableLockName);
    if (!lock.Held()) return kOk;
    for (auto& e : g_table) {
      if (!EntryFree(e) && SameReaderName(e.readerName, readerName)) {
        memset(&e, 0, sizeof(e));  // the handle stays connected; only the entry goes
        break;
      }
    }
    return kOk;
  });
  return kOk;
}

PQ_EXPORT uint32_t PQ_WINAPI HC_GetDevTypeEx(const char* readerName, uint32_t* type) {
  return Guarded([&]() -> uint32_t {
    if (readerName == nullptr || readerName[0] == '\0' || type == nullptr) return kErrInvalidArgument;
    size_t blanks = 0;
    for (const char* p = readerName; *p; ++p) blanks += (*p == ' ') ? 1 : 0;
    bool hid = false;
    if (blanks > 2) {
      for (const char* p = readerName; *p && !hid; ++p) {
        hid = strlen(p) >= 5 && p[0] == ' ' && toupper(static_cast<unsigned char>(p[1])) == 'H' &&
              toupper(static_cast<unsigned char>(p[2])) == 'I' && toupper(static_cast<unsigned char>(p[3])) == 'D' &&
              p[4] == ' ';
      }
    }
    *type = hid ? 2 : 1;
    return kOk;
  });
}
