#include "hr_exports.h"

#include <string.h>

#include <string>

#include "../transport/export_guard.h"
#include "../transport/result_codes.h"
#include "multi_language.h"
#include "settings.h"

using namespace pq;

namespace {

constexpr uint32_t kNoFile = kErrNotFound;

uint32_t IntOut(const IntSetting& s, uint32_t* out) {
  return Guarded([&]() -> uint32_t {
    if (out == nullptr) return kErrInvalidArgument;
    int32_t value = 0;
    if (!ReadSetting(s, &value)) return kNoFile;
    *out = static_cast<uint32_t>(value);
    return kOk;
  });
}

// Copies the text's bytes without a NUL; `length` (optional) receives the count.
void CopyText(const std::string& text, char* buffer, uint32_t* length) {
  memcpy(buffer, text.data(), text.size());
  if (length != nullptr) *length = static_cast<uint32_t>(text.size());
}

uint32_t StringOut(const char* key, const char* def, char* buffer, uint32_t* length = nullptr) {
  return Guarded([&]() -> uint32_t {
    if (buffer == nullptr) return kErrInvalidArgument;
    std::string value;
    if (!ReadSetting(key, def, &value)) return kNoFile;
    CopyText(value, buffer, length);
    return kOk;
  });
}

// Names of shared objects: NUL-terminated within 260 characters.
uint32_t NameOut(const char* key, const char* def, char* buffer) {
  return Guarded([&]() -> uint32_t {
    if (buffer == nullptr) return kErrInvalidArgument;
    std::string name;
    if (!ReadSetting(key, def, &name)) return kNoFile;
    name = CutMultibyteSafe(name, kNameSettingMax - 1);
    memcpy(buffer, name.c_str(), name.size() + 1);
    return kOk;
  });
}

}  // namespace

