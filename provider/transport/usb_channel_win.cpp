// Finding and opening the token's USB device interface.
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>

#include "../token/device_info.h"
#include "result_codes.h"
#include "usb_channel.h"

namespace pq {
namespace {

const GUID kTokenInterfaceClass = {0x0821B887, 0x6502, 0x4103, {0x8E, 0x32, 0xD1, 0xE7, 0x5D, 0x34, 0x6B, 0x3B}};
constexpr DWORD kMaxInterfaces = 127;
constexpr size_t kPathListLimit = 1024;

uint32_t EnumeratePaths(std::vector<std::string>* paths) {
  HDEVINFO set = SetupDiGetClassDevsA(&kTokenInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return GetLastError();
  size_t used = 1;  // the multi-string's closing NUL
  for (DWORD i = 0; i < kMaxInterfaces; ++i) {
    SP_DEVICE_INTERFACE_DATA data = {sizeof(data)};
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kTokenInterfaceClass, i, &data)) break;
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &needed, nullptr);
    if (needed == 0) continue;
    std::vector<char> buffer(needed);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, needed, nullptr, nullptr)) continue;
    size_t length = strlen(detail->DevicePath) + 1;
    if (used + length > kPathListLimit) break;
    used += length;
    paths->push_back(detail->DevicePath);
  }
  SetupDiDestroyDeviceInfoList(set);
  return kOk;
}

class Win32UsbIo : public UsbDeviceIo {
 public:
  explicit Win32UsbIo(HANDLE file) : file_(file) {}
  uint32_t Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outCapacity,
                   uint32_t* replyLength) override {
    DWORD got = 0;
    if (!DeviceIoControl(file_, code, const_cast<uint8_t*>(in), inLength, out, outCapacity, &got, nullptr))
      return GetLastError();
    *replyLength = got;
    return kOk;
  }

 private:
  HANDLE file_;
};

}  // namespace

uint32_t OpenUsbChannel(const char* readerName, UsbChannel* channel) {
  if (channel == nullptr) return kErrInvalidArgument;
  char markerName[64];
  snprintf(markerName, sizeof(markerName), "%s%d", "KvUsbMutex", 0);
  HANDLE marker = CreateMutexA(nullptr, FALSE, markerName);
  if (marker == nullptr) return GetLastError();
  std::vector<std::string> paths;
  uint32_t rc = EnumeratePaths(&paths);
  std::string path;
  if (rc == 0) rc = ChooseUsbPath(readerName, paths, &path);
  if (rc != 0) {
    CloseHandle(marker);
    return rc;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    rc = GetLastError();
    CloseHandle(marker);
    return rc;
  }
  channel->marker = marker;
  channel->deviceFile = file;
  return kOk;
}

void CloseUsbChannel(UsbChannel* channel) {
  if (channel == nullptr) return;
  if (channel->deviceFile != nullptr) CloseHandle(static_cast<HANDLE>(channel->deviceFile));
  if (channel->marker != nullptr) CloseHandle(static_cast<HANDLE>(channel->marker));
  channel->deviceFile = channel->marker = nullptr;
}

// Exchange on an open channel's device file.
uint32_t UsbTransmitOnFile(void* deviceFile, const uint8_t* command, uint32_t commandLength, uint8_t* response,
                           uint32_t* responseLength) {
  Win32UsbIo io(static_cast<HANDLE>(deviceFile));
  return UsbTransmit(io, command, commandLength, response, responseLength);
}

}  // namespace pq

using namespace pq;

PQ_EXPORT uint32_t PQ_WINAPI HWUsbGetSymSupport(void* marker, void* deviceFile, uint32_t* bits) {
  if (bits == nullptr) return kErrInvalidArgument;
  *bits = 0;
  if (deviceFile == nullptr) return kOk;
  const uint8_t command[5] = {0x80, 0xCA, 0x00, 0x0E, 0x01};
  uint8_t answer[16] = {0};
  uint32_t length = sizeof(answer);
  if (UsbTransmitOnFile(deviceFile, command, sizeof(command), answer, &length) != 0 || length < 1) return kOk;
  *bits = DecodeSymSupport(answer[0]);
  return kOk;
}
