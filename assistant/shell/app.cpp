#include "app.h"

#include <commctrl.h>
#include <ole2.h>

#include "../res/resource.h"
#include "custom_site.h"
#include "dispatch.h"
#include "page_bridge.h"
#include "text.h"

namespace quorvane {

const char kServiceMessageName[] = "{575CCC4C-4F9E-4fc7-BDF7-CD0D70BA56DE}";

namespace {
// ServiceMessage is registered when the program loads.
const UINT g_serviceMessage = RegisterWindowMessageA(kServiceMessageName);
}  // namespace

RegisteredMessages RegisterMessages() {
  RegisteredMessages messages;
  messages.activate = RegisterWindowMessageA(ConfigString(IDS_INSTANCE_NAME).c_str());
  messages.quit = RegisterWindowMessageA(ConfigString(IDS_QUIT_MESSAGE).c_str());
  messages.service = g_serviceMessage ? g_serviceMessage : RegisterWindowMessageA(kServiceMessageName);
  return messages;
}

bool AllowMessageThroughFilter(UINT message) {
  typedef BOOL(WINAPI * ChangeFilter)(UINT, DWORD);
  static ChangeFilter change = reinterpret_cast<ChangeFilter>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32"), "ChangeWindowMessageFilter")));
  if (!change) return false;
  change(message, 1 /* MSGFLT_ADD */);
  return true;
}

int CTessalyApp::Run(const std::string& commandLine, Operations& ops) {
  SetResourceModule(module_);
  // 1. Common controls of the first generation.
  INITCOMMONCONTROLSEX controls = {8, 0xFF};
  InitCommonControlsEx(&controls);
  // 2. The platform's initialisation: OLE for the hosted control.
  HRESULT ole = OleInitialize(nullptr);
  // 3. The control-container manager and the page's external object (kept for the life of the
  //    process, never deleted).
  CTessalyDlg* dialog = nullptr;
  DocumentPageScript page([&dialog]() -> IDispatch* { return dialog ? dialog->Browser().Document() : nullptr; });
  WindowsShell shell;
  RegisteredMessages messages;
  // The dialog is made in step 9; the host API reaches it through this forwarding window.
  struct DialogWindow : HostWindow {
    CTessalyDlg** dialog;
    explicit DialogWindow(CTessalyDlg** d) : dialog(d) {}
    HWND Window() override { return *dialog ? (*dialog)->Window() : nullptr; }
    int BrowserWidth() override { return *dialog ? (*dialog)->BrowserWidth() : 0; }
    int BrowserHeight() override { return *dialog ? (*dialog)->BrowserHeight() : 0; }
    std::string LastErrorText() override { return *dialog ? (*dialog)->LastErrorText() : std::string(); }
    bool AskYesNo(const std::wstring& t, const std::wstring& c) override { return *dialog && (*dialog)->AskYesNo(t, c); }
    void Inform(const std::wstring& t, const std::wstring& c) override {
      if (*dialog) (*dialog)->Inform(t, c);
    }
  } window(&dialog);
  static HostApi* api = nullptr;
  api = new HostApi(ops, page, window, shell);
  static CImpIDispatch* external = new CImpIDispatch(api);
  static CCustomOccManager* manager = new CCustomOccManager(external);
  axhost::EnableControlContainer(module_, L"{8856F961-340A-11D0-A96B-00C04FD705A2}", manager);
  // 4. The registry key name of the platform's profile functions: nothing reads or writes them.
  // 5. The registered messages; 6. QuitMessage passes the privilege filter.
  messages = RegisterMessages();
  AllowMessageThroughFilter(messages.quit);
  // 7. Single instance.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, ConfigString(IDS_INSTANCE_NAME).c_str());
  DWORD created = GetLastError();
  if (mutex) ReleaseMutex(mutex);
  if (created == ERROR_ALREADY_EXISTS) {
    PostMessageA(HWND_BROADCAST, messages.activate, 0, 0);
    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
  }
  // 8. The provider and transport; a failure does not stop start-up.
  ops.Bind();
  // 9. The main dialog, run modally.
  CTessalyDlg main(module_, messages, commandLine);
  main.SetHostApi(api);
  dialog = &main;
  main.DoModal(nullptr);
  // 10. Free the provider and transport, destroy the dialog, end.
  dialog = nullptr;
  ops.Unbind();
  if (SUCCEEDED(ole)) OleUninitialize();
  return 0;
}

}  // namespace quorvane
