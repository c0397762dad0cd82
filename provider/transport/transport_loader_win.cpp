// Loading the transport library that belongs to this provider's installation.
#include <windows.h>

#include <string>

#include "transport_binding.h"
#include "transport_loader.h"

namespace pq {
namespace {

void* Lookup(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

HMODULE ProviderModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ProviderModule), &self);
  return self;
}

}  // namespace

std::string TransportPathFor(const std::string& providerPath) {
  size_t slash = providerPath.find_last_of('\\');
  if (slash == std::string::npos || providerPath.size() < 9) return std::string();
  std::string code = providerPath.substr(providerPath.size() - 9, 5);
  return providerPath.substr(0, slash) + "\\ZTCommandLCD_" + code + ".dll";
}

int LoadTransport(const char* libraryPath) {
  std::string path;
  if (libraryPath != nullptr) {
    path = libraryPath;
  } else {
    char self[MAX_PATH] = {0};
    DWORD n = GetModuleFileNameA(ProviderModule(), self, sizeof(self));
    if (n == 0 || n >= sizeof(self)) return -1;
    path = TransportPathFor(self);
    if (path.empty()) return -1;
  }
  // The libraries it depends on are found beside it.
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return -1;
  TransportBinding& binding = Transport();
  bool complete = BindTransportFunctions(binding, Lookup, module);
  binding.module = module;
  return complete ? 0 : -1;
}

void UnloadTransport() {
  TransportBinding& binding = Transport();
  if (binding.module != nullptr) FreeLibrary(static_cast<HMODULE>(binding.module));
  ClearTransportBinding(binding);
}

}  // namespace pq
