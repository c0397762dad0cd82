// CTessalyDlg: the main window, one browser control filling a dialog.
#pragma once
#include <string>

#include "host/ax_host.h"
#include "host_api.h"

namespace quorvane {

// The registered window messages.
struct RegisteredMessages {
  UINT activate = 0;  // ActivateMessage, name: configuration string 160
  UINT quit = 0;      // QuitMessage, name: configuration string 161
  UINT service = 0;   // ServiceMessage, "{575CCC4C-4F9E-4fc7-BDF7-CD0D70BA56DE}"
};

// Timer ids and intervals.
constexpr UINT_PTR kTimerAutorun = 8526;   // 60000 ms, "-autoruning"
constexpr UINT_PTR kTimerRepairAll = 8528; // 200 ms, ServiceMessage 1
constexpr UINT_PTR kTimerUpgrade = 8529;   // 200 ms, ServiceMessage 2

// Diagnostic window properties (read across processes by the tests; nothing else uses them):
// bit 1 = timer 8526, 2 = 8528, 4 = 8529.
extern const wchar_t kPropTimersStarted[];  // "Quorvane.TimersStarted": timers set
extern const wchar_t kPropTimersRun[];      // "Quorvane.TimersRun": timer handlers run

// The browser control (CWebbrower): the site window of control 1000, driven by dispatch id.
class CWebbrower {
 public:
  void Attach(HWND window) { window_ = window; }
  HWND Handle() const { return window_; }
  // Document (dispatch id 203) with a reference added, or null.
  IDispatch* Document() const;
  // Navigate2 (dispatch id 500) with the path and four empty variants, all by reference.
  bool Navigate2(const std::string& path) const;

 private:
  IDispatch* Control() const;
  HWND window_ = nullptr;
};

class CTessalyDlg : public axhost::ModalDialog, public HostWindow {
 public:
  CTessalyDlg(HINSTANCE module, const RegisteredMessages& messages, const std::string& commandLine);
  ~CTessalyDlg() override;

  void SetHostApi(HostApi* api) { api_ = api; }
  CWebbrower& Browser() { return browser_; }
  const std::string& PageAddress() const { return pageAddress_; }
  bool Autorun() const { return autorun_ != 0; }

  // HostWindow
  HWND Window() override { return Handle(); }
  int BrowserWidth() override { return width_; }
  int BrowserHeight() override { return height_; }
  std::string LastErrorText() override { return lastError_; }
  bool AskYesNo(const std::wstring& text, const std::wstring& caption) override;
  void Inform(const std::wstring& text, const std::wstring& caption) override;

  void RestoreAndActivate();

 protected:
  BOOL OnInitDialog() override;
  bool PreTranslateMessage(MSG* msg) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void StartTimer(UINT_PTR id, UINT interval);
  bool OnTimer(UINT_PTR id);
  void MarkTimer(const wchar_t* property, UINT_PTR id);
  void OnServiceMessage(LPARAM request);

  HINSTANCE module_;
  RegisteredMessages messages_;
  std::string commandLine_;
  HostApi* api_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  CWebbrower browser_;
  std::string pageAddress_;
  int width_ = 0;
  int height_ = 0;
  int autorun_ = 0;
  std::string lastError_;  // never set; CB_GetErrorDesc returns it
};

}  // namespace quorvane
