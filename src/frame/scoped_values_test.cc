#include "frame/scoped_values.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace tarvik::frame {
namespace {

struct Values {
  int number = 1;
  std::string text = "cmd";
};

void ChangeAndMaybeFail(Values& v, Restore when, bool fail, bool keep = false) {
  ScopedValues scope(when, v.number, v.text);
  v.number = 2;
  v.text = "cmx";
  if (keep) scope.Keep();
  if (fail) throw std::runtime_error("failed");
}

TEST(ScopedValuesTest, PutsBackOnReturnAndOnFailureOnlyWhenAskedTo) {
  for (Restore when : {Restore::kAlways, Restore::kUnlessFailing}) {
    Values v;
    ChangeAndMaybeFail(v, when, false);
    EXPECT_EQ(v.number, 1);
    EXPECT_EQ(v.text, "cmd");
  }
  Values always;
  EXPECT_THROW(ChangeAndMaybeFail(always, Restore::kAlways, true), std::runtime_error);
  EXPECT_EQ(always.number, 1);
  EXPECT_EQ(always.text, "cmd");
  Values failing;
  EXPECT_THROW(ChangeAndMaybeFail(failing, Restore::kUnlessFailing, true), std::runtime_error);
  EXPECT_EQ(failing.number, 2);
  EXPECT_EQ(failing.text, "cmx");
}

TEST(ScopedValuesTest, KeptValuesStay) {
  Values v;
  ChangeAndMaybeFail(v, Restore::kAlways, false, true);
  EXPECT_EQ(v.number, 2);
  EXPECT_EQ(v.text, "cmx");
}

// A scope that ends normally while an older failure unwinds (a destructor
// running a nested job) still puts its values back.
TEST(ScopedValuesTest, AFailureOutsideTheScopeDoesNotCount) {
  Values v;
  struct Unwinding {
    Values& v;
    ~Unwinding() { ChangeAndMaybeFail(v, Restore::kUnlessFailing, false); }
  };
  try {
    Unwinding u{v};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(v.number, 1);
  EXPECT_EQ(v.text, "cmd");
}

}  // namespace
}  // namespace tarvik::frame
