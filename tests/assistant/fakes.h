// Fakes for the assistant's flows: operations that record every call and answer as configured, a
// page that records the script calls, the main window and the system shell.
#pragma once
#include <string>
#include <vector>

#include "env/operations.h"
#include "shell/host_api.h"

namespace assistant_test {

using quorvane::ControlCheck;

struct RecordingOperations : quorvane::Operations {
  std::vector<std::string> calls;
  // Answers.
  int tokens = 0, extraKeys = 0;
  bool providerInstalled = false, driversOk = false, installProvider = false, runInstallers = false,
       installDriver = false;
  std::string providerPath;
  int rootMissing = 0, middleMissing = 0, installRoot = 0, installMiddle = 0;
  bool trustedSites = true;
  int deviation = 0;
  int deviationAfterSet = 0;
  bool setDefaultLevel = true, restore = true;
  std::vector<quorvane::SnapshotEntry> snapshots;
  bool password = true, signing = true;
  std::vector<bool> browser = {true, true, true};
  bool repairControl = true;
  bool registeredFile = false;
  std::string registeredPath;
  std::string moduleVersion, libraryVersion, os, ie;

  void Log(const std::string& call) { calls.push_back(call); }
  static const char* Check(ControlCheck c) { return c == ControlCheck::DetectAll ? "all" : "run"; }

  bool Bind() override { Log("Bind"); return false; }
  void Unbind() override { Log("Unbind"); }
  int CountTokens() override { Log("CountTokens"); return tokens; }
  std::string UkeyInfoText() override { Log("UkeyInfoText"); return "[\"ukey\"]"; }
  std::string CertSubject() override { Log("CertSubject"); return "subject"; }
  void ShowCert(HWND) override { Log("ShowCert"); }
  int CountAdditionalKeys() override { Log("CountAdditionalKeys"); return extraKeys; }
  bool IsProviderInstalled() override { Log("IsProviderInstalled"); return providerInstalled; }
  bool CheckAdditionalDrivers() override { Log("CheckAdditionalDrivers"); return driversOk; }
  bool InstallProvider() override { Log("InstallProvider"); return installProvider; }
  bool RunAdditionalInstallers() override { Log("RunAdditionalInstallers"); return runInstallers; }
  bool InstallDriver() override { Log("InstallDriver"); return installDriver; }
  std::string ProviderPath() override { Log("ProviderPath"); return providerPath; }
  int IsRootCertMissing() override { Log("IsRootCertMissing"); return rootMissing; }
  int IsMiddleCertMissing() override { Log("IsMiddleCertMissing"); return middleMissing; }
  int InstallRootCerts() override { Log("InstallRootCerts"); return installRoot; }
  int InstallMiddleCerts() override { Log("InstallMiddleCerts"); return installMiddle; }
  void ClearSslState() override { Log("ClearSslState"); }
  bool EnsureTrustedSites() override { Log("EnsureTrustedSites"); return trustedSites; }
  int GetLevelDeviation() override { Log("GetLevelDeviation"); return deviation; }
  bool SetDefaultLevel() override {
    Log("SetDefaultLevel");
    if (setDefaultLevel) deviation = deviationAfterSet;
    return setDefaultLevel;
  }
  void ApplyTrustedZoneSettings() override { Log("ApplyTrustedZoneSettings"); }
  void ApplyProtocolSettings() override { Log("ApplyProtocolSettings"); }
  bool RestoreSnapshot(const std::string& stamp) override { Log("RestoreSnapshot:" + stamp); return restore; }
  std::vector<quorvane::SnapshotEntry> Snapshots() override { Log("Snapshots"); return snapshots; }
  bool PasswordControlPresent(ControlCheck c) override { Log(std::string("PasswordControlPresent:") + Check(c)); return password; }
  bool SigningControlPresent(ControlCheck c) override { Log(std::string("SigningControlPresent:") + Check(c)); return signing; }
  bool BrowserControlPresent(const std::string& id, int i, ControlCheck c) override {
    Log("BrowserControlPresent:" + std::to_string(i) + ":" + id + ":" + Check(c));
    return browser[static_cast<size_t>(i)];
  }
  bool IsPasswordControlInstalled() override { Log("IsPasswordControlInstalled"); return password; }
  bool IsSigningControlInstalled() override { Log("IsSigningControlInstalled"); return signing; }
  bool IsBrowserControlInstalled(const std::string& id, int i) override {
    Log("IsBrowserControlInstalled:" + std::to_string(i) + ":" + id);
    return browser[static_cast<size_t>(i)];
  }
  bool InstallPasswordControl() override { Log("InstallPasswordControl"); return true; }
  bool InstallSigningControl() override { Log("InstallSigningControl"); return true; }
  bool InstallBrowserControl(int i) override { Log("InstallBrowserControl:" + std::to_string(i)); return true; }
  bool RepairControl(const std::string& name) override { Log("RepairControl:" + name); return repairControl; }
  bool RegisteredFile(const std::string& id, std::string* path) override {
    Log("RegisteredFile:" + id);
    *path = registeredFile ? registeredPath : std::string();
    return registeredFile;
  }
  std::string OsDescription() override { Log("OsDescription"); return os; }
  std::string BrowserVersion() override { Log("BrowserVersion"); return ie; }
  std::string LoadedModuleVersion(const std::string& path) override { Log("LoadedModuleVersion:" + path); return moduleVersion; }
  std::string LibraryFileVersion(const std::string& path) override { Log("LibraryFileVersion:" + path); return libraryVersion; }
};

struct RecordingPage : quorvane::PageScript {
  struct CallRecord {
    std::string frame, function;
    std::vector<std::string> args;
  };
  std::vector<CallRecord> calls;
  bool Call(const std::string& frame, const std::string& function, const std::vector<std::string>& args) override {
    calls.push_back({frame, function, args});
    return true;
  }
  // "code" for every addResult call of a frame, with "/0" added to the closing one.
  std::vector<std::string> Results(const std::string& frame) const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c.frame != frame || c.function != "addResult" || c.args.size() != 2) continue;
      out.push_back(c.args[1] == "0" ? c.args[0] + "/0" : c.args[0]);
    }
    return out;
  }
};

struct FakeWindow : quorvane::HostWindow {
  bool answerYes = true;
  std::vector<std::wstring> asked, informed;
  HWND Window() override { return nullptr; }
  int BrowserWidth() override { return 731; }
  int BrowserHeight() override { return 456; }
  std::string LastErrorText() override { return std::string(); }
  bool AskYesNo(const std::wstring& text, const std::wstring& caption) override {
    asked.push_back(caption + L"|" + text);
    return answerYes;
  }
  void Inform(const std::wstring& text, const std::wstring& caption) override { informed.push_back(caption + L"|" + text); }
};

struct FakeShell : quorvane::SystemShell {
  std::string browserPath;
  bool startWorks = true;
  std::vector<std::string> calls;
  std::string BrowserPath() override { return browserPath; }
  bool StartProcess(const std::string& line) override {
    calls.push_back("start:" + line);
    return startWorks;
  }
  bool ShellRunAs(const std::string& file, const std::string& args, const std::string& folder) override {
    calls.push_back("runas:" + file + "|" + args + "|" + folder);
    return true;
  }
};

}  // namespace assistant_test
