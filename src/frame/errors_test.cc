#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "frame/errors.h"

namespace tarvik::frame {
namespace {

TEST(ErrorTable, TextsSitAtTheirCodes) {
  EXPECT_EQ(ErrorText(38), "Pokladna se nehlasi");
  EXPECT_EQ(ErrorText(6), "Send packet error ");  // trailing blank is part of the text
  EXPECT_EQ(ErrorText(115), "Stejná PLU v souboru ");
  EXPECT_EQ(ErrorText(kInterruptedCode), "Uloha byla prerusena ");
  EXPECT_EQ(ErrorText(117), "");
  EXPECT_EQ(ErrorText(75), "");
  EXPECT_EQ(ErrorText(101), "");
  EXPECT_EQ(ErrorText(500), "");
  EXPECT_EQ(ErrorText(-1), "");
}

TEST(ErrorTable, AddedSubcodesAreUniqueAndHaveTexts) {
  std::set<std::pair<int, int>> seen;
  for (const auto& added : kAddedSubcodes) {
    EXPECT_TRUE(seen.insert({added.pair.code, added.pair.subcode}).second)
        << added.pair.code << "/" << added.pair.subcode;
    EXPECT_FALSE(ErrorText(added.pair.code).empty()) << added.pair.code;
  }
}

TEST(JobFailure, OuterLayersPutWhatTheyKnowInFrontAndARecodedFailureKeepsIt) {
  try {
    WithContext("soubor A.DAT", [] {
      WithContext(
          "", [] { WithContext("řádek 3", [] { Fail(error::kNFieldNotDigit, 0, "pole 2"); }); });
    });
    FAIL();
  } catch (const JobFailure& failure) {
    EXPECT_EQ(failure.context(), "soubor A.DAT, řádek 3, pole 2");
    try {
      Refail(failure, error::kDataNotWritten);
    } catch (const JobFailure& recoded) {
      EXPECT_EQ(recoded.pair(), error::kDataNotWritten);
      EXPECT_EQ(recoded.context(), "soubor A.DAT, řádek 3, pole 2");
    }
  }
  EXPECT_EQ(WithContext("x", [] { return 7; }), 7);
  JobFailure bare(error::kFileNotOpened, 2);
  bare.AddOuterContext("soubor B");
  EXPECT_EQ(bare.context(), "soubor B");
  EXPECT_EQ(bare.osError(), 2u);
}

}  // namespace
}  // namespace tarvik::frame
