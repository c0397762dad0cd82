#include "host_api.h"

#include <shellapi.h>

#include "../res/resource.h"
#include "text.h"

namespace quorvane {

const char kFrameAll[] = "frame_main";
const char kFrameToken[] = "frame_main1";
const char kFrameControl[] = "frame_main2";
const char kFrameIE[] = "frame_main3";
const char kFrameLog[] = "frame_main4";

// Detection-run protocol: every finding is "addResult"(code, "1") in the run's frame; the
// last call is "addResult"("REPAIR0" or "REPAIR1", "0").
class HostApi::Run {
 public:
  Run(PageScript& page, const char* frame) : page_(page), frame_(frame) {}
  void Report(const std::string& code) { page_.Call(frame_, "addResult", {code, "1"}); }
  void Close(int repairCounter) { page_.Call(frame_, "addResult", {repairCounter == 0 ? "REPAIR0" : "REPAIR1", "0"}); }

 private:
  PageScript& page_;
  std::string frame_;
};

std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value) {
  std::wstring out = text;
  size_t at = out.find(L"%s");
  if (at != std::wstring::npos) out.replace(at, 2, value);
  return out;
}

void HostApi::Close() {
  std::string browser = shell_.BrowserPath();
  if (browser.empty()) return;
  std::string home = ConfigString(IDS_HOME_PAGE);
  if (shell_.StartProcess(browser + " " + home)) return;
  size_t slash = browser.find_last_of('\\');
  if (slash == std::string::npos) return;
  std::string folder = browser.substr(0, slash);
  std::string file = browser.substr(slash + 1);
  if (!folder.empty() && !file.empty()) shell_.ShellRunAs(file, home, folder);
}

std::string HostApi::ClientWindowInfo() {
  return Format("[\"%d\",\"%d\"]", window_.BrowserWidth(), window_.BrowserHeight());
}

// Token detection run.
void HostApi::DetectUkey() {
  Run run(page_, kFrameToken);
  int tokens = ops_.CountTokens();
  bool installed = ops_.IsProviderInstalled();
  bool drivers = ops_.CheckAdditionalDrivers();
  int extra = ops_.CountAdditionalKeys();
  bool complete = installed && drivers;
  run.Report("TITLE_KV");
  run.Report(complete ? "UKEY_KV1020" : "UKEY_KV1022");
  run.Report(tokens + extra < 1 ? "UKEY_KV1011" : "UKEY_KV1010");
  if (tokens + extra > 0) run.Report("UKEY_INFO");
  run.Close(complete ? 0 : 1);
}

// The control checks and reports shared by the control detection run and detect-all
//. In the detection run missing browser controls do not count; in detect-all
// every missing control does.
void HostApi::ReportControls(Run& run, ControlCheck check, int* counter) {
  bool password = ops_.PasswordControlPresent(check);
  if (!password) ++*counter;
  std::vector<bool> browser;
  for (int i = 0; i < 3; ++i) {
    std::string id = ConfigString(IDS_CLSID_COM0 + i);
    if (id.size() < 5) break;
    bool present = ops_.BrowserControlPresent(id, i, check);
    if (!present && check == ControlCheck::DetectAll) ++*counter;
    browser.push_back(present);
  }
  bool signing = ops_.SigningControlPresent(check);
  if (!signing) ++*counter;
  run.Report("TITLE_CT");
  run.Report(password ? "ENCKEY0" : "ENCKEY2");
  for (size_t i = 0; i < browser.size(); ++i) run.Report(Format("COM%d%d", static_cast<int>(i), browser[i] ? 0 : 2));
  run.Report(signing ? "SIGN0" : "SIGN2");
}

void HostApi::DetectControl() {
  Run run(page_, kFrameControl);
  int counter = 0;
  ReportControls(run, ControlCheck::DetectionRun, &counter);
  run.Close(counter);
}

