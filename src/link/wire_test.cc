#include "link/wire.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::link::wire {
namespace {

using testing::FromHex;

TEST(WireTest, CheckBytesOfKnownFrames) {
  EXPECT_EQ(Hex(Frame(FromHex("D9 01 03"))), "D9 01 03 DB 48");
  EXPECT_EQ(Hex(Frame(FromHex("D9 06"))), "D9 06 DF 42");
  EXPECT_EQ(Hex(EndMarker()), "FF FF 00 02");
  EXPECT_EQ(Hex(Frame(FromHex("D7 15"))), "D7 15 C2 52");
}

TEST(WireTest, CheckFrameAcceptsOnlyIntactFrames) {
  EXPECT_TRUE(CheckFrame(FromHex("D9 01 03 DB 48")));
  EXPECT_TRUE(CheckFrame(FromHex("FF FF 00 02")));
  EXPECT_FALSE(CheckFrame(FromHex("D9 01 03 DB 49")));  // sum byte off by one
  EXPECT_FALSE(CheckFrame(FromHex("D9 01 03 DA 49")));  // sum still 0, XOR wrong
  EXPECT_FALSE(CheckFrame(FromHex("D9 01 03 DB")));
  EXPECT_FALSE(CheckFrame(""));
  EXPECT_FALSE(CheckFrame(FromHex("01")));
  // A body of 0 bytes: the XOR of nothing and a zero sum.
  EXPECT_TRUE(CheckFrame(FromHex("00 00")));
  // Every body of the longest length round-trips.
  std::string body;
  for (int i = 0; i < 255; ++i) body += static_cast<char>(i * 7 + 3);
  EXPECT_TRUE(CheckFrame(Frame(body)));
}

TEST(WireTest, StuffingDoublesEveryFFIncludingCheckBytes) {
  EXPECT_EQ(Hex(Stuff(EndMarker())), "FF FF FF FF 00 02");
  EXPECT_EQ(Hex(Stuff(FromHex("01 FF 02"))), "01 FF FF 02");
  EXPECT_EQ(Hex(Stuff("")), "");
}

TEST(WireTest, UnstufferJoinsPiecesSplitInsideAPair) {
  Unstuffer u;
  EXPECT_EQ(Hex(u.Feed(FromHex("FF FF FF FF 00 02"))), "FF FF 00 02");
  // The doubled byte arrives in the next piece.
  EXPECT_EQ(Hex(u.Feed(FromHex("01 FF"))), "01 FF");
  EXPECT_EQ(Hex(u.Feed(FromHex("FF 02"))), "02");
  u.Feed(FromHex("FF"));
  u.Reset();
  EXPECT_EQ(Hex(u.Feed(FromHex("FF 03"))), "FF");
}

}  // namespace
}  // namespace tarvik::link::wire
