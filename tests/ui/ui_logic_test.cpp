// The PIN cache records and the button-press loop, without windows.
#include <gtest/gtest.h>

#include <string.h>

#include <chrono>
#include <thread>

#include "fake_transport.h"
#include "ui/note_text.h"
#include "ui/pin_cache.h"
#include "ui/pin_cache_entries.h"
#include "ui/ui_hooks.h"

namespace pq {
namespace {

using testing_support::FakeReply;
using testing_support::FakeTransport;

const uint8_t kSerialA[8] = {0x56, 0x54, 0, 0, 0, 0, 0, 0xA1};
const uint8_t kSerialB[8] = {0x56, 0x54, 0, 0, 0, 0, 0, 0xB2};
const uint8_t kCode[6] = {0x12, 0x34, 0x56, 0xFF, 0xFF, 0xFF};

TEST(PinCacheRecords, ScramblingRoundTripsOnlyWithTheSameSerial) {
  uint8_t block[8], out[6] = {0};
  ScramblePinCode(kCode, kSerialA, block);
  EXPECT_NE(memcmp(block, kCode, 6), 0) << "the code is not stored plainly";
  ASSERT_TRUE(UnscramblePinCode(block, kSerialA, out));
  EXPECT_EQ(memcmp(out, kCode, 6), 0);
  EXPECT_FALSE(UnscramblePinCode(block, kSerialB, out)) << "another serial breaks the FF FF marker";
  const uint8_t wiped[8] = {0};
  const uint8_t unlucky[8] = {0, 0, 0, 0, 0, 0, 0x9D, 0xF5};  // XORs a zero block into FF FF
  EXPECT_FALSE(UnscramblePinCode(wiped, unlucky, out)) << "a wiped code never reads as one";
}

TEST(PinCacheRecords, WritesPickOwnThenFreeThenFirstRecord) {
  uint8_t section[kPinCacheSectionSize] = {0};
  EXPECT_EQ(ChooseEntryForWrite(section, kSerialA, 10), 0u);
  PinCacheEntry first(section);
  memcpy(first.Serial(), kSerialA, 8);
  first.SetProcessId(10);
  EXPECT_EQ(ChooseEntryForWrite(section, kSerialA, 10), 0u) << "its own record";
  EXPECT_EQ(ChooseEntryForWrite(section, kSerialA, 11), 1u) << "another process: the first free one";
  for (size_t i = 1; i < kPinCacheEntryCount; ++i) {
    PinCacheEntry e(section + i * kPinCacheEntrySize);
    uint8_t serial[8] = {1, 2, 3, 4, 5, 6, 7, static_cast<uint8_t>(i)};
    memcpy(e.Serial(), serial, 8);
    e.SetProcessId(10);
  }
  EXPECT_EQ(ChooseEntryForWrite(section, kSerialB, 10), 0u) << "all taken: record 0";
  EXPECT_EQ(FindOwnEntry(section, kSerialA, 11), -1) << "other processes' records are not found";
  EXPECT_EQ(OwnSerials(section, 10).size(), 10u);
  EXPECT_EQ(OwnSerials(section, 11).size(), 0u);
}

TEST(PinCacheRecords, WipingKeepsDigestsAndFreeingKeepsDigestsInPlace) {
  uint8_t section[kPinCacheSectionSize] = {0};
  PinCacheEntry e(section + 3 * kPinCacheEntrySize);
  ScramblePinCode(kCode, kSerialA, e.Block());
  memcpy(e.Serial(), kSerialA, 8);
  e.SetProcessId(7);
  memset(e.Digest(), 0xAB, kDigestSize);
  WipeCodes(section, kSerialA);
  EXPECT_EQ(FindOwnEntry(section, kSerialA, 7), 3);
  uint8_t block[8] = {0}, code[6];
  EXPECT_EQ(memcmp(e.Block(), block, 8), 0);
  EXPECT_FALSE(UnscramblePinCode(e.Block(), kSerialA, code));
  FreeAllKeepDigests(section);
  EXPECT_EQ(FindOwnEntry(section, kSerialA, 7), -1);
  EXPECT_EQ(e.Digest()[0], 0xAB);
  EXPECT_EQ(e.Digest()[19], 0xAB);
}

// The exports in one process (native sections are process-local).
TEST(PinCacheExports, CodeAndDigestLifecycle) {
  ASSERT_EQ(KVCreateCachedPin(), 0u);
  ASSERT_EQ(KVClearAllCachedPin(), 0u);
  uint8_t digest[20], read[20], code[6];
  PinCodeDigest(kCode, digest);
  ASSERT_EQ(KVWriteCachedPin(kSerialA, kCode), 0u);
  ASSERT_EQ(WriteCachedPinDigest(kSerialA, digest), 0u);
  uint32_t notFound = 9;
  ASSERT_EQ(ReadCachedPin(kSerialA, code, &notFound), 0u);
  EXPECT_EQ(notFound, 0u);
  EXPECT_EQ(memcmp(code, kCode, 6), 0);
  ASSERT_EQ(KVClearCachedPin(kSerialA), 0u);
  ASSERT_EQ(ReadCachedPin(kSerialA, code, &notFound), 0u);
  EXPECT_EQ(notFound, 1u);
  ASSERT_EQ(ReadCachedPinDigest(kSerialA, read), 0u) << "the digest outlives the code";
  EXPECT_EQ(memcmp(read, digest, 20), 0);
  ASSERT_EQ(KVClearAllCachedPin(), 0u);
  EXPECT_EQ(ReadCachedPinDigest(kSerialA, read), 0x88000043u);
  EXPECT_EQ(KVWriteCachedPin(nullptr, kCode), 0x88000001u);
}

TEST(PinCacheExports, RefreshClearsSerialsOfAbsentTokens) {
  FakeTransport transport;
  transport.readers = {"R0", "R1"};
  transport.states = {0x20, 0x10};
  transport.Queue(0x9000, {0x56, 0x54, 0, 0, 0, 0, 0, 0xA1});  // the serial in R0
  ASSERT_EQ(KVClearAllCachedPin(), 0u);
  ASSERT_EQ(KVWriteCachedPin(kSerialA, kCode), 0u);
  ASSERT_EQ(KVWriteCachedPin(kSerialB, kCode), 0u);
  const char list[] = "R0\0R1\0";
  ASSERT_EQ(KVRefreshCachedPin(list), 0u);
  uint8_t code[6];
  uint32_t notFound = 0;
  ReadCachedPin(kSerialA, code, &notFound);
  EXPECT_EQ(notFound, 0u) << "A's token is present";
  ReadCachedPin(kSerialB, code, &notFound);
  EXPECT_EQ(notFound, 1u) << "B's token is gone";
  EXPECT_EQ(transport.beginCount, transport.endCount);
  EXPECT_EQ(transport.connected.size(), transport.disconnected.size());
  ASSERT_EQ(KVRefreshCachedPin(nullptr), 0u);
  ReadCachedPin(kSerialA, code, &notFound);
  EXPECT_EQ(notFound, 1u) << "no list: nothing is present";
}

// The wait window as the loop sees it.
struct FakeWait {
  static bool userClosed;
  static int opened, closed;
};
bool FakeWait::userClosed = false;
int FakeWait::opened = 0, FakeWait::closed = 0;

class ButtonLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeWait::userClosed = false;
    FakeWait::opened = FakeWait::closed = 0;
    Ui().openButtonWait = []() -> void* {
      ++FakeWait::opened;
      return &FakeWait::opened;
    };
    Ui().buttonWaitVisible = [](void*) { return true; };
    Ui().buttonWaitEnded = [](void*) { return FakeWait::userClosed; };
    Ui().closeButtonWait = [](void*) { ++FakeWait::closed; };
  }
  void TearDown() override { Ui() = UiHooks(); }
  uint32_t Send(int32_t noWait = 0) {
    const uint8_t command[] = {0x80, 0x46, 0x00, 0x00, 0x02, 0xAA, 0xBB};
    length = sizeof(response);
    return PressKeyTransmit(1, command, sizeof(command), response, &length, &sw, &pending, noWait);
  }
  FakeTransport transport;
  uint8_t response[64];
  uint32_t length = 0, sw = 0;
  int32_t pending = -1;
};

