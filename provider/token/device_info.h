// Device information commands: what kind of token is connected and what it can do.
#pragma once
#include "../transport/platform.h"

PQ_EXPORT uint32_t PQ_WINAPI HWGetSerial(DeviceHandle device, uint8_t* serial8);
PQ_EXPORT uint32_t PQ_WINAPI HWGetFreeSize(DeviceHandle device, uint32_t* bytes);
PQ_EXPORT uint32_t PQ_WINAPI HWGetTotalSize(DeviceHandle device, uint32_t* bytes);
PQ_EXPORT uint32_t PQ_WINAPI HWGetCOSVer(DeviceHandle device, uint32_t* version);
PQ_EXPORT uint32_t PQ_WINAPI HWGetDevType(DeviceHandle device, uint32_t* type);
PQ_EXPORT uint32_t PQ_WINAPI HWGetHWType(DeviceHandle device, uint32_t* type);
PQ_EXPORT uint32_t PQ_WINAPI HWGetHWCategory(DeviceHandle device, uint32_t* category);
PQ_EXPORT uint32_t PQ_WINAPI HWGetPressKeyType(DeviceHandle device, uint32_t* type);
PQ_EXPORT uint32_t PQ_WINAPI HWGetVerifyPinMode(DeviceHandle device, uint32_t* mode);
PQ_EXPORT uint32_t PQ_WINAPI HWGetRSAMode(DeviceHandle device, uint32_t* mode);
PQ_EXPORT uint32_t PQ_WINAPI HWGetSymSupport(DeviceHandle device, uint32_t* bits);
// record: year, month, day of week (0), day, hour, minute, second, milliseconds (0).
PQ_EXPORT uint32_t PQ_WINAPI HWGetTimepiece(DeviceHandle device, uint16_t* record8);
PQ_EXPORT uint32_t PQ_WINAPI HWIsPsamKey(DeviceHandle device);
PQ_EXPORT uint32_t PQ_WINAPI HWGenRandom(DeviceHandle device, uint32_t length, uint8_t* out);
PQ_EXPORT uint32_t PQ_WINAPI HWReadReservedSection(DeviceHandle device, uint32_t section, uint8_t* out, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HWWriteReservedSection(DeviceHandle device, uint32_t section, const uint8_t* data,
                                                    uint32_t length, uint32_t flag);
PQ_EXPORT uint32_t PQ_WINAPI HWReadCID(DeviceHandle device, uint8_t* out, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HWWriteCID(DeviceHandle device, const uint8_t* data, uint32_t length);

// Exchange-level queries.
PQ_EXPORT uint32_t PQ_WINAPI HWGetResponse(DeviceHandle device, uint32_t length, uint8_t* out);
PQ_EXPORT uint32_t PQ_WINAPI HWGetBufLen(DeviceHandle device, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HWGetSupportEncMacCMD(DeviceHandle device);

// Selection of the master file: every session starts from it.
PQ_EXPORT uint32_t PQ_WINAPI HWSelMF(DeviceHandle device);

PQ_EXPORT uint32_t PQ_WINAPI HexToStr(const uint8_t* bytes, uint32_t length, char* text);

namespace pq {
// Symmetric support bits from the item byte: 1 SSF33, 0x60 SCB2, 0x61 both, 0 none.
uint32_t DecodeSymSupport(uint8_t b);
}  // namespace pq
