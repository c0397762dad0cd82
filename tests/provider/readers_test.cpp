// Reader table, sessions, device events, the direct USB exchange and binding.
#include <gtest/gtest.h>

#include <map>

#include "fake_transport.h"
#include "transport/device_events.h"
#include "transport/reader_table.h"
#include "transport/result_codes.h"
#include "transport/sessions.h"
#include "transport/usb_channel.h"

using namespace testing_support;

namespace {

class ReaderTableTest : public ::testing::Test {
 protected:
  void SetUp() override { pq::ClearReaderTable(); }
  void TearDown() override { pq::ClearReaderTable(); }
};

TEST_F(ReaderTableTest, RegisterReplacesByNameIgnoringCaseAndLooksUpExactly) {
  ASSERT_EQ(pq::RegisterReader("Vendor Token 0", 11), 0u);
  ASSERT_EQ(pq::RegisterReader("VENDOR TOKEN 0", 12), 0u);
  DeviceHandle device = 0;
  EXPECT_EQ(pq::LookupReaderHandle("VENDOR TOKEN 0", &device), pq::kErrSizeOrLookup)
      << "the first registration's name is kept; lookups are case-sensitive";
  ASSERT_EQ(pq::LookupReaderHandle("Vendor Token 0", &device), 0u);
  EXPECT_EQ(device, 12u);
  uint32_t count = 0;
  ASSERT_EQ(pq::CountOpenReaders(&count), 0u);
  EXPECT_EQ(count, 1u);
}

TEST_F(ReaderTableTest, EleventhReaderDoesNotFit) {
  for (int i = 0; i < 10; ++i) {
    std::string name = "Reader " + std::to_string(i);
    ASSERT_EQ(pq::RegisterReader(name.c_str(), 100 + i), 0u);
  }
  EXPECT_EQ(pq::RegisterReader("Reader 10", 200), pq::kErrSizeOrLookup);
  char name[256];
  ASSERT_EQ(pq::ReaderNameByHandle(105, name), 0u);
  EXPECT_STREQ(name, "Reader 5");
  ASSERT_EQ(pq::RemoveReaderByHandle(105), 0u);
  EXPECT_EQ(pq::RemoveReaderByHandle(105), pq::kErrSizeOrLookup);
  EXPECT_EQ(pq::RegisterReader("Reader 10", 200), 0u);
}

TEST_F(ReaderTableTest, ClearShareForgetsTheEntryWithoutDisconnecting) {
  FakeTransport t;
  ASSERT_EQ(pq::RegisterReader("Token A", 5), 0u);
  EXPECT_EQ(ClearShare("token a"), 0u);
  DeviceHandle device = 0;
  EXPECT_EQ(pq::LookupReaderHandle("Token A", &device), pq::kErrSizeOrLookup);
  EXPECT_TRUE(t.disconnected.empty());
  EXPECT_EQ(ClearShare("nobody"), 0u);
  EXPECT_EQ(ClearShare(nullptr), 0u);
}

TEST(ReaderNames, DeviceTypeFromTheName) {
  struct Case {
    const char* name;
    uint32_t result;
    uint32_t type;
  } cases[] = {
      {"Vendor Token HID 0", 0, 2},  {"Vendor Token hid 1", 0, 2}, {"Token HID 0", 0, 1},  // two blanks only
      {"Vendor Token UDISK 0", 0, 1}, {"Vendor HIDDEN Token 0", 0, 1}, {"", pq::kErrInvalidArgument, 0},
  };
  for (const auto& c : cases) {
    uint32_t type = 0;
    EXPECT_EQ(HC_GetDevTypeEx(c.name, &type), c.result) << c.name;
    if (c.result == 0) EXPECT_EQ(type, c.type) << c.name;
  }
  uint32_t type;
  EXPECT_EQ(HC_GetDevTypeEx(nullptr, &type), pq::kErrInvalidArgument);
}

TEST(Sessions, OpenDisconnectsWhenTheTransactionCannotBegin) {
  FakeTransport t;
  t.beginResult = 0xA0000007;
  DeviceHandle device = 0;
  EXPECT_EQ(pq::OpenReaderSession("Reader 0", &device), 0xA0000007u);
  ASSERT_EQ(t.connected.size(), 1u);
  EXPECT_EQ(t.disconnected, t.connected);
  EXPECT_TRUE(t.commands.empty());
  EXPECT_EQ(pq::OpenReaderSession(nullptr, &device), pq::kErrInvalidArgument);
}

TEST(Sessions, GuardsEndWhatTheyBeganOnEveryPath) {
  FakeTransport t;
  t.Queue(0x6A81);  // the select of the master file fails: ignored by the reader session
  {
    pq::ReaderSession session("Reader 0");
    EXPECT_EQ(session.Result(), 0u);
    EXPECT_EQ(ToHex(t.commands[0]), "00A40000023F00");
  }
  EXPECT_EQ(t.endCount, 1);
  EXPECT_EQ(t.disconnected.size(), 1u);

  t.Queue(0x6A81);  // ...but ends the lock session at once
  {
    pq::TokenLock lock(77);
    EXPECT_EQ(lock.Result(), pq::kErrMFNotFound);
  }
  EXPECT_EQ(t.beginCount, 2);
  EXPECT_EQ(t.endCount, 2);
  t.Queue(0x9000);
  {
    pq::TokenLock lock(77);
    EXPECT_EQ(lock.Result(), 0u);
  }
  EXPECT_EQ(t.endCount, 3);
  pq::TokenLock none(0);
  EXPECT_EQ(none.Result(), pq::kErrInvalidArgument);
}

class DeviceEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pq::ClearReaderTable();
    calls.clear();
    pq::Removal() = pq::RemovalSteps{};
    pq::Removal().closeDialogs = [](const char* name) { calls.push_back(std::string("close:") + name); };
    pq::Removal().refreshPinCache = [] { calls.push_back("refresh"); };
    pq::Removal().clearInitialised = [] { calls.push_back("uninit"); };
    pq::Removal().clearContainerCache = [] { calls.push_back("clearcsp"); };
  }
  void TearDown() override {
    pq::Removal() = pq::RemovalSteps{};
    pq::ClearReaderTable();
  }
  static std::vector<std::string> calls;
};
std::vector<std::string> DeviceEventsTest::calls;