TEST_F(ButtonLoop, WaitsWhileTheTokenWaitsThenReturnsItsAnswer) {
  transport.Queue(0x6954);
  transport.Queue(0x6955);
  transport.Queue(0x6954);
  transport.Queue(0x9000, {1, 2, 3});
  EXPECT_EQ(Send(), 0u);
  EXPECT_EQ(sw, 0x9000u);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(pending, 1);
  EXPECT_EQ(transport.commands.size(), 4u) << "the same command again each round";
  EXPECT_EQ(FakeWait::opened, 1);
  EXPECT_EQ(FakeWait::closed, 1);
}

TEST_F(ButtonLoop, AnswersThatNeedNoButtonShowNothing) {
  transport.Queue(0x9000);
  EXPECT_EQ(Send(), 0u);
  EXPECT_EQ(pending, 0);
  EXPECT_EQ(FakeWait::opened, 0);
  transport.Queue(0x6954);
  EXPECT_EQ(Send(1), 66u) << "no waiting asked for";
  transport.Queue(FakeReply{{}, 0, 0xE1000006});
  EXPECT_EQ(Send(), 0xE1000006u);
}

TEST_F(ButtonLoop, UserCloseCancelsAndOtherAnswersEndTheWait) {
  transport.responder = [](const testing_support::Bytes&) { return FakeReply{{}, 0x6954, 0}; };
  FakeWait::userClosed = true;
  EXPECT_EQ(Send(), 0x88000061u);
  EXPECT_EQ(FakeWait::closed, 1);
  FakeWait::userClosed = false;
  transport.responder = nullptr;
  transport.Queue(0x6954);
  transport.Queue(0x6956);
  EXPECT_EQ(Send(), 0u);
  EXPECT_EQ(sw, 0x6956u);
}

