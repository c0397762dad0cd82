// The real DLLs under Wine: the provider, its transport and the virtual token,
// across threads and processes.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "provider_client.h"
#include "vtoken_client.h"
#include "wait_for.h"

namespace {

std::string g_self;
std::string g_folder;
vt::VTokenClient g_vt;
tools::ProviderClient g_provider;

constexpr uint32_t kLookupFailed = 0x88000008;

std::string TempFolder(const char* name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof(base), base);
  std::string folder = std::string(base) + name + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void RemoveAll() {
  for (uint32_t i = 0; i < g_vt.ReaderCount(); ++i) g_vt.Remove(i);
}

template <typename Fn>
bool WaitFor(Fn condition, DWORD ms = 3000) {
  return testing_support::WaitFor(condition, ms);
}

bool Registered(uint32_t slot) {
  uint32_t device = 0;
  return g_provider.HC_GetReaderHandle(g_vt.NameOf(slot).c_str(), &device) == 0;
}

std::string ReadTrace(uint32_t slot) {
  char path[MAX_PATH];
  g_vt.TracePath(slot, path, sizeof(path));
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

HANDLE StartChild(const std::string& args) {
  std::string command = "\"" + g_self + "\" " + args;
  STARTUPINFOA si = {sizeof(si)};
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

class VirtualTokenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveAll();
    for (uint32_t i = 0; i < g_vt.ReaderCount(); ++i) {
      g_vt.ClearFaults(i);
      g_vt.TraceClear(i);
    }
    ASSERT_EQ(g_provider.HC_InitReaders(), 0u);
    // Removals of the previous test must have reached the table before this one starts.
    ASSERT_TRUE(WaitFor([] {
      for (uint32_t i = 0; i < g_vt.ReaderCount(); ++i)
        if (Registered(i)) return false;
      return true;
    }));
  }
  void TearDown() override { RemoveAll(); }
};

TEST_F(VirtualTokenTest, ProviderBindsTheTransportNamedAfterItsOwnFile) {
  std::string folder = TempFolder("pqbind");
  ASSERT_TRUE(CopyFileA((g_folder + "\\NQCSP21060.dll").c_str(), (folder + "\\NQCSPABCDE.dll").c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileA((g_folder + "\\ZTCommandLCD_21060.dll").c_str(), (folder + "\\ZTCommandLCD_ABCDE.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((g_folder + "\\NQCSP21060.dll").c_str(), (folder + "\\NQCSPXYZAB.dll").c_str(), FALSE));

  tools::ProviderClient bound;
  ASSERT_TRUE(bound.Load(folder + "\\NQCSPABCDE.dll"));
  EXPECT_NE(GetModuleHandleA("ZTCommandLCD_ABCDE.dll"), nullptr);
  EXPECT_EQ(bound.HC_InitReaders(), 0u);

  // No transport beside it: the provider still loads, and operations fail cleanly.
  tools::ProviderClient orphan;
  ASSERT_TRUE(orphan.Load(folder + "\\NQCSPXYZAB.dll"));
  EXPECT_EQ(GetModuleHandleA("ZTCommandLCD_XYZAB.dll"), nullptr);
  EXPECT_EQ(orphan.HC_InitReaders(), 0x88000002u);
  uint8_t serial[8];
  EXPECT_EQ(orphan.HWGetSerial(1, serial), 0x88000002u);
}

TEST_F(VirtualTokenTest, SecondProcessWaitsForTheTransaction) {
  ASSERT_EQ(g_vt.Insert(0, "current", nullptr), 0u);
  std::string marker = TempFolder("pqtx") + "\\held";
  DeleteFileA(marker.c_str());
  HANDLE child = StartChild("--child-hold 0 1500 \"" + marker + "\"");
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(WaitFor([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));

  uint32_t device = 0;
  ASSERT_EQ(g_vt.Connect(g_vt.NameOf(0).c_str(), &device), 0u);
  EXPECT_EQ(g_vt.BeginTime(device, 200), 0xE1000005u) << "the child holds the token";
  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(g_vt.Begin(device), 0u);
  ULONGLONG waited = GetTickCount64() - start;
  EXPECT_GE(waited, 700u) << "began while the other process still held the token";
  DWORD code = 99;
  WaitForSingleObject(child, 10000);
  GetExitCodeProcess(child, &code);
  CloseHandle(child);
  EXPECT_EQ(code, 0u);
  g_vt.End(device);
  g_vt.Disconnect(device);
}

TEST_F(VirtualTokenTest, AProcessThatDiesInsideItsTransactionLosesIt) {
  ASSERT_EQ(g_vt.Insert(0, "current", nullptr), 0u);
  std::string marker = TempFolder("pqdie") + "\\held";
  DeleteFileA(marker.c_str());
  HANDLE child = StartChild("--child-die 0 \"" + marker + "\"");
  ASSERT_NE(child, nullptr);
  WaitForSingleObject(child, 15000);
  CloseHandle(child);
  ASSERT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
  uint32_t device = 0;
  ASSERT_EQ(g_vt.Connect(g_vt.NameOf(0).c_str(), &device), 0u);
  EXPECT_EQ(g_vt.BeginTime(device, 2000), 0u);
  g_vt.End(device);
  g_vt.Disconnect(device);
}

TEST_F(VirtualTokenTest, RemovalAndArrivalReachTheReaderTable) {
  ASSERT_EQ(g_vt.Insert(1, "current", nullptr), 0u);
  ASSERT_TRUE(WaitFor([] { return Registered(1); })) << "arrival registers the reader";
  ASSERT_EQ(g_vt.Remove(1), 0u);
  ASSERT_TRUE(WaitFor([] { return !Registered(1); })) << "removal unregisters it";
  uint32_t device = 0;
  EXPECT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(1).c_str(), &device), kLookupFailed);
  ASSERT_EQ(g_vt.Insert(1, "current", nullptr), 0u);
  ASSERT_TRUE(WaitFor([] { return Registered(1); }));
  ASSERT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(1).c_str(), &device), 0u);
  uint8_t serial[8];
  EXPECT_EQ(g_provider.HWGetSerial(device, serial), 0u) << "the new handle works";
}

TEST_F(VirtualTokenTest, EleventhTokenDoesNotFitTheTable) {
  for (uint32_t slot = 0; slot < 10; ++slot) ASSERT_EQ(g_vt.Insert(slot, "current", nullptr), 0u);
  ASSERT_TRUE(WaitFor([] {
    for (uint32_t slot = 0; slot < 10; ++slot)
      if (!Registered(slot)) return false;
    return true;
  }));
  ASSERT_EQ(g_vt.Insert(10, "current", nullptr), 0u);
  Sleep(400);
  EXPECT_FALSE(Registered(10));
  // Once a place is free again, a new arrival fits.
  ASSERT_EQ(g_vt.Remove(3), 0u);
  ASSERT_TRUE(WaitFor([] { return !Registered(3); }));
  ASSERT_EQ(g_vt.Insert(11, "current", nullptr), 0u);
  EXPECT_TRUE(WaitFor([] { return Registered(11); }));
}

TEST_F(VirtualTokenTest, TraceShowsExactCommandsAndFaultsChangeAnswers) {
  ASSERT_EQ(g_vt.Insert(7, "chip1", "56540000C1A10007"), 0u);
  ASSERT_TRUE(WaitFor([] { return Registered(7); }));
  uint32_t device = 0;
  ASSERT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(7).c_str(), &device), 0u);
  g_vt.TraceClear(7);
  uint8_t random[20];
  ASSERT_EQ(g_provider.HWGenRandom(device, 20, random), 0u);
  std::string trace = ReadTrace(7);
  EXPECT_NE(trace.find("> 80CA000C28"), std::string::npos) << trace;
  size_t first = trace.find("> 0084010010");
  ASSERT_NE(first, std::string::npos) << trace;
  EXPECT_NE(trace.find("> 0084010010", first + 1), std::string::npos) << "two challenges for 20 bytes";

