// The provider's configuration file and its keys. Every read locates the file again
// and opens it afresh: a changed file takes effect at the next call.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "value_rules.h"

namespace pq {

constexpr const char* kConfigFileName = "NQControl.ini";
constexpr const char* kConfigSection = "NQControl";

// Folder and base name (file name without extension) of a module path.
std::string FolderOf(const std::string& path);
std::string BaseNameOf(const std::string& path);

// The configuration file: in the folder named like the provider's file beside it,
// else beside the provider. Empty when neither can be read.
std::string FindConfigFile();

struct IntSetting {
  const char* key;
  int32_t def;  // when the file lacks the key
  Normalise rule;
};

namespace setting {
constexpr IntSetting kAdmPinTryNum{"ADM_PIN_TRY_NUM", 6, Normalise::kNone};
constexpr IntSetting kCertExpiredDays{"CERT_EXPIRED_DAYS", 30, Normalise::kNone};
constexpr IntSetting kContainerNum{"CONTAINER_NUM", 10, Normalise::kContainerNum};
constexpr IntSetting kCspVer{"CSP_VER", 2, Normalise::kCspVer};
constexpr IntSetting kKvId{"KV_ID", 8888, Normalise::kNone};
constexpr IntSetting kKvTjca{"KV_TJCA", 1, Normalise::kFlag};
constexpr IntSetting kKvUnblockKey{"KV_UNBLOCK_KEY", 1, Normalise::kFlag};
constexpr IntSetting kIeClosedClearCached{"IEClosedClearCached", 0, Normalise::kNone};
constexpr IntSetting kJitConType{"JIT_CON_TYPE", 1, Normalise::kConType};
constexpr IntSetting kJitDelContainer{"JIT_DEL_CONTAINER", 1, Normalise::kFlag};
constexpr IntSetting kJitRsaType{"JIT_RSA_TYPE", 1, Normalise::kFlag};
constexpr IntSetting kRaviKeyNum{"RAVI_KEY_NUM", 8448, Normalise::kRaviKeyNum};
constexpr IntSetting kLedButtonOverTime{"LedButtonOverTime", 300, Normalise::kNone};
constexpr IntSetting kMaxCertLen{"MAX_CERT_LEN", 3072, Normalise::kNone};
constexpr IntSetting kMaxUiPinLen{"MAX_UI_PIN_LEN", 16, Normalise::kNone};
constexpr IntSetting kMinUiPinLen{"MIN_UI_PIN_LEN", 4, Normalise::kNone};
constexpr IntSetting kMsBankApp{"MS_BANK_APP", 0, Normalise::kFlag};
constexpr IntSetting kMsnType{"MSN_TYPE", 2, Normalise::kNone};
constexpr IntSetting kMustNullContainer{"MUST_NULL_CONTAINER", 0, Normalise::kFlag};
constexpr IntSetting kPinMode{"PIN_MODE", 1, Normalise::kNone};
constexpr IntSetting kPinModeEx{"PIN_MODE_EX", 0, Normalise::kNone};
constexpr IntSetting kPinModeDovuKey{"PIN_MODE_DOVUKey", 0, Normalise::kNone};
constexpr IntSetting kPressButtonOverTime{"PressButtonOverTime", 300, Normalise::kNone};
constexpr IntSetting kRegCertInfoLen{"REG_CERT_INFO_LEN", 1024, Normalise::kNone};
constexpr IntSetting kRemoveApp{"REMOVE_APP", 0, Normalise::kNone};
constexpr IntSetting kScb2AlgId{"SCB2_ALGID", 26366, Normalise::kNone};
constexpr IntSetting kSecDfCreate{"SEC_DF_CREATE", 0, Normalise::kFlag};
constexpr IntSetting kSoftKeyBoardMode{"SoftKeyBoardMode", 1, Normalise::kNone};
constexpr IntSetting kSpecUserKeyNum{"SPEC_USER_KEY_NUM", 2560, Normalise::kNone};
constexpr IntSetting kSsf33AlgId{"SSF33_ALGID", 26367, Normalise::kNone};
constexpr IntSetting kUserPinTryNum{"USER_PIN_TRY_NUM", 6, Normalise::kNone};
constexpr IntSetting kVerifyPinTime{"VerifyPINTime", 10000, Normalise::kNone};
// The number in the names of the provider's registered window messages; the
// management tool reads the same key.
constexpr IntSetting kInstallNumber{"INSTALL_NUM", 1, Normalise::kNone};
}  // namespace setting

// An integer setting, normalised. False, with *value untouched, when there is no file.
bool ReadSetting(const IntSetting& s, int32_t* value);
// The same with the value to use when there is no file.
int32_t SettingOr(const IntSetting& s, int32_t noFile);
// A string setting (cut at 1024 bytes). False, with *value untouched, when there is no file.
bool ReadSetting(const char* key, const char* def, std::string* value);
bool WriteSetting(const IntSetting& s, int32_t value);

// CSP_SAFE_SYM, the one boolean key.
bool ReadCspSafeSym(int32_t* value);
// SPEC_USER_KEY_NUM: disabled with 2560 bytes when there is no file.
SpecUserKey ReadSpecUserKey();
// The default PIN texts: MIN_UI_PIN_LEN copies of one digit unless configured.
bool ReadDefaultPin(const char* key, std::string* value);
// Shared-memory and window names read with a 260-character limit.
std::string PinCacheSectionName();     // TEMP_PIN_NAME, "_ABC" name when configured empty
std::string ForegroundHelperTitle();   // TEMP_SUP_FFOX
std::string ConfiguredHardwareName();  // HW_NAME, "Zentok" when there is no file

constexpr size_t kNameSettingMax = 260;

}  // namespace pq