// Trusted sites and the security level, reported, then the zone and protocol settings applied:
// shared by the browser-settings run and detect-all. A problem raises the counter.
void HostApi::ReportBrowserSettings(Run& run, int* counter) {
  if (ops_.EnsureTrustedSites()) {
    run.Report("SITE0");
  } else {
    run.Report("SITE10");
    ++*counter;
  }
  int deviation = ops_.GetLevelDeviation();
  if (deviation == 0) {
    run.Report("IELEVEL2");
  } else {
    run.Report(deviation < 0 ? "IELEVEL0" : "IELEVEL1");
    ++*counter;
  }
  ops_.ApplyTrustedZoneSettings();
  ops_.ApplyProtocolSettings();
}

// Browser-settings detection run.
void HostApi::DetectIE() {
  Run run(page_, kFrameIE);
  int counter = 0;
  run.Report("TITLE_RG");
  run.Report("REG0");
  run.Report("SYSTEM_INFO");
  run.Report("TITLE_IE");
  ReportBrowserSettings(run, &counter);
  run.Close(counter);
}

// Detect-all.
void HostApi::DetectAll() {
  Run run(page_, kFrameAll);
  int counter = 0;
  // 1. Token state.
  int tokens = ops_.CountTokens();
  int extra = ops_.CountAdditionalKeys();
  bool installed = ops_.IsProviderInstalled();
  bool drivers = ops_.CheckAdditionalDrivers();
  bool tokenPresent = tokens + extra >= 1;
  bool software = installed && drivers;
  if (!software) ++counter;
  // 2. Certificates: the intermediate ones are asked only when the root ones are present.
  bool certificates = true;
  if (ops_.IsRootCertMissing() != 0 || ops_.IsMiddleCertMissing() != 0) {
    certificates = false;
    ++counter;
  }
  // 3. Report the token section.
  run.Report("TITLE_KV");
  run.Report(tokenPresent ? "UKEY_KV1010" : "UKEY_KV1011");
  run.Report(software ? "UKEY_KV1020" : "UKEY_KV1022");
  run.Report(certificates ? "UKEY_KV1080" : "UKEY_KV1081");
  // 4.
  run.Report("TITLE_RG");
  run.Report("REG0");
  run.Report("TITLE_IE");
  // 5.
  ops_.ClearSslState();
  run.Report("SSL0");
  // 6. to 8.
  ReportBrowserSettings(run, &counter);
  // 9.
  ReportControls(run, ControlCheck::DetectAll, &counter);
  // 10.
  run.Close(counter);
}

bool HostApi::RepairUkey(const std::string& code) {
  if (code != "UKEY_KV1081") return true;
  int root = ops_.InstallRootCerts();
  if (root != 0) return false;
  return ops_.InstallMiddleCerts() == 0;
}

bool HostApi::SetIELevel(bool isZero) {
  if (!isZero) return true;
  if (!ops_.SetDefaultLevel()) return false;
  return ops_.GetLevelDeviation() == 0;
}

bool HostApi::InstallDriver() { return ops_.InstallDriver(); }

bool HostApi::RepairControl(const std::string& name) { return ops_.RepairControl(name); }

// Repair-all. No step's failure stops the next.
void HostApi::RepairAll(bool detect) {
  ops_.ClearSslState();
  ops_.EnsureTrustedSites();
  ops_.SetDefaultLevel();
  if (!ops_.IsPasswordControlInstalled()) ops_.InstallPasswordControl();
  if (!ops_.IsSigningControlInstalled()) ops_.InstallSigningControl();
  for (int i = 0; i < 3; ++i) {
    std::string id = ConfigString(IDS_CLSID_COM0 + i);
    if (id.size() < 5) break;
    if (!ops_.IsBrowserControlInstalled(id, i)) ops_.InstallBrowserControl(i);
  }
  ops_.InstallRootCerts();
  ops_.InstallMiddleCerts();
  if (!ops_.IsProviderInstalled()) ops_.InstallProvider();
  ops_.RunAdditionalInstallers();
  if (detect) DetectAll();
}

