#include <windows.h>
#include <commctrl.h>

#include "app.h"
#include "settings.h"

namespace pq {

void InitialiseApplication() {
  CPelqinCSPApp& app = App();
  int32_t number = SettingOr(setting::kInstallNumber, setting::kInstallNumber.def);
  for (int m = 0; m < static_cast<int>(AppMessage::kCount); ++m) {
    AppMessage message = static_cast<AppMessage>(m);
    app.SetMessage(message, RegisterWindowMessageA(AppMessageName(message, number).c_str()));
  }
  app.postClose = [](void* dialog) {
    PostMessageA(static_cast<HWND>(dialog), WM_SYSCOMMAND, SC_CLOSE, static_cast<LPARAM>(kClosedByProvider));
  };
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
}

}  // namespace pq