TEST_F(DeviceEventsTest, InitialHandlingConnectsPresentTokensAndRegistersEveryReader) {
  FakeTransport t;
  t.readers = {"Token A 0", "Token B 1", "Token C HID 0"};
  t.states = {0x20, 0x10, 0x20};
  ASSERT_EQ(pq::InitialReaderHandling(), 0u);
  EXPECT_EQ(t.connected.size(), 2u);
  ASSERT_EQ(t.registrations.size(), 3u);
  EXPECT_EQ(t.registrations[1].first, "Token B 1");
  EXPECT_STREQ(static_cast<const char*>(t.registrations[1].second), "Token B 1");
  DeviceHandle device = 0;
  EXPECT_EQ(pq::LookupReaderHandle("Token C HID 0", &device), 0u);
  EXPECT_EQ(pq::LookupReaderHandle("Token B 1", &device), pq::kErrSizeOrLookup);
  EXPECT_TRUE(t.commands.empty()) << "arrival sends no command";
}

TEST_F(DeviceEventsTest, RemovalRunsItsStepsInOrderAndDisconnects) {
  FakeTransport t;
  ASSERT_EQ(pq::OnReaderArrived(const_cast<char*>("Token A 0")), 0u);
  DeviceHandle device = t.connected.at(0);
  ASSERT_EQ(pq::OnReaderRemoved(const_cast<char*>("Token A 0")), 0u);
  EXPECT_EQ(t.disconnected, std::vector<DeviceHandle>{device});
  std::vector<std::string> expected = {"close:Token A 0", "refresh", "uninit", "refresh", "clearcsp"};
  EXPECT_EQ(calls, expected);
}

