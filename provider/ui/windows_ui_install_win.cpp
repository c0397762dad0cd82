// Installs the window layer and the token-removal steps that belong to it.
#include <windows.h>

#include "../config/app.h"
#include "../config/platform_files.h"
#include "../config/settings.h"
#include "../transport/device_events.h"
#include "pin_cache.h"
#include "window_support_win.h"
#include "windows_ui.h"

namespace pq {
namespace {

bool UserToolRunning() {
  std::string title = "ZentokUser";
  ReadSetting("KV_USER_TITLE", "ZentokUser", &title);
  return FindWindowA(nullptr, title.c_str()) != nullptr;
}

bool ProcessMustEnd() {
  if (SettingOr(setting::kRemoveApp, 0) != 1) return false;
  std::string list;
  if (!ReadSetting("EXE_NAME", "", &list) || list.empty()) return false;
  std::string program = HostProgramPath();
  return ExeNameListed(list, program.substr(program.find_last_of('\\') + 1));
}

}  // namespace

void InstallWindowsUi() {
  UiHooks& hooks = Ui();
  InstallButtonWaitHooks(hooks);
  InstallNoteHooks(hooks);
  hooks.foregroundWorkaround = ForegroundWorkaround;

  RemovalSteps& removal = Removal();
  removal.closeDialogs = [](const char* reader) { App().CloseDialogsOf(reader); };
  removal.refreshPinCache = RefreshCachedPinForKnownReaders;
  removal.userToolRunning = UserToolRunning;
  removal.processMustEnd = ProcessMustEnd;
  removal.endProcess = [] { ExitProcess(0); };
}

}  // namespace pq
