#include "multi_language.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform_files.h"
#include "settings.h"
#include "value_rules.h"

namespace pq {
namespace {

constexpr const char* kNewIndexName = "VDEXNewLngIndex.ini";
constexpr const char* kIndexName = "VDEXLngIndex.ini";
constexpr size_t kPathMax = 260;

std::string Join(const std::string& folder, const std::string& name) { return folder + kPathSeparator + name; }

// The index file of one folder: the new name when it exists, else the old one.
std::string IndexIn(const std::string& folder) {
  std::string preferred = Join(folder, kNewIndexName);
  if (FileReadable(preferred)) return preferred;
  std::string plain = Join(folder, kIndexName);
  return FileReadable(plain) ? plain : std::string();
}

std::string FindIndexFile() {
  std::string module = ProviderModulePath();
  std::string name = BaseNameOf(module);
  const std::string folders[] = {Join(FolderOf(module), name), Join(SystemDirectory(), name),
                                 Join(FolderOf(HostProgramPath()), name)};
  for (const auto& folder : folders) {
    std::string index = IndexIn(folder);
    if (!index.empty() && index.size() < kPathMax) return index;
  }
  return std::string();
}

std::string LanguageFileFor(const std::string& index, uint16_t id) {
  char key[8];
  snprintf(key, sizeof(key), "%04X", id);
  std::string file = ReadProfileValue(index, "LNG", key, "");
  if (file.empty()) return std::string();
  std::string path = Join(FolderOf(index), file);
  return path.size() < kPathMax && FileReadable(path) ? path : std::string();
}

}  // namespace

uint16_t ChooseLanguageId(const std::string& defaultItem, uint16_t uiLanguage) {
  std::string head = defaultItem.substr(0, 16);
  if (strtol(head.c_str(), nullptr, 10) != 0) return static_cast<uint16_t>(strtoul(head.c_str(), nullptr, 16));
  return uiLanguage;
}

CMultiLanguage::CMultiLanguage() : index_(FindIndexFile()) {
  if (index_.empty()) return;
  language_ = LanguageFileFor(index_, ChooseLanguageId(DefaultItem(), UserUiLanguage()));
  if (language_.empty()) language_ = LanguageFileFor(index_, kFallbackLanguage);
}

std::string CMultiLanguage::Load(const char* section, const char* key) const {
  if (language_.empty() || section == nullptr || key == nullptr) return std::string();
  std::string text = CutMultibyteSafe(ReadProfileValue(language_, section, key, ""), kLanguageTextMax - 1);
  return ExpandLineBreaks(text);
}

std::string CMultiLanguage::DefaultItem() const {
  if (index_.empty()) return std::string();
  return CutMultibyteSafe(ReadProfileValue(index_, "LNG_ITEM", "defaultItem", ""), 255);
}

uint32_t CMultiLanguage::SetDefaultItem(const char* item) const {
  if (index_.empty()) return 1;
  if (index_.size() <= 2) return 2;
  return WriteProfileValue(index_, "LNG_ITEM", "defaultItem", item) ? 0 : 3;
}

std::string LanguageText(const char* section, const char* key) { return CMultiLanguage().Load(section, key); }

}  // namespace pq

using namespace pq;

namespace {

// Each calling thread has buffers of its own: a text handed out stays intact while
// other threads look up theirs.
thread_local char t_text[kLanguageTextMax];
thread_local char t_defaultItem[256];

const char* Hand(const std::string& text, char* buffer, size_t size) {
  size_t n = text.size() < size ? text.size() : size - 1;
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return buffer;
}

}  // namespace

PQ_EXPORT const char* PQ_WINAPI LngLoadString(const char* section, const char* key) {
  try {
    return Hand(LanguageText(section, key), t_text, sizeof(t_text));
  } catch (...) {
    t_text[0] = '\0';
    return t_text;
  }
}

PQ_EXPORT uint32_t PQ_WINAPI LngSetDefaultItem(const char* item) {
  try {
    if (item == nullptr) return 3;
    return CMultiLanguage().SetDefaultItem(item);
  } catch (...) {
    return 3;
  }
}

PQ_EXPORT const char* PQ_WINAPI LngGetDefaultItem(void) {
  try {
    return Hand(CMultiLanguage().DefaultItem(), t_defaultItem, sizeof(t_defaultItem));
  } catch (...) {
    t_defaultItem[0] = '\0';
    return t_defaultItem;
  }
}