TEST_F(DeviceEventsTest, RemovalOfAnUnknownReaderStillRunsTheFirstSteps) {
  FakeTransport t;
  EXPECT_EQ(pq::OnReaderRemoved(const_cast<char*>("Never Seen 0")), pq::kErrSizeOrLookup);
  std::vector<std::string> expected = {"close:Never Seen 0", "refresh", "uninit"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(pq::OnReaderRemoved(nullptr), 0u);
  std::string tooLong(256, 'x');
  EXPECT_EQ(pq::OnReaderRemoved(&tooLong[0]), 0u);
  EXPECT_EQ(pq::OnReaderArrived(&tooLong[0]), 0u);
  EXPECT_TRUE(t.connected.empty());
}

TEST_F(DeviceEventsTest, InitialisationFailsOnExtraNamesAndFailedStateQueries) {
  {
    FakeTransport t;
    t.readers = {"A 0", "B 1", "C 2"};
    t.states = {0, 0, 0};
    t.countOverride = 2;
    EXPECT_EQ(pq::InitialReaderHandling(), pq::kNteFail);
    EXPECT_EQ(t.registrations.size(), 2u);
  }
  {
    FakeTransport t;
    t.readers = {"A 0", "B 1"};
    t.states = {0};
    EXPECT_EQ(pq::InitialReaderHandling(), pq::kNteFail);
  }
  {
    FakeTransport t;
    t.readers = {"A 0"};
    t.states = {0x20};
    t.connectResult = 0xA0000011;
    EXPECT_EQ(pq::InitialReaderHandling(), 0xA0000011u);
  }
}

TEST(RemoveApp, ExeNameMustStandAsAWholeEntry) {
  struct Case {
    const char* list;
    const char* exe;
    bool listed;
  } cases[] = {
      {"iexplore.exe;bankclient.exe", "bankclient.exe", true},
      {"iexplore.exe;xbankclient.exe", "bankclient.exe", false},
      {"C:\\Apps\\BANKCLIENT.EXE", "bankclient.exe", true},
      {"BankClient.exe", "bankclient.exe", true},
      {"", "bankclient.exe", false},
      {"xbankclient.exe;bankclient.exe", "bankclient.exe", false},  // only the first occurrence counts
  };
  for (const auto& c : cases) EXPECT_EQ(pq::ExeNameListed(c.list, c.exe), c.listed) << c.list;
}

class FakeUsb : public pq::UsbDeviceIo {
 public:
  std::vector<Bytes> replies;
  std::vector<Bytes> requests;
  std::vector<uint32_t> capacities;
  uint32_t Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outCapacity,
                   uint32_t* replyLength) override {
    EXPECT_EQ(code, 0x220418u);
    requests.emplace_back(in, in + inLength);
    capacities.push_back(outCapacity);
    Bytes r = replies.at(requests.size() - 1);
    memcpy(out, r.data(), r.size());
    *replyLength = static_cast<uint32_t>(r.size());
    return 0;
  }
};

TEST(UsbTransmit, StatusWordsAndGetResponse) {
  uint8_t out[600];
  {
    FakeUsb io;
    io.replies = {Hex("0102039000")};
    uint32_t length = sizeof(out);
    ASSERT_EQ(pq::UsbTransmit(io, Hex("80CA000E01").data(), 5, out, &length), 0u);
    EXPECT_EQ(length, 3u);
  }
  {
    FakeUsb io;
    io.replies = {Hex("AABB6102"), Hex("CCDD9000")};
    uint32_t length = sizeof(out);
    ASSERT_EQ(pq::UsbTransmit(io, Hex("90F4000000").data(), 5, out, &length), 0u);
    EXPECT_EQ(ToHex(Bytes(out, out + length)), "AABBCCDD");
    EXPECT_EQ(ToHex(io.requests[1]), "00C0000002");
    EXPECT_EQ(io.capacities[1], 255u);
  }
  {
    FakeUsb io;
    io.replies = {Hex("6A82")};
    uint32_t length = sizeof(out);
    EXPECT_EQ(pq::UsbTransmit(io, Hex("00A40000").data(), 4, out, &length), 0xF0006A82u);
  }
  {
    FakeUsb io;
    io.replies = {Hex("90")};
    uint32_t length = sizeof(out);
    EXPECT_EQ(pq::UsbTransmit(io, Hex("00A40000").data(), 4, out, &length), pq::kErrSizeOrLookup);
  }
}

