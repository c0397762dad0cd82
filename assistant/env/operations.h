// The environment and token operations that the assistant's flows call.
//
// The shell builds its detection runs, detect-all, repair-all and the single repairs on
// this interface only. The real operations are built in later issues and plug in by implementing
// it; until then MissingOperations (missing_operations.h) stands in and reports every finding as
// missing or negative. Texts are in the thread's ANSI code page.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace quorvane {

// Which thresholds a control check uses: the control detection run examines identifiers
// of at least 32 characters; detect-all examines the browser and signing controls when their
// identifiers have more than 7 characters (the password-entry control keeps 32).
enum class ControlCheck { DetectionRun, DetectAll };

// One saved browser-settings snapshot as CB_GetIEChanges lists it.
struct SnapshotEntry {
  std::string timeStamp;
  std::string levelName;
};

class Operations {
 public:
  virtual ~Operations() = default;

  // Token access. Bind runs at start-up (its failure does not stop it), Unbind after the
  // dialog closed.
  virtual bool Bind() = 0;
  virtual void Unbind() = 0;
  virtual int CountTokens() = 0;
  virtual std::string UkeyInfoText() = 0;  // CB_GetUkeyInfo
  virtual std::string CertSubject() = 0;   // CB_GetCertSubject
  virtual void ShowCert(HWND owner) = 0;   // CB_ShowCert

  // Token environment.
  virtual int CountAdditionalKeys() = 0;
  virtual bool IsProviderInstalled() = 0;
  virtual bool CheckAdditionalDrivers() = 0;
  virtual bool InstallProvider() = 0;
  virtual bool RunAdditionalInstallers() = 0;
  virtual bool InstallDriver() = 0;  // CB_InstallDriver
  virtual std::string ProviderPath() = 0;

  // Certificates (status codes: 0 = present or added, 12 undecodable, 16 store does not open, 18
  // not in the store, 19 store close failed, 161 resource missing).
  virtual int IsRootCertMissing() = 0;
  virtual int IsMiddleCertMissing() = 0;
  virtual int InstallRootCerts() = 0;
  virtual int InstallMiddleCerts() = 0;

  // Browser security settings.
  virtual void ClearSslState() = 0;
  virtual bool EnsureTrustedSites() = 0;
  virtual int GetLevelDeviation() = 0;  // 0 default, < 0 less strict, > 0 stricter
  virtual bool SetDefaultLevel() = 0;
  virtual void ApplyTrustedZoneSettings() = 0;
  virtual void ApplyProtocolSettings() = 0;
  virtual bool RestoreSnapshot(const std::string& timeStamp) = 0;
  virtual std::vector<SnapshotEntry> Snapshots() = 0;  // in the log's iteration order

  // Browser controls. A control is "present" by the rules of the given check.
  virtual bool PasswordControlPresent(ControlCheck check) = 0;
  virtual bool SigningControlPresent(ControlCheck check) = 0;
  // Browser control i (0..2) with its identifier (configuration string 132 + i).
  virtual bool BrowserControlPresent(const std::string& identifier, int i, ControlCheck check) = 0;
  virtual bool IsPasswordControlInstalled() = 0;
  virtual bool IsSigningControlInstalled() = 0;
  virtual bool IsBrowserControlInstalled(const std::string& identifier, int i) = 0;
  virtual bool InstallPasswordControl() = 0;  // InstallFiles(password entry)
  virtual bool InstallSigningControl() = 0;   // InstallFiles(signing)
  virtual bool InstallBrowserControl(int i) = 0;
  virtual bool RepairControl(const std::string& name) = 0;  // CB_RepairControl
  // The server file registered for a class identifier (text without braces); false when none.
  virtual bool RegisteredFile(const std::string& identifier, std::string* path) = 0;

  // System information and file versions ("%d.%d.%d.%d", empty when unknown).
  virtual std::string OsDescription() = 0;
  virtual std::string BrowserVersion() = 0;
  // The file version of a module loaded in this process (CModuleVersion); empty when not loaded.
  virtual std::string LoadedModuleVersion(const std::string& path) = 0;
  // Loads a library, reads its file version and unloads it; empty when it does not load.
  virtual std::string LibraryFileVersion(const std::string& path) = 0;
};

}  // namespace quorvane
