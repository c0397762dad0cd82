// Cross-process lock over a named kernel object: held while the object exists.
// Acquisition polls every 300 ms and never queues; a holder that dies releases it.
#pragma once
#include <stdint.h>

namespace pq {

class NamedLock {
 public:
  explicit NamedLock(const char* name);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  bool Held() const { return handle_ != nullptr; }
  // The system error when the object could not be created.
  uint32_t Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  uint32_t error_ = 0;
};

constexpr const char* kReaderTableLockName = "KORVEL_READER_HANDLE_MUTEX_NAME";
constexpr const char* kPinCacheLockName = "KORVEL_PIN_MUTEX_NAME_ABC";
constexpr const char* kCspCacheLockName = "KORVEL_CSP_MUTEX_NAME_ABC";

}  // namespace pq
