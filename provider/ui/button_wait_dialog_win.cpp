// The button-press wait (CPressButtonKeyGifDlg): shown on a thread of its own while
// a command waits for the token's button. Esc cancels; the caller closes it when the
// token answered.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "../config/multi_language.h"
#include "picture_ex_win.h"
#include "resource_ids.h"
#include "ui_hooks.h"
#include "window_support_win.h"
#include "windows_ui.h"

namespace pq {
namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kLingerTimer = 2;
constexpr UINT kLingerMs = 1000;
// The close request of the command loop.
constexpr WPARAM kCloseByLoop = 16;

struct ButtonWait {
  std::atomic<HWND> window{nullptr};
  std::atomic<bool> cancelled{false};
  std::atomic<bool> ended{false};
  std::atomic<bool> closeRequested{false};  // the loop finished before the window opened
  std::string animation = "KVPressButtonKey.gif";
  std::string title;
  CPictureEx picture;
};

void BeginClose(HWND dialog, ButtonWait* wait) {
  wait->picture.Stop();
  // The window stays a moment before it goes.
  SetTimer(dialog, kLingerTimer, kLingerMs, nullptr);
}

INT_PTR CALLBACK ButtonWaitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* wait = reinterpret_cast<ButtonWait*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      wait = reinterpret_cast<ButtonWait*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      std::string title = wait->title.empty() ? LanguageText("PRESS_BUTTON_GIF_DLG", "IDSTR_TITLE") : wait->title;
      SetWindowTextA(dialog, title.c_str());
      ShowWindow(GetDlgItem(dialog, IDC_PRESS_HINT), SW_HIDE);
      if (wait->picture.Load(FindAnimationFile(wait->animation)))
        wait->picture.Play(dialog, GetDlgItem(dialog, IDC_PICTURE), kAnimationTimer);
      SetForegroundWindow(dialog);
      wait->window = dialog;
      if (wait->closeRequested) PostMessageA(dialog, WM_CLOSE, kCloseByLoop, 16);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wait && wParam == IDC_PICTURE) wait->picture.Draw(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kAnimationTimer) wait->picture.OnTimer();
      if (wParam == kLingerTimer) {
        KillTimer(dialog, kLingerTimer);
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {  // Esc: the user gives up waiting
        wait->cancelled = true;
        BeginClose(dialog, wait);
      }
      return TRUE;  // Enter is swallowed
    case WM_CLOSE:
      if (wParam != kCloseByLoop) wait->cancelled = true;
      BeginClose(dialog, wait);
      return TRUE;
  }
  return FALSE;
}

DWORD RunButtonWait(void* p) {
  std::shared_ptr<ButtonWait>* owned = static_cast<std::shared_ptr<ButtonWait>*>(p);
  std::shared_ptr<ButtonWait> wait = *owned;
  delete owned;
  {
    HiddenOwner owner;
    DialogBoxParamA(ProviderInstance(), MAKEINTRESOURCEA(IDD_PRESS_BUTTON), owner.Window(), ButtonWaitProc,
                    reinterpret_cast<LPARAM>(wait.get()));
  }
  wait->window = nullptr;
  wait->ended = true;
  return 0;
}

// The command loop holds one reference, the dialog's thread another.
void* OpenButtonWait() {
  auto wait = std::make_shared<ButtonWait>();
  auto* forThread = new std::shared_ptr<ButtonWait>(wait);
  HANDLE thread = StartLibraryThread(RunButtonWait, forThread, THREAD_PRIORITY_HIGHEST);
  if (thread == nullptr) {
    delete forThread;
    return nullptr;
  }
  CloseHandle(thread);
  return new std::shared_ptr<ButtonWait>(wait);
}

ButtonWait& Of(void* handle) { return **static_cast<std::shared_ptr<ButtonWait>*>(handle); }

}  // namespace

void InstallButtonWaitHooks(UiHooks& hooks) {
  hooks.openButtonWait = OpenButtonWait;
  hooks.buttonWaitVisible = [](void* h) { return Of(h).window.load() != nullptr; };
  hooks.buttonWaitEnded = [](void* h) { return Of(h).cancelled.load() || Of(h).ended.load(); };
  hooks.closeButtonWait = [](void* h) {
    Of(h).closeRequested = true;
    HWND window = Of(h).window;
    if (window != nullptr && !Of(h).ended) PostMessageA(window, WM_CLOSE, kCloseByLoop, 16);
    delete static_cast<std::shared_ptr<ButtonWait>*>(h);
  };
}

}  // namespace pq
