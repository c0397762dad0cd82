// Stand-in for the operations that later issues build.
//
// The product never invents a finding: every check answers "missing" or "negative", every
// install or repair fails, every text is empty, and nothing on the machine is read or changed.
// The one exception is the token information text, which is the text the token access gives when the
// provider and transport cannot be used (0 retries, no certificate).
#pragma once
#include "operations.h"

namespace quorvane {

class MissingOperations : public Operations {
 public:
  // Token access (assistant/token/missing_token_access.cpp).
  bool Bind() override;
  void Unbind() override;
  int CountTokens() override;
  std::string UkeyInfoText() override;
  std::string CertSubject() override;
  void ShowCert(HWND owner) override;

  // Environment (assistant/env/missing_operations.cpp).
  int CountAdditionalKeys() override;
  bool IsProviderInstalled() override;
  bool CheckAdditionalDrivers() override;
  bool InstallProvider() override;
  bool RunAdditionalInstallers() override;
  bool InstallDriver() override;
  std::string ProviderPath() override;
  int IsRootCertMissing() override;
  int IsMiddleCertMissing() override;
  int InstallRootCerts() override;
  int InstallMiddleCerts() override;
  void ClearSslState() override;
  bool EnsureTrustedSites() override;
  int GetLevelDeviation() override;
  bool SetDefaultLevel() override;
  void ApplyTrustedZoneSettings() override;
  void ApplyProtocolSettings() override;
  bool RestoreSnapshot(const std::string& timeStamp) override;
  std::vector<SnapshotEntry> Snapshots() override;
  bool PasswordControlPresent(ControlCheck check) override;
  bool SigningControlPresent(ControlCheck check) override;
  bool BrowserControlPresent(const std::string& identifier, int i, ControlCheck check) override;
  bool IsPasswordControlInstalled() override;
  bool IsSigningControlInstalled() override;
  bool IsBrowserControlInstalled(const std::string& identifier, int i) override;
  bool InstallPasswordControl() override;
  bool InstallSigningControl() override;
  bool InstallBrowserControl(int i) override;
  bool RepairControl(const std::string& name) override;
  bool RegisteredFile(const std::string& identifier, std::string* path) override;
  std::string OsDescription() override;
  std::string BrowserVersion() override;
  std::string LoadedModuleVersion(const std::string& path) override;
  std::string LibraryFileVersion(const std::string& path) override;
};

}  // namespace quorvane
