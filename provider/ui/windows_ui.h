// The window layer of the provider: installed when the library is loaded.
#pragma once
#include <windows.h>

#include "../transport/platform.h"
#include "ui_hooks.h"

namespace pq {

// Fills the window hooks and the token-removal steps.
void InstallWindowsUi();

void InstallButtonWaitHooks(UiHooks& hooks);
void InstallNoteHooks(UiHooks& hooks);

// The transaction confirmation of signing on tokens with a display (CLedButtonKeyGifDlg).
struct LedButtonRequest {
  HWND owner = nullptr;             // null: a hidden topmost owner is made
  const char* animation = nullptr;  // animation file name
  const char* title = nullptr;      // null or empty: the language's title
  const char* reader = nullptr;     // the reader the dialog is filed under
  DeviceHandle device = 0;          // where the cancel command goes
  HWND* windowSlot = nullptr;       // receives the dialog's window
  volatile LONG* workerState = nullptr;  // the worker sets 88 when the dialog must close
};

// Runs the dialog modally on this thread; returns why it closed (100 provider, 101 worker).
uintptr_t RunLedButtonDialog(const LedButtonRequest& request);

constexpr UINT kRemainingSecondsMessage = WM_USER + 68;
constexpr LONG kWorkerDone = 88;

}  // namespace pq
