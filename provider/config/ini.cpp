#include "ini.h"

#include <stdio.h>
#include <string.h>

#include "platform_files.h"
#include "value_rules.h"

namespace pq {

// Values longer than this are cut (the work buffer of every string read).
constexpr size_t kWorkBuffer = 1024;

std::string CIni::ReadString(const char* section, const char* key, const char* def) const {
  return CutMultibyteSafe(ReadProfileValue(path_, section, key, def ? def : ""), kWorkBuffer);
}

size_t CIni::ReadString(const char* section, const char* key, const char* def, char* buffer, size_t size) const {
  if (buffer == nullptr || size == 0) return 0;
  std::string value = CutMultibyteSafe(ReadString(section, key, def), size - 1);
  memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  return value.size();
}

int32_t CIni::ReadInt(const char* section, const char* key, int32_t def) const {
  return ParseProfileInt(ReadProfileValue(path_, section, key, "").substr(0, 64), def);
}

int32_t CIni::ReadBool(const char* section, const char* key, int32_t def) const {
  return ParseProfileBool(ReadProfileValue(path_, section, key, "").substr(0, 64), def);
}

bool CIni::WriteString(const char* section, const char* key, const char* value) const {
  return WriteProfileValue(path_, section, key, value);
}

bool CIni::WriteInt(const char* section, const char* key, int32_t value) const {
  char text[16];
  snprintf(text, sizeof(text), "%d", value);
  return WriteString(section, key, text);
}

}  // namespace pq
