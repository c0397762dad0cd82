#include "usb_channel.h"

#include <string.h>

#include "../token/device_info.h"
#include "export_guard.h"
#include "reader_table.h"
#include "result_codes.h"

namespace pq {

uint32_t UsbTransmit(UsbDeviceIo& io, const uint8_t* command, uint32_t commandLength, uint8_t* response,
                     uint32_t* responseLength) {
  if (command == nullptr || responseLength == nullptr) return kErrInvalidArgument;
  const uint32_t capacity = *responseLength;
  std::vector<uint8_t> reply(capacity + 2);
  uint32_t got = 0;
  uint32_t rc = io.Control(kUsbTransmitIoctl, command, commandLength, reply.data(), capacity, &got);
  if (rc != 0) return rc;
  if (got < 2) return kErrSizeOrLookup;
  uint16_t sw = static_cast<uint16_t>((reply[got - 2] << 8) | reply[got - 1]);
  uint32_t dataLength = got - 2;
  if (sw == 0x9000) {
    if (response != nullptr && dataLength > capacity) return kErrBufferTooSmall;
    if (response != nullptr) memcpy(response, reply.data(), dataLength);
    *responseLength = dataLength;
    return kOk;
  }
  if ((sw >> 8) == 0x61) {
    const uint8_t getResponse[5] = {0x00, 0xC0, 0x00, 0x00, static_cast<uint8_t>(sw & 0xFF)};
    std::vector<uint8_t> more(255 + 2);
    uint32_t moreGot = 0;
    rc = io.Control(kUsbTransmitIoctl, getResponse, sizeof(getResponse), more.data(), 255, &moreGot);
    if (rc != 0) return rc;
    uint32_t moreData = moreGot >= 2 ? moreGot - 2 : 0;  // its status word is only stripped
    if (response != nullptr && dataLength + moreData > capacity) return kErrBufferTooSmall;
    if (response != nullptr) {
      memcpy(response, reply.data(), dataLength);
      memcpy(response + dataLength, more.data(), moreData);
    }
    *responseLength = dataLength + moreData;
    return kOk;
  }
  return 0xF0000000u + sw;
}

uint32_t ChooseUsbPath(const char* readerName, const std::vector<std::string>& paths, std::string* path) {
  if (readerName == nullptr || readerName[0] == '\0' || paths.empty()) return kErrSizeOrLookup;
  char last = readerName[strlen(readerName) - 1];
  size_t index;
  if (last == '0') index = 0;
  else if (last == '1') index = paths.size() > 1 ? 1 : 0;
  else return kErrSizeOrLookup;
  if (paths[index].size() > 511) return kErrSizeOrLookup;
  *path = paths[index];
  return kOk;
}

}  // namespace pq

using namespace pq;

PQ_EXPORT uint32_t PQ_WINAPI HC_SupportHighBuf(const char* readerName, DeviceHandle device, uint32_t* kind) {
  return Guarded([&]() -> uint32_t {
    if (kind == nullptr) return kErrInvalidArgument;
    *kind = 4;
    uint32_t nameType = 0;
    uint32_t rc = HC_GetDevTypeEx(readerName, &nameType);
    if (rc != 0) return rc;
    uint32_t cos = 0;
    rc = HWGetCOSVer(device, &cos);
    if (rc != 0) return rc;
    uint32_t bufLen = 0;
    bool bufOk = HWGetBufLen(device, &bufLen) == 0;
    if (nameType == 1 && cos >= 0x40 && bufOk && bufLen == 249) *kind = 3;
    return kOk;
  });
}
