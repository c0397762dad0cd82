#include <windows.h>

#include "named_lock.h"

namespace pq {
namespace {

constexpr DWORD kPollMs = 300;

// Anyone may open the object, so that processes of other users and integrity
// levels see the same lock.
struct OpenSecurity {
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  OpenSecurity() {
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;
  }
};

}  // namespace

NamedLock::NamedLock(const char* name) {
  OpenSecurity security;
  for (;;) {
    HANDLE existing = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (existing != nullptr) {
      CloseHandle(existing);
      Sleep(kPollMs);
      continue;
    }
    HANDLE created = CreateMutexA(&security.attributes, FALSE, name);
    if (created == nullptr) {
      error_ = GetLastError();
      return;
    }
    // Someone created it between our look and our creation: they hold it, not us.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(created);
      Sleep(kPollMs);
      continue;
    }
    handle_ = created;
    return;
  }
}

NamedLock::~NamedLock() {
  if (handle_ != nullptr) {
    ReleaseMutex(static_cast<HANDLE>(handle_));
    CloseHandle(static_cast<HANDLE>(handle_));
  }
}

}  // namespace pq
