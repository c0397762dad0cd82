// Binds the provider's exports by name, as its callers do.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

namespace tools {

#define PQ_FN(name, ...) typedef uint32_t(__stdcall* name##Fn)(__VA_ARGS__); name##Fn name = nullptr;

struct ProviderClient {
  HMODULE module = nullptr;
  PQ_FN(HC_InitReaders, void)
  PQ_FN(HC_GetReaderHandle, const char*, uint32_t*)
  PQ_FN(HC_GetDevTypeEx, const char*, uint32_t*)
  PQ_FN(HC_SupportHighBuf, const char*, uint32_t, uint32_t*)
  PQ_FN(ClearShare, const char*)
  PQ_FN(HexToStr, const uint8_t*, uint32_t, char*)
  PQ_FN(HWSelMF, uint32_t)
  PQ_FN(HWGetSerial, uint32_t, uint8_t*)
  PQ_FN(HWGetDevType, uint32_t, uint32_t*)
  PQ_FN(HWGetHWType, uint32_t, uint32_t*)
  PQ_FN(HWGetCOSVer, uint32_t, uint32_t*)
  PQ_FN(HWGetFreeSize, uint32_t, uint32_t*)
  PQ_FN(HWGetTotalSize, uint32_t, uint32_t*)
  PQ_FN(HWGetPressKeyType, uint32_t, uint32_t*)
  PQ_FN(HWGetVerifyPinMode, uint32_t, uint32_t*)
  PQ_FN(HWGetRSAMode, uint32_t, uint32_t*)
  PQ_FN(HWGetBufLen, uint32_t, uint32_t*)
  PQ_FN(HWGetSupportEncMacCMD, uint32_t)
  PQ_FN(HWGetSymSupport, uint32_t, uint32_t*)
  PQ_FN(HWGetTimepiece, uint32_t, uint16_t*)
  PQ_FN(HWReadCID, uint32_t, uint8_t*, uint32_t*)
  PQ_FN(HWWriteCID, uint32_t, const uint8_t*, uint32_t)
  PQ_FN(HWGenRandom, uint32_t, uint32_t, uint8_t*)

  bool Load(const std::string& path) {
    module = LoadLibraryA(path.c_str());
    if (module == nullptr) return false;
    bool ok = true;
#define PQ_BIND(name) ok = Bind(name, #name) && ok;
    PQ_BIND(HC_InitReaders) PQ_BIND(HC_GetReaderHandle) PQ_BIND(HC_GetDevTypeEx) PQ_BIND(HC_SupportHighBuf)
    PQ_BIND(ClearShare) PQ_BIND(HexToStr) PQ_BIND(HWSelMF) PQ_BIND(HWGetSerial) PQ_BIND(HWGetDevType)
    PQ_BIND(HWGetHWType) PQ_BIND(HWGetCOSVer) PQ_BIND(HWGetFreeSize) PQ_BIND(HWGetTotalSize) PQ_BIND(HWGetPressKeyType)
    PQ_BIND(HWGetVerifyPinMode) PQ_BIND(HWGetRSAMode) PQ_BIND(HWGetBufLen) PQ_BIND(HWGetSupportEncMacCMD)
    PQ_BIND(HWGetSymSupport) PQ_BIND(HWGetTimepiece) PQ_BIND(HWReadCID) PQ_BIND(HWWriteCID) PQ_BIND(HWGenRandom)
#undef PQ_BIND
    return ok;
  }

 private:
  template <typename T>
  bool Bind(T& slot, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
  }
};

#undef PQ_FN

}  // namespace tools
