// Token access is not built yet: no token is counted or read.
#include "../env/missing_operations.h"
#include "../shell/text.h"

namespace quorvane {

// Nothing to bind yet: the provider package and its loading come later.
bool MissingOperations::Bind() { return false; }
void MissingOperations::Unbind() {}

int MissingOperations::CountTokens() { return 0; }

// The text for a zero KeyInfo (no provider or transport): 0 retries, no certificate.
std::string MissingOperations::UkeyInfoText() {
  return ToAnsi(L"[\"口令重试剩余次数:0\", \"证书不存在！\"]");
}

std::string MissingOperations::CertSubject() { return std::string(); }

void MissingOperations::ShowCert(HWND) {}

}  // namespace quorvane
