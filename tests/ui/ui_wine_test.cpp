// The PIN cache across processes and the provider's windows, driven as a user
// would, with the virtual token. The program links the provider's code and is its
// own host process; child processes of it are the other processes.
#include <windows.h>
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <memory>
#include <string>

#include "config/app.h"
#include "relocated_run.h"
#include "transport/transport_binding.h"
#include "transport/transport_loader.h"
#include "ui/pin_cache.h"
#include "ui/pin_cache_entries.h"
#include "ui/ui_hooks.h"
#include "ui/windows_ui.h"
#include "vtoken_client.h"
#include "window_capture.h"
#include "wait_for.h"

PQ_EXPORT uint32_t PQ_WINAPI HC_InitReaders(void);
PQ_EXPORT uint32_t PQ_WINAPI HC_GetReaderHandle(const char* readerName, DeviceHandle* device);

namespace {

vt::VTokenClient g_vt;
std::string g_self;
std::string g_artifacts;
std::string g_sectionName;

constexpr DWORD kButtonOverTimeMs = 2000;  // PressButtonOverTime of this run's configuration
const char* kWaitTitle = "Please press the button on your USB Key";

template <typename Fn>
bool WaitFor(Fn condition, DWORD ms = 5000) {
  return testing_support::WaitFor(condition, ms);
}

void Screenshot(HWND window, const char* name) {
  if (g_artifacts.empty() || window == nullptr) return;
  Sleep(300);  // let the animation draw a frame
  EXPECT_TRUE(testing_support::SaveWindowBitmap(window, g_artifacts + "\\" + name + ".bmp")) << name;
}

void SerialOf(uint32_t n, uint8_t* serial) {
  const uint8_t base[8] = {0x56, 0x54, 0x51, 0x00, 0x00, 0x00, 0x00, 0x00};
  memcpy(serial, base, 8);
  serial[6] = static_cast<uint8_t>(n >> 8);
  serial[7] = static_cast<uint8_t>(n);
}

std::string SerialHex(uint32_t n) {
  char text[17];
  snprintf(text, sizeof(text), "56545100000%05X", n);
  return text;
}

int RunChild(const std::string& role, uint32_t n) {
  uint8_t serial[8], code[6], digest[20];
  SerialOf(n, serial);
  if (role == "--child-read") {
    uint32_t notFound = 1;
    pq::ReadCachedPin(serial, code, &notFound);
    return (notFound == 0 ? 1 : 0) | (pq::ReadCachedPinDigest(serial, digest) == 0 ? 2 : 0);
  }
  if (role == "--child-clear") return static_cast<int>(KVClearCachedPin(serial));
  if (role == "--child-clearall") return static_cast<int>(KVClearAllCachedPin());
  return 40;
}

int Child(const std::string& args) {
  std::string command = "\"" + g_self + "\" " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = 99;
  if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

class PinCacheAcrossProcesses : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(KVClearAllCachedPin(), 0u); }
  const uint8_t code_[6] = {0x31, 0x32, 0x33, 0x34, 0xFF, 0xFF};
};

TEST_F(PinCacheAcrossProcesses, OtherProcessesCannotReadButCanClear) {
  uint8_t serial[8], digest[20], read[20], code[6];
  SerialOf(1, serial);
  pq::PinCodeDigest(code_, digest);
  ASSERT_EQ(KVWriteCachedPin(serial, code_), 0u);
  ASSERT_EQ(pq::WriteCachedPinDigest(serial, digest), 0u);
  EXPECT_EQ(Child("--child-read 1"), 0) << "neither code nor digest is another process's to read";
  EXPECT_EQ(Child("--child-clear 1"), 0);
  uint32_t notFound = 0;
  ASSERT_EQ(pq::ReadCachedPin(serial, code, &notFound), 0u);
  EXPECT_EQ(notFound, 1u) << "the other process wiped the code";
  ASSERT_EQ(pq::ReadCachedPinDigest(serial, read), 0u) << "the digest stays this process's to read";
  EXPECT_EQ(memcmp(read, digest, 20), 0);
  EXPECT_EQ(Child("--child-clearall"), 0);
  EXPECT_EQ(pq::ReadCachedPinDigest(serial, read), 0x88000043u);
}

TEST_F(PinCacheAcrossProcesses, EleventhTokenOverwritesTheFirstRecord) {
  for (uint32_t n = 1; n <= 11; ++n) {
    uint8_t serial[8];
    SerialOf(n, serial);
    ASSERT_EQ(KVWriteCachedPin(serial, code_), 0u);
  }
  // The records as every process sees them: the layout is shared with other software.
  HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, g_sectionName.c_str());
  ASSERT_NE(section, nullptr);
  auto* view = static_cast<const uint8_t*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 400));
  ASSERT_NE(view, nullptr);
  uint8_t eleventh[8], second[8];
  SerialOf(11, eleventh);
  SerialOf(2, second);
  EXPECT_EQ(memcmp(view + 8, eleventh, 8), 0) << "record 0 holds the eleventh token";
  EXPECT_EQ(memcmp(view + 40 + 8, second, 8), 0);
  uint32_t pid;
  memcpy(&pid, view + 16, 4);
  EXPECT_EQ(pid, GetCurrentProcessId());
  UnmapViewOfFile(view);
  CloseHandle(section);
}

