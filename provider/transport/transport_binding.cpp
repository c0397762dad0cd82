#include "transport_binding.h"

namespace pq {
namespace {

// Member pointers of different function types share one slot type through this cast.
template <typename T>
void* TransportBinding::*Slot(T TransportBinding::*member) {
  return reinterpret_cast<void* TransportBinding::*>(member);
}

const TransportFunction kTable[] = {
    {"ZTConnectDev", Slot(&TransportBinding::connectDev), true},
    {"ZTBeginTransaction", Slot(&TransportBinding::beginTransaction), true},
    {"ZTBeginTransactionTime", Slot(&TransportBinding::beginTransactionTime), false},
    {"ZTEndTransaction", Slot(&TransportBinding::endTransaction), true},
    {"ZTDisconnectDev", Slot(&TransportBinding::disconnectDev), true},
    {"ZTListReaders", Slot(&TransportBinding::listReaders), true},
    {"ZTUnload", Slot(&TransportBinding::unload), false},
    {"ZTGetDevState", Slot(&TransportBinding::getDevState), true},
    {"ZTSetDevChgFunc", Slot(&TransportBinding::setDevChgFunc), true},
    {"ZTSetDevChgFuncParam", Slot(&TransportBinding::setDevChgFuncParam), true},
    {"ZTTransmit", Slot(&TransportBinding::transmit), true},
    {"ZTReset", Slot(&TransportBinding::reset), true},
    {"ZTGetATR", Slot(&TransportBinding::getATR), true},
    {"ZTGetSerialNum", Slot(&TransportBinding::getSerialNum), true},
    {"ZTRefreshReaders", Slot(&TransportBinding::refreshReaders), true},
    {"ZTWaitForDevEvent", Slot(&TransportBinding::waitForDevEvent), true},
    {"ZTTransDeviceName2KeyName", Slot(&TransportBinding::transDeviceName2KeyName), true},
};

TransportBinding g_binding;

}  // namespace

const TransportFunction* TransportFunctionTable(int* count) {
  *count = static_cast<int>(sizeof(kTable) / sizeof(kTable[0]));
  return kTable;
}

TransportBinding& Transport() { return g_binding; }

bool BindTransportFunctions(TransportBinding& binding, void* (*lookup)(void* ctx, const char* name), void* ctx) {
  bool complete = true;
  for (const auto& fn : kTable) {
    void* address = lookup(ctx, fn.name);
    binding.*(fn.slot) = address;
    if (fn.required && address == nullptr) complete = false;
  }
  return complete;
}

bool TransportReady() {
  for (const auto& fn : kTable) {
    if (fn.required && g_binding.*(fn.slot) == nullptr) return false;
  }
  return true;
}

void ClearTransportBinding(TransportBinding& binding) {
  ZTUnloadFn keep = binding.unload;
  binding = TransportBinding{};
  binding.unload = keep;
}

}  // namespace pq
