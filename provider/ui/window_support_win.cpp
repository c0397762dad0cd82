#include "window_support_win.h"

#include <vector>

#include "../config/platform_files.h"
#include "../config/settings.h"
#include "resource_ids.h"

namespace pq {
namespace {

INT_PTR CALLBACK HiddenOwnerProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct LibraryThread {
  DWORD (*body)(void*);
  void* arg;
  HMODULE module;
};

DWORD WINAPI RunLibraryThread(void* p) {
  LibraryThread t = *static_cast<LibraryThread*>(p);
  delete static_cast<LibraryThread*>(p);
  DWORD code = t.body(t.arg);
  FreeLibraryAndExitThread(t.module, code);
  return code;
}

// Closes the helper message box of the workaround, then clicks in a corner so that
// the host lets this process bring its windows forward.
DWORD WINAPI CloseHelperBox(void* title) {
  const char* name = static_cast<const char*>(title);
  for (int tries = 0; tries < 250; ++tries) {  // about five seconds at most
    HWND box = FindWindowA(nullptr, name);
    if (box != nullptr) {
      SendMessageA(box, WM_CLOSE, 0, 0);
      ClickAt(1, 1);
      return 0;
    }
    Sleep(20);
  }
  return 1;
}

}  // namespace

HINSTANCE ProviderInstance() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ProviderInstance), &self);
  return self;
}

HiddenOwner::HiddenOwner() {
  window_ = CreateDialogParamA(ProviderInstance(), MAKEINTRESOURCEA(IDD_HIDDEN_OWNER), nullptr, HiddenOwnerProc, 0);
  if (window_ != nullptr) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HiddenOwner::~HiddenOwner() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::string FindAnimationFile(const std::string& file) {
  std::string system = SystemDirectory();
  std::string module = ProviderModulePath();
  const std::string candidates[] = {system + "\\" + BaseNameOf(module) + "\\" + file, system + "\\" + file,
                                    FolderOf(module) + "\\" + file};
  for (const auto& c : candidates)
    if (GetFileAttributesA(c.c_str()) != INVALID_FILE_ATTRIBUTES) return c;
  MessageBoxA(nullptr, "Can't find a gif file!", "ERROR", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
  return std::string();
}

HANDLE StartLibraryThread(DWORD (*body)(void*), void* arg, int priority) {
  HMODULE module = nullptr;
  // The reference taken here is given back by the thread itself as it ends.
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ProviderInstance),
                          &module))
    return nullptr;
  auto* t = new LibraryThread{body, arg, module};
  HANDLE thread = CreateThread(nullptr, 0, RunLibraryThread, t, CREATE_SUSPENDED, nullptr);
  if (thread == nullptr) {
    delete t;
    FreeLibrary(module);
    return nullptr;
  }
  SetThreadPriority(thread, priority);
  ResumeThread(thread);
  return thread;
}

bool InPluginHost() {
  return _stricmp(BaseNameOf(HostProgramPath()).c_str(), "plugin-container") == 0;
}

void ForegroundWorkaround() {
  if (!InPluginHost()) return;
  std::string title = ForegroundHelperTitle();
  HANDLE thread = CreateThread(nullptr, 0, CloseHelperBox, &title[0], 0, nullptr);
  if (thread == nullptr) return;
  MessageBoxA(nullptr, "", title.c_str(), MB_OK);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
}

void ClickAt(int x, int y) {
  POINT was;
  GetCursorPos(&was);
  for (int round = 0; round < 5; ++round) {
    SetCursorPos(x, y - round);
    mouse_event(MOUSEEVENTF_MIDDLEDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_MIDDLEUP, 0, 0, 0, 0);
    Sleep(8);
  }
  SetCursorPos(was.x, was.y);
}

void SetDlgItemTextUtf8(HWND dialog, int id, const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 0) return;
  std::vector<wchar_t> wide(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
  SetDlgItemTextW(dialog, id, wide.data());
}

}  // namespace pq
