// The PIN cache shared between processes: a verified PIN code per token serial,
// readable only by the process that stored it, clearable by every process.
#pragma once
#include "../transport/platform.h"

PQ_EXPORT uint32_t PQ_WINAPI KVCreateCachedPin(void);
PQ_EXPORT uint32_t PQ_WINAPI KVWriteCachedPin(const uint8_t* serial8, const uint8_t* code6);
PQ_EXPORT uint32_t PQ_WINAPI KVClearCachedPin(const uint8_t* serial8);
PQ_EXPORT uint32_t PQ_WINAPI KVClearAllCachedPin(void);
// `readerList`: reader names separated by NUL, ended by an empty name; null means none present.
PQ_EXPORT uint32_t PQ_WINAPI KVRefreshCachedPin(const char* readerList);

namespace pq {

// `*notFound` is 0 when a valid code was found for this process, else 1.
uint32_t ReadCachedPin(const uint8_t* serial8, uint8_t* code6, uint32_t* notFound);
// 0 when found; kErrSecurityStatus when this process holds no entry for the serial.
uint32_t ReadCachedPinDigest(const uint8_t* serial8, uint8_t* digest20);
uint32_t WriteCachedPinDigest(const uint8_t* serial8, const uint8_t* digest20);

// Refreshes against the readers the provider knows (the removal handler's step).
void RefreshCachedPinForKnownReaders();

}  // namespace pq
