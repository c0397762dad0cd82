#include "app.h"

#include <stdio.h>

#include "settings.h"

namespace pq {

std::string AppMessageName(AppMessage message, int32_t installNumber) {
  static const char* const kFormats[] = {"0E3C969D-2579-4797-A880-66655328835D_%05d",
                                         "87C308BD-2107-4164-93E4-7C1859DE4A11_%05d", "wvz_must_changeinitpin_%05d",
                                         "ShowChangePinDialog_%05d"};
  char name[96];
  snprintf(name, sizeof(name), kFormats[static_cast<int>(message)], installNumber);
  return name;
}

CPelqinCSPApp::CPelqinCSPApp() {
  minPinLength = SettingOr(setting::kMinUiPinLen, minPinLength);
  maxPinLength = SettingOr(setting::kMaxUiPinLen, maxPinLength);
}

void CPelqinCSPApp::SetRememberedReader(const char* reader) {
  std::lock_guard<std::mutex> guard(lock_);
  rememberedReader_ = reader ? reader : "";
}

std::string CPelqinCSPApp::RememberedReader() const {
  std::lock_guard<std::mutex> guard(lock_);
  return rememberedReader_;
}

void CPelqinCSPApp::RegisterDialog(const char* reader, void* dialog) {
  std::lock_guard<std::mutex> guard(lock_);
  std::string name = (reader == nullptr || *reader == '\0') ? rememberedReader_ : reader;
  dialogs_.emplace_back(name, dialog);
}

void CPelqinCSPApp::UnregisterDialog(void* dialog) {
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = dialogs_.begin(); it != dialogs_.end();) it = it->second == dialog ? dialogs_.erase(it) : it + 1;
}

void CPelqinCSPApp::CloseDialogsOf(const char* reader) {
  if (reader == nullptr) return;
  std::lock_guard<std::mutex> guard(lock_);
  for (auto it = dialogs_.begin(); it != dialogs_.end();) {
    if (it->first == reader) {
      if (postClose) postClose(it->second);
      it = dialogs_.erase(it);
    } else {
      ++it;
    }
  }
}

size_t CPelqinCSPApp::DialogCount(const char* reader) const {
  std::lock_guard<std::mutex> guard(lock_);
  size_t n = 0;
  for (const auto& d : dialogs_) n += d.first == reader ? 1 : 0;
  return n;
}

CPelqinCSPApp& App() {
  static CPelqinCSPApp app;
  return app;
}

}  // namespace pq
