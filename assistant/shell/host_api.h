// The operations behind the page's host functions: detection runs with their result-code
// protocol, detect-all, repair-all and the single operations. Portable over three small interfaces
// so that the flows run against fakes in the tests: the page's script (PageScript), the main window
// (HostWindow) and the system's process start (SystemShell). The environment and token operations
// come from Operations (assistant/env/operations.h).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../env/operations.h"

namespace quorvane {

// Calls a script function of the page. An empty frame name means the top document.
// Failures never reach the user; the caller goes on.
class PageScript {
 public:
  virtual ~PageScript() = default;
  virtual bool Call(const std::string& frame, const std::string& function, const std::vector<std::string>& args) = 0;
};

// What the host functions need of the main window.
class HostWindow {
 public:
  virtual ~HostWindow() = default;
  virtual HWND Window() = 0;
  virtual int BrowserWidth() = 0;
  virtual int BrowserHeight() = 0;
  virtual std::string LastErrorText() = 0;
  // Message boxes owned by the main window: Yes/No with the question icon (true for Yes), and OK
  // with the information icon.
  virtual bool AskYesNo(const std::wstring& text, const std::wstring& caption) = 0;
  virtual void Inform(const std::wstring& text, const std::wstring& caption) = 0;
};

// Starting the system browser for CB_Close.
class SystemShell {
 public:
  virtual ~SystemShell() = default;
  // Default value of HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\IEXPLORE.EXE"
  // (at most 260 bytes); empty when absent.
  virtual std::string BrowserPath() = 0;
  // Starts a process with the command line, without waiting.
  virtual bool StartProcess(const std::string& commandLine) = 0;
  // Starts a file through the shell with the verb "runas", normal window, without waiting.
  virtual bool ShellRunAs(const std::string& file, const std::string& arguments, const std::string& folder) = 0;
};

// The real SystemShell (registry, CreateProcess, ShellExecute).
class WindowsShell : public SystemShell {
 public:
  std::string BrowserPath() override;
  bool StartProcess(const std::string& commandLine) override;
  bool ShellRunAs(const std::string& file, const std::string& arguments, const std::string& folder) override;
};

// Frames of the page that the host writes to.
extern const char kFrameAll[];      // "frame_main": detect-all
extern const char kFrameToken[];    // "frame_main1": token detection
extern const char kFrameControl[];  // "frame_main2": control detection
extern const char kFrameIE[];       // "frame_main3": browser-settings detection
extern const char kFrameLog[];      // "frame_main4": settings snapshots

class HostApi {
 public:
  HostApi(Operations& ops, PageScript& page, HostWindow& window, SystemShell& shell)
      : ops_(ops), page_(page), window_(window), shell_(shell) {}

  void Close();                          // CB_Close
  std::string ClientWindowInfo();        // CB_ClientWindowInfo
  void DetectUkey();                     // CB_DetectUkey
  void DetectControl();                  // CB_DetectControl
  void DetectIE();                       // CB_DetectIE
  void DetectAll();                      // CB_DetectAll
  bool RepairUkey(const std::string& code);
  // CB_SetIELevel: isZero is true only when the page passed the number 0.
  bool SetIELevel(bool isZero);
  bool InstallDriver();
  bool RepairControl(const std::string& name);
  void RepairAll(bool detect);           // CB_RepairAll (detect = true) and the "-installing" start
  void GetIEChanges();
  void ClearSslStatus();
  bool RecoverIESettings(const std::string& timeStamp);
  std::string GetUkeyInfo();
  std::string GetSystemInfo();
  std::string GetNetState();
  std::string GetOSInfo();
  std::string GetIEInfo();
  std::string GetVersion(const std::string& kind);
  std::string GetCertSubject();
  std::string GetErrorDesc();
  void ShowCert();

  // Timer 8528: the page's "showMainPage" in the top document.
  void ShowMainPage();

 private:
  class Run;  // one detection run into one frame
  void ReportControls(Run& run, ControlCheck check, int* counter);
  void ReportBrowserSettings(Run& run, int* counter);

  Operations& ops_;
  PageScript& page_;
  HostWindow& window_;
  SystemShell& shell_;
};

// Replaces the first "%s" of a configuration text by a value (no other conversion is interpreted).
std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value);

}  // namespace quorvane
