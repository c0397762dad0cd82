#include "device_info.h"

#include <string.h>

#include "../transport/apdu.h"
#include "../transport/export_guard.h"
#include "../transport/result_codes.h"
#include "../transport/transport_binding.h"

using namespace pq;

namespace {

constexpr uint8_t kItemSerial = 0x01, kItemFreeSize = 0x02, kItemAlgorithmMode = 0x06, kItemBufLen = 0x0B,
                  kItemDeviceInfo = 0x0C, kItemTotalSize = 0x0D, kItemSymSupport = 0x0E, kItemVerifyPinMode = 0x16,
                  kItemButtonType = 0x17, kItemEncMac = 0x1F;

Reply GetData(DeviceHandle device, uint8_t item, uint8_t le) {
  return Exchange(device, Command(0x80, 0xCA, 0x00, item).Le(le));
}

// GET DATA that must succeed and return at least `le` bytes.
uint32_t GetDataStrict(DeviceHandle device, uint8_t item, uint8_t le, Reply& reply) {
  reply = GetData(device, item, le);
  uint32_t rc = MapStatus(reply);
  if (rc != 0) return rc;
  return reply.data.size() < le ? kErrSizeOrLookup : kOk;
}

uint32_t ReadAtr(DeviceHandle device, uint8_t* atr, uint32_t* length) {
  if (!TransportReady()) return kErrTransportUnavailable;
  return Transport().getATR(device, atr, length);
}

unsigned TopBits(uint8_t b) {
  unsigned n = 0;
  for (uint8_t bit = 0x10; bit != 0; bit <<= 1) n += (b & bit) ? 1 : 0;
  return n;
}

uint8_t Bcd(uint8_t b) { return static_cast<uint8_t>((b >> 4) * 10 + (b & 0x0F)); }

uint32_t SectionSize(uint32_t section) {
  if (section == 0 || section == 1) return 0x40;
  if (section == 2) return 0xC0;
  return 0;
}

constexpr uint32_t kCidRecordSize = 64;
constexpr uint32_t kCidMaxLength = 57;   // bytes 59..63 of the record are reserved
constexpr uint32_t kCidReservedOffset = 59;

}  // namespace

