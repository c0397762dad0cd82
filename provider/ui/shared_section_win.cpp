#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string.h>

#include "shared_section.h"

namespace pq {
namespace {

// Whether this process is a browser running in protected mode. A process that has
// not loaded the browser frame library cannot be one; the answer never changes.
bool ProtectedModeBrowser() {
  static const bool answer = [] {
    HMODULE frame = GetModuleHandleA("ieframe.dll");
    if (frame == nullptr) return false;
    typedef HRESULT(WINAPI * Fn)(BOOL*);
    auto ask = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(frame, "IEIsProtectedModeProcess")));
    BOOL isProtected = FALSE;
    return ask != nullptr && SUCCEEDED(ask(&isProtected)) && isProtected;
  }();
  return answer;
}

bool MajorVersionAbove5() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
  return info.dwMajorVersion > 5;
}

// Low-integrity browser processes may write to the section.
void LabelForLowIntegrity(HANDLE section) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("S:(ML;;NW;;;LW)", SDDL_REVISION_1, &descriptor, nullptr))
    return;
  PACL sacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) && present)
    SetSecurityInfo(section, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, sacl);
  LocalFree(descriptor);
}

}  // namespace

SharedSection::SharedSection(const std::string& name, size_t size) : size_(size) {
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);  // anyone may open it
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
  HANDLE h = CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, static_cast<DWORD>(size),
                                name.c_str());
  if (h == nullptr) return;
  existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
  handle_ = h;
  if (!existed_ && MajorVersionAbove5() && !ProtectedModeBrowser()) LabelForLowIntegrity(h);
  view_ = static_cast<uint8_t*>(MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, size));
  if (view_ != nullptr && !existed_) memset(view_, 0, size);
}

SharedSection::~SharedSection() {
  if (view_ != nullptr) UnmapViewOfFile(view_);
  if (handle_ != nullptr && !keep_) CloseHandle(static_cast<HANDLE>(handle_));
}

void SharedSection::Flush() {
  if (view_ != nullptr) FlushViewOfFile(view_, size_);
}

uint32_t ThisProcessId() { return GetCurrentProcessId(); }

}  // namespace pq
