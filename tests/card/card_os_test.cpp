// The emulated card: command parsing, dispatch, state codec and profiles.
#include <gtest/gtest.h>

#include "card_os.h"
#include "card_profiles.h"

using namespace vtoken;

namespace {

Bytes B(std::initializer_list<uint8_t> b) { return Bytes(b); }

ResponseApdu Send(CardOs& os, CardState& s, const Bytes& apdu, bool* dirty = nullptr) {
  return os.Process(s, apdu.data(), apdu.size(), dirty);
}

TEST(CardParse, ShortFormsAndBadLengths) {
  CommandApdu c;
  ASSERT_TRUE(ParseCommand(B({0x80, 0xCA, 0x00, 0x01, 0x08}).data(), 5, c));
  EXPECT_EQ(c.le, 8);
  EXPECT_TRUE(c.data.empty());
  Bytes case4 = B({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00, 0x10});
  ASSERT_TRUE(ParseCommand(case4.data(), case4.size(), c));
  EXPECT_EQ(c.data, B({0x3F, 0x00}));
  EXPECT_EQ(c.le, 0x10);
  Bytes truncated = B({0x00, 0xA4, 0x00, 0x00, 0x05, 0x3F});
  EXPECT_FALSE(ParseCommand(truncated.data(), truncated.size(), c));
  EXPECT_FALSE(ParseCommand(truncated.data(), 3, c));
}

TEST(CardOsTest, UnknownInstructionsAndItemsAreRefused) {
  CardOs os;
  CardState s;
  ASSERT_TRUE(MakeCard("sparse", {1, 2, 3, 4, 5, 6, 7, 8}, s));
  EXPECT_EQ(Send(os, s, B({0x80, 0x99, 0, 0})).sw, 0x6D00);
  EXPECT_EQ(Send(os, s, B({0x80, 0xCA, 0x00, 0x17, 0x01})).sw, 0x6A86);
  EXPECT_EQ(Send(os, s, B({0x80, 0x85, 0x00, 0x00, 0x40})).sw, 0x6D00) << "no reserved sections";
  EXPECT_EQ(Send(os, s, B({0x80, 0xCA, 0x00, 0x01, 0x04})).sw, 0x6C08) << "wrong Le names the right one";
  EXPECT_EQ(Send(os, s, B({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F})).sw, 0x6700);
}

TEST(CardOsTest, ChallengeIsRememberedAndFormDependsOnTheChip) {
  CardOs os;
  os.random = [](uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i + 1);
  };
  CardState s;
  ASSERT_TRUE(MakeCard("chip1", {1, 2, 3, 4, 5, 6, 7, 8}, s));
  EXPECT_EQ(Send(os, s, B({0x00, 0x84, 0x00, 0x00, 0x10})).sw, 0x6A86);
  ResponseApdu r = Send(os, s, B({0x00, 0x84, 0x01, 0x00, 0x10}));
  ASSERT_EQ(r.sw, 0x9000);
  EXPECT_EQ(r.data.size(), 16u);
  EXPECT_EQ(s.ram.lastChallenge, r.data);
}

TEST(CardOsTest, GetResponseHandsOutPendingDataOnceAndOnlyNext) {
  CardOs os;
  os.Register(0x80, 0x77, [](CardContext& c, const CommandApdu&) {
    c.state.ram.pendingResponse = Bytes(20, 0x33);
    return ResponseApdu::Status(0x6114);
  });
  CardState s;
  ASSERT_TRUE(MakeCard("current", {1, 2, 3, 4, 5, 6, 7, 8}, s));
  EXPECT_EQ(Send(os, s, B({0x80, 0x77, 0, 0})).sw, 0x6114);
  ResponseApdu part = Send(os, s, B({0x00, 0xC0, 0x00, 0x00, 0x10}));
  EXPECT_EQ(part.sw, 0x6104);
  EXPECT_EQ(part.data.size(), 16u);
  EXPECT_EQ(Send(os, s, B({0x00, 0xC0, 0x00, 0x00, 0x04})).sw, 0x9000);
  EXPECT_EQ(Send(os, s, B({0x00, 0xC0, 0x00, 0x00, 0x04})).sw, 0x6985);
  Send(os, s, B({0x80, 0x77, 0, 0}));
  Send(os, s, B({0x80, 0xCA, 0x00, 0x01, 0x08}));
  EXPECT_EQ(Send(os, s, B({0x00, 0xC0, 0x00, 0x00, 0x14})).sw, 0x6985) << "another command drops pending data";
}

TEST(CardOsTest, ReservedSectionWritesMarkTheTokenDirty) {
  CardOs os;
  CardState s;
  ASSERT_TRUE(MakeCard("current", {1, 2, 3, 4, 5, 6, 7, 8}, s));
  Bytes write = B({0x80, 0x85, 0x01, 0x02, 0xC0});
  write.resize(5 + 0xC0, 0x5C);
  bool dirty = false;
  EXPECT_EQ(Send(os, s, write, &dirty).sw, 0x9000);
  EXPECT_TRUE(dirty);
  ResponseApdu r = Send(os, s, B({0x80, 0x85, 0x00, 0x02, 0xC0}), &dirty);
  EXPECT_FALSE(dirty);
  EXPECT_EQ(r.data, Bytes(0xC0, 0x5C));
  Bytes shortWrite = B({0x80, 0x85, 0x01, 0x00, 0x02, 1, 2});
  EXPECT_EQ(Send(os, s, shortWrite).sw, 0x6700);
}

