#include "device_events.h"

#include <ctype.h>
#include <string.h>

#include <list>
#include <mutex>

#include "block_mode.h"
#include "reader_table.h"
#include "result_codes.h"
#include "transport_binding.h"

namespace pq {
namespace {

RemovalSteps g_removal;

// Registered handlers receive pointers into a reader list, and registrations are
// never withdrawn: every list fetched stays alive for the life of the process.
std::mutex g_listsLock;
std::list<std::vector<char>>& ReaderLists() {
  static std::list<std::vector<char>> lists;
  return lists;
}

size_t BoundedLength(const char* s, size_t limit) {
  size_t n = 0;
  while (n < limit && s[n] != '\0') ++n;
  return n;
}

}  // namespace

RemovalSteps& Removal() { return g_removal; }

uint32_t PQ_WINAPI OnReaderArrived(void* context) {
  const char* name = static_cast<const char*>(context);
  if (name == nullptr || BoundedLength(name, 256) >= 256) return kOk;
  if (!TransportReady()) return kErrTransportUnavailable;
  char copy[256];
  strcpy(copy, name);
  DeviceHandle device = 0;
  uint32_t rc = Transport().connectDev(copy, &device);
  if (rc != 0) return rc;
  (void)RegisterReader(copy, device);  // a full table leaves the token connected but unknown
  return kOk;
}

uint32_t PQ_WINAPI OnReaderRemoved(void* context) {
  const char* name = static_cast<const char*>(context);
  if (name == nullptr || BoundedLength(name, 256) > 255) return kOk;
  if (g_removal.closeDialogs) g_removal.closeDialogs(name);
  if (g_removal.refreshPinCache) g_removal.refreshPinCache();
  if (g_removal.clearInitialised) g_removal.clearInitialised();

  DeviceHandle device = 0;
  uint32_t rc = LookupReaderHandle(name, &device);
  if (rc != 0) return rc;
  rc = RemoveReaderByHandle(device);
  if (!TransportReady()) return kErrTransportUnavailable;
  if (rc != 0) {
    Transport().disconnectDev(device);
    return rc;
  }
  ForgetDeviceBlockMode(device);
  rc = Transport().disconnectDev(device);
  if (rc != 0) return rc;

  if (g_removal.userToolRunning == nullptr || !g_removal.userToolRunning()) {
    if (g_removal.refreshPinCache) g_removal.refreshPinCache();
    if (g_removal.clearContainerCache) g_removal.clearContainerCache();
  }
  if (g_removal.processMustEnd && g_removal.processMustEnd() && g_removal.endProcess) g_removal.endProcess();
  return kOk;
}

uint32_t InitialReaderHandling() {
  if (!TransportReady()) return kErrTransportUnavailable;
  uint32_t length = 0, count = 0;
  uint32_t rc = Transport().listReaders(nullptr, &length, &count);
  if (rc != 0) return rc;
  const char* names;
  {
    std::lock_guard<std::mutex> lock(g_listsLock);
    ReaderLists().emplace_back(length + 2, '\0');
    std::vector<char>& list = ReaderLists().back();
    uint32_t filled = length;
    rc = Transport().listReaders(list.data(), &filled, &count);
    if (rc != 0) return rc;
    names = list.data();
  }
  uint32_t handled = 0;
  for (const char* name = names; *name != '\0'; name += strlen(name) + 1) {
    if (handled == count) return kNteFail;
    ++handled;
    uint32_t state = 0;
    if (Transport().getDevState(name, &state) != 0) return kNteFail;
    if (state == kZTStatePresent) {
      rc = OnReaderArrived(const_cast<char*>(name));
      if (rc != 0) return rc;
    }
    rc = Transport().setDevChgFunc(name, OnReaderArrived, OnReaderRemoved, const_cast<char*>(name), 0);
    if (rc != 0) return rc;
  }
  return kOk;
}

std::vector<std::string> KnownReaders() {
  std::lock_guard<std::mutex> lock(g_listsLock);
  std::vector<std::string> out;
  if (ReaderLists().empty()) return out;
  for (const char* name = ReaderLists().back().data(); *name != '\0'; name += strlen(name) + 1) out.push_back(name);
  return out;
}

bool ExeNameListed(const std::string& list, const std::string& exeName) {
  if (list.empty() || exeName.empty()) return false;
  std::string haystack(list), needle(exeName);
  for (auto& c : haystack) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (auto& c : needle) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  size_t at = haystack.find(needle);
  if (at == std::string::npos) return false;
  return at == 0 || haystack[at - 1] == ';' || haystack[at - 1] == '\\';
}

}  // namespace pq
