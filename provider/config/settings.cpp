#include "settings.h"

#include "ini.h"
#include "platform_files.h"

namespace pq {
namespace {

// A default that no configured value can equal: tells a missing key from an empty one.
constexpr const char* kAbsent = "\x01";

constexpr char kDefaultPinDigit = '1';
// Bounds the default PIN built from MIN_UI_PIN_LEN whatever the file says.
constexpr int32_t kDefaultPinMax = 64;

std::string NameSetting(const char* key, const char* def) {
  std::string value = def;
  ReadSetting(key, def, &value);
  return CutMultibyteSafe(value, kNameSettingMax - 1);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FindConfigFile() {
  std::string module = ProviderModulePath();
  std::string folder = FolderOf(module);
  if (folder.empty()) return std::string();
  const std::string candidates[] = {folder + kPathSeparator + BaseNameOf(module) + kPathSeparator + kConfigFileName,
                                    folder + kPathSeparator + kConfigFileName};
  for (const auto& c : candidates)
    if (FileReadable(c)) return c;
  return std::string();
}

bool ReadSetting(const IntSetting& s, int32_t* value) {
  std::string file = FindConfigFile();
  if (file.empty()) return false;
  *value = ApplyNormalise(s.rule, CIni(file).ReadInt(kConfigSection, s.key, s.def));
  return true;
}

int32_t SettingOr(const IntSetting& s, int32_t noFile) {
  int32_t value = noFile;
  ReadSetting(s, &value);
  return value;
}

bool ReadSetting(const char* key, const char* def, std::string* value) {
  std::string file = FindConfigFile();
  if (file.empty()) return false;
  *value = CIni(file).ReadString(kConfigSection, key, def);
  return true;
}

bool WriteSetting(const IntSetting& s, int32_t value) {
  std::string file = FindConfigFile();
  return !file.empty() && CIni(file).WriteInt(kConfigSection, s.key, value);
}

bool ReadCspSafeSym(int32_t* value) {
  std::string file = FindConfigFile();
  if (file.empty()) return false;
  *value = CIni(file).ReadBool(kConfigSection, "CSP_SAFE_SYM", 0);
  return true;
}

SpecUserKey ReadSpecUserKey() {
  int32_t value = 0;
  if (!ReadSetting(setting::kSpecUserKeyNum, &value)) return {0, kSpecUserKeySizeDefault};
  return DecodeSpecUserKey(value);
}

bool ReadDefaultPin(const char* key, std::string* value) {
  std::string file = FindConfigFile();
  if (file.empty()) return false;
  CIni ini(file);
  int32_t length = ApplyNormalise(setting::kMinUiPinLen.rule,
                                  ini.ReadInt(kConfigSection, setting::kMinUiPinLen.key, setting::kMinUiPinLen.def));
  if (length < 0) length = 0;
  if (length > kDefaultPinMax) length = kDefaultPinMax;
  std::string def(static_cast<size_t>(length), kDefaultPinDigit);
  *value = ini.ReadString(kConfigSection, key, def.c_str());
  return true;
}

std::string PinCacheSectionName() {
  std::string value = NameSetting("TEMP_PIN_NAME", kAbsent);
  if (value == kAbsent) return "KORVEL_PIN_SHARE_NAME";
  if (value.empty()) return "KORVEL_PIN_SHARE_NAME_ABC";
  return value;
}

std::string ForegroundHelperTitle() { return NameSetting("TEMP_SUP_FFOX", "KORVEL_SP_FFOX_NAME_TITLE"); }

std::string ConfiguredHardwareName() {
  std::string value = "Zentok";
  ReadSetting("HW_NAME", "Zentok", &value);
  return value;
}

}  // namespace pq
