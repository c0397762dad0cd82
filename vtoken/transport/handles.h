// Connections of this process and the cross-process transaction on a reader.
#pragma once
#include <windows.h>
#include <stdint.h>

namespace vt {

struct Connection {
  uint32_t slot;
  uint32_t insertion;
};

// This process's record of the handle, without asking whether the token is still there.
uint32_t ConnectionOf(uint32_t handle, Connection* out);
// 0 or VT_E_INVALID_HANDLE / VT_E_NO_TOKEN (the token left since the handle was made).
uint32_t ResolveHandle(uint32_t handle, Connection* out);
uint32_t OpenConnection(uint32_t slot, uint32_t* handle);
uint32_t CloseConnection(uint32_t handle);

// Exclusive use of the reader for `handle`; waits while another handle has it, gives
// up when the token leaves or `timeoutMs` passes (INFINITE waits).
uint32_t AcquireTransaction(uint32_t handle, DWORD timeoutMs, bool* nested);
uint32_t ReleaseTransaction(uint32_t handle);

}  // namespace vt
