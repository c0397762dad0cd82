#include "apdu.h"

#include <string.h>

#include "result_codes.h"
#include "transport_binding.h"

namespace pq {

Command::Command(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2) : header_{cla, ins, p1, p2} {}

Command Command::WithP1P2(uint8_t cla, uint8_t ins, uint16_t p1p2) {
  return Command(cla, ins, static_cast<uint8_t>(p1p2 >> 8), static_cast<uint8_t>(p1p2));
}

Command& Command::Data(const uint8_t* data, size_t length) {
  data_.assign(data, data + length);
  hasData_ = true;
  return *this;
}

Command& Command::Data(std::initializer_list<uint8_t> data) {
  data_.assign(data);
  hasData_ = true;
  return *this;
}

Command& Command::Le(uint8_t le) {
  le_ = le;
  hasLe_ = true;
  return *this;
}

Bytes Command::Encode() const {
  Bytes out(header_, header_ + 4);
  if (hasData_) {
    out.push_back(static_cast<uint8_t>(data_.size()));
    out.insert(out.end(), data_.begin(), data_.end());
  }
  if (hasLe_) out.push_back(le_);
  return out;
}

Reply Exchange(DeviceHandle device, const uint8_t* command, size_t length, uint32_t capacity) {
  Reply reply;
  auto transmit = Transport().transmit;
  if (!TransportReady() || transmit == nullptr) {
    reply.result = kErrTransportUnavailable;
    return reply;
  }
  reply.data.resize(capacity);
  uint32_t responseLength = capacity;
  uint32_t sw = 0;
  reply.result = transmit(device, command, static_cast<uint32_t>(length), reply.data.data(), &responseLength, &sw);
  if (reply.result != 0) {
    reply.data.clear();
    return reply;
  }
  reply.data.resize(responseLength <= capacity ? responseLength : capacity);
  reply.sw = static_cast<uint16_t>(sw);
  return reply;
}

Reply Exchange(DeviceHandle device, const Command& command, uint32_t capacity) {
  Bytes bytes = command.Encode();
  return Exchange(device, bytes.data(), bytes.size(), capacity);
}

uint32_t MapStatus(const Reply& reply, std::initializer_list<StatusRule> rules) {
  if (reply.result != 0) return reply.result;
  for (const auto& rule : rules) {
    if ((reply.sw & rule.mask) == (rule.sw & rule.mask)) return rule.result;
  }
  return reply.sw == 0x9000 ? kOk : kErrUnexpectedStatus;
}

uint32_t CollectResponse(DeviceHandle device, Reply& reply, uint32_t expected, bool allow128) {
  if (reply.result != 0) return reply.result;
  if (reply.sw == 0x9000) return kOk;
  if (reply.Sw1() != 0x61) return kErrUnexpectedStatus;
  uint32_t announced = reply.Sw2();
  if (announced != (expected & 0xFF) && !(allow128 && announced == 0x80)) return kErrUnexpectedStatus;
  reply.data.resize(announced);
  uint32_t rc = GetResponse(device, announced, reply.data.data());
  if (rc != 0) return rc;
  reply.sw = 0x9000;
  return kOk;
}

uint32_t GetResponse(DeviceHandle device, uint32_t length, uint8_t* out) {
  uint8_t le = static_cast<uint8_t>(length & 0xFF);
  Reply reply = Exchange(device, Command(0x00, 0xC0, 0x00, 0x00).Le(le));
  uint32_t rc = MapStatus(reply);
  if (rc != 0) return rc;
  // Never hand out bytes the token did not send.
  if (reply.data.size() < le) return kErrSizeOrLookup;
  memcpy(out, reply.data.data(), le);
  return kOk;
}

uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t ReadBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

}  // namespace pq