  // Faults on the total-size question: nothing else in this process asks it (the PIN
  // cache's refresh after a removal reads serials and could take a one-time fault).
  const uint8_t totalSize[4] = {0x80, 0xCA, 0x00, 0x0D};
  uint32_t bytes = 0;
  ASSERT_EQ(g_vt.AddFault(7, 1 /*status*/, totalSize, 4, 0x6A86, 1, 0), 0u);
  EXPECT_EQ(g_provider.HWGetTotalSize(device, &bytes), 0x88000044u);
  EXPECT_EQ(g_provider.HWGetTotalSize(device, &bytes), 0u) << "the fault was for one command";
  ASSERT_EQ(g_vt.AddFault(7, 2 /*fail*/, totalSize, 4, 0, 1, 0), 0u);
  EXPECT_EQ(g_provider.HWGetTotalSize(device, &bytes), 0xE1000006u) << "transport errors pass through unchanged";

  ASSERT_EQ(g_vt.AddFault(7, 3 /*silent*/, totalSize, 4, 0, 1, 600), 0u);
  EXPECT_EQ(g_provider.HWGetTotalSize(device, &bytes), 0u);
  uint8_t serial[8];
  EXPECT_EQ(g_provider.HWGetSerial(device, serial), 0xE1000007u) << "silent after the command";
  EXPECT_TRUE(WaitFor([&] { return g_provider.HWGetSerial(device, serial) == 0; }, 3000));
}

