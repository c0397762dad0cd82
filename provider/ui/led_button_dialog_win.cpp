// The transaction confirmation (CLedButtonKeyGifDlg): shown on the signing thread
// while a worker waits for the token's button. Only the provider (token removal,
// cancel) and the worker close it; the user's close requests are ignored.
#include <windows.h>

#include <stdio.h>

#include <string>

#include "../config/app.h"
#include "../config/multi_language.h"
#include "../transport/transport_binding.h"
#include "picture_ex_win.h"
#include "resource_ids.h"
#include "window_support_win.h"
#include "windows_ui.h"

namespace pq {
namespace {

constexpr UINT_PTR kWorkerTimer = 88;
constexpr UINT_PTR kCentreClickTimer = 1000;
constexpr UINT_PTR kAnimationTimer = 89;
constexpr COLORREF kBackground = RGB(243, 249, 253);
constexpr const char* kDefaultRemainingFormat = "超时时间剩余%4d秒";

struct LedDialog {
  const LedButtonRequest* request;
  CPictureEx picture;
  std::string remainingFormat;  // empty: the built-in text
  HBRUSH background = CreateSolidBrush(kBackground);
  uintptr_t reason = kClosedByProvider;
  ~LedDialog() { DeleteObject(background); }
};

bool Contains(const char* text, const char* part) { return text != nullptr && strstr(text, part) != nullptr; }

void PostProviderClose(HWND dialog) {
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, static_cast<LPARAM>(kClosedByProvider));
}

// No animation: an explanation in its place, the dialog made small and centred.
void ShowExplanation(HWND dialog) {
  ShowWindow(GetDlgItem(dialog, IDC_PICTURE), SW_HIDE);
  HWND explain = GetDlgItem(dialog, IDC_EXPLAIN);
  SetWindowTextA(explain, LanguageText("CSPSignDlgInfo", "IDSTR_DLG_SHOWENSURE_OP").c_str());
  SetWindowPos(explain, nullptr, 20, 30, 330, 60, SWP_NOZORDER);
  ShowWindow(explain, SW_SHOW);
  SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - 377) / 2, (GetSystemMetrics(SM_CYSCREEN) - 150) / 2,
               377, 150, SWP_NOZORDER);
}

void Open(HWND dialog, LedDialog* d) {
  const LedButtonRequest& r = *d->request;
  HWND picture = GetDlgItem(dialog, IDC_PICTURE);
  if (Contains(r.animation, "KVChangepinSure")) {
    RECT client;
    GetClientRect(dialog, &client);
    SetWindowPos(picture, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER);
    ShowWindow(GetDlgItem(dialog, IDC_REMAINING), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_CANCEL_DEAL), SW_HIDE);
  }
  std::string title = (r.title && *r.title) ? r.title : LanguageText("PRESS_BUTTON_GIF_DLG", "IDSTR_TITLE");
  SetWindowTextA(dialog, title.c_str());
  d->remainingFormat = LanguageText("CSPSignDlgInfo", "IDSTR_SIGN_REMAINTIME");
  if (r.windowSlot) *r.windowSlot = dialog;
  if (d->picture.Load(FindAnimationFile(r.animation ? r.animation : ""))) {
    d->picture.Play(dialog, picture, kAnimationTimer);
  } else {
    ShowExplanation(dialog);
  }
  const char* cancelKey = Contains(r.animation, "KVLedButtonKey") ? "IDS_CANCEL_DEAL" : "IDS_CANCEL_OPRATE";
  SetDlgItemTextA(dialog, IDC_CANCEL_DEAL, LanguageText("CSPRelInfo", cancelKey).c_str());
  SetTimer(dialog, kWorkerTimer, 1000, nullptr);
  App().RegisterDialog(r.reader, dialog);
  if (InPluginHost()) {
    ForegroundWorkaround();
    SetTimer(dialog, kCentreClickTimer, 300, nullptr);
  }
  SetForegroundWindow(dialog);
}

void ShowRemaining(HWND dialog, LedDialog* d, int seconds) {
  char text[256];
  if (d->remainingFormat.empty()) {
    snprintf(text, sizeof(text), kDefaultRemainingFormat, seconds);
    SetDlgItemTextUtf8(dialog, IDC_REMAINING, text);
  } else {
    // The format comes from the language file: only its one number is filled in.
    std::string format = d->remainingFormat;
    size_t at = format.find("%");
    std::string out = format;
    if (at != std::string::npos) {
      size_t end = format.find_first_of("dui", at);
      if (end != std::string::npos) out = format.substr(0, at) + std::to_string(seconds) + format.substr(end + 1);
    }
    SetDlgItemTextA(dialog, IDC_REMAINING, out.c_str());
  }
}

void CancelOnToken(HWND dialog, const LedButtonRequest& r) {
  if (!TransportReady()) return;
  static const uint8_t kCancelWait[5] = {0x80, 0x48, 0x01, 0x00, 0x00};
  uint8_t response[64];
  uint32_t length = sizeof(response), sw = 0;
  Transport().transmit(r.device, kCancelWait, sizeof(kCancelWait), response, &length, &sw);
  uint32_t state = 0;
  if (r.reader == nullptr || Transport().getDevState(r.reader, &state) != 0 || state != kZTStatePresent)
    PostProviderClose(dialog);
}

INT_PTR CALLBACK LedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<LedDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      Open(dialog, reinterpret_cast<LedDialog*>(lParam));
      return TRUE;
    case kRemainingSecondsMessage:
      ShowRemaining(dialog, d, static_cast<int>(lParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kAnimationTimer) d->picture.OnTimer();
      if (wParam == kWorkerTimer && d->request->workerState && *d->request->workerState == kWorkerDone)
        PostProviderClose(dialog);
      if (wParam == kCentreClickTimer) {
        KillTimer(dialog, kCentreClickTimer);
        ClickAt(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
      }
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == IDC_PICTURE) d->picture.Draw(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), kBackground);
      return reinterpret_cast<INT_PTR>(d ? d->background : GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CANCEL_DEAL) CancelOnToken(dialog, *d->request);
      return TRUE;  // Esc and Enter are swallowed
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (lParam == static_cast<LPARAM>(kClosedByProvider) || lParam == static_cast<LPARAM>(kClosedByWorker)) {
          d->reason = static_cast<uintptr_t>(lParam);
          KillTimer(dialog, kWorkerTimer);
          d->picture.Stop();
          EndDialog(dialog, static_cast<INT_PTR>(lParam));
        }
        return TRUE;  // the system menu and Alt+F4 do nothing
      }
      return FALSE;
    case WM_CLOSE:
      return TRUE;
    case WM_DESTROY:
      App().UnregisterDialog(dialog);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

uintptr_t RunLedButtonDialog(const LedButtonRequest& request) {
  LedDialog d;
  d.request = &request;
  HiddenOwner hidden;
  HWND owner = request.owner != nullptr ? request.owner : hidden.Window();
  DialogBoxParamA(ProviderInstance(), MAKEINTRESOURCEA(IDD_LED_BUTTON), owner, LedProc, reinterpret_cast<LPARAM>(&d));
  if (request.windowSlot) *request.windowSlot = nullptr;
  return d.reason;
}

}  // namespace pq
