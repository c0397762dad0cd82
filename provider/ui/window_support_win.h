// Conventions shared by the provider's windows: the module holding the templates,
// the hidden topmost owner, the animation search path, threads that keep the
// library loaded while they run, and the foreground workaround of the plug-in host.
#pragma once
#include <windows.h>

#include <string>

namespace pq {

HINSTANCE ProviderInstance();

// A hidden topmost window owning a modal dialog so that it shows above the browser.
class HiddenOwner {
 public:
  HiddenOwner();
  ~HiddenOwner();
  HiddenOwner(const HiddenOwner&) = delete;
  HiddenOwner& operator=(const HiddenOwner&) = delete;
  HWND Window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// The animation file: system folder\<module base name>\file, system folder\file,
// then the module's own folder. Empty (after an error box) when none exists.
std::string FindAnimationFile(const std::string& file);

// Runs `body(arg)` on a new thread that holds a reference to the library until it
// returns. Returns the thread handle (the caller closes it) or null.
HANDLE StartLibraryThread(DWORD (*body)(void*), void* arg, int priority = THREAD_PRIORITY_NORMAL);

bool InPluginHost();
// Lets the next provider window take the foreground inside the plug-in host.
void ForegroundWorkaround();
// Five middle-button clicks around a point, the cursor restored afterwards.
void ClickAt(int x, int y);

// Text set through the wide API from UTF-8 (for the texts built into the code).
void SetDlgItemTextUtf8(HWND dialog, int id, const char* utf8);

}  // namespace pq
