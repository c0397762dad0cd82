#include <windows.h>

#include <vector>

#include "platform_files.h"

namespace pq {
namespace {

constexpr DWORD kGrowStep = 512;
// Profile lines are far shorter than this; it only bounds a broken file.
constexpr DWORD kMaxValue = 1 << 20;

}  // namespace

std::string ReadProfileValue(const std::string& file, const char* section, const char* key, const char* def) {
  std::vector<char> buffer;
  for (DWORD size = kGrowStep; size <= kMaxValue; size += kGrowStep) {
    buffer.assign(size, '\0');
    DWORD n = GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
    // A value that fills the buffer to the last place may have been cut: try larger.
    if (n < size - 1) return std::string(buffer.data(), n);
  }
  return std::string(buffer.data());
}

bool WriteProfileValue(const std::string& file, const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
}

bool FileReadable(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::string ProviderModulePath() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ProviderModulePath), &self);
  char path[MAX_PATH] = {0};
  DWORD n = GetModuleFileNameA(self, path, sizeof(path));
  return std::string(path, n < sizeof(path) ? n : 0);
}

std::string SystemDirectory() {
  char path[MAX_PATH] = {0};
  UINT n = GetSystemDirectoryA(path, sizeof(path));
  return std::string(path, n < sizeof(path) ? n : 0);
}

std::string HostProgramPath() {
  char path[MAX_PATH] = {0};
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  return std::string(path, n < sizeof(path) ? n : 0);
}

uint16_t UserUiLanguage() { return GetUserDefaultUILanguage(); }

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

}  // namespace pq
