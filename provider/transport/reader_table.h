// The per-process table of connected readers. Every access is serialised across
// processes by the reader-table lock.
#pragma once
#include <stddef.h>

#include "platform.h"

namespace pq {

constexpr size_t kReaderTableSize = 10;
constexpr size_t kReaderNameMax = 255;

void ClearReaderTable();
uint32_t RegisterReader(const char* readerName, DeviceHandle device);
uint32_t LookupReaderHandle(const char* readerName, DeviceHandle* device);
uint32_t RemoveReaderByHandle(DeviceHandle device);
// `name` must hold kReaderNameMax + 1 characters.
uint32_t ReaderNameByHandle(DeviceHandle device, char* name);
uint32_t AnyReaderOpen(uint32_t* flag);
uint32_t CountOpenReaders(uint32_t* count);

// Case-insensitive comparison of reader names.
bool SameReaderName(const char* a, const char* b);

}  // namespace pq

PQ_EXPORT uint32_t PQ_WINAPI ClearShare(const char* readerName);
PQ_EXPORT uint32_t PQ_WINAPI HC_GetDevTypeEx(const char* readerName, uint32_t* type);
