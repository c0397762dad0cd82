// The configuration getters and the language tables of the real DLL, against real
// files beside a private copy of it.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

typedef uint32_t(__stdcall* OutFn)(uint32_t*);
typedef uint32_t(__stdcall* TextFn)(char*);
typedef uint32_t(__stdcall* TextLenFn)(char*, uint32_t*);
typedef uint32_t(__stdcall* PairFn)(uint32_t*, uint32_t*);
typedef uint32_t(__stdcall* SetFn)(uint32_t);
typedef const char*(__stdcall* LoadFn)(const char*, const char*);
typedef uint32_t(__stdcall* SetItemFn)(const char*);
typedef const char*(__stdcall* GetItemFn)(void);

std::string g_dist;    // folder of the built DLL and its configuration folder
std::string g_folder;  // the private copy's folder
HMODULE g_dll = nullptr;

std::string ConfigFolder() { return g_folder + "\\NQCSP21060"; }

template <typename T>
T Fn(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(g_dll, name)));
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

uint32_t ReadOut(const char* name, uint32_t initial = 0xDEADBEEF) {
  uint32_t value = initial;
  Fn<OutFn>(name)(&value);
  return value;
}

std::string ReadText(const char* name) {
  char buffer[1100] = {0};
  Fn<TextFn>(name)(buffer);
  return buffer;
}

class ConfigFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(ConfigFolder().c_str(), nullptr);
    DeleteFileA((ConfigFolder() + "\\NQControl.ini").c_str());
    DeleteFileA((g_folder + "\\NQControl.ini").c_str());
  }
  void Folder(const std::string& body) { WriteFile(ConfigFolder() + "\\NQControl.ini", "[NQControl]\r\n" + body); }
  void Side(const std::string& body) { WriteFile(g_folder + "\\NQControl.ini", "[NQControl]\r\n" + body); }
};

TEST_F(ConfigFiles, FolderCopyWinsOverTheSideCopyForReadsAndWrites) {
  Side("PIN_MODE=3\r\nVerifyPINTime=1\r\n");
  EXPECT_EQ(ReadOut("HRGetPinMode"), 3u) << "the side copy alone is read";
  Folder("PIN_MODE=2\r\nVerifyPINTime=2\r\n");
  EXPECT_EQ(ReadOut("HRGetPinMode"), 2u);
  ASSERT_EQ(Fn<SetFn>("HRSetVerifyPINTime")(4321), 0u);
  EXPECT_EQ(ReadOut("HRGetVerifyPINTime"), 4321u);
  EXPECT_EQ(GetPrivateProfileIntA("NQControl", "VerifyPINTime", 0, (g_folder + "\\NQControl.ini").c_str()), 1u)
      << "the side copy is left alone";
  ASSERT_EQ(Fn<SetFn>("HRSetSoftKeyBoardMode")(0), 0u);
  EXPECT_EQ(ReadOut("HRGetSoftKeyBoardMode"), 0u);
}

TEST_F(ConfigFiles, KeysNormaliseAsSpecified) {
  struct Case {
    const char* export_;
    const char* line;  // empty: the key is absent
    uint32_t expected;
  } cases[] = {{"HRGetContainerNum", "CONTAINER_NUM=0", 1}, {"HRGetContainerNum", "CONTAINER_NUM=25", 10},
               {"HRGetContainerNum", "CONTAINER_NUM=many", 1}, {"HRGetContainerNum", "", 10},
               {"HRGetCSPVer", "CSP_VER=7", 1},             {"HRGetCSPVer", "", 2},
               {"HRGetRaviKeyNum", "RAVI_KEY_NUM=33", 8448}, {"HRGetRaviKeyNum", "RAVI_KEY_NUM=40", 10240},
               {"HRGetCSPSafeSym", "CSP_SAFE_SYM=Yes", 1},  {"HRGetCSPSafeSym", "", 0},
               {"HRGetConType", "JIT_CON_TYPE=5", 1},       {"HRGetCheckTJCA", "KV_TJCA=9", 1},
               {"HRGetCFCA", "KV_TJCA=0", 0},               {"HRGetSCB2AlgID", "", 26366},
               {"HRGetPressButtonOverTime", "PressButtonOverTime= 12 s", 12}};
  for (const auto& c : cases) {
    Folder(std::string(c.line) + "\r\n");
    EXPECT_EQ(ReadOut(c.export_), c.expected) << c.export_ << " with '" << c.line << "'";
  }
  uint32_t enabled = 9, size = 9;
  Folder("SPEC_USER_KEY_NUM=20\r\n");
  Fn<PairFn>("HRGetSpecUserKeyNum")(&enabled, &size);
  EXPECT_EQ(enabled, 1u);
  EXPECT_EQ(size, 5120u);
  Folder("SPEC_USER_KEY_NUM=0\r\n");
  Fn<PairFn>("HRGetSpecUserKeyNum")(&enabled, &size);
  EXPECT_EQ(enabled, 0u);
}