TEST(UsbTransmit, ReaderNameSuffixChoosesThePath) {
  std::string path;
  std::vector<std::string> one = {"\\\\?\\usb#a"}, two = {"\\\\?\\usb#a", "\\\\?\\usb#b"};
  EXPECT_EQ(pq::ChooseUsbPath("Key 1", one, &path), 0u);
  EXPECT_EQ(path, one[0]);
  EXPECT_EQ(pq::ChooseUsbPath("Key 1", two, &path), 0u);
  EXPECT_EQ(path, two[1]);
  EXPECT_EQ(pq::ChooseUsbPath("Key 2", two, &path), pq::kErrSizeOrLookup);
  EXPECT_EQ(pq::ChooseUsbPath("Key 0", {}, &path), pq::kErrSizeOrLookup);
  EXPECT_EQ(pq::ChooseUsbPath("Key 0", {std::string(512, 'p')}, &path), pq::kErrSizeOrLookup);
}

TEST(SupportHighBuf, DirectChannelOnlyForNonHidNewCosWith249ByteBuffer) {
  struct Case {
    const char* reader;
    const char* bufLen;
    uint32_t kind;
  } cases[] = {{"Vendor Key 0", "00F9", 3}, {"Vendor Key HID 0", "00F9", 4}, {"Vendor Key 0", "0100", 4}};
  for (const auto& c : cases) {
    FakeTransport t;
    t.atr = Hex("3B6D0000 8041565445000000000000009000");
    t.Queue(0x9000, Hex(c.bufLen));
    uint32_t kind = 0;
    ASSERT_EQ(HC_SupportHighBuf(c.reader, 3, &kind), 0u);
    EXPECT_EQ(kind, c.kind) << c.reader;
    EXPECT_EQ(t.commands.size(), 1u) << "the buffer length is read for every reader";
  }
  FakeTransport old;
  old.atr = Hex("3B6D0000 8030565445000000000000009000");
  old.Queue(0x9000, Hex("00F9"));
  uint32_t kind = 0;
  ASSERT_EQ(HC_SupportHighBuf("Vendor Key 0", 3, &kind), 0u);
  EXPECT_EQ(kind, 4u);
}

TEST(Binding, OptionalFunctionsMayBeMissingRequiredOnesMayNot) {
  std::map<std::string, void*> exported;
  int count = 0;
  const pq::TransportFunction* table = pq::TransportFunctionTable(&count);
  ASSERT_EQ(count, 17);
  static int dummy;
  for (int i = 0; i < count; ++i) exported[table[i].name] = &dummy;
  auto lookup = [](void* ctx, const char* name) -> void* {
    auto* m = static_cast<std::map<std::string, void*>*>(ctx);
    auto it = m->find(name);
    return it == m->end() ? nullptr : it->second;
  };
  pq::TransportBinding binding;
  exported.erase("ZTBeginTransactionTime");
  exported.erase("ZTUnload");
  EXPECT_TRUE(pq::BindTransportFunctions(binding, lookup, &exported));
  exported.erase("ZTWaitForDevEvent");
  EXPECT_FALSE(pq::BindTransportFunctions(binding, lookup, &exported));
  EXPECT_EQ(binding.waitForDevEvent, nullptr);
}

}  // namespace