TEST(CardOsTest, ClockAnswersInBcd) {
  CardOs os;
  os.now = [] { return 1503632979LL; };  // 2017-08-25 03:49:39 UTC
  CardState s;
  ASSERT_TRUE(MakeCard("current", {1, 2, 3, 4, 5, 6, 7, 8}, s));
  ResponseApdu r = Send(os, s, B({0x80, 0x34, 0x00, 0x00, 0x06}));
  EXPECT_EQ(r.data, B({0x17, 0x08, 0x25, 0x03, 0x49, 0x39}));
}

TEST(CardState, CodecRoundTripsAndSkipsUnknownRecords) {
  for (const auto& profile : Profiles()) {
    CardState s;
    ASSERT_TRUE(MakeCard(profile.name, {9, 8, 7, 6, 5, 4, 3, 2}, s));
    s.sections[1][5] = 0x42;
    s.ram.lastChallenge = Bytes(16, 7);
    Bytes encoded = EncodeCardState(s);
    encoded.insert(encoded.end(), {0x7E, 0, 0, 0, 2, 0xAA, 0xBB});  // a record from a newer card
    CardState d;
    ASSERT_TRUE(DecodeCardState(encoded.data(), encoded.size(), d)) << profile.name;
    EXPECT_EQ(d.profile, s.profile);
    EXPECT_EQ(d.items, s.items);
    EXPECT_EQ(d.sections, s.sections);
    EXPECT_EQ(d.freeSpace, s.freeSpace);
    EXPECT_EQ(d.ram.lastChallenge, s.ram.lastChallenge);
    EXPECT_EQ(BuildAtr(d), BuildAtr(s));
    for (size_t cut : {size_t{3}, encoded.size() - 1, size_t{10}}) {
      CardState t;
      EXPECT_FALSE(DecodeCardState(encoded.data(), cut, t)) << profile.name << " cut " << cut;
    }
  }
  CardState unknown;
  EXPECT_FALSE(MakeCard("no-such-profile", {}, unknown));
}

}  // namespace

namespace {

struct ButtonFixture {
  CardOs os;
  CardState s;
  long long clock = 1000;
  explicit ButtonFixture(const char* profile) {
    os.now = [this] { return clock; };
    MakeCard(profile, {1, 2, 3, 4, 5, 6, 7, 8}, s);
    s.confirmPrefixes.push_back(B({0x80, 0xCA, 0x00, 0x01}));  // the serial needs the button
  }
  ResponseApdu Serial() { return Send(os, s, B({0x80, 0xCA, 0x00, 0x01, 0x08})); }
};

TEST(CardButton, WaitsUntilTheUserActs) {
  struct Case {
    uint8_t action;  // 0: the time runs out
    uint16_t finalSw;
    uint8_t stateByte;
  } cases[] = {{kButtonPressed, 0x9000, 2}, {kButtonRefused, 0x6955, 3}, {0, 0x6956, 4}};
  for (const auto& c : cases) {
    ButtonFixture f("display");
    EXPECT_EQ(f.Serial().sw, 0x6954);
    EXPECT_EQ(f.Serial().sw, 0x6954) << "still waiting";
    ResponseApdu state = Send(f.os, f.s, B({0x80, 0xAB, 0x06, 0x00, 0x03}));
    EXPECT_EQ(state.data, B({0x01, 0x2C, 0x01})) << "300 seconds left, waiting";
    if (c.action != 0) {
      EXPECT_TRUE(ApplyButtonAction(f.s, c.action));
    } else {
      f.clock += 300;
    }
    state = Send(f.os, f.s, B({0x80, 0xAB, 0x06, 0x00, 0x03}));
    EXPECT_EQ(state.data[2], c.stateByte);
    ResponseApdu r = f.Serial();
    EXPECT_EQ(r.sw, c.finalSw);
    if (c.finalSw == 0x9000) EXPECT_EQ(r.data, B({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(f.Serial().sw, 0x6954) << "the next command waits afresh";
  }
}

TEST(CardButton, CancelEndsTheWaitAndTimeOutIsConfigurable) {
  ButtonFixture f("legacy");
  EXPECT_EQ(Send(f.os, f.s, B({0x80, 0xAB, 0x02, 0x00, 0x02, 0x00, 0x05})).sw, 0x9000);
  EXPECT_EQ(f.Serial().sw, 0x6954);
  EXPECT_EQ(Send(f.os, f.s, B({0x80, 0x48, 0x01, 0x00, 0x00})).sw, 0x9000);
  EXPECT_EQ(f.Serial().sw, 0x6955);
  EXPECT_EQ(f.Serial().sw, 0x6954);
  f.clock += 5;
  EXPECT_EQ(f.Serial().sw, 0x6956) << "a five-second time-out";
  EXPECT_FALSE(ApplyButtonAction(f.s, kButtonPressed)) << "nothing waits";
}

TEST(CardButton, TokensWithoutAButtonNeverWait) {
  ButtonFixture f("current");
  EXPECT_EQ(f.Serial().sw, 0x9000);
  EXPECT_EQ(Send(f.os, f.s, B({0x80, 0x48, 0x01, 0x00, 0x00})).sw, 0x6D00);
  CardState display;
  ASSERT_TRUE(MakeCard("display", {1, 1, 1, 1, 1, 1, 1, 1}, display));
  EXPECT_FALSE(display.confirmPrefixes.empty()) << "private-key operations wait by default";
}

}  // namespace