class WithTokens : public ::testing::Test {
 protected:
  void SetUp() override {
    for (uint32_t i = 0; i < g_vt.ReaderCount(); ++i) g_vt.Remove(i);
    ASSERT_EQ(HC_InitReaders(), 0u);
  }
  void TearDown() override {
    if (device_ != 0) pq::Transport().disconnectDev(device_);
    for (uint32_t i = 0; i < g_vt.ReaderCount(); ++i) g_vt.Remove(i);
  }
  void InsertDisplayToken(uint32_t slot, uint32_t serial) {
    ASSERT_EQ(g_vt.Insert(slot, "display", SerialHex(serial).c_str()), 0u);
    ASSERT_EQ(pq::Transport().connectDev(g_vt.NameOf(slot).c_str(), &device_), 0u);
  }
  DeviceHandle device_ = 0;
};

TEST_F(WithTokens, RefreshAndRemovalClearSerialsOfAbsentTokens) {
  ASSERT_EQ(KVClearAllCachedPin(), 0u);
  ASSERT_EQ(g_vt.Insert(0, "current", SerialHex(0x100).c_str()), 0u);
  ASSERT_EQ(g_vt.Insert(1, "current", SerialHex(0x101).c_str()), 0u);
  const uint8_t code[6] = {1, 2, 3, 4, 5, 6};
  uint8_t present[8], absent[8], out[6];
  SerialOf(0x100, present);
  SerialOf(0x999, absent);
  ASSERT_EQ(KVWriteCachedPin(present, code), 0u);
  ASSERT_EQ(KVWriteCachedPin(absent, code), 0u);
  std::string list = g_vt.NameOf(0) + '\0' + g_vt.NameOf(1) + '\0' + g_vt.NameOf(2) + '\0' + '\0';
  ASSERT_EQ(KVRefreshCachedPin(list.c_str()), 0u);
  uint32_t notFound = 0;
  pq::ReadCachedPin(present, out, &notFound);
  EXPECT_EQ(notFound, 0u);
  pq::ReadCachedPin(absent, out, &notFound);
  EXPECT_EQ(notFound, 1u);
  // The removal handler refreshes against the known readers (once the arrival was seen).
  ASSERT_TRUE(WaitFor([] {
    DeviceHandle registered = 0;
    return HC_GetReaderHandle(g_vt.NameOf(0).c_str(), &registered) == 0;
  }));
  ASSERT_EQ(g_vt.Remove(0), 0u);
  EXPECT_TRUE(WaitFor([&] {
    uint32_t gone = 0;
    pq::ReadCachedPin(present, out, &gone);
    return gone == 1;
  }));
}

