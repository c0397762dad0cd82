// How configuration values are read from their text and normalised. Pure functions:
// the readers in settings.h apply them to what the file holds.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

namespace pq {

// Integer rule: strtol on at most the first 64 characters; empty gives `def`.
int32_t ParseProfileInt(const std::string& text, int32_t def);
// Boolean rule: empty gives `def`; "true"/"yes" (any case) give 1; else the number, non-zero meaning 1.
int32_t ParseProfileBool(const std::string& text, int32_t def);

// What a key's value turns into after it was read.
enum class Normalise {
  kNone,
  kFlag,          // any non-zero reads as 1
  kContainerNum,  // <= 0 gives 1, above 10 gives 10
  kCspVer,        // 1, 2, 3 kept; anything else 1
  kConType,       // 0 stays 0, anything else 1
  kRaviKeyNum,    // low byte b: b >= 33 gives b * 256, else 8448
};
int32_t ApplyNormalise(Normalise rule, int32_t value);

// SPEC_USER_KEY_NUM: enabled when non-zero; size from the low byte b: b >= 10 gives b * 256, else 2560.
struct SpecUserKey {
  uint32_t enabled;
  uint32_t size;
};
SpecUserKey DecodeSpecUserKey(int32_t value);
constexpr int32_t kRaviKeyNumDefault = 8448;
constexpr uint32_t kSpecUserKeySizeDefault = 2560;

// Cuts `text` to at most `limit` bytes without splitting a two-byte character of
// the code page whose lead bytes `isLead` tells (the system's by default).
std::string CutMultibyteSafe(const std::string& text, size_t limit, bool (*isLead)(unsigned char) = nullptr);

// The strength grade of a PIN text for the PIN entry's two grading modes.
uint32_t PinStrengthGrade(const char* text, uint32_t mode);
// 1 when the last character is a decimal digit, else 0 (also for empty or null text).
uint32_t EndsWithDigit(const char* text);

// Language texts write a line break as backslash-n: each pair becomes CR LF.
std::string ExpandLineBreaks(const std::string& text);

}  // namespace pq