PQ_EXPORT uint32_t PQ_WINAPI HRGetHWName(char* b) { return StringOut("HW_NAME", "Zentok", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetFirmName(char* b) { return StringOut("FIRM_NAME", "Zentok OEM", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetAdmTitle(char* b) { return StringOut("KV_ADM_TITLE", "ZentokAdm", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetUserTitle(char* b) { return StringOut("KV_USER_TITLE", "ZentokUser", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSrvTitle(char* b) { return StringOut("KV_SRV_TITLE", "ZentokSrv", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultHWLabel(char* b) { return StringOut("HW_LABEL", "Zentok", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetExeName(char* b, uint32_t* n) { return StringOut("EXE_NAME", "", b, n); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSCB2OID(char* b, uint32_t* n) {
  return StringOut("SCB2_OID", "1.2.840.113549.3.254", b, n);
}
PQ_EXPORT uint32_t PQ_WINAPI HRGetSSF33OID(char* b, uint32_t* n) {
  return StringOut("SSF33_OID", "1.2.840.113549.3.255", b, n);
}
PQ_EXPORT uint32_t PQ_WINAPI HRGetMsnTitle(char* b) {
  return Guarded([&]() -> uint32_t {
    return StringOut("KV_MSN_TITLE", LanguageText("UIReqInfo", "KV_MSN_TITLE").c_str(), b);
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPProvider(char* b, uint32_t* n) {
  StringOut("CSP_NAME", "Korvel Cryptographic Service Provider", b, n);
  return kOk;
}

// The length output counts the text and its terminator.
PQ_EXPORT uint32_t PQ_WINAPI HRGetCertExpiredLink(char* buffer, uint32_t* length) {
  return Guarded([&]() -> uint32_t {
    if (buffer == nullptr) return kErrInvalidArgument;
    std::string value;
    if (!ReadSetting("CERT_EXPIRED_LINK", LanguageText("UIReqInfo", "DEFAULT_CERT_LINK").c_str(), &value)) return kNoFile;
    CopyText(value, buffer, nullptr);
    if (length != nullptr) *length = static_cast<uint32_t>(value.size() + 1);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetKVID(uint16_t* id) {
  return Guarded([&]() -> uint32_t {
    if (id == nullptr) return kErrInvalidArgument;
    int32_t value = 0;
    if (!ReadSetting(setting::kKvId, &value)) return kNoFile;
    *id = static_cast<uint16_t>(value);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetMaxCertLen(uint32_t* v) { return IntOut(setting::kMaxCertLen, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetPinMode(uint32_t* v) { return IntOut(setting::kPinMode, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetPinModeEx(uint32_t* v) { return IntOut(setting::kPinModeEx, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetDOVUKeyPinMode(uint32_t* v) { return IntOut(setting::kPinModeDovuKey, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetRemoveAppMode(uint32_t* v) { return IntOut(setting::kRemoveApp, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetUserPinTryNum(uint32_t* v) { return IntOut(setting::kUserPinTryNum, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetAdmPinTryNum(uint32_t* v) { return IntOut(setting::kAdmPinTryNum, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSCB2AlgID(uint32_t* v) { return IntOut(setting::kScb2AlgId, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSSF33AlgID(uint32_t* v) { return IntOut(setting::kSsf33AlgId, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetMsnType(uint32_t* v) { return IntOut(setting::kMsnType, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetRegCertInfoLen(uint32_t* v) { return IntOut(setting::kRegCertInfoLen, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetCertExpiredDays(uint32_t* v) { return IntOut(setting::kCertExpiredDays, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetTwoRSAType(uint32_t* v) { return IntOut(setting::kJitRsaType, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetJitDelContainer(uint32_t* v) { return IntOut(setting::kJitDelContainer, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPVer(uint32_t* v) { return IntOut(setting::kCspVer, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRMustNullContainer(uint32_t* v) { return IntOut(setting::kMustNullContainer, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSecDFCreate(uint32_t* v) { return IntOut(setting::kSecDfCreate, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetConType(uint32_t* v) { return IntOut(setting::kJitConType, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetContainerNum(uint32_t* v) { return IntOut(setting::kContainerNum, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetUnblockKey(uint32_t* v) { return IntOut(setting::kKvUnblockKey, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetCheckTJCA(uint32_t* v) { return IntOut(setting::kKvTjca, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetVerifyPINTime(uint32_t* v) { return IntOut(setting::kVerifyPinTime, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetSoftKeyBoardMode(uint32_t* v) { return IntOut(setting::kSoftKeyBoardMode, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetPressButtonOverTime(uint32_t* v) { return IntOut(setting::kPressButtonOverTime, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetLedButtonOverTime(uint32_t* v) { return IntOut(setting::kLedButtonOverTime, v); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetIEClosedClearCached(uint32_t* v) { return IntOut(setting::kIeClosedClearCached, v); }

// The three keys with a value of their own when there is no file.
PQ_EXPORT uint32_t PQ_WINAPI HRGetBankApp(uint32_t* v) {
  return Guarded([&]() -> uint32_t {
    if (v == nullptr) return kErrInvalidArgument;
    *v = static_cast<uint32_t>(SettingOr(setting::kMsBankApp, 0));
    return kOk;
  });
}
PQ_EXPORT uint32_t PQ_WINAPI HRGetRaviKeyNum(uint32_t* v) {
  return Guarded([&]() -> uint32_t {
    if (v == nullptr) return kErrInvalidArgument;
    *v = static_cast<uint32_t>(SettingOr(setting::kRaviKeyNum, kRaviKeyNumDefault));
    return kOk;
  });
}
PQ_EXPORT uint32_t PQ_WINAPI HRGetSpecUserKeyNum(uint32_t* enabled, uint32_t* size) {
  return Guarded([&]() -> uint32_t {
    if (enabled == nullptr || size == nullptr) return kErrInvalidArgument;
    SpecUserKey key = ReadSpecUserKey();
    *enabled = key.enabled;
    *size = key.size;
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPSafeSym(uint32_t* v) {
  return Guarded([&]() -> uint32_t {
    if (v == nullptr) return kErrInvalidArgument;
    int32_t value = 0;
    if (!ReadCspSafeSym(&value)) return kNoFile;
    *v = static_cast<uint32_t>(value);
    return kOk;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetPinLen(uint32_t* minimum, uint32_t* maximum) {
  return Guarded([&]() -> uint32_t {
    if (minimum == nullptr || maximum == nullptr) return kErrInvalidArgument;
    int32_t lo = 0, hi = 0;
    if (!ReadSetting(setting::kMinUiPinLen, &lo) || !ReadSetting(setting::kMaxUiPinLen, &hi)) return kNoFile;
    *minimum = static_cast<uint32_t>(lo);
    *maximum = static_cast<uint32_t>(hi);
    return kOk;
  });
}

namespace {
uint32_t DefaultPinOut(const char* key, char* buffer) {
  return Guarded([&]() -> uint32_t {
    if (buffer == nullptr) return kErrInvalidArgument;
    std::string pin;
    if (!ReadDefaultPin(key, &pin)) return kNoFile;
    CopyText(pin, buffer, nullptr);
    return kOk;
  });
}
}  // namespace

PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultUserPin(char* b) { return DefaultPinOut("DEFAULT_USER_PIN", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultAdmPin(char* b) { return DefaultPinOut("DEFAULT_ADM_PIN", b); }

PQ_EXPORT uint32_t PQ_WINAPI HRSetVerifyPINTime(uint32_t value) {
  return Guarded([&]() -> uint32_t {
    return WriteSetting(setting::kVerifyPinTime, static_cast<int32_t>(value)) ? kOk : kNoFile;
  });
}
PQ_EXPORT uint32_t PQ_WINAPI HRSetSoftKeyBoardMode(uint32_t value) {
  return Guarded([&]() -> uint32_t {
    return WriteSetting(setting::kSoftKeyBoardMode, static_cast<int32_t>(value)) ? kOk : kNoFile;
  });
}

PQ_EXPORT uint32_t PQ_WINAPI HRGetPWSGrade(const char* text, uint32_t mode) { return PinStrengthGrade(text, mode); }
PQ_EXPORT uint32_t PQ_WINAPI HRIsInputNumber(const char* text) { return EndsWithDigit(text); }

PQ_EXPORT uint32_t PQ_WINAPI HRGetCachedCSPName(char* b) { return NameOut("TEMP_CSP_NAME", "KORVEL_CSP_SHARE_NAME", b); }
PQ_EXPORT uint32_t PQ_WINAPI HRGetCachedPINName(char* b) { return NameOut("TEMP_PIN_NAME", "KORVEL_PIN_SHARE_NAME", b); }
