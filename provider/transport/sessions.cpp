#include "sessions.h"

#include "../token/device_info.h"
#include "block_mode.h"
#include "result_codes.h"
#include "transport_binding.h"

namespace pq {
namespace {

uint32_t Open(const char* readerName, DeviceHandle* device, bool selectMaster) {
  if (readerName == nullptr || device == nullptr) return kErrInvalidArgument;
  if (!TransportReady()) return kErrTransportUnavailable;
  *device = 0;
  DeviceHandle handle = 0;
  uint32_t rc = Transport().connectDev(readerName, &handle);
  if (rc != 0) return rc;
  rc = Transport().beginTransaction(handle);
  if (rc != 0) {
    Transport().disconnectDev(handle);
    return rc;
  }
  if (selectMaster) (void)HWSelMF(handle);
  *device = handle;
  return kOk;
}

}  // namespace

uint32_t OpenReaderSession(const char* readerName, DeviceHandle* device) { return Open(readerName, device, true); }

uint32_t OpenReaderSessionNoSelect(const char* readerName, DeviceHandle* device) {
  return Open(readerName, device, false);
}

void CloseReaderSession(DeviceHandle device) {
  if (device == 0 || !TransportReady()) return;
  Transport().endTransaction(device);
  Transport().disconnectDev(device);
  ForgetDeviceBlockMode(device);
}

uint32_t LockTokenSession(DeviceHandle device) {
  if (device == 0) return kErrInvalidArgument;
  if (!TransportReady()) return kErrTransportUnavailable;
  uint32_t rc = Transport().beginTransaction(device);
  if (rc != 0) return rc;
  rc = HWSelMF(device);
  if (rc != 0) Transport().endTransaction(device);
  return rc;
}

void UnlockTokenSession(DeviceHandle device) {
  if (device != 0 && TransportReady()) Transport().endTransaction(device);
}

ReaderSession::ReaderSession(const char* readerName, bool selectMaster)
    : result_(Open(readerName, &device_, selectMaster)) {}

}  // namespace pq
