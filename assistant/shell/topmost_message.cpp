#include "topmost_message.h"

#include <windows.h>

#include "../res/resource.h"
#include "text.h"

namespace quorvane {
namespace {

struct Request {
  std::wstring text;
  std::wstring caption;
};

INT_PTR CALLBACK DummyProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

// KVDummhMsgDlg: created, never shown, placed topmost; the message box is owned by it.
DWORD WINAPI Worker(void* parameter) {
  Request* request = static_cast<Request*>(parameter);
  HWND dummy = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(IDD_DUMMY_MSG_OWNER), nullptr, DummyProc, 0);
  HWND owner = nullptr;
  if (dummy && SetWindowPos(dummy, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) owner = dummy;
  MessageBoxW(owner, request->text.c_str(), request->caption.c_str(), MB_OK | MB_ICONQUESTION);
  if (dummy) DestroyWindow(dummy);
  return 0;
}

}  // namespace

void ShowTopmostMessage(const std::wstring& text, const std::wstring& caption) {
  Request request{text, caption};
  HANDLE thread = CreateThread(nullptr, 0, Worker, &request, 0, nullptr);
  if (!thread) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

}  // namespace quorvane