uint32_t pq::DecodeSymSupport(uint8_t b) {
  if (b == 0xFF) return 1;
  if ((b & 0x03) == 0x03) return 0x61;
  if (b & 0x02) return 0x60;
  if (b & 0x01) return 1;
  return 0;
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetSerial(DeviceHandle device, uint8_t* serial8) {
  return Guarded([&]() -> uint32_t {
    if (serial8 == nullptr) return kErrInvalidArgument;
    Reply reply;
    uint32_t rc = GetDataStrict(device, kItemSerial, 8, reply);
    if (rc != 0) return rc;
    memcpy(serial8, reply.data.data(), 8);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetFreeSize(DeviceHandle device, uint32_t* bytes) {
  return Guarded([&]() -> uint32_t {
    if (bytes == nullptr) return kErrInvalidArgument;
    Reply reply;
    uint32_t rc = GetDataStrict(device, kItemFreeSize, 2, reply);
    if (rc != 0) return rc;
    uint16_t small = ReadBe16(reply.data.data());
    if (small != 0xFFFF) {
      *bytes = small;
      return kOk;
    }
    rc = GetDataStrict(device, kItemFreeSize, 4, reply);
    if (rc != 0) return rc;
    *bytes = ReadBe32(reply.data.data());
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetTotalSize(DeviceHandle device, uint32_t* bytes) {
  return Guarded([&]() -> uint32_t {
    if (bytes == nullptr) return kErrInvalidArgument;
    Reply reply;
    uint32_t rc = GetDataStrict(device, kItemTotalSize, 2, reply);
    if (rc != 0) return rc;
    *bytes = static_cast<uint32_t>(ReadBe16(reply.data.data())) * 1024u;
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetCOSVer(DeviceHandle device, uint32_t* version) {
  return Guarded([&]() -> uint32_t {
    if (version == nullptr) return kErrInvalidArgument;
    uint8_t atr[64] = {0};
    uint32_t length = sizeof(atr);
    uint32_t rc = ReadAtr(device, atr, &length);
    if (rc != 0) return rc;
    if (length > sizeof(atr)) length = sizeof(atr);
    if (length < 2 || (atr[0] != 0x3B && atr[0] != 0x3F)) return kErrSizeOrLookup;
    // Walk the interface bytes: each format or TD byte announces, in its top four
    // bits, how many interface bytes follow it.
    uint32_t p = 1;
    unsigned passes = 0;
    for (;;) {
      uint8_t b = atr[p];
      bool more = (b & 0x80) != 0;
      p += TopBits(b);
      if (p + 14 > length) return kErrSizeOrLookup;
      ++passes;
      if (!(more && (atr[p] & 0x80))) break;
    }
    if (passes > 1) p += TopBits(atr[p]);
    if (p + 2 >= length) return kErrSizeOrLookup;
    *version = atr[p + 2];
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetDevType(DeviceHandle device, uint32_t* type) {
  return Guarded([&]() -> uint32_t {
    if (type == nullptr) return kErrInvalidArgument;
    Reply info = GetData(device, kItemDeviceInfo, 0x28);
    if (!info.Exchanged()) {
      *type = 3;
    } else if (info.sw == 0x9000) {
      uint8_t chip = info.data.size() > 5 ? info.data[5] : 0;
      *type = chip == 0x15 ? 1 : chip == 0x01 ? 2 : 3;
    } else {
      // No device information: an older token. Whatever its algorithm byte says,
      // nothing marks it as one of the chips with their own rules, so it is type 3.
      *type = 3;
      Reply mode = GetData(device, kItemAlgorithmMode, 1);
      (void)mode;
    }
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetHWType(DeviceHandle device, uint32_t* type) {
  return Guarded([&]() -> uint32_t {
    if (type == nullptr) return kErrInvalidArgument;
    Reply info = GetData(device, kItemDeviceInfo, 0x28);
    *type = (info.Exchanged() && info.data.size() > 5 && info.data[5] == 0x15) ? 1 : 2;
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetHWCategory(DeviceHandle device, uint32_t* category) {
  return Guarded([&]() -> uint32_t {
    if (category == nullptr) return kErrInvalidArgument;
    Reply reply = GetData(device, kItemButtonType, 1);
    if (!reply.Exchanged()) {
      *category = 0;
      return kOk;
    }
    if (reply.data.empty()) return kOk;
    switch (reply.data[0]) {
      case 0: *category = 0; break;
      case 1: *category = 1; break;
      case 2: *category = 2; break;
      case 3: *category = 3; break;
      case 0x10: *category = 4; break;
      default: break;  // unknown: output untouched
    }
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetPressKeyType(DeviceHandle device, uint32_t* type) {
  return Guarded([&]() -> uint32_t {
    if (device == 0 || type == nullptr) return kErrInvalidParameter;
    Reply reply;
    uint32_t rc = GetDataStrict(device, kItemButtonType, 1, reply);
    if (rc != 0) return rc;
    uint8_t b = reply.data[0];
    *type = b == 0x83 ? 131u : static_cast<uint32_t>(b & 0x03);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetVerifyPinMode(DeviceHandle device, uint32_t* mode) {
  return Guarded([&]() -> uint32_t {
    if (mode == nullptr) return kErrInvalidArgument;
    Reply reply = GetData(device, kItemVerifyPinMode, 1);
    if (!reply.Exchanged()) return reply.result;
    if (reply.sw == 0x9000 && !reply.data.empty()) {
      *mode = reply.data[0];
      return kOk;
    }
    *mode = 1;
    return reply.sw == 0x6A86 ? kOk : kErrUnexpectedStatus;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetRSAMode(DeviceHandle device, uint32_t* mode) {
  return Guarded([&]() -> uint32_t {
    if (mode == nullptr) return kErrInvalidArgument;
    Reply reply = GetData(device, kItemAlgorithmMode, 1);
    if (!reply.Exchanged()) return reply.result;
    if (reply.sw == 0x6A86 || reply.sw == 0x6A81) {
      *mode = 3;
      return kOk;
    }
    if (reply.sw != 0x9000) return kErrUnexpectedStatus;
    if (reply.data.empty()) return kErrSizeOrLookup;
    uint8_t b = reply.data[0];
    if (b == 0x10 || b == 0x30) {
      *mode = 1;
    } else if (b == 0x00) {
      *mode = 3;
    } else {
      return kErrNotSupported;
    }
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetSymSupport(DeviceHandle device, uint32_t* bits) {
  return Guarded([&]() -> uint32_t {
    if (bits == nullptr) return kErrInvalidArgument;
    Reply reply = GetData(device, kItemSymSupport, 1);
    *bits = 0;
    if (!reply.Ok() || reply.data.empty()) return kOk;
    *bits = DecodeSymSupport(reply.data[0]);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetTimepiece(DeviceHandle device, uint16_t* record8) {
  return Guarded([&]() -> uint32_t {
    Reply reply = Exchange(device, Command(0x80, 0x34, 0x00, 0x00).Le(6));
    uint32_t rc = MapStatus(reply);
    if (rc != 0) return rc;
    if (reply.data.size() < 6) return kErrSizeOrLookup;
    if (record8 != nullptr) {
      const uint8_t* d = reply.data.data();
      uint16_t fields[8] = {static_cast<uint16_t>(2000 + Bcd(d[0])), Bcd(d[1]), 0, Bcd(d[2]), Bcd(d[3]), Bcd(d[4]),
                            Bcd(d[5]), 0};
      memcpy(record8, fields, sizeof(fields));
    }
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWIsPsamKey(DeviceHandle device) {
  return Guarded([&]() -> uint32_t {
    uint8_t atr[128] = {0};
    uint32_t length = sizeof(atr);
    if (ReadAtr(device, atr, &length) != 0) return 0;
    return (length > 4 && atr[4] == 0x16) ? 1 : 0;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGenRandom(DeviceHandle device, uint32_t length, uint8_t* out) {
  return Guarded([&]() -> uint32_t {
    if (out == nullptr) return kErrInvalidArgument;
    uint32_t type = 3;
    uint32_t rc = HWGetDevType(device, &type);
    if (rc != 0) return rc;
    const uint8_t p1 = type == 1 ? 0x01 : 0x00;
    return ForEachChunk(length, 16, [&](size_t offset, size_t piece) -> uint32_t {
      Reply reply = Exchange(device, Command(0x00, 0x84, p1, 0x00).Le(16));
      uint32_t status = MapStatus(reply);
      if (status != 0) return status;
      if (reply.data.size() < piece) return kErrSizeOrLookup;
      memcpy(out + offset, reply.data.data(), piece);
      return kOk;
    });
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWReadReservedSection(DeviceHandle device, uint32_t section, uint8_t* out,
                                                   uint32_t* length) {
  return Guarded([&]() -> uint32_t {
    uint32_t size = SectionSize(section);
    if (size == 0 || length == nullptr) return kErrInvalidArgument;
    Reply reply = Exchange(device, Command(0x80, 0x85, 0x00, static_cast<uint8_t>(section)).Le(static_cast<uint8_t>(size)));
    uint32_t rc = MapStatus(reply);
    if (rc != 0) return rc;
    if (reply.data.size() < 2) return kErrReadBinary;
    uint32_t n = reply.data[1];
    // A length byte that points past what the token sent is a malformed field.
    if (n + 2 > reply.data.size() || n + 2 > size) return kErrReadBinary;
    *length = n;
    if (out != nullptr) memcpy(out, reply.data.data() + 2, n);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWWriteReservedSection(DeviceHandle device, uint32_t section, const uint8_t* data,
                                                    uint32_t length, uint32_t flag) {
  return Guarded([&]() -> uint32_t {
    uint32_t size = SectionSize(section);
    if (size == 0 || (data == nullptr && length != 0)) return kErrInvalidArgument;
    if (length + 2 > size) return kErrDataTooLong;
    Bytes field(size, 0);
    field[0] = static_cast<uint8_t>(flag);
    field[1] = static_cast<uint8_t>(length);
    if (length != 0) memcpy(field.data() + 2, data, length);
    Reply reply = Exchange(device, Command(0x80, 0x85, 0x01, static_cast<uint8_t>(section)).Data(field.data(), size));
    return MapStatus(reply);
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWReadCID(DeviceHandle device, uint8_t* out, uint32_t* length) {
  return Guarded([&]() -> uint32_t {
    if (length == nullptr) return kErrInvalidArgument;
    Reply reply = Exchange(device, Command(0x80, 0x85, 0x00, 0x00).Le(0x40));
    if (!reply.Exchanged()) return reply.result;
    if (reply.sw == 0x9000) {
      if (reply.data.size() < kCidRecordSize) return kErrReadBinary;
      uint32_t n = reply.data[1];
      if (n < 60) {
        *length = n;
        if (out != nullptr) memcpy(out, reply.data.data() + 2, n);
      } else {
        *length = 0;
      }
      return kOk;
    }
    // Tokens without reserved sections keep the record in a file; reading it needs
    // the file commands, which this build does not carry yet.
    if (reply.sw == 0x6D00) return kErrNotSupported;
    return kErrUnexpectedStatus;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWWriteCID(DeviceHandle device, const uint8_t* data, uint32_t length) {
  return Guarded([&]() -> uint32_t {
    if (data == nullptr && length != 0) return kErrInvalidArgument;
    // Longer identifiers would run into the reserved bytes and be cut by them.
    if (length > kCidMaxLength) return kErrDataTooLong;
    Reply reply = Exchange(device, Command(0x80, 0x85, 0x00, 0x00).Le(0x40));
    if (!reply.Exchanged()) return reply.result;
    if (reply.sw == 0x9000) {
      if (reply.data.size() < kCidRecordSize) return kErrReadBinary;
      Bytes record(kCidRecordSize, 0);
      record[0] = 1;
      record[1] = static_cast<uint8_t>(length);
      if (length != 0) memcpy(record.data() + 2, data, length);
      memcpy(record.data() + kCidReservedOffset, reply.data.data() + kCidReservedOffset,
             kCidRecordSize - kCidReservedOffset);
      Reply written = Exchange(device, Command(0x80, 0x85, 0x01, 0x00).Data(record.data(), record.size()));
      return MapStatus(written);
    }
    if (reply.sw == 0x6D00) return kErrNotSupported;
    return kErrUnexpectedStatus;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetResponse(DeviceHandle device, uint32_t length, uint8_t* out) {
  return Guarded([&]() -> uint32_t {
    if (out == nullptr) return kErrInvalidArgument;
    return GetResponse(device, length, out);
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetBufLen(DeviceHandle device, uint32_t* length) {
  return Guarded([&]() -> uint32_t {
    if (length == nullptr) return kErrInvalidArgument;
    Reply reply;
    uint32_t rc = GetDataStrict(device, kItemBufLen, 2, reply);
    if (rc != 0) return rc;
    *length = ReadBe16(reply.data.data());
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWGetSupportEncMacCMD(DeviceHandle device) {
  return Guarded([&]() -> uint32_t {
    Reply reply = GetData(device, kItemEncMac, 1);
    return (reply.Ok() && !reply.data.empty() && reply.data[0] == 1) ? 1 : 0;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HWSelMF(DeviceHandle device) {
  return Guarded([&]() -> uint32_t {
    Reply reply = Exchange(device, Command(0x00, 0xA4, 0x00, 0x00).Data({0x3F, 0x00}));
    return MapStatus(reply, {{0x6100, kOk, 0xFF00}, {0x6A81, kErrMFNotFound}});
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HexToStr(const uint8_t* bytes, uint32_t length, char* text) {
  static const char kDigits[] = "0123456789ABCDEF";
  if ((bytes == nullptr || text == nullptr) && length != 0) return kErrInvalidArgument;
  for (uint32_t i = 0; i < length; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return kOk;
}
