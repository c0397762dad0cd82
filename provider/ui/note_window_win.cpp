// Progress notes (KVShowUIInfo): a captionless note on a thread of its own, shown
// until the caller asks to close it with the same request.
#include <windows.h>

#include <string.h>

#include "../config/multi_language.h"
#include "../config/settings.h"
#include "note_text.h"
#include "resource_ids.h"
#include "window_support_win.h"
#include "windows_ui.h"

namespace pq {
namespace {

// Posted by the closing side: the note ends itself on its own thread.
constexpr UINT kEndNote = WM_APP + 1;
constexpr DWORD kOpenWaitMs = 2000;

std::string Lookup(const char* section, const char* key) { return LanguageText(section, key); }

void CentreOnDesktop(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK NoteProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* request = reinterpret_cast<KVUIInfo*>(lParam);
      SetDlgItemTextA(dialog, IDC_NOTE_TEXT, request->text);
      CentreOnDesktop(dialog);
      request->window = dialog;
      return TRUE;
    }
    case kEndNote:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_COMMAND:  // no buttons: Esc and Enter do nothing
    case WM_CLOSE:
      return TRUE;
  }
  return FALSE;
}

DWORD RunNote(void* p) {
  auto* request = static_cast<KVUIInfo*>(p);
  char name[sizeof(request->name) + 1] = {0};
  memcpy(name, request->name, sizeof(request->name));
  NoteContent note = BuildNote(request->kind, name, ConfiguredHardwareName(),
                               SettingOr(setting::kKvTjca, setting::kKvTjca.def) != 0, Lookup);
  if (!note.shown) return 0;
  std::string text = CutMultibyteSafe(note.text, sizeof(request->text) - 1);
  memcpy(request->text, text.c_str(), text.size() + 1);
  DialogBoxParamA(ProviderInstance(), MAKEINTRESOURCEA(note.templateId), nullptr, NoteProc,
                  reinterpret_cast<LPARAM>(request));
  return 0;
}

void ShowNote(KVUIInfo* request) {
  request->window = nullptr;
  HANDLE thread = StartLibraryThread(RunNote, request);
  if (thread != nullptr) CloseHandle(thread);
}

void CloseNote(KVUIInfo* request) {
  // A close that follows the show at once may come before the note opened.
  for (DWORD waited = 0; request->window == nullptr && waited < kOpenWaitMs; waited += 10) Sleep(10);
  HWND window = static_cast<HWND>(request->window);
  if (window == nullptr) return;
  if (!PostMessageA(window, kEndNote, 0, 0)) PostMessageA(window, kEndNote, 0, 0);
}

}  // namespace

void InstallNoteHooks(UiHooks& hooks) {
  hooks.showNote = ShowNote;
  hooks.closeNote = CloseNote;
  hooks.providerModule = []() -> void* { return ProviderInstance(); };
}

}  // namespace pq