// A call on a thread of its own that a test waits for with a time limit.
struct Background {
  std::function<uint32_t()> body;
  uint32_t result = 0xFFFFFFFF;
  HANDLE thread = nullptr;
  explicit Background(std::function<uint32_t()> fn) : body(std::move(fn)) {
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  static DWORD WINAPI Run(void* p) {
    auto* self = static_cast<Background*>(p);
    self->result = self->body();
    return 0;
  }
  bool Done(DWORD ms) { return WaitForSingleObject(thread, ms) == WAIT_OBJECT_0; }
  ~Background() {
    if (!Done(15000)) TerminateThread(thread, 1);
    CloseHandle(thread);
  }
};

class ButtonPress : public WithTokens {
 protected:
  void SetUp() override {
    WithTokens::SetUp();
    InsertDisplayToken(0, 0x200);
    ASSERT_EQ(g_vt.RequireButton(0, kCommand, 4), 0u);
  }
  uint32_t Send() {
    length_ = sizeof(response_);
    return PressKeyTransmit(device_, kCommand, sizeof(kCommand), response_, &length_, &sw_, &pending_, 0);
  }
  static HWND WaitDialog() { return FindWindowA(nullptr, kWaitTitle); }
  static constexpr uint8_t kCommand[5] = {0x80, 0xCA, 0x00, 0x01, 0x08};  // the serial: needs the button now
  uint8_t response_[64];
  uint32_t length_ = 0, sw_ = 0;
  int32_t pending_ = -1;
};
constexpr uint8_t ButtonPress::kCommand[5];

TEST_F(ButtonPress, PressedTokenAnswersAndTheDialogCloses) {
  Background call([&] { return Send(); });
  ASSERT_TRUE(WaitFor([] { return WaitDialog() != nullptr; })) << "the wait dialog shows";
  Screenshot(WaitDialog(), "press_button_wait");
  EXPECT_FALSE(call.Done(0)) << "still waiting for the button";
  ASSERT_EQ(g_vt.Button(0, 1), 0u);
  ASSERT_TRUE(call.Done(5000));
  EXPECT_EQ(call.result, 0u);
  EXPECT_EQ(sw_, 0x9000u);
  EXPECT_EQ(length_, 8u);
  EXPECT_EQ(pending_, 1);
  EXPECT_TRUE(WaitFor([] { return WaitDialog() == nullptr; }, 4000)) << "the dialog goes";
}

TEST_F(ButtonPress, RefusedOrExpiredWaitsEndWithoutTheAnswer) {
  {
    Background call([&] { return Send(); });
    ASSERT_TRUE(WaitFor([] { return WaitDialog() != nullptr; }));
    ASSERT_EQ(g_vt.Button(0, 3), 0u);  // the token's own time ran out
    ASSERT_TRUE(call.Done(5000));
    EXPECT_EQ(call.result, 0u);
    EXPECT_EQ(sw_, 0x6956u) << "the token's answer is passed on";
  }
  ASSERT_TRUE(WaitFor([] { return WaitDialog() == nullptr; }, 4000));
  {
    // A refusal answers 0x6955 once, which still counts as waiting: the command is
    // sent again and the wait runs to its configured end.
    Background call([&] { return Send(); });
    ASSERT_TRUE(WaitFor([] { return WaitDialog() != nullptr; }));
    ASSERT_EQ(g_vt.Button(0, 2), 0u);
    ASSERT_TRUE(call.Done(kButtonOverTimeMs + 5000));
    EXPECT_NE(call.result, 0u);
    EXPECT_NE(sw_, 0x9000u);
  }
  EXPECT_TRUE(WaitFor([] { return WaitDialog() == nullptr; }, 4000));
}

TEST_F(ButtonPress, NoAnswerInTimeEndsWithTimeOut) {
  ULONGLONG start = GetTickCount64();
  Background call([&] { return Send(); });
  ASSERT_TRUE(call.Done(kButtonOverTimeMs + 5000));
  ULONGLONG took = GetTickCount64() - start;
  EXPECT_EQ(call.result, 0xE0020013u);
  EXPECT_GE(took, kButtonOverTimeMs);
  EXPECT_EQ(sw_, 0x6954u);
  EXPECT_TRUE(WaitFor([] { return WaitDialog() == nullptr; }, 4000));
}

TEST_F(ButtonPress, EscapeCancelsAtOnce) {
  Background call([&] { return Send(); });
  ASSERT_TRUE(WaitFor([] { return WaitDialog() != nullptr; }));
  ULONGLONG pressed = GetTickCount64();
  PostMessageA(WaitDialog(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(call.Done(3000));
  EXPECT_EQ(call.result, 0x88000061u);
  EXPECT_LT(GetTickCount64() - pressed, 500u);
  EXPECT_TRUE(WaitFor([] { return WaitDialog() == nullptr; }, 4000));
}

class Confirmation : public WithTokens {
 protected:
  uintptr_t reason_ = 0;
  HWND window_ = nullptr;
  volatile LONG state_ = 0;
  std::string reader_;

  void SetUp() override {
    WithTokens::SetUp();
    InsertDisplayToken(0, 0x300);
    reader_ = g_vt.NameOf(0);
  }
  Background* Open() {
    window_ = nullptr;
    return new Background([this] {
      pq::LedButtonRequest r;
      r.animation = "KVLedButtonKey.gif";
      r.reader = reader_.c_str();
      r.device = device_;
      r.windowSlot = &window_;
      r.workerState = &state_;
      reason_ = pq::RunLedButtonDialog(r);
      return 0u;
    });
  }
  std::string Text(int id) {
    char text[256] = {0};
    GetDlgItemTextA(window_, id, text, sizeof(text));
    return text;
  }
};

TEST_F(Confirmation, IgnoresTheUserAndClosesWhenTheTokenIsRemoved) {
  std::unique_ptr<Background> dialog(Open());
  ASSERT_TRUE(WaitFor([&] { return window_ != nullptr && IsWindowVisible(window_); }));
  EXPECT_EQ(pq::App().DialogCount(reader_.c_str()), 1u);
  PostMessageA(window_, pq::kRemainingSecondsMessage, 0, 42);
  EXPECT_TRUE(WaitFor([&] { return Text(1010).find("42") != std::string::npos; }, 2000)) << Text(1010);
  EXPECT_EQ(Text(3006), "Cancel transaction");
  Screenshot(window_, "transaction_confirmation");
  HWND shown = window_;
  PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4 and the system menu
  PostMessageA(shown, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(shown, WM_CLOSE, 0, 0);
  EXPECT_FALSE(dialog->Done(500)) << "the user cannot close it";
  EXPECT_TRUE(IsWindow(shown));
  ASSERT_EQ(g_vt.Remove(0), 0u);
  ASSERT_TRUE(dialog->Done(5000)) << "token removal closes it";
  EXPECT_EQ(reason_, 100u);
  EXPECT_EQ(pq::App().DialogCount(reader_.c_str()), 0u);
}

TEST_F(Confirmation, ClosesWhenTheWorkerIsDone) {
  std::unique_ptr<Background> dialog(Open());
  ASSERT_TRUE(WaitFor([&] { return window_ != nullptr; }));
  InterlockedExchange(&state_, pq::kWorkerDone);
  ASSERT_TRUE(dialog->Done(4000));
  EXPECT_EQ(reason_, 100u);
  std::unique_ptr<Background> again(Open());
  ASSERT_TRUE(WaitFor([&] { return window_ != nullptr; }));
  PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 101);
  ASSERT_TRUE(again->Done(4000));
  EXPECT_EQ(reason_, 101u);
}

TEST(ProgressNote, ShowsUntilTheCallerClosesIt) {
  KVUIInfo request = {};
  strcpy(request.name, "VToken USB Key 0");
  request.kind = 1;
  request.show = 1;
  ASSERT_EQ(KVShowUIInfo(&request), 0u);
  EXPECT_NE(request.module, nullptr);
  ASSERT_TRUE(WaitFor([&] { return request.window != nullptr; }));
  HWND note = static_cast<HWND>(request.window);
  char text[400] = {0};
  GetDlgItemTextA(note, 1006, text, sizeof(text));
  EXPECT_NE(strstr(text, "VToken USB Key 0"), nullptr) << text;
  EXPECT_STREQ(text, request.text);
  Screenshot(note, "progress_note");
  request.show = 0;
  ASSERT_EQ(KVShowUIInfo(&request), 0u);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(note); }, 3000));

