// The bound transport library: one per process, loaded when the provider is attached.
#pragma once
#include "zt_api.h"

namespace pq {

struct TransportBinding {
  void* module = nullptr;  // HMODULE on Windows; tests leave it null
  ZTConnectDevFn connectDev = nullptr;
  ZTBeginTransactionFn beginTransaction = nullptr;
  ZTBeginTransactionTimeFn beginTransactionTime = nullptr;
  ZTEndTransactionFn endTransaction = nullptr;
  ZTDisconnectDevFn disconnectDev = nullptr;
  ZTListReadersFn listReaders = nullptr;
  ZTUnloadFn unload = nullptr;
  ZTGetDevStateFn getDevState = nullptr;
  ZTSetDevChgFuncFn setDevChgFunc = nullptr;
  ZTSetDevChgFuncParamFn setDevChgFuncParam = nullptr;
  ZTTransmitFn transmit = nullptr;
  ZTResetFn reset = nullptr;
  ZTGetATRFn getATR = nullptr;
  ZTGetSerialNumFn getSerialNum = nullptr;
  ZTRefreshReadersFn refreshReaders = nullptr;
  ZTWaitForDevEventFn waitForDevEvent = nullptr;
  ZTTransDeviceName2KeyNameFn transDeviceName2KeyName = nullptr;
};

// One entry of the binding table: the exported name, where its pointer goes, and
// whether a bind without it fails.
struct TransportFunction {
  const char* name;
  void* TransportBinding::*slot;
  bool required;
};

// All 17 functions in table order.
const TransportFunction* TransportFunctionTable(int* count);

// The process's binding. Tests may fill it with fakes.
TransportBinding& Transport();

// Fills every slot through `lookup` (name -> address or null). True when all required ones were found.
bool BindTransportFunctions(TransportBinding& binding, void* (*lookup)(void* ctx, const char* name), void* ctx);

// True when every required function is bound: operations check this before calling the transport.
bool TransportReady();

// Clears the module and every pointer except the optional unload function.
void ClearTransportBinding(TransportBinding& binding);

}  // namespace pq
