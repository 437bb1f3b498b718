#include "fleet/retry.h"

#include <gtest/gtest.h>

namespace tarvik::fleet {
namespace {

AttemptFacts Failed(int code, int subcode) {
  AttemptFacts f;
  f.exitCode = 1;
  f.errWritten = true;
  f.hasPair = true;
  f.code = code;
  f.subcode = subcode;
  return f;
}

TEST(Retry, LinkFaultsAreRetriedAndEverythingElseIsFinal) {
  struct Case {
    int code, subcode;
    Verdict verdict;
  };
  const Case cases[] = {
      {38, 1, Verdict::kRetry},                              // no answer
      {92, 1, Verdict::kRetry},                              // port busy
      {103, 7, Verdict::kRetry},                             // connection refused
      {106, 1, Verdict::kRetry},                             // connection closed
      {110, 1, Verdict::kRetry},                             // network time-out
      {40, 1, Verdict::kRetry},                              // line noise
      {42, 2, Verdict::kRetry},  {93, 1, Verdict::kRetry},   // modem
      {4, 1, Verdict::kFinal},                               // key in REG
      {20, 0, Verdict::kFinal},                              // a reply that was read
      {33, 1, Verdict::kFinal},                              // record format
      {30, 1, Verdict::kFinal},                              // a file that does not open
      {50, 5, Verdict::kFinal},                              // command file
      {51, 47, Verdict::kFinal}, {59, 30, Verdict::kFinal},  // data file
      {116, 2, Verdict::kFinal},                             // interrupted
      {44, 1, Verdict::kFinal},                              // work file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Classify(Failed(c.code, c.subcode)), c.verdict) << c.code << "/" << c.subcode;
  }
}

TEST(Retry, ExitCodesAndTheDirectoryLock) {
  AttemptFacts ok;
  EXPECT_EQ(Classify(ok), Verdict::kOk);

  // Waited in vain for the lock: exit 1, no err, the lock file there.
  AttemptFacts locked;
  locked.exitCode = 1;
  locked.lockFilePresent = true;
  EXPECT_EQ(Classify(locked), Verdict::kRetry);
  locked.lockFilePresent = false;
  EXPECT_EQ(Classify(locked), Verdict::kFinal);
  // The lock file stays between jobs: a job that wrote its err failed for
  // its own reason.
  AttemptFacts own = Failed(51, 31);
  own.lockFilePresent = true;
  EXPECT_EQ(Classify(own), Verdict::kFinal);

  // A curable pair without err written, a signal, another exit code: final.
  AttemptFacts noErr = Failed(38, 1);
  noErr.errWritten = false;
  EXPECT_EQ(Classify(noErr), Verdict::kFinal);
  AttemptFacts signalled = Failed(38, 1);
  signalled.exited = false;
  signalled.exitCode = 9;
  EXPECT_EQ(Classify(signalled), Verdict::kFinal);
  AttemptFacts usage = Failed(38, 1);
  usage.exitCode = 2;
  EXPECT_EQ(Classify(usage), Verdict::kFinal);
  AttemptFacts noLogLine = Failed(38, 1);
  noLogLine.hasPair = false;
  EXPECT_EQ(Classify(noLogLine), Verdict::kFinal);
}

TEST(Retry, PausesGrowThreefoldUpToTenMinutes) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  EXPECT_EQ(RetryDelay(2, seconds(5)), seconds(5));
  EXPECT_EQ(RetryDelay(3, seconds(5)), seconds(15));
  EXPECT_EQ(RetryDelay(4, seconds(5)), seconds(45));
  EXPECT_EQ(RetryDelay(8, seconds(5)), seconds(600));
  EXPECT_EQ(RetryDelay(100, seconds(5)), seconds(600));
  EXPECT_EQ(RetryDelay(3, milliseconds(10)), milliseconds(30));
}

}  // namespace
}  // namespace tarvik::fleet
