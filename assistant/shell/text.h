// Text conversions and the configuration strings.
//
// The assistant works in the thread's ANSI code page like the rest of the product: page arguments
// arrive as UTF-16 and are converted to ANSI, results and script arguments go the other way.
#pragma once
#include <windows.h>

#include <string>

namespace quorvane {

std::string ToAnsi(const std::wstring& text);
std::string ToAnsi(const wchar_t* text, int length = -1);
std::wstring FromAnsi(const std::string& text);

// The module whose string table holds the configuration (the program itself unless set).
void SetResourceModule(HINSTANCE module);
HINSTANCE ResourceModule();

// Configuration string by number: empty when the entry is absent.
std::wstring ConfigStringW(UINT id);
std::string ConfigString(UINT id);

// printf into a std::string (ANSI) / std::wstring.
std::string Format(const char* format, ...);
std::wstring FormatW(const wchar_t* format, ...);

// The system's message text for an error code, without trailing line breaks; empty when the
// system has none.
std::string SystemMessage(DWORD code);

}  // namespace quorvane
