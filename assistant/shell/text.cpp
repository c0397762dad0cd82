#include "text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace quorvane {
namespace {
HINSTANCE g_resourceModule = nullptr;
}

std::string ToAnsi(const wchar_t* text, int length) {
  if (!text) return std::string();
  if (length < 0) length = static_cast<int>(wcslen(text));
  if (length == 0) return std::string();
  int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, &out[0], n, nullptr, nullptr);
  return out;
}

std::string ToAnsi(const std::wstring& text) { return ToAnsi(text.c_str(), static_cast<int>(text.size())); }

std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

void SetResourceModule(HINSTANCE module) { g_resourceModule = module; }

HINSTANCE ResourceModule() { return g_resourceModule ? g_resourceModule : GetModuleHandleW(nullptr); }

std::wstring ConfigStringW(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
  int n = LoadStringW(ResourceModule(), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (n <= 0 || !text) return std::wstring();
  return std::wstring(text, static_cast<size_t>(n));
}

std::string ConfigString(UINT id) { return ToAnsi(ConfigStringW(id)); }

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::wstring FormatW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    int n = _vsnwprintf(buffer.data(), buffer.size() - 1, format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size() - 1) {
      va_end(args);
      return std::wstring(buffer.data(), static_cast<size_t>(n));
    }
    if (buffer.size() > (1u << 20)) break;
    buffer.resize(buffer.size() * 2);
  }
  va_end(args);
  return std::wstring();
}

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out;
  if (n && text) {
    out.assign(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  }
  if (text) LocalFree(text);
  return out;
}

}  // namespace quorvane
