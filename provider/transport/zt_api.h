// The transport library's functions as this provider calls them. The virtual
// token's transport implements exactly these signatures.
#pragma once
#include "platform.h"

extern "C" {

// Device-change handler: called with the context given at registration.
typedef uint32_t(PQ_WINAPI* ZTDevChgHandler)(void* context);

typedef uint32_t(PQ_WINAPI* ZTConnectDevFn)(const char* readerName, DeviceHandle* device);
typedef uint32_t(PQ_WINAPI* ZTBeginTransactionFn)(DeviceHandle device);
typedef uint32_t(PQ_WINAPI* ZTBeginTransactionTimeFn)(DeviceHandle device, uint32_t timeoutMs);
typedef uint32_t(PQ_WINAPI* ZTEndTransactionFn)(DeviceHandle device);
typedef uint32_t(PQ_WINAPI* ZTDisconnectDevFn)(DeviceHandle device);
// buffer may be null: then only *length (bytes needed) and *count are written.
typedef uint32_t(PQ_WINAPI* ZTListReadersFn)(char* buffer, uint32_t* length, uint32_t* count);
typedef uint32_t(PQ_WINAPI* ZTUnloadFn)(void);
typedef uint32_t(PQ_WINAPI* ZTGetDevStateFn)(const char* readerName, uint32_t* state);
typedef uint32_t(PQ_WINAPI* ZTSetDevChgFuncFn)(const char* readerName, ZTDevChgHandler arrived,
                                               ZTDevChgHandler removed, void* context, uint32_t reserved);
typedef uint32_t(PQ_WINAPI* ZTSetDevChgFuncParamFn)(const char* readerName, uint32_t parameter);
// *responseLength: in = capacity, out = data bytes; *statusWord = SW1*256+SW2.
typedef uint32_t(PQ_WINAPI* ZTTransmitFn)(DeviceHandle device, const uint8_t* command, uint32_t commandLength,
                                          uint8_t* response, uint32_t* responseLength, uint32_t* statusWord);
typedef uint32_t(PQ_WINAPI* ZTResetFn)(DeviceHandle device, uint8_t* atr, uint32_t* atrLength);
typedef uint32_t(PQ_WINAPI* ZTGetATRFn)(DeviceHandle device, uint8_t* atr, uint32_t* atrLength);
typedef uint32_t(PQ_WINAPI* ZTGetSerialNumFn)(DeviceHandle device, uint8_t* serial8);
typedef uint32_t(PQ_WINAPI* ZTRefreshReadersFn)(void);
// Waits up to timeoutMs for an insertion (event 1) or removal (event 2); writes the reader name.
typedef uint32_t(PQ_WINAPI* ZTWaitForDevEventFn)(uint32_t timeoutMs, char* readerName, uint32_t* nameLength,
                                                 uint32_t* event);
typedef uint32_t(PQ_WINAPI* ZTTransDeviceName2KeyNameFn)(const char* deviceName, char* keyName, uint32_t* keyNameLength);

}  // extern "C"

// Reader state value meaning "a token is present".
constexpr uint32_t kZTStatePresent = 0x20;