TEST_F(VirtualTokenTest, EachGenerationAnswersAsItsProfileSays) {
  struct Case {
    const char* profile;
    const char* serial;  // a token of its own: an existing token keeps its generation
    uint32_t cos;
    uint32_t button;  // 0xFF: the token refuses the item
    uint32_t encMac;
    uint32_t devType;
  } cases[] = {{"current", "56540000E0000001", 0x41, 0, 1, 2}, {"display", "56540000E0000002", 0x42, 3, 1, 2},
               {"legacy", "56540000E0000003", 0x30, 131, 0, 3},  {"chip1", "56540000E0000004", 0x40, 0, 1, 1},
               {"sparse", "56540000E0000005", 0x33, 0xFF, 0, 3}};
  uint32_t slot = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    ASSERT_EQ(g_vt.Insert(slot, c.profile, c.serial), 0u);
    ASSERT_TRUE(WaitFor([&] { return Registered(slot); }));
    uint32_t device = 0, value = 0;
    ASSERT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(slot).c_str(), &device), 0u);
    ASSERT_EQ(g_vt.Begin(device), 0u);
    EXPECT_EQ(g_provider.HWGetCOSVer(device, &value), 0u);
    EXPECT_EQ(value, c.cos);
    uint32_t rc = g_provider.HWGetPressKeyType(device, &value);
    if (c.button == 0xFF) {
      EXPECT_EQ(rc, 0x88000044u);
    } else {
      EXPECT_EQ(rc, 0u);
      EXPECT_EQ(value, c.button);
    }
    EXPECT_EQ(g_provider.HWGetSupportEncMacCMD(device), c.encMac);
    EXPECT_EQ(g_provider.HWGetDevType(device, &value), 0u);
    EXPECT_EQ(value, c.devType);
    g_vt.End(device);
    ++slot;
  }
}

