#include "fake_transport.h"

#include <string.h>

#include <stdexcept>

namespace testing_support {
namespace {

FakeTransport* g_current = nullptr;

uint32_t PQ_WINAPI Connect(const char*, DeviceHandle* device) {
  auto* t = g_current;
  if (t->connectResult != 0) return t->connectResult;
  *device = t->nextHandle++;
  t->connected.push_back(*device);
  return 0;
}
uint32_t PQ_WINAPI Begin(DeviceHandle) {
  ++g_current->beginCount;
  return g_current->beginResult;
}
uint32_t PQ_WINAPI BeginTime(DeviceHandle, uint32_t) { return 0; }
uint32_t PQ_WINAPI End(DeviceHandle) {
  ++g_current->endCount;
  return 0;
}
uint32_t PQ_WINAPI Disconnect(DeviceHandle device) {
  g_current->disconnected.push_back(device);
  return 0;
}
uint32_t PQ_WINAPI List(char* buffer, uint32_t* length, uint32_t* count) {
  std::string multi;
  for (const auto& r : g_current->readers) multi += r + '\0';
  multi += '\0';
  *count = g_current->countOverride >= 0 ? static_cast<uint32_t>(g_current->countOverride)
                                         : static_cast<uint32_t>(g_current->readers.size());
  if (buffer == nullptr) {
    *length = static_cast<uint32_t>(multi.size());
    return 0;
  }
  if (*length < multi.size()) return 0xA0000003;
  memcpy(buffer, multi.data(), multi.size());
  *length = static_cast<uint32_t>(multi.size());
  return 0;
}
uint32_t PQ_WINAPI Unload() { return 0; }
uint32_t PQ_WINAPI State(const char* name, uint32_t* state) {
  for (size_t i = 0; i < g_current->readers.size(); ++i) {
    if (g_current->readers[i] == name) {
      if (i >= g_current->states.size()) return 0xA0000005;
      *state = g_current->states[i];
      return 0;
    }
  }
  return 0xA0000004;
}
uint32_t PQ_WINAPI SetChg(const char* name, ZTDevChgHandler, ZTDevChgHandler, void* context, uint32_t) {
  g_current->registrations.emplace_back(name, context);
  return 0;
}
uint32_t PQ_WINAPI SetChgParam(const char*, uint32_t) { return 0; }
uint32_t PQ_WINAPI Transmit(DeviceHandle, const uint8_t* command, uint32_t length, uint8_t* response,
                            uint32_t* responseLength, uint32_t* sw) {
  Bytes cmd(command, command + length);
  g_current->commands.push_back(cmd);
  FakeReply reply = g_current->Answer(cmd);
  if (reply.result != 0) return reply.result;
  if (reply.data.size() > *responseLength) throw std::runtime_error("response larger than the stated capacity");
  if (!reply.data.empty()) memcpy(response, reply.data.data(), reply.data.size());
  *responseLength = static_cast<uint32_t>(reply.data.size());
  *sw = reply.sw;
  return 0;
}
uint32_t PQ_WINAPI GetAtr(DeviceHandle, uint8_t* atr, uint32_t* length) {
  if (g_current->atrResult != 0) return g_current->atrResult;
  size_t n = std::min<size_t>(*length, g_current->atr.size());
  memcpy(atr, g_current->atr.data(), n);
  *length = static_cast<uint32_t>(n);
  return 0;
}
uint32_t PQ_WINAPI Reset(DeviceHandle device, uint8_t* atr, uint32_t* length) { return GetAtr(device, atr, length); }
uint32_t PQ_WINAPI Serial(DeviceHandle, uint8_t* serial) {
  memset(serial, 0x11, 8);
  return 0;
}
uint32_t PQ_WINAPI Refresh() { return 0; }
uint32_t PQ_WINAPI Wait(uint32_t, char*, uint32_t*, uint32_t*) { return 0; }
uint32_t PQ_WINAPI Trans(const char*, char*, uint32_t*) { return 0; }

}  // namespace

FakeTransport::FakeTransport() {
  g_current = this;
  pq::TransportBinding& b = pq::Transport();
  b.connectDev = Connect;
  b.beginTransaction = Begin;
  b.beginTransactionTime = BeginTime;
  b.endTransaction = End;
  b.disconnectDev = Disconnect;
  b.listReaders = List;
  b.unload = Unload;
  b.getDevState = State;
  b.setDevChgFunc = SetChg;
  b.setDevChgFuncParam = SetChgParam;
  b.transmit = Transmit;
  b.reset = Reset;
  b.getATR = GetAtr;
  b.getSerialNum = Serial;
  b.refreshReaders = Refresh;
  b.waitForDevEvent = Wait;
  b.transDeviceName2KeyName = Trans;
}

FakeTransport::~FakeTransport() {
  pq::Transport() = pq::TransportBinding{};
  g_current = nullptr;
}

FakeTransport* FakeTransport::Current() { return g_current; }

FakeReply FakeTransport::Answer(const Bytes& command) {
  if (!queue_.empty()) {
    FakeReply r = queue_.front();
    queue_.pop_front();
    return r;
  }
  if (responder) return responder(command);
  return FakeReply{{}, 0x6D00, 0};
}

void FakeTransport::UseCard(vtoken::CardState* state) {
  atr = vtoken::BuildAtr(*state);
  responder = [this, state](const Bytes& command) {
    vtoken::ResponseApdu r = card_.Process(*state, command.data(), command.size(), nullptr);
    return FakeReply{r.data, r.sw, 0};
  };
}

Bytes Hex(const std::string& text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return out;
}

std::string ToHex(const Bytes& bytes) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    s += d[b >> 4];
    s += d[b & 15];
  }
  return s;
}

}  // namespace testing_support
