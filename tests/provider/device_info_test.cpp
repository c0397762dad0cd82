// Device information commands against a scripted exchange: exact command bytes and
// the decoding of each answer.
#include <gtest/gtest.h>

#include "fake_transport.h"
#include "card_profiles.h"
#include "token/device_info.h"
#include "transport/result_codes.h"

using namespace testing_support;

namespace {

constexpr DeviceHandle kDev = 7;

struct DecodeCase {
  const char* name;
  uint32_t(PQ_WINAPI* call)(DeviceHandle, uint32_t*);
  const char* command;
  uint16_t sw;
  const char* answer;
  uint32_t expectedResult;
  uint32_t expectedValue;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, SendsTheCommandAndDecodesTheAnswer) {
  const DecodeCase& c = GetParam();
  FakeTransport t;
  t.Queue(c.sw, Hex(c.answer));
  uint32_t value = 0xDEADBEEF;
  EXPECT_EQ(c.call(kDev, &value), c.expectedResult);
  ASSERT_GE(t.commands.size(), 1u);
  EXPECT_EQ(ToHex(t.commands[0]), c.command);
  EXPECT_EQ(value, c.expectedValue);
}

INSTANTIATE_TEST_SUITE_P(
    GetDataItems, DecodeTest,
    ::testing::Values(
        DecodeCase{"FreeSizeSmall", HWGetFreeSize, "80CA000202", 0x9000, "FFFE", 0, 65534},
        DecodeCase{"TotalSize", HWGetTotalSize, "80CA000D02", 0x9000, "0040", 0, 65536},
        DecodeCase{"TotalSizeRefused", HWGetTotalSize, "80CA000D02", 0x6A86, "", pq::kErrUnexpectedStatus, 0xDEADBEEF},
        DecodeCase{"DevTypeChip15", HWGetDevType, "80CA000C28", 0x9000, "0000000000150000", 0, 1},
        DecodeCase{"DevTypeChip01", HWGetDevType, "80CA000C28", 0x9000, "0000000000010000", 0, 2},
        DecodeCase{"DevTypeChipOther", HWGetDevType, "80CA000C28", 0x9000, "0000000000070000", 0, 3},
        DecodeCase{"HWType15", HWGetHWType, "80CA000C28", 0x9000, "0000000000150000", 0, 1},
        DecodeCase{"HWTypeOther", HWGetHWType, "80CA000C28", 0x6A86, "", 0, 2},
        DecodeCase{"Button83", HWGetPressKeyType, "80CA001701", 0x9000, "83", 0, 131},
        DecodeCase{"Button87", HWGetPressKeyType, "80CA001701", 0x9000, "87", 0, 3},
        DecodeCase{"ButtonRefused", HWGetPressKeyType, "80CA001701", 0x6A86, "", pq::kErrUnexpectedStatus, 0xDEADBEEF},
        DecodeCase{"Category10", HWGetHWCategory, "80CA001701", 0x9000, "10", 0, 4},
        DecodeCase{"CategoryUnknownUntouched", HWGetHWCategory, "80CA001701", 0x9000, "05", 0, 0xDEADBEEF},
        DecodeCase{"VerifyMode8", HWGetVerifyPinMode, "80CA001601", 0x9000, "08", 0, 8},
        DecodeCase{"VerifyModeUnknownItem", HWGetVerifyPinMode, "80CA001601", 0x6A86, "", 0, 1},
        DecodeCase{"VerifyModeOtherStatus", HWGetVerifyPinMode, "80CA001601", 0x6F00, "", pq::kErrUnexpectedStatus, 1},
        DecodeCase{"RsaMode10", HWGetRSAMode, "80CA000601", 0x9000, "10", 0, 1},
        DecodeCase{"RsaMode30", HWGetRSAMode, "80CA000601", 0x9000, "30", 0, 1},
        DecodeCase{"RsaMode00", HWGetRSAMode, "80CA000601", 0x9000, "00", 0, 3},
        DecodeCase{"RsaModeUnknownItem", HWGetRSAMode, "80CA000601", 0x6A81, "", 0, 3},
        DecodeCase{"RsaMode31Unsupported", HWGetRSAMode, "80CA000601", 0x9000, "31", pq::kErrNotSupported, 0xDEADBEEF},
        DecodeCase{"RsaMode20Unsupported", HWGetRSAMode, "80CA000601", 0x9000, "20", pq::kErrNotSupported, 0xDEADBEEF},
        DecodeCase{"Sym03", HWGetSymSupport, "80CA000E01", 0x9000, "03", 0, 0x61},
        DecodeCase{"Sym02", HWGetSymSupport, "80CA000E01", 0x9000, "02", 0, 0x60},
        DecodeCase{"SymFF", HWGetSymSupport, "80CA000E01", 0x9000, "FF", 0, 1},
        DecodeCase{"SymRefused", HWGetSymSupport, "80CA000E01", 0x6A86, "", 0, 0},
        DecodeCase{"BufLen", HWGetBufLen, "80CA000B02", 0x9000, "00F9", 0, 249}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(DeviceInfo, FreeSizeOfFFFFAsksAgainForFourBytes) {
  FakeTransport t;
  t.Queue(0x9000, Hex("FFFF"));
  t.Queue(0x9000, Hex("0001D4C0"));
  uint32_t free = 0;
  ASSERT_EQ(HWGetFreeSize(kDev, &free), 0u);
  EXPECT_EQ(free, 120000u);
  ASSERT_EQ(t.commands.size(), 2u);
  EXPECT_EQ(ToHex(t.commands[1]), "80CA000204");
}

TEST(DeviceInfo, DevTypeFallsBackToAlgorithmItemAndNeverFails) {
  FakeTransport t;
  t.Queue(0x6A86);
  t.Queue(0x9000, Hex("05"));
  uint32_t type = 0;
  EXPECT_EQ(HWGetDevType(kDev, &type), 0u);
  EXPECT_EQ(type, 3u);
  ASSERT_EQ(t.commands.size(), 2u);
  EXPECT_EQ(ToHex(t.commands[1]), "80CA000601");

  FakeTransport broken;
  broken.Queue(FakeReply{{}, 0, 0xA0000001});
  EXPECT_EQ(HWGetDevType(kDev, &type), 0u);
  EXPECT_EQ(type, 3u);
}

TEST(DeviceInfo, TransportFailuresPassThroughUnchanged) {
  FakeTransport t;
  t.Queue(FakeReply{{}, 0, 0xA0000042});
  uint8_t serial[8];
  EXPECT_EQ(HWGetSerial(kDev, serial), 0xA0000042u);
  // ...except where the answer only feeds a decision.
  t.Queue(FakeReply{{}, 0, 0xA0000042});
  EXPECT_EQ(HWGetSupportEncMacCMD(kDev), 0u);
}

TEST(DeviceInfo, ShortAnswersAreNotReadPastTheirEnd) {
  FakeTransport t;
  t.Queue(0x9000, Hex("0102"));
  uint8_t serial[8];
  EXPECT_EQ(HWGetSerial(kDev, serial), pq::kErrSizeOrLookup);
}

struct AtrCase {
  const char* atr;
  uint32_t result;
  uint32_t version;
};

TEST(DeviceInfo, CosVersionIsTheSecondHistoricalByte) {
  const AtrCase cases[] = {
      {"3B6A0000 11223344556677889900AABBCC", 0, 0x22},        // 13 more bytes
      {"3B6A0000 11223344556677889900AABB", pq::kErrSizeOrLookup, 0},  // only 12
      {"3F6A0000 11423344556677889900AABBCC", 0, 0x42},
      {"3A6A0000 11223344556677889900AABBCC", pq::kErrSizeOrLookup, 0},  // not a valid TS
      // TD1 (0x81) chains to TD2 (0x31: TA3, TB3 follow): second pass, then one more advance
      {"3BEA00008131FE45 00A1B2C3D4E5F60718293A4B5C", 0, 0xA1},
  };
  for (const auto& c : cases) {
    FakeTransport t;
    t.atr = Hex(c.atr);
    uint32_t version = 0;
    EXPECT_EQ(HWGetCOSVer(kDev, &version), c.result) << c.atr;
    if (c.result == 0) EXPECT_EQ(version, c.version) << c.atr;
  }
}

TEST(DeviceInfo, GenRandomSendsOneChallengePerSixteenBytes) {
  for (uint8_t chip : {uint8_t{0x15}, uint8_t{0x01}}) {
    FakeTransport t;
    Bytes info(40, 0);
    info[5] = chip;
    t.Queue(0x9000, info);
    t.Queue(0x9000, Hex("000102030405060708090A0B0C0D0E0F"));
    t.Queue(0x9000, Hex("101112131415161718191A1B1C1D1E1F"));
    uint8_t out[21];
    memset(out, 0xEE, sizeof(out));
    ASSERT_EQ(HWGenRandom(kDev, 20, out), 0u);
    ASSERT_EQ(t.commands.size(), 3u);
    const char* expected = chip == 0x15 ? "0084010010" : "0084000010";
    EXPECT_EQ(ToHex(t.commands[1]), expected);
    EXPECT_EQ(ToHex(t.commands[2]), expected);
    EXPECT_EQ(ToHex(Bytes(out, out + 21)), "000102030405060708090A0B0C0D0E0F10111213EE");
  }
}

TEST(DeviceInfo, ClockAnswerDecodesToDateRecord) {
  FakeTransport t;
  t.Queue(0x9000, Hex("170825034939"));
  uint16_t record[8];
  ASSERT_EQ(HWGetTimepiece(kDev, record), 0u);
  EXPECT_EQ(ToHex(t.commands[0]), "8034000006");
  const uint16_t expected[8] = {2017, 8, 0, 25, 3, 49, 39, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(record[i], expected[i]) << i;
  t.Queue(0x9000, Hex("170825034939"));
  EXPECT_EQ(HWGetTimepiece(kDev, nullptr), 0u);
}

TEST(DeviceInfo, GetResponseUsesTheLowByteAndCopiesExactlyLe) {
  FakeTransport t;
  t.Queue(0x9000, Bytes(255, 0xAB));
  uint8_t out[300];
  memset(out, 0, sizeof(out));
  ASSERT_EQ(HWGetResponse(kDev, 0x1FF, out), 0u);
  EXPECT_EQ(ToHex(t.commands[0]), "00C00000FF");
  EXPECT_EQ(out[254], 0xAB);
  EXPECT_EQ(out[255], 0x00);
  t.Queue(0x6A82);
  EXPECT_EQ(HWGetResponse(kDev, 8, out), pq::kErrUnexpectedStatus);
}

TEST(DeviceInfo, ReservedSectionsUseTheirFieldSizes) {
  FakeTransport t;
  uint8_t out[200];
  uint32_t length = 0;
  Bytes field(0xC0, 0);
  field[1] = 3;
  field[2] = 'a';
  field[3] = 'b';
  field[4] = 'c';
  t.Queue(0x9000, field);
  ASSERT_EQ(HWReadReservedSection(kDev, 2, out, &length), 0u);
  EXPECT_EQ(ToHex(t.commands[0]), "80850002C0");
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(memcmp(out, "abc", 3), 0);
  EXPECT_EQ(HWReadReservedSection(kDev, 3, out, &length), pq::kErrInvalidArgument);

  t.Queue(0x9000);
  ASSERT_EQ(HWWriteReservedSection(kDev, 1, reinterpret_cast<const uint8_t*>("xy"), 2, 1), 0u);
  Bytes expected = Hex("8085010140 0102 7879");
  expected.resize(5 + 0x40, 0);
  EXPECT_EQ(ToHex(t.commands.back()), ToHex(expected));
  EXPECT_EQ(HWWriteReservedSection(kDev, 0, out, 63, 1), pq::kErrDataTooLong);
}

TEST(DeviceInfo, CustomerIdentifierOnAnEmulatedCardKeepsTheReservedBytes) {
  vtoken::CardState card;
  ASSERT_TRUE(vtoken::MakeCard("current", {1, 2, 3, 4, 5, 6, 7, 8}, card));
  for (int i = 59; i < 64; ++i) card.sections[0][i] = static_cast<uint8_t>(0xA0 + i);
  FakeTransport t;
  t.UseCard(&card);
  ASSERT_EQ(HWWriteCID(kDev, reinterpret_cast<const uint8_t*>("0123456789"), 10), 0u);
  EXPECT_EQ(ToHex(t.commands[0]), "8085000040");
  EXPECT_EQ(ToHex(Bytes(t.commands[1].begin(), t.commands[1].begin() + 5)), "8085010040");
  for (int i = 59; i < 64; ++i) EXPECT_EQ(card.sections[0][i], 0xA0 + i);
  uint8_t id[64];
  uint32_t length = 0;
  ASSERT_EQ(HWReadCID(kDev, id, &length), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(id), length), "0123456789");
  // An identifier that would run into the reserved bytes is refused, not cut.
  EXPECT_EQ(HWWriteCID(kDev, id, 58), pq::kErrDataTooLong);
}

TEST(DeviceInfo, TokenWithoutSectionsReportsTheFileFormAsUnsupported) {
  vtoken::CardState card;
  ASSERT_TRUE(vtoken::MakeCard("sparse", {1, 2, 3, 4, 5, 6, 7, 8}, card));
  FakeTransport t;
  t.UseCard(&card);
  uint32_t length = 0;
  EXPECT_EQ(HWReadCID(kDev, nullptr, &length), pq::kErrNotSupported);
  uint32_t mode = 0;
  EXPECT_EQ(HWGetVerifyPinMode(kDev, &mode), 0u);
  EXPECT_EQ(mode, 1u);
  EXPECT_EQ(HWGetRSAMode(kDev, &mode), 0u);
  EXPECT_EQ(mode, 3u);
}

TEST(DeviceInfo, NullOutputsAreRefused) {
  FakeTransport t;
  EXPECT_EQ(HWGetSerial(kDev, nullptr), pq::kErrInvalidArgument);
  EXPECT_EQ(HWGetPressKeyType(0, nullptr), pq::kErrInvalidParameter);
  EXPECT_EQ(HWGenRandom(kDev, 4, nullptr), pq::kErrInvalidArgument);
  EXPECT_TRUE(t.commands.empty());
}

TEST(DeviceInfo, HexToStrWritesUpperCasePairsWithoutTerminator) {
  const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
  char text[8];
  memset(text, '#', sizeof(text));
  EXPECT_EQ(HexToStr(bytes, 3, text), 0u);
  EXPECT_EQ(std::string(text, 7), "00AB7F#");
}

}  // namespace