void HostApi::GetIEChanges() {
  std::vector<SnapshotEntry> log = ops_.Snapshots();
  if (log.empty()) {
    page_.Call(kFrameLog, "noneIELeaveLog", {});
    return;
  }
  for (const SnapshotEntry& entry : log) page_.Call(kFrameLog, "addIELeaveLog", {entry.timeStamp, entry.levelName});
}

void HostApi::ClearSslStatus() { ops_.ClearSslState(); }

// CB_RecoverIESettings: ask, restore, tell.
bool HostApi::RecoverIESettings(const std::string& timeStamp) {
  std::wstring stamp = FromAnsi(timeStamp);
  if (!window_.AskYesNo(FillPlaceholder(ConfigStringW(IDS_RESTORE_QUESTION), stamp),
                        ConfigStringW(IDS_RESTORE_QUESTION_CAPTION))) {
    return true;
  }
  if (!ops_.RestoreSnapshot(timeStamp)) return false;
  window_.Inform(FillPlaceholder(ConfigStringW(IDS_RESTORE_DONE), stamp), ConfigStringW(IDS_RESTORE_DONE_CAPTION));
  return true;
}

std::string HostApi::GetUkeyInfo() { return ops_.UkeyInfoText(); }

std::string HostApi::GetSystemInfo() {
  return ToAnsi(L"[\"操作系统版本：") + ops_.OsDescription() + ToAnsi(L"\", \"浏览器版本：") + ops_.BrowserVersion() +
         "\"]";
}

std::string HostApi::GetNetState() {
  std::string states = ConfigString(IDS_NET_STATES);
  size_t at = states.find(';');
  return at == std::string::npos ? std::string() : states.substr(at + 1);
}

std::string HostApi::GetOSInfo() { return ops_.OsDescription(); }

std::string HostApi::GetIEInfo() { return ops_.BrowserVersion(); }

std::string HostApi::GetVersion(const std::string& kind) {
  if (kind == "ENCKEY" || kind == "SIGN") {
    std::string path;
    if (!ops_.RegisteredFile(ConfigString(kind == "SIGN" ? IDS_CLSID_SIGN0 : IDS_CLSID_ENCKEY0), &path)) {
      return std::string();
    }
    return ops_.LoadedModuleVersion(path);
  }
  if (kind == "DRIVE") {
    std::string path = ops_.ProviderPath();
    if (path.empty()) return std::string();
    std::vector<char> lower(path.begin(), path.end());
    lower.push_back('\0');
    CharLowerA(lower.data());
    path.assign(lower.data());
    for (size_t at = path.find(".dll"); at != std::string::npos; at = path.find(".dll", at + 1)) {
      path.replace(at, 4, "\\");
    }
    path += "CheckFileVer.dll";
    return ops_.LibraryFileVersion(path);
  }
  return std::string();
}

std::string HostApi::GetCertSubject() { return ops_.CertSubject(); }

std::string HostApi::GetErrorDesc() { return window_.LastErrorText(); }

void HostApi::ShowCert() { ops_.ShowCert(window_.Window()); }

void HostApi::ShowMainPage() { page_.Call(std::string(), "showMainPage", {}); }

// --- WindowsShell ---

std::string WindowsShell::BrowserPath() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return std::string();
  }
  char value[261] = {0};
  DWORD size = 260;
  DWORD type = 0;
  std::string out;
  if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value[size < 260 ? size : 260] = '\0';
    out = value;
  }
  RegCloseKey(key);
  return out;
}

bool WindowsShell::StartProcess(const std::string& commandLine) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

bool WindowsShell::ShellRunAs(const std::string& file, const std::string& arguments, const std::string& folder) {
  HINSTANCE result = ShellExecuteA(nullptr, "runas", file.c_str(), arguments.c_str(), folder.c_str(), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace quorvane