TEST_F(VirtualTokenTest, TokenStateSurvivesRemovalAndReinsertion) {
  ASSERT_EQ(g_vt.Insert(0, "current", "5654000000AABB01"), 0u);
  ASSERT_TRUE(WaitFor([] { return Registered(0); }));
  uint32_t device = 0;
  ASSERT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(0).c_str(), &device), 0u);
  const char id[] = "CUSTOMER-42";
  ASSERT_EQ(g_provider.HWWriteCID(device, reinterpret_cast<const uint8_t*>(id), sizeof(id) - 1), 0u);
  ASSERT_EQ(g_vt.Remove(0), 0u);
  ASSERT_TRUE(WaitFor([] { return !Registered(0); }));
  uint8_t serial[8];
  EXPECT_NE(g_provider.HWGetSerial(device, serial), 0u) << "a handle of the removed token is dead";
  ASSERT_EQ(g_vt.Insert(0, "current", "5654000000AABB01"), 0u);
  ASSERT_TRUE(WaitFor([] { return Registered(0); }));
  ASSERT_EQ(g_provider.HC_GetReaderHandle(g_vt.NameOf(0).c_str(), &device), 0u);
  uint8_t read[64];
  uint32_t length = 0;
  ASSERT_EQ(g_provider.HWReadCID(device, read, &length), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(read), length), id);
}

TEST_F(VirtualTokenTest, ButtonPressFromOutsideReleasesTheWaitingCommand) {
  ASSERT_EQ(g_vt.Insert(2, "display", "56540000B0770002"), 0u);
  // The total size: a question nothing else in this process asks (the PIN cache's
  // refresh after a removal reads serials, and must not answer our button).
  const uint8_t totalSizePrefix[4] = {0x80, 0xCA, 0x00, 0x0D};
  ASSERT_EQ(g_vt.RequireButton(2, totalSizePrefix, 4), 0u);
  uint32_t device = 0;
  ASSERT_EQ(g_vt.Connect(g_vt.NameOf(2).c_str(), &device), 0u);
  const uint8_t command[5] = {0x80, 0xCA, 0x00, 0x0D, 0x02};
  auto send = [&](uint32_t* sw) {
    uint8_t response[64];
    uint32_t length = sizeof(response);
    return g_vt.Transmit(device, command, 5, response, &length, sw);
  };
  uint32_t sw = 0;
  ASSERT_EQ(send(&sw), 0u);
  EXPECT_EQ(sw, 0x6954u);
  ASSERT_EQ(g_vt.Button(2, 1 /*press*/), 0u);
  ASSERT_EQ(send(&sw), 0u);
  EXPECT_EQ(sw, 0x9000u);
  ASSERT_EQ(send(&sw), 0u);
  ASSERT_EQ(g_vt.Button(2, 2 /*refuse*/), 0u);
  ASSERT_EQ(send(&sw), 0u);
  EXPECT_EQ(sw, 0x6955u);
  g_vt.Disconnect(device);
}

// Child roles for the cross-process tests.
int RunChild(int argc, char** argv) {
  std::string role = argv[1];
  uint32_t slot = static_cast<uint32_t>(atoi(argv[2]));
  uint32_t device = 0;
  if (g_vt.Connect(g_vt.NameOf(slot).c_str(), &device) != 0 || g_vt.Begin(device) != 0) return 10;
  const char* marker = role == "--child-hold" ? argv[4] : argv[3];
  std::ofstream(marker) << "held";
  if (role == "--child-die") ExitProcess(3);  // without ending the transaction
  Sleep(static_cast<DWORD>(atoi(argv[3])));
  g_vt.End(device);
  g_vt.Disconnect(device);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof(self));
  g_self = self;
  g_folder = g_self.substr(0, g_self.find_last_of('\\'));
  bool child = argc >= 3 && strncmp(argv[1], "--child-", 8) == 0;
  if (!child) {
    // A store of this run's own, shared with the child processes through the environment.
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    std::string store = std::string(base) + "pqstore" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("VTOKEN_STORE", store.c_str());
  }
  if (!g_vt.Load((g_folder + "\\ZTCommandLCD_21060.dll").c_str())) return 20;
  if (child) return RunChild(argc, argv);
  if (!g_provider.Load(g_folder + "\\NQCSP21060.dll")) return 21;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
