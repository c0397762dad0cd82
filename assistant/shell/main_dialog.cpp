#include "main_dialog.h"

#include <cstring>

#include "../res/resource.h"
#include "pages.h"
#include "text.h"
#include "topmost_message.h"

namespace quorvane {

const wchar_t kPropTimersStarted[] = L"Quorvane.TimersStarted";
const wchar_t kPropTimersRun[] = L"Quorvane.TimersRun";

namespace {

// Process-wide state of the dialog's message handling.
bool g_timerBusy = false;    // a timer handler is running
int g_framePaintsLeft = 2;   // frame paints before which an autorun window hides itself

int TimerBit(UINT_PTR id) {
  switch (id) {
    case kTimerAutorun: return 1;
    case kTimerRepairAll: return 2;
    case kTimerUpgrade: return 4;
    default: return 0;
  }
}

}  // namespace

// --- CWebbrower ---

IDispatch* CWebbrower::Control() const {
  axhost::ControlSite* site = axhost::SiteFromWindow(window_);
  return site ? site->ControlDispatch() : nullptr;
}

IDispatch* CWebbrower::Document() const {
  IDispatch* control = Control();
  if (!control) return nullptr;
  VARIANT value;
  if (FAILED(axhost::GetDispatchProperty(control, 203, &value))) return nullptr;
  IDispatch* document = nullptr;
  if (V_VT(&value) == VT_DISPATCH && V_DISPATCH(&value)) {
    document = V_DISPATCH(&value);
    document->AddRef();
  }
  VariantClear(&value);
  return document;
}

bool CWebbrower::Navigate2(const std::string& path) const {
  IDispatch* control = Control();
  if (!control) return false;
  std::wstring wide = FromAnsi(path);
  VARIANT url, flags, target, post, headers;
  VariantInit(&url);
  VariantInit(&flags);
  VariantInit(&target);
  VariantInit(&post);
  VariantInit(&headers);
  V_VT(&url) = VT_BSTR;
  V_BSTR(&url) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  // Arguments in reverse order, each a by-reference variant.
  VARIANT args[5];
  VARIANT* slots[5] = {&headers, &post, &target, &flags, &url};
  for (int i = 0; i < 5; ++i) {
    VariantInit(&args[i]);
    V_VT(&args[i]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&args[i]) = slots[i];
  }
  DISPPARAMS params = {args, nullptr, 5, 0};
  HRESULT hr = control->Invoke(500, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  VariantClear(&url);
  return SUCCEEDED(hr);
}

// --- CTessalyDlg ---

CTessalyDlg::CTessalyDlg(HINSTANCE module, const RegisteredMessages& messages, const std::string& commandLine)
    : ModalDialog(module, IDD_QUORVANE_DIALOG), module_(module), messages_(messages), commandLine_(commandLine) {
  bigIcon_ = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

CTessalyDlg::~CTessalyDlg() {
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

BOOL CTessalyDlg::OnInitDialog() {
  // 1. Icons.
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  // 2. Command line.
  if (!commandLine_.empty()) {
    if (commandLine_.find("-installing") != std::string::npos) {
      if (api_) api_->RepairAll(false);
      ShowTopmostMessage(ConfigStringW(IDS_INSTALLED_MESSAGE), ConfigStringW(IDS_APP_TITLE));
      HWND foreground = GetForegroundWindow();
      DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
      DWORD self = GetCurrentThreadId();
      bool attached = foregroundThread && foregroundThread != self && AttachThreadInput(self, foregroundThread, TRUE);
      SetForegroundWindow(Handle());
      SetFocus(Handle());
      if (attached) AttachThreadInput(self, foregroundThread, FALSE);
    } else if (commandLine_.find("-autoruning") != std::string::npos) {
      autorun_ = 1;
      StartTimer(kTimerAutorun, 60000);
    }
  }
  // 3. The browser area: the client rectangle less one pixel on every side.
  browser_.Attach(GetDlgItem(Handle(), IDC_BROWSER));
  RECT rect;
  GetClientRect(Handle(), &rect);
  InflateRect(&rect, -1, -1);
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
  if (browser_.Handle()) MoveWindow(browser_.Handle(), rect.left, rect.top, width_, height_, TRUE);
  // 4. Pages; without them there is nothing to show.
  std::string index;
  if (!UnpackPages(&index)) ExitProcess(0);
  // 5. Title.
  SetWindowTextW(Handle(), ConfigStringW(IDS_APP_TITLE).c_str());
  // 6. Navigate.
  browser_.Navigate2(index);
  // 7.
  pageAddress_ = index;
  return TRUE;
}

void CTessalyDlg::RestoreAndActivate() {
  HWND hwnd = Handle();
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(hwnd, &placement);
  placement.showCmd = SW_RESTORE;
  SetWindowPlacement(hwnd, &placement);
  const RECT& r = placement.rcNormalPosition;
  SetWindowPos(hwnd, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
  SetWindowPos(hwnd, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
  SetActiveWindow(hwnd);
  SetForegroundWindow(hwnd);
}

void CTessalyDlg::MarkTimer(const wchar_t* property, UINT_PTR id) {
  INT_PTR bits = reinterpret_cast<INT_PTR>(GetPropW(Handle(), property)) | TimerBit(id);
  SetPropW(Handle(), property, reinterpret_cast<HANDLE>(bits));
}

void CTessalyDlg::StartTimer(UINT_PTR id, UINT interval) {
  SetTimer(Handle(), id, interval, nullptr);
  MarkTimer(kPropTimersStarted, id);
}

void CTessalyDlg::OnServiceMessage(LPARAM request) {
  RestoreAndActivate();
  StartTimer(request == 1 ? kTimerRepairAll : kTimerUpgrade, 200);
}

bool CTessalyDlg::PreTranslateMessage(MSG* msg) {
  // 1. Enter and Escape do nothing.
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return true;
  // 2. ActivateMessage: come back when hidden or minimised; processing continues.
  if (messages_.activate && msg->message == messages_.activate) {
    if (!IsWindowVisible(Handle()) || IsIconic(Handle())) RestoreAndActivate();
  }
  // 3. ServiceMessage 1 or 2.
  if (messages_.service && msg->message == messages_.service && (msg->lParam == 1 || msg->lParam == 2)) {
    OnServiceMessage(msg->lParam);
    return true;
  }
  // 4. QuitMessage: close as by OK.
  if (messages_.quit && msg->message == messages_.quit) {
    OnOK();
    return true;
  }
  // 5. The platform's pre-translation.
  return ModalDialog::PreTranslateMessage(msg);
}

bool CTessalyDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerAutorun:
      KillTimer(Handle(), id);
      break;
    case kTimerRepairAll:
      KillTimer(Handle(), id);
      if (api_) api_->ShowMainPage();
      break;
    case kTimerUpgrade: {
      KillTimer(Handle(), id);
      std::wstring text = FillPlaceholder(
          L"为了您的安全,建议点击\"取消\"！去网银主页\n%s手动下载向导安装\n点击\"是\"将自动安装升级",
          ConfigStringW(IDS_HOME_PAGE));
      MessageBoxW(Handle(), text.c_str(), ConfigStringW(IDS_APP_TITLE).c_str(), MB_OKCANCEL | MB_ICONQUESTION);
      break;
    }
    default:
      return false;
  }
  MarkTimer(kPropTimersRun, id);
  return true;
}

bool CTessalyDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_PAINT:
      if (IsIconic(Handle())) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT rect;
        GetClientRect(Handle(), &rect);
        int cx = GetSystemMetrics(SM_CXICON);
        int cy = GetSystemMetrics(SM_CYICON);
        DrawIcon(dc, (rect.right - rect.left - cx + 1) / 2, (rect.bottom - rect.top - cy + 1) / 2, bigIcon_);
        EndPaint(Handle(), &ps);
        *result = TRUE;
        return true;
      }
      return false;
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<INT_PTR>(bigIcon_);
      return true;
    case WM_NCPAINT:
      if (g_framePaintsLeft > 0) {
        --g_framePaintsLeft;
        if (autorun_) {
          ShowWindow(Handle(), SW_HIDE);
          *result = TRUE;
          return true;
        }
      }
      return false;
    case WM_USER + 100:
      SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, 0);
      *result = TRUE;
      return true;
    case WM_TIMER:
      // A timer arriving while another is handled is ignored; afterwards default processing.
      if (g_timerBusy) {
        *result = TRUE;
        return true;
      }
      g_timerBusy = true;
      OnTimer(static_cast<UINT_PTR>(wParam));
      g_timerBusy = false;
      return false;
    case WM_DESTROY:
      RemovePropW(Handle(), kPropTimersStarted);
      RemovePropW(Handle(), kPropTimersRun);
      return false;
    default:
      break;
  }
  // The registered messages when sent straight to the window instead of posted to the queue.
  if (message != 0 && message == messages_.activate) {
    if (!IsWindowVisible(Handle()) || IsIconic(Handle())) RestoreAndActivate();
    return false;
  }
  if (message != 0 && message == messages_.service && (lParam == 1 || lParam == 2)) {
    OnServiceMessage(lParam);
    *result = TRUE;
    return true;
  }
  if (message != 0 && message == messages_.quit) {
    OnOK();
    *result = TRUE;
    return true;
  }
  return ModalDialog::OnMessage(message, wParam, lParam, result);
}

bool CTessalyDlg::AskYesNo(const std::wstring& text, const std::wstring& caption) {
  return MessageBoxW(Handle(), text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CTessalyDlg::Inform(const std::wstring& text, const std::wstring& caption) {
  MessageBoxW(Handle(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace quorvane
