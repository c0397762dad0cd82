// How values read from the configuration and language files turn into settings.
#include <gtest/gtest.h>

#include "config/multi_language.h"
#include "config/value_rules.h"

namespace pq {
namespace {

TEST(ConfigValueRules, IntegersFollowTheNumberRules) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {{"", 77}, {"42", 42}, {"  -7", -7}, {"+12abc", 12}, {"abc", 0}, {"99999999999999", INT32_MAX}};
  for (const auto& c : cases) EXPECT_EQ(ParseProfileInt(c.text, 77), c.expected) << c.text;
  // Only the first 64 characters count.
  EXPECT_EQ(ParseProfileInt(std::string(64, ' ') + "5", 3), 0);
}

TEST(ConfigValueRules, BooleansAcceptWordsAndNumbers) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {{"", 0}, {"Yes", 1}, {"TRUE", 1}, {"no", 0}, {"2", 1}, {"0", 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseProfileBool(c.text, 0), c.expected) << c.text;
}

TEST(ConfigValueRules, NormalisationsOfRangedKeys) {
  struct Case {
    Normalise rule;
    int32_t in, out;
  } cases[] = {{Normalise::kContainerNum, 0, 1},    {Normalise::kContainerNum, -3, 1},
               {Normalise::kContainerNum, 25, 10},  {Normalise::kContainerNum, 7, 7},
               {Normalise::kCspVer, 7, 1},          {Normalise::kCspVer, 3, 3},
               {Normalise::kCspVer, 0, 1},          {Normalise::kFlag, 5, 1},
               {Normalise::kFlag, 0, 0},            {Normalise::kConType, 0, 0},
               {Normalise::kConType, 9, 1},         {Normalise::kRaviKeyNum, 33, 8448},
               {Normalise::kRaviKeyNum, 40, 10240}, {Normalise::kRaviKeyNum, 0x128, 10240},
               {Normalise::kRaviKeyNum, 12, 8448}};
  for (const auto& c : cases) EXPECT_EQ(ApplyNormalise(c.rule, c.in), c.out) << static_cast<int>(c.rule) << " " << c.in;
}

TEST(ConfigValueRules, SpecialUserKeySizeComesFromTheLowByte) {
  struct Case {
    int32_t in;
    uint32_t enabled, size;
  } cases[] = {{9, 1, 2560}, {20, 1, 5120}, {0, 0, 2560}, {0x100, 1, 2560}};
  for (const auto& c : cases) {
    SpecUserKey key = DecodeSpecUserKey(c.in);
    EXPECT_EQ(key.enabled, c.enabled) << c.in;
    EXPECT_EQ(key.size, c.size) << c.in;
  }
}

TEST(ConfigValueRules, CutsNeverSplitATwoByteCharacter) {
  auto gbkLead = [](unsigned char c) { return c >= 0x81 && c <= 0xFE; };
  std::string text = "ab\xC4\xE3\xBA\xC3";  // two letters, two GBK characters
  EXPECT_EQ(CutMultibyteSafe(text, 3, gbkLead), "ab");
  EXPECT_EQ(CutMultibyteSafe(text, 4, gbkLead), "ab\xC4\xE3");
  EXPECT_EQ(CutMultibyteSafe(text, 100, gbkLead), text);
}

TEST(PinStrength, GradesOfBothModes) {
  struct Case {
    const char* text;
    uint32_t mode, grade;
  } cases[] = {{"1234", 1000, 3},   {"a1b2c3", 1000, 6}, {"4321", 1000, 3},   {"111111", 1000, 2},
               {"13579", 1000, 3},  {"qwerty", 1000, 4}, {"QwErTy", 1000, 6}, {"!@#$", 1000, 1},
               {"qzkxwv", 2000, 4}, {"aB3x", 2000, 7},   {"7777", 2000, 2},   {"8264", 2000, 2},
               {"QZKX", 2000, 4},   {"abcd", 2000, 3},   {"a", 2000, 2},      {"qzkx", 3000, 1}};
  for (const auto& c : cases) EXPECT_EQ(PinStrengthGrade(c.text, c.mode), c.grade) << c.text << " " << c.mode;
  EXPECT_EQ(PinStrengthGrade(nullptr, 1000), 2u);
}

TEST(PinStrength, InputEndsWithADigit) {
  EXPECT_EQ(EndsWithDigit("abc1"), 1u);
  EXPECT_EQ(EndsWithDigit("1abc"), 0u);
  EXPECT_EQ(EndsWithDigit(""), 0u);
  EXPECT_EQ(EndsWithDigit(nullptr), 0u);
}

TEST(LanguageTexts, BackslashNBecomesCrLf) {
  EXPECT_EQ(ExpandLineBreaks("first\\nsecond"), "first\r\nsecond");
  EXPECT_EQ(ExpandLineBreaks("a\\\\nb"), "a\\\r\nb");
  EXPECT_EQ(ExpandLineBreaks("ends\\"), "ends\\");
}

TEST(LanguageTexts, ChoiceOfTheLanguage) {
  EXPECT_EQ(ChooseLanguageId("0804", 0x0409), 0x0804);
  EXPECT_EQ(ChooseLanguageId("", 0x0407), 0x0407);
  EXPECT_EQ(ChooseLanguageId("0000", 0x0409), 0x0409);
  EXPECT_EQ(ChooseLanguageId("ABCD", 0x0409), 0x0409) << "no leading decimal digits";
  EXPECT_EQ(ChooseLanguageId("0C04", 0x0409), 0x0409) << "its leading digits read as zero";
  EXPECT_EQ(ChooseLanguageId("404", 0x0409), 0x0404);
}

}  // namespace
}  // namespace pq
