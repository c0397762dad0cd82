// Native builds (unit tests): a small reader of the same file format. The profile
// functions themselves are exercised under Wine.
#include <ctype.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform_files.h"

namespace pq {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::vector<std::string> Lines(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string ReadProfileValue(const std::string& file, const char* section, const char* key, const char* def) {
  bool inSection = false;
  for (const auto& raw : Lines(file)) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t end = line.find(']');
      inSection = end != std::string::npos && SameText(Trim(line.substr(1, end - 1)), section);
      continue;
    }
    size_t eq = line.find('=');
    if (inSection && eq != std::string::npos && SameText(Trim(line.substr(0, eq)), key)) return Trim(line.substr(eq + 1));
  }
  return def ? def : "";
}

bool WriteProfileValue(const std::string& file, const char* section, const char* key, const char* value) {
  if (!FileReadable(file)) return false;
  std::vector<std::string> lines = Lines(file);
  bool inSection = false, written = false;
  size_t sectionEnd = std::string::npos;
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    std::string line = Trim(lines[i]);
    if (!line.empty() && line[0] == '[') {
      size_t end = line.find(']');
      inSection = end != std::string::npos && SameText(Trim(line.substr(1, end - 1)), section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    size_t eq = line.find('=');
    if (inSection) sectionEnd = i + 1;
    if (inSection && eq != std::string::npos && SameText(Trim(line.substr(0, eq)), key)) {
      lines[i] = std::string(key) + "=" + value;
      written = true;
    }
  }
  if (!written) {
    if (sectionEnd == std::string::npos) {
      lines.push_back(std::string("[") + section + "]");
      sectionEnd = lines.size();
    }
    lines.insert(lines.begin() + static_cast<long>(sectionEnd), std::string(key) + "=" + value);
  }
  std::ofstream out(file, std::ios::trunc);
  for (const auto& l : lines) out << l << "\r\n";
  return static_cast<bool>(out);
}

bool FileReadable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

std::string ProviderModulePath() {
  const char* forced = getenv("PELQIN_MODULE_PATH");
  if (forced != nullptr) return forced;
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string SystemDirectory() {
  const char* forced = getenv("PELQIN_SYSTEM_DIR");
  return forced ? forced : "/nonexistent-system-directory";
}

std::string HostProgramPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

uint16_t UserUiLanguage() {
  const char* forced = getenv("PELQIN_UI_LANGUAGE");
  return static_cast<uint16_t>(forced ? strtoul(forced, nullptr, 16) : 0x0409);
}

// Native tests use the Simplified Chinese code page's lead bytes.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace pq
