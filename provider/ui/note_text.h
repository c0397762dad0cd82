// The message of a progress note, built from language texts.
#pragma once
#include <stdint.h>

#include <string>

namespace pq {

struct NoteContent {
  bool shown = false;  // unknown kinds show nothing
  int templateId = 0;
  std::string text;
};

// `lookup(section, key)` gives a language text.
NoteContent BuildNote(uint32_t kind, const std::string& name, const std::string& hardwareName, bool tjca,
                      std::string (*lookup)(const char* section, const char* key));

constexpr int kNoteTemplate = 102;
constexpr int kNoteTemplateWithCaption = 108;

}  // namespace pq
