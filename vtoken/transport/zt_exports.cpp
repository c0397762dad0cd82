// The transport functions the provider binds by name.
#include <windows.h>

#include <string>

#include "card_exchange.h"
#include "device_monitor.h"
#include "device_registry.h"
#include "handles.h"
#include "zt_api.h"
#include "vtoken_api.h"

using namespace vt;

#define ZT_EXPORT extern "C" __declspec(dllexport) uint32_t __stdcall

namespace {

constexpr uint32_t kStateAbsent = 0x10;

uint32_t CopyAtr(uint32_t device, uint8_t* atr, uint32_t* length) {
  if (atr == nullptr || length == nullptr) return VT_E_PARAMETER;
  Connection c;
  uint32_t rc = ResolveHandle(device, &c);
  if (rc != 0) return rc;
  vtoken::CardState state;
  if (!CurrentCard(c.slot, &state)) return VT_E_STORE;
  vtoken::Bytes bytes = vtoken::BuildAtr(state);
  if (*length < bytes.size()) return VT_E_BUFFER_TOO_SMALL;
  memcpy(atr, bytes.data(), bytes.size());
  *length = static_cast<uint32_t>(bytes.size());
  return 0;
}

}  // namespace

ZT_EXPORT ZTConnectDev(const char* readerName, DeviceHandle* device) {
  if (device == nullptr) return VT_E_PARAMETER;
  int slot = SlotOfReader(readerName);
  if (slot < 0) return VT_E_UNKNOWN_READER;
  return OpenConnection(static_cast<uint32_t>(slot), device);
}

ZT_EXPORT ZTDisconnectDev(DeviceHandle device) { return CloseConnection(device); }

ZT_EXPORT ZTBeginTransaction(DeviceHandle device) {
  bool nested = false;
  return AcquireTransaction(device, INFINITE, &nested);
}

ZT_EXPORT ZTBeginTransactionTime(DeviceHandle device, uint32_t timeoutMs) {
  bool nested = false;
  return AcquireTransaction(device, timeoutMs, &nested);
}

ZT_EXPORT ZTEndTransaction(DeviceHandle device) { return ReleaseTransaction(device); }

ZT_EXPORT ZTListReaders(char* buffer, uint32_t* length, uint32_t* count) {
  if (length == nullptr || count == nullptr) return VT_E_PARAMETER;
  std::string multi;
  for (uint32_t i = 0; i < kReaderCount; ++i) {
    multi += ReaderNameOf(i);
    multi += '\0';
  }
  multi += '\0';
  *count = kReaderCount;
  if (buffer == nullptr) {
    *length = static_cast<uint32_t>(multi.size());
    return 0;
  }
  if (*length < multi.size()) {
    *length = static_cast<uint32_t>(multi.size());
    return VT_E_BUFFER_TOO_SMALL;
  }
  memcpy(buffer, multi.data(), multi.size());
  *length = static_cast<uint32_t>(multi.size());
  return 0;
}

ZT_EXPORT ZTUnload(void) {
  StopDeviceMonitor();
  return 0;
}

ZT_EXPORT ZTGetDevState(const char* readerName, uint32_t* state) {
  if (state == nullptr) return VT_E_PARAMETER;
  int slot = SlotOfReader(readerName);
  if (slot < 0) return VT_E_UNKNOWN_READER;
  bool present = WithShared([&](SharedBlock& b) { return b.readers[slot].present != 0; });
  *state = present ? kZTStatePresent : kStateAbsent;
  return 0;
}

ZT_EXPORT ZTSetDevChgFunc(const char* readerName, ZTDevChgHandler arrived, ZTDevChgHandler removed, void* context,
                          uint32_t reserved) {
  int slot = SlotOfReader(readerName);
  if (slot < 0) return VT_E_UNKNOWN_READER;
  return AddDeviceHandlers(static_cast<uint32_t>(slot), arrived, removed, context);
}

ZT_EXPORT ZTSetDevChgFuncParam(const char* readerName, uint32_t parameter) {
  return SlotOfReader(readerName) < 0 ? VT_E_UNKNOWN_READER : 0;
}

ZT_EXPORT ZTTransmit(DeviceHandle device, const uint8_t* command, uint32_t commandLength, uint8_t* response,
                     uint32_t* responseLength, uint32_t* statusWord) {
  if (command == nullptr || commandLength < 4 || response == nullptr || responseLength == nullptr ||
      statusWord == nullptr)
    return VT_E_PARAMETER;
  // A command outside a transaction takes the reader for itself alone.
  bool nested = false;
  uint32_t rc = AcquireTransaction(device, INFINITE, &nested);
  if (rc != 0) return rc;
  Connection c;
  ConnectionOf(device, &c);
  rc = ExchangeWithCard(c.slot, command, commandLength, response, responseLength, statusWord);
  ReleaseTransaction(device);
  return rc;
}

ZT_EXPORT ZTReset(DeviceHandle device, uint8_t* atr, uint32_t* atrLength) {
  Connection c;
  uint32_t rc = ResolveHandle(device, &c);
  if (rc != 0) return rc;
  if (!ResetCard(c.slot)) return VT_E_STORE;
  return CopyAtr(device, atr, atrLength);
}

ZT_EXPORT ZTGetATR(DeviceHandle device, uint8_t* atr, uint32_t* atrLength) { return CopyAtr(device, atr, atrLength); }

ZT_EXPORT ZTGetSerialNum(DeviceHandle device, uint8_t* serial8) {
  if (serial8 == nullptr) return VT_E_PARAMETER;
  Connection c;
  uint32_t rc = ResolveHandle(device, &c);
  if (rc != 0) return rc;
  vtoken::CardState state;
  if (!CurrentCard(c.slot, &state)) return VT_E_STORE;
  memcpy(serial8, state.serial.data(), 8);
  return 0;
}

ZT_EXPORT ZTRefreshReaders(void) { return 0; }

ZT_EXPORT ZTWaitForDevEvent(uint32_t timeoutMs, char* readerName, uint32_t* nameLength, uint32_t* event) {
  if (readerName == nullptr || nameLength == nullptr || event == nullptr) return VT_E_PARAMETER;
  uint32_t slot = 0;
  uint32_t rc = WaitForPresenceChange(timeoutMs, &slot, event);
  if (rc != 0) return rc;
  const char* name = ReaderNameOf(slot);
  if (*nameLength <= strlen(name)) return VT_E_BUFFER_TOO_SMALL;
  strcpy(readerName, name);
  *nameLength = static_cast<uint32_t>(strlen(name));
  return 0;
}

ZT_EXPORT ZTTransDeviceName2KeyName(const char* deviceName, char* keyName, uint32_t* keyNameLength) {
  if (deviceName == nullptr || keyName == nullptr || keyNameLength == nullptr) return VT_E_PARAMETER;
  if (SlotOfReader(deviceName) < 0) return VT_E_UNKNOWN_READER;
  if (*keyNameLength <= strlen(deviceName)) return VT_E_BUFFER_TOO_SMALL;
  strcpy(keyName, deviceName);
  *keyNameLength = static_cast<uint32_t>(strlen(deviceName));
  return 0;
}