TEST_F(ConfigFiles, StringsComeWithoutTerminatorAndWithTheirLength) {
  Folder("EXE_NAME=bank.exe;shop.exe\r\nHW_NAME=Teller\r\nMIN_UI_PIN_LEN=6\r\n");
  char buffer[1100];
  memset(buffer, 'x', sizeof(buffer));
  uint32_t length = 0;
  Fn<TextLenFn>("HRGetExeName")(buffer, &length);
  EXPECT_EQ(length, 17u);
  EXPECT_EQ(std::string(buffer, 18), "bank.exe;shop.exex") << "no terminator is written";
  EXPECT_EQ(ReadText("HRGetHWName"), "Teller");
  EXPECT_EQ(ReadText("HRGetFirmName"), "Zentok OEM") << "the code default";
  EXPECT_EQ(ReadText("HRGetDefaultUserPin"), "111111") << "MIN_UI_PIN_LEN digits";
  char name[260];
  Fn<TextFn>("HRGetCachedPINName")(name);
  EXPECT_STREQ(name, "KORVEL_PIN_SHARE_NAME");

  // A value far longer than the work buffer is cut at 1024 bytes.
  Folder("HW_LABEL=" + std::string(3000, 'L') + "\r\n");
  memset(buffer, 0, sizeof(buffer));
  Fn<TextFn>("HRGetDefaultHWLabel")(buffer);
  EXPECT_EQ(strlen(buffer), 1024u);
  Folder("TEMP_CSP_NAME=" + std::string(600, 'N') + "\r\n");
  memset(name, 'x', sizeof(name));
  Fn<TextFn>("HRGetCachedCSPName")(name);
  EXPECT_EQ(strnlen(name, sizeof(name)), 259u) << "terminated within the 260 places";
}

TEST_F(ConfigFiles, MissingFileLeavesOutputsUntouched) {
  EXPECT_EQ(ReadOut("HRGetPinMode", 55), 55u);
  EXPECT_EQ(ReadText("HRGetHWName"), "");
  EXPECT_EQ(ReadOut("HRGetBankApp", 55), 0u) << "the keys with a value of their own";
  EXPECT_EQ(ReadOut("HRGetRaviKeyNum", 55), 8448u);
  EXPECT_NE(Fn<SetFn>("HRSetVerifyPINTime")(5), 0u);
  EXPECT_EQ(GetFileAttributesA((ConfigFolder() + "\\NQControl.ini").c_str()), INVALID_FILE_ATTRIBUTES)
      << "a setter creates no file";
  EXPECT_NE(Fn<OutFn>("HRGetPinMode")(nullptr), 0u) << "a null output is refused";
}

TEST(PinGrades, ExportsGradeAndCheckDigits) {
  typedef uint32_t(__stdcall * GradeFn)(const char*, uint32_t);
  typedef uint32_t(__stdcall * DigitFn)(const char*);
  EXPECT_EQ(Fn<GradeFn>("HRGetPWSGrade")("a1b2c3", 1000), 6u);
  EXPECT_EQ(Fn<GradeFn>("HRGetPWSGrade")("aB3x", 2000), 7u);
  EXPECT_EQ(Fn<DigitFn>("HRIsInputNumber")("abc1"), 1u);
  EXPECT_EQ(Fn<DigitFn>("HRIsInputNumber")("1abc"), 0u);
}

class Languages : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(ConfigFolder().c_str(), nullptr);
    for (const char* f : {"VDEX0804.ini", "VDEX0409.ini", "VDEX0404.ini"})
      CopyFileA((g_dist + "\\NQCSP21060\\" + f).c_str(), (ConfigFolder() + "\\" + f).c_str(), FALSE);
    Index("");
  }
  void TearDown() override {
    DeleteFileA((ConfigFolder() + "\\VDEXLngIndex.ini").c_str());
    DeleteFileA((ConfigFolder() + "\\VDEXNewLngIndex.ini").c_str());
  }
  void Index(const std::string& item, const std::string& extra = "") {
    WriteFile(ConfigFolder() + "\\VDEXLngIndex.ini", "[LNG_ITEM]\r\ndefaultItem=" + item +
                                                         "\r\n[LNG]\r\n0804=VDEX0804.ini\r\n0404=VDEX0404.ini\r\n" +
                                                         extra + "0409=VDEX0409.ini\r\n");
  }
  static std::string Text(const char* section, const char* key) { return Fn<LoadFn>("LngLoadString")(section, key); }
};

