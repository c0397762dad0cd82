// The provider's texts: a language index file names one language file per language
// id; texts are read from the chosen file on every lookup.
#pragma once
#include <stdint.h>

#include <string>

#include "../transport/platform.h"

namespace pq {

constexpr uint16_t kFallbackLanguage = 0x0409;
constexpr size_t kLanguageTextMax = 10240;

// The language id to use: `defaultItem` (hexadecimal) when its leading decimal digits
// form a non-zero number, else the UI language.
uint16_t ChooseLanguageId(const std::string& defaultItem, uint16_t uiLanguage);

class CMultiLanguage {
 public:
  // Finds the index file and the language file as they stand now.
  CMultiLanguage();

  bool HasIndex() const { return !index_.empty(); }
  const std::string& IndexPath() const { return index_; }
  const std::string& LanguagePath() const { return language_; }

  // The text with every backslash-n pair made CR LF; empty when anything is missing.
  std::string Load(const char* section, const char* key) const;
  std::string DefaultItem() const;
  // 0 written; 1 no index file; 2 index path too short; 3 the write failed.
  uint32_t SetDefaultItem(const char* item) const;

 private:
  std::string index_;
  std::string language_;
};

// A text for the provider's own windows and messages.
std::string LanguageText(const char* section, const char* key);

}  // namespace pq

// The text in a buffer of the calling thread, valid until that thread's next call.
PQ_EXPORT const char* PQ_WINAPI LngLoadString(const char* section, const char* key);
PQ_EXPORT uint32_t PQ_WINAPI LngSetDefaultItem(const char* item);
PQ_EXPORT const char* PQ_WINAPI LngGetDefaultItem(void);
