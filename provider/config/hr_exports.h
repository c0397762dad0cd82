// Configuration getters and setters for the provider's callers. String outputs are
// copied without a terminating NUL (callers pass zeroed buffers of 1024 bytes);
// with no configuration file the outputs stay as the caller set them.
#pragma once
#include "../transport/platform.h"

PQ_EXPORT uint32_t PQ_WINAPI HRGetHWName(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetKVID(uint16_t* id);
PQ_EXPORT uint32_t PQ_WINAPI HRGetFirmName(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetAdmTitle(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetUserTitle(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSrvTitle(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetMaxCertLen(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetPinMode(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetPinModeEx(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetDOVUKeyPinMode(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetExeName(char* buffer, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HRGetRemoveAppMode(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPProvider(char* buffer, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HRGetPinLen(uint32_t* minimum, uint32_t* maximum);
PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultUserPin(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetUserPinTryNum(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultAdmPin(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetAdmPinTryNum(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetDefaultHWLabel(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSCB2AlgID(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSSF33AlgID(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSCB2OID(char* buffer, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSSF33OID(char* buffer, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HRGetMsnTitle(char* buffer);
PQ_EXPORT uint32_t PQ_WINAPI HRGetMsnType(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetRegCertInfoLen(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCertExpiredDays(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCertExpiredLink(char* buffer, uint32_t* length);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPSafeSym(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSpecUserKeyNum(uint32_t* enabled, uint32_t* size);
PQ_EXPORT uint32_t PQ_WINAPI HRGetTwoRSAType(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetJitDelContainer(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCSPVer(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRMustNullContainer(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetRaviKeyNum(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSecDFCreate(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetConType(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetBankApp(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetContainerNum(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetUnblockKey(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCheckTJCA(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetVerifyPINTime(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRSetVerifyPINTime(uint32_t value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetSoftKeyBoardMode(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRSetSoftKeyBoardMode(uint32_t value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetPWSGrade(const char* text, uint32_t mode);
PQ_EXPORT uint32_t PQ_WINAPI HRIsInputNumber(const char* text);
PQ_EXPORT uint32_t PQ_WINAPI HRGetPressButtonOverTime(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetLedButtonOverTime(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetIEClosedClearCached(uint32_t* value);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCachedCSPName(char* buffer260);
PQ_EXPORT uint32_t PQ_WINAPI HRGetCachedPINName(char* buffer260);
