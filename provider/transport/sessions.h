// Getting a token for a sequence of commands. Every session begun is ended on every
// path: use the guards.
#pragma once
#include "platform.h"

namespace pq {

// Connect, begin the transaction, select the master file (its result ignored).
uint32_t OpenReaderSession(const char* readerName, DeviceHandle* device);
// The same without the select, for the older management entry points.
uint32_t OpenReaderSessionNoSelect(const char* readerName, DeviceHandle* device);
void CloseReaderSession(DeviceHandle device);

// Begin the transaction on a registered handle and select the master file.
uint32_t LockTokenSession(DeviceHandle device);
void UnlockTokenSession(DeviceHandle device);

// Scope guards over the two patterns.
class ReaderSession {
 public:
  explicit ReaderSession(const char* readerName, bool selectMaster = true);
  ~ReaderSession() { CloseReaderSession(device_); }
  ReaderSession(const ReaderSession&) = delete;
  ReaderSession& operator=(const ReaderSession&) = delete;
  uint32_t Result() const { return result_; }
  DeviceHandle Device() const { return device_; }

 private:
  DeviceHandle device_ = 0;
  uint32_t result_;
};

class TokenLock {
 public:
  explicit TokenLock(DeviceHandle device) : device_(device), result_(LockTokenSession(device)) {}
  ~TokenLock() {
    if (result_ == 0) UnlockTokenSession(device_);
  }
  TokenLock(const TokenLock&) = delete;
  TokenLock& operator=(const TokenLock&) = delete;
  uint32_t Result() const { return result_; }

 private:
  DeviceHandle device_;
  uint32_t result_;
};

}  // namespace pq