  KVUIInfo unknown = {};
  unknown.kind = 7;
  unknown.show = 1;
  EXPECT_EQ(KVShowUIInfo(&unknown), 0u);
  Sleep(200);
  EXPECT_EQ(unknown.window, nullptr);
  EXPECT_EQ(KVShowUIInfo(nullptr), 0x88000001u);
}

}  // namespace

int main(int argc, char** argv) {
  std::string bin = testing_support::FolderOfPath(testing_support::ProgramPath());
  std::string dist = PQ_DIST_DIR;
  std::string base = "ui_wine_tests";
  g_sectionName = "PQTEST_PIN_" + std::to_string(GetCurrentProcessId());
  int code = 0;
  if (testing_support::RunRelocated("[NQControl]\r\nTEMP_PIN_NAME=" + g_sectionName +
                                        "\r\nPressButtonOverTime=2\r\nHW_NAME=Zentok\r\n",
                                    {{bin + "\\ZTCommandLCD_21060.dll", "ZTCommandLCD_21060.dll"},
                                     {dist + "\\KVPressButtonKey.gif", "KVPressButtonKey.gif"},
                                     {dist + "\\KVLedButtonKey.gif", "KVLedButtonKey.gif"},
                                     {dist + "\\NQCSP21060\\VDEXLngIndex.ini", base + "\\VDEXLngIndex.ini"},
                                     {dist + "\\NQCSP21060\\VDEX0409.ini", base + "\\VDEX0409.ini"}},
                                    &code))
    return code;

  g_self = testing_support::ProgramPath();
  char section[64] = {0};
  GetPrivateProfileStringA("NQControl", "TEMP_PIN_NAME", "", section, sizeof(section),
                           (testing_support::FolderOfPath(g_self) + "\\" + base + "\\NQControl.ini").c_str());
  g_sectionName = section;
  if (argc >= 2 && strncmp(argv[1], "--child-", 8) == 0)
    return RunChild(argv[1], argc >= 3 ? strtoul(argv[2], nullptr, 10) : 0);

  char artifacts[MAX_PATH] = {0};
  if (GetEnvironmentVariableA("PQ_ARTIFACTS", artifacts, sizeof(artifacts)) > 0) {
    g_artifacts = artifacts;
    CreateDirectoryA(g_artifacts.c_str(), nullptr);
  }
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  SetEnvironmentVariableA("VTOKEN_STORE", (std::string(temp) + "pquistore" + std::to_string(GetCurrentProcessId())).c_str());
  std::string transport = testing_support::FolderOfPath(g_self) + "\\ZTCommandLCD_21060.dll";
  if (!g_vt.Load(transport.c_str())) return 20;
  if (pq::LoadTransport(transport.c_str()) != 0) return 21;
  pq::InstallWindowsUi();
  pq::InitialiseApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
