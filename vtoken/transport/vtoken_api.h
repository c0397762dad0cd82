// The virtual token's own interface beside the transport functions: inserting and
// removing tokens, fault injection and the command trace. Used by the control
// program and by tests.
#pragma once
#include <stdint.h>

// Transport result codes of the virtual token.
#define VT_E_INVALID_HANDLE 0xE1000001u
#define VT_E_NO_TOKEN 0xE1000002u
#define VT_E_UNKNOWN_READER 0xE1000003u
#define VT_E_BUFFER_TOO_SMALL 0xE1000004u
#define VT_E_TIMEOUT 0xE1000005u
#define VT_E_INJECTED 0xE1000006u   // a transmission failed on purpose
#define VT_E_NO_ANSWER 0xE1000007u  // the token is silent
#define VT_E_NOT_OWNER 0xE1000008u
#define VT_E_PARAMETER 0xE1000009u
#define VT_E_STORE 0xE100000Au
#define VT_E_SLOT_BUSY 0xE100000Bu

// Fault kinds for VTokenAddFault.
#define VT_FAULT_STATUS 1  // answer `status` (no data) to matching commands
#define VT_FAULT_FAIL 2    // the transmission of matching commands fails
#define VT_FAULT_SILENT 3  // after a matching command, stay silent for `silentMs`

// Acts on the button of a token whose command waits for it.
#define VT_BUTTON_PRESS 1
#define VT_BUTTON_REFUSE 2
#define VT_BUTTON_EXPIRE 3

// The functions, as callers bind them by name from the transport library
// (see vtoken_client.h).
#if defined(_WIN32)
#define VT_CALL __stdcall
#else
#define VT_CALL
#endif
typedef uint32_t(VT_CALL* VTokenReaderCountFn)(void);
typedef uint32_t(VT_CALL* VTokenReaderNameFn)(uint32_t slot, char* name, uint32_t capacity);
// Inserts the token with this serial (16 hex digits) into the reader, creating it
// with `profile` when it does not exist yet. A null serial takes one derived from the slot.
typedef uint32_t(VT_CALL* VTokenInsertFn)(uint32_t slot, const char* profile, const char* serialHex);
typedef uint32_t(VT_CALL* VTokenRemoveFn)(uint32_t slot);
typedef uint32_t(VT_CALL* VTokenIsPresentFn)(uint32_t slot);
// A matching command starts with the first `headerLength` bytes of `header`
// (0 matches every command). `count` 0 means every time.
typedef uint32_t(VT_CALL* VTokenAddFaultFn)(uint32_t slot, uint32_t kind, const uint8_t* header, uint32_t headerLength,
                                            uint32_t status, uint32_t count, uint32_t silentMs);
typedef uint32_t(VT_CALL* VTokenClearFaultsFn)(uint32_t slot);
typedef uint32_t(VT_CALL* VTokenTracePathFn)(uint32_t slot, char* path, uint32_t capacity);
typedef uint32_t(VT_CALL* VTokenTraceClearFn)(uint32_t slot);
typedef uint32_t(VT_CALL* VTokenStorePathFn)(char* path, uint32_t capacity);
// The user presses, refuses or lets the wait expire (VT_BUTTON_*); seen by the next command.
typedef uint32_t(VT_CALL* VTokenButtonFn)(uint32_t slot, uint32_t action);
// From now on, commands on that token starting with these bytes wait for the button
// (only tokens that have one: profiles "display" and "legacy").
typedef uint32_t(VT_CALL* VTokenRequireButtonFn)(uint32_t slot, const uint8_t* header, uint32_t headerLength);