TEST(ProgressNote, TextsPerKind) {
  auto lookup = [](const char* section, const char* key) { return std::string(section) + "/" + key; };
  NoteContent format = BuildNote(1, "Key0", "Zentok", true, lookup);
  EXPECT_EQ(format.text, "UIReqInfo/IDSTR_FORMATING_DEV Key0 UIReqInfo/IDSTR_WITHIN Zentok UIReqInfo/IDSTR_OMIT");
  EXPECT_EQ(format.templateId, 102);
  NoteContent tjca = BuildNote(2, "Key0", "Zentok", true, lookup);
  EXPECT_EQ(tjca.text, "UIReqInfo/IDSTR_GENRSAING_WAIT");
  EXPECT_EQ(tjca.templateId, 108);
  EXPECT_EQ(BuildNote(2, "K", "H", false, lookup).text,
            "UIReqInfo/IDSTR_READER K UIReqInfo/IDSTR_WITHIN H UIReqInfo/IDSTR_GENRSAING");
  EXPECT_EQ(BuildNote(3, "K", "H", false, lookup).text, "UIReqInfo/IDSTR_ERASEING K KVHWInfo/IDSTR_WITHIN H");
  EXPECT_EQ(BuildNote(6, "K", "H", false, lookup).text, "UIReqInfo/IDSTR_GENSM2ING");
  EXPECT_FALSE(BuildNote(7, "K", "H", false, lookup).shown);
  KVUIInfo unknown = {};
  unknown.kind = 7;
  unknown.show = 1;
  EXPECT_EQ(KVShowUIInfo(&unknown), 0u);
  EXPECT_EQ(unknown.module, nullptr) << "an unknown kind starts nothing";
  EXPECT_EQ(KVShowUIInfo(nullptr), 0x88000001u);
}

}  // namespace
}  // namespace pq
