// The direct USB path to tokens of the large-buffer family, used only for bulk
// symmetric operations.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "platform.h"

namespace pq {

// One device-control request on the opened device file.
class UsbDeviceIo {
 public:
  virtual ~UsbDeviceIo() = default;
  // 0 or the system error; *replyLength receives the bytes returned.
  virtual uint32_t Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outCapacity,
                           uint32_t* replyLength) = 0;
};

constexpr uint32_t kUsbTransmitIoctl = 0x220418;  // device type 0x22, function 0x106, buffered

// One exchange: 0x9000 copies the data; 0x61XX fetches the rest with GET RESPONSE;
// any other status word gives 0xF0000000 + the word.
uint32_t UsbTransmit(UsbDeviceIo& io, const uint8_t* command, uint32_t commandLength, uint8_t* response,
                     uint32_t* responseLength);

// Picks the device path for a reader name ending in "0" or "1" from the enumerated
// paths. 0 or 0x88000008.
uint32_t ChooseUsbPath(const char* readerName, const std::vector<std::string>& paths, std::string* path);

// Enumerates the token interface paths and opens one (Windows).
struct UsbChannel {
  void* marker = nullptr;
  void* deviceFile = nullptr;
};
uint32_t OpenUsbChannel(const char* readerName, UsbChannel* channel);
void CloseUsbChannel(UsbChannel* channel);

}  // namespace pq

PQ_EXPORT uint32_t PQ_WINAPI HC_SupportHighBuf(const char* readerName, DeviceHandle device, uint32_t* kind);
