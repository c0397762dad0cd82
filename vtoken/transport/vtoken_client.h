// Binds the virtual token's transport library by name, as every caller of a
// Windows DLL interface does. Header-only: used by the control program and tests.
#pragma once
#include <windows.h>

#include <string>

#include "vtoken_api.h"
#include "zt_api.h"

namespace vt {

struct VTokenClient {
  HMODULE module = nullptr;
  VTokenReaderCountFn ReaderCount = nullptr;
  VTokenReaderNameFn ReaderName = nullptr;
  VTokenInsertFn Insert = nullptr;
  VTokenRemoveFn Remove = nullptr;
  VTokenIsPresentFn IsPresent = nullptr;
  VTokenAddFaultFn AddFault = nullptr;
  VTokenClearFaultsFn ClearFaults = nullptr;
  VTokenTracePathFn TracePath = nullptr;
  VTokenTraceClearFn TraceClear = nullptr;
  VTokenStorePathFn StorePath = nullptr;
  VTokenButtonFn Button = nullptr;
  VTokenRequireButtonFn RequireButton = nullptr;
  ZTConnectDevFn Connect = nullptr;
  ZTDisconnectDevFn Disconnect = nullptr;
  ZTBeginTransactionFn Begin = nullptr;
  ZTBeginTransactionTimeFn BeginTime = nullptr;
  ZTEndTransactionFn End = nullptr;
  ZTListReadersFn ListReaders = nullptr;
  ZTGetDevStateFn GetDevState = nullptr;
  ZTTransmitFn Transmit = nullptr;

  // Loads `path`, or the library beside this program. False when anything is missing.
  bool Load(const char* path = nullptr) {
    std::string file = path ? path : FolderOfProgram() + "\\ZTCommandLCD_21060.dll";
    module = LoadLibraryA(file.c_str());
    if (module == nullptr) return false;
    return Bind(ReaderCount, "VTokenReaderCount") && Bind(ReaderName, "VTokenReaderName") &&
           Bind(Insert, "VTokenInsert") && Bind(Remove, "VTokenRemove") && Bind(IsPresent, "VTokenIsPresent") &&
           Bind(AddFault, "VTokenAddFault") && Bind(ClearFaults, "VTokenClearFaults") &&
           Bind(TracePath, "VTokenTracePath") && Bind(TraceClear, "VTokenTraceClear") &&
           Bind(StorePath, "VTokenStorePath") && Bind(Button, "VTokenButton") &&
           Bind(RequireButton, "VTokenRequireButton") && Bind(Connect, "ZTConnectDev") && Bind(Disconnect, "ZTDisconnectDev") &&
           Bind(Begin, "ZTBeginTransaction") && Bind(BeginTime, "ZTBeginTransactionTime") &&
           Bind(End, "ZTEndTransaction") && Bind(ListReaders, "ZTListReaders") && Bind(GetDevState, "ZTGetDevState") &&
           Bind(Transmit, "ZTTransmit");
  }

  std::string NameOf(uint32_t slot) const {
    char name[256] = {0};
    ReaderName(slot, name, sizeof(name));
    return name;
  }

  static std::string FolderOfProgram() {
    char self[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string s(self);
    return s.substr(0, s.find_last_of('\\'));
  }

 private:
  template <typename T>
  bool Bind(T& slot, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
  }
};

}  // namespace vt
