#include "value_rules.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "platform_files.h"

namespace pq {

int32_t ParseProfileInt(const std::string& text, int32_t def) {
  if (text.empty()) return def;
  std::string head = text.substr(0, 64);
  long v = strtol(head.c_str(), nullptr, 10);
  // strtol saturates at the long range; the value is 32-bit everywhere it is used.
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return static_cast<int32_t>(v);
}

int32_t ParseProfileBool(const std::string& text, int32_t def) {
  if (text.empty()) return def;
  if (strcasecmp(text.c_str(), "true") == 0 || strcasecmp(text.c_str(), "yes") == 0) return 1;
  return ParseProfileInt(text, def) != 0 ? 1 : 0;
}

int32_t ApplyNormalise(Normalise rule, int32_t value) {
  switch (rule) {
    case Normalise::kNone:
      return value;
    case Normalise::kFlag:
      return value != 0 ? 1 : 0;
    case Normalise::kContainerNum:
      return value <= 0 ? 1 : (value > 10 ? 10 : value);
    case Normalise::kCspVer:
      return (value >= 1 && value <= 3) ? value : 1;
    case Normalise::kConType:
      return value == 0 ? 0 : 1;
    case Normalise::kRaviKeyNum: {
      int32_t b = value & 0xFF;
      return b >= 33 ? b * 256 : kRaviKeyNumDefault;
    }
  }
  return value;
}

SpecUserKey DecodeSpecUserKey(int32_t value) {
  int32_t b = value & 0xFF;
  return {value != 0 ? 1u : 0u, b >= 10 ? static_cast<uint32_t>(b) * 256 : kSpecUserKeySizeDefault};
}

std::string CutMultibyteSafe(const std::string& text, size_t limit, bool (*isLead)(unsigned char)) {
  if (text.size() <= limit) return text;
  if (isLead == nullptr) isLead = IsLeadByte;
  size_t i = 0;
  while (i < limit) {
    size_t step = isLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return text.substr(0, i);
}

namespace {

struct TextTraits {
  bool digit = false, upper = false, lower = false;
  bool same = true, ascending = true, descending = true;
};

TextTraits Examine(const char* text) {
  TextTraits t;
  size_t n = strlen(text);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    t.digit |= c >= '0' && c <= '9';
    t.upper |= c >= 'A' && c <= 'Z';
    t.lower |= c >= 'a' && c <= 'z';
    if (i == 0) continue;
    unsigned char p = static_cast<unsigned char>(text[i - 1]);
    t.same &= c == p;
    t.ascending &= c == p + 1;
    t.descending &= c + 1 == p;
  }
  return t;
}

}  // namespace

uint32_t PinStrengthGrade(const char* text, uint32_t mode) {
  if (text == nullptr) return 2;
  TextTraits t = Examine(text);
  if (mode == 1000) {
    if (t.same) return 2;
    if (t.ascending || t.descending) return 3;
    if (t.digit && (t.upper || t.lower)) return 6;
    if (t.digit) return 3;
    if (t.lower && t.upper) return 6;
    if (t.lower || t.upper) return 4;
    return 1;
  }
  if (mode == 2000) {
    if (t.same) return 2;
    if (t.ascending || t.descending) return 3;
    int kinds = (t.digit ? 1 : 0) + (t.upper ? 1 : 0) + (t.lower ? 1 : 0);
    if (kinds >= 2) return 7;
    if (t.upper || t.lower) return 4;
    if (t.digit) return 2;
    return 1;
  }
  return 1;
}

uint32_t EndsWithDigit(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  char last = text[strlen(text) - 1];
  return last >= '0' && last <= '9' ? 1 : 0;
}

std::string ExpandLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace pq
