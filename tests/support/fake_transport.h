// A transport for native tests: every function of the binding table goes to one
// object, whose answers come from a script or from an emulated card.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "transport/apdu.h"
#include "transport/transport_binding.h"
#include "card_os.h"

namespace testing_support {

using pq::Bytes;

struct FakeReply {
  Bytes data;
  uint16_t sw = 0x9000;
  uint32_t result = 0;  // non-zero: the exchange itself fails
};

class FakeTransport {
 public:
  FakeTransport();   // binds itself into the process's transport binding
  ~FakeTransport();  // and clears it again

  // Answers, in order, for the next exchanges. When the queue is empty the
  // responder (if any) answers, else 0x6D00.
  void Queue(FakeReply reply) { queue_.push_back(std::move(reply)); }
  void Queue(uint16_t sw, Bytes data = {}) { queue_.push_back({std::move(data), sw, 0}); }
  std::function<FakeReply(const Bytes& command)> responder;

  // Serves every exchange from an emulated card.
  void UseCard(vtoken::CardState* state);

  std::vector<Bytes> commands;  // every command sent, in order
  Bytes atr = {0x3B, 0x6D, 0x00, 0x00, 0x80, 0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x00};
  uint32_t atrResult = 0;
  std::vector<std::string> readers;  // for ZTListReaders
  std::vector<uint32_t> states;      // per reader; a reader without one fails its state query
  int countOverride = -1;            // reader count reported instead of the real one
  std::vector<std::pair<std::string, void*>> registrations;
  std::vector<DeviceHandle> connected, disconnected;
  int beginCount = 0, endCount = 0;
  uint32_t beginResult = 0, connectResult = 0;
  DeviceHandle nextHandle = 100;

  static FakeTransport* Current();
  FakeReply Answer(const Bytes& command);

 private:
  std::deque<FakeReply> queue_;
  vtoken::CardOs card_;
};

// "80CA000108" -> bytes
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);

}  // namespace testing_support