TEST_F(Languages, ChosenItemOrUiLanguageWithEnglishFallback) {
  std::string english = Text("UIReqInfo", "IDSTR_OK");
  EXPECT_EQ(english, "OK") << "no choice: the UI language (English here)";
  Index("0804");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "\xC8\xB7\xB6\xA8") << "GBK text of the chosen file";
  Index("0404");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "\xBD\x54\xA9\x77") << "Big5 text";
  Index("0407");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "OK") << "a language without an entry falls back to 0409";
  Index("0804", "");
  DeleteFileA((ConfigFolder() + "\\VDEX0804.ini").c_str());
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "OK") << "an entry whose file is missing falls back too";
  EXPECT_EQ(Text("UIReqInfo", "NO_SUCH_KEY"), "");
  EXPECT_EQ(Text(nullptr, "IDSTR_OK"), "");
}

TEST_F(Languages, LineBreaksAndTheNewIndexName) {
  WriteFile(ConfigFolder() + "\\VDEX0409.ini", "[T]\r\nTWO=first\\nsecond\r\nLONG=" + std::string(20000, 'w') + "\r\n");
  EXPECT_EQ(Text("T", "TWO"), "first\r\nsecond");
  EXPECT_EQ(strlen(Fn<LoadFn>("LngLoadString")("T", "LONG")), 10239u) << "cut to the buffer";
  WriteFile(ConfigFolder() + "\\VDEXNewLngIndex.ini", "[LNG]\r\n0409=VDEX0404.ini\r\n");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "\xBD\x54\xA9\x77") << "the new index name is preferred";
}

TEST_F(Languages, DefaultItemIsReadAndWritten) {
  EXPECT_EQ(Fn<SetItemFn>("LngSetDefaultItem")("0804"), 0u);
  EXPECT_STREQ(Fn<GetItemFn>("LngGetDefaultItem")(), "0804");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "\xC8\xB7\xB6\xA8");
  DeleteFileA((ConfigFolder() + "\\VDEXLngIndex.ini").c_str());
  EXPECT_EQ(Fn<SetItemFn>("LngSetDefaultItem")("0409"), 1u) << "no index file";
  EXPECT_STREQ(Fn<GetItemFn>("LngGetDefaultItem")(), "");
  EXPECT_EQ(Text("UIReqInfo", "IDSTR_OK"), "");
}

TEST_F(Languages, EachThreadKeepsItsOwnText) {
  WriteFile(ConfigFolder() + "\\VDEX0409.ini", "[T]\r\nA=alpha\r\nB=beta\r\n");
  const char* mine = Fn<LoadFn>("LngLoadString")("T", "A");
  std::thread other([] {
    for (int i = 0; i < 20; ++i) EXPECT_STREQ(Fn<LoadFn>("LngLoadString")("T", "B"), "beta");
  });
  other.join();
  EXPECT_STREQ(mine, "alpha") << "another thread's lookups left this text alone";
}

TEST(ShippedFiles, EveryKeyTheProviderReadsIsInEveryLanguage) {
  const char* keys[][2] = {{"TOOL", "TOOL_TITLE"},         {"MainFrm", "IDS_TOOLTITLE"},
                           {"KVHWInfo", "IDSTR_NOT_RECOG"},  {"CSPRelInfo", "IDS_CANCEL_DEAL"},
                           {"UIReqInfo", "IDSTR_OMIT"},      {"UIReqInfo", "DEFAULT_CERT_LINK"},
                           {"PRESS_BUTTON_GIF_DLG", "IDSTR_TITLE"}, {"CSPSignDlgInfo", "IDSTR_SIGN_REMAINTIME"}};
  for (const char* file : {"VDEX0804.ini", "VDEX0409.ini", "VDEX0404.ini"}) {
    std::string path = g_dist + "\\NQCSP21060\\" + file;
    for (const auto& k : keys) {
      char value[512] = {0};
      GetPrivateProfileStringA(k[0], k[1], "", value, sizeof(value), path.c_str());
      EXPECT_NE(value[0], '\0') << file << " " << k[0] << "/" << k[1];
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof(self));
  std::string bin(self);
  bin = bin.substr(0, bin.find_last_of('\\'));
  g_dist = PQ_DIST_DIR;  // where the build ships the configuration folder
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  g_folder = std::string(temp) + "pqconfig" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(g_folder.c_str(), nullptr);
  if (!CopyFileA((bin + "\\NQCSP21060.dll").c_str(), (g_folder + "\\NQCSP21060.dll").c_str(), FALSE)) return 20;
  g_dll = LoadLibraryA((g_folder + "\\NQCSP21060.dll").c_str());
  if (g_dll == nullptr) return 21;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
