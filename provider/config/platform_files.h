// What the configuration and language code needs from the platform: profile files,
// the provider's own file, the system folder, the host program and the UI language.
#pragma once
#include <stdint.h>

#include <string>

namespace pq {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Reads one key with the platform's profile functions. `def` is returned when the
// key is missing. The value is never cut short: the read buffer grows until it fits.
std::string ReadProfileValue(const std::string& file, const char* section, const char* key, const char* def);
// Writes one key into an existing file. False when the write failed.
bool WriteProfileValue(const std::string& file, const char* section, const char* key, const char* value);

// True when the file exists and can be opened for reading.
bool FileReadable(const std::string& path);

// Full path of the module holding the provider's code (the DLL, or a test program
// that links the provider statically).
std::string ProviderModulePath();
// The system directory, and the full path of the process's executable.
std::string SystemDirectory();
std::string HostProgramPath();
// The user's UI language identifier.
uint16_t UserUiLanguage();
// Whether `c` starts a two-byte character in the system code page.
bool IsLeadByte(unsigned char c);

}  // namespace pq
