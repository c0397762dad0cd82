// The environment operations are not built yet: every check is negative, every repair fails.
#include "missing_operations.h"

namespace quorvane {
namespace {
// The certificate status for a certificate resource that is missing: the program carries none yet.
constexpr int kCertResourceMissing = 161;
}  // namespace

// Token environment
int MissingOperations::CountAdditionalKeys() { return 0; }
bool MissingOperations::IsProviderInstalled() { return false; }
bool MissingOperations::CheckAdditionalDrivers() { return false; }
bool MissingOperations::InstallProvider() { return false; }
bool MissingOperations::RunAdditionalInstallers() { return false; }
bool MissingOperations::InstallDriver() { return false; }
std::string MissingOperations::ProviderPath() { return std::string(); }

// Certificates
int MissingOperations::IsRootCertMissing() { return kCertResourceMissing; }
int MissingOperations::IsMiddleCertMissing() { return kCertResourceMissing; }
int MissingOperations::InstallRootCerts() { return kCertResourceMissing; }
int MissingOperations::InstallMiddleCerts() { return kCertResourceMissing; }

// Browser settings: nothing is read or written; the level "cannot be compared" (-1).
void MissingOperations::ClearSslState() {}
bool MissingOperations::EnsureTrustedSites() { return false; }
int MissingOperations::GetLevelDeviation() { return -1; }
bool MissingOperations::SetDefaultLevel() { return false; }
void MissingOperations::ApplyTrustedZoneSettings() {}
void MissingOperations::ApplyProtocolSettings() {}
bool MissingOperations::RestoreSnapshot(const std::string&) { return false; }
std::vector<SnapshotEntry> MissingOperations::Snapshots() { return {}; }

// Browser controls
bool MissingOperations::PasswordControlPresent(ControlCheck) { return false; }
bool MissingOperations::SigningControlPresent(ControlCheck) { return false; }
bool MissingOperations::BrowserControlPresent(const std::string&, int, ControlCheck) { return false; }
bool MissingOperations::IsPasswordControlInstalled() { return false; }
bool MissingOperations::IsSigningControlInstalled() { return false; }
bool MissingOperations::IsBrowserControlInstalled(const std::string&, int) { return false; }
bool MissingOperations::InstallPasswordControl() { return false; }
bool MissingOperations::InstallSigningControl() { return false; }
bool MissingOperations::InstallBrowserControl(int) { return false; }
bool MissingOperations::RepairControl(const std::string&) { return false; }
bool MissingOperations::RegisteredFile(const std::string&, std::string* path) {
  if (path) path->clear();
  return false;
}

// System information
std::string MissingOperations::OsDescription() { return std::string(); }
std::string MissingOperations::BrowserVersion() { return std::string(); }
std::string MissingOperations::LoadedModuleVersion(const std::string&) { return std::string(); }
std::string MissingOperations::LibraryFileVersion(const std::string&) { return std::string(); }

}  // namespace quorvane
