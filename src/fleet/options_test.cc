#include "fleet/options.h"

#include <gtest/gtest.h>

namespace tarvik::fleet {
namespace {

TEST(Options, BothFormsOfValuesAndTheDefaults) {
  Options o = ParseOptions({"--jobs", "32", "--retries=0", "--timeout", "60", "--only=a,b",
                            "--failed", "--quiet", "--root", "/srv/pos", "--summary=s.csv",
                            "--tarvik", "/opt/tarvik", "fleet.txt"});
  EXPECT_EQ(o.jobs, 32);
  EXPECT_EQ(o.retries, 0);
  EXPECT_EQ(o.timeoutSeconds, 60);
  EXPECT_EQ(o.only, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(o.failed);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.root, "/srv/pos");
  EXPECT_EQ(o.summary, "s.csv");
  EXPECT_EQ(o.tarvik, "/opt/tarvik");
  EXPECT_EQ(o.fleetFile, "fleet.txt");
  Options d = ParseOptions({"fleet.txt"});
  EXPECT_EQ(d.jobs, 8);
  EXPECT_EQ(d.retries, 2);
  EXPECT_EQ(d.timeoutSeconds, 900);
  EXPECT_FALSE(d.root || d.summary || d.tarvik || d.failed || d.quiet);
  EXPECT_TRUE(ParseOptions({"--help"}).help);
  EXPECT_TRUE(ParseOptions({"--version"}).version);
}

TEST(Options, EveryMistakeIsNamed) {
  struct Case {
    std::vector<std::string> args;
    const char* reason;
  };
  const Case cases[] = {
      {{}, "no fleet file named"},
      {{"a.txt", "b.txt"}, "one fleet file only (\"a.txt\" and \"b.txt\")"},
      {{"--jobs", "0", "f"}, "--jobs takes a whole number from 1 to 1024, not \"0\""},
      {{"--jobs=8x", "f"}, "--jobs takes a whole number from 1 to 1024, not \"8x\""},
      {{"--retries", "-1", "f"}, "--retries takes a whole number from 0 to 100, not \"-1\""},
      {{"--timeout", "", "f"}, "--timeout takes a whole number from 1 to 604800, not \"\""},
      {{"f", "--timeout"}, "--timeout needs a value"},
      {{"--only", "a,,b", "f"}, "--only: an empty name in \"a,,b\""},
      {{"--failed=yes", "f"}, "--failed takes no value"},
      {{"--root=", "f"}, "--root needs a directory"},
      {{"--jobz", "4", "f"}, "unknown option --jobz"},
  };
  for (const Case& c : cases) {
    try {
      ParseOptions(c.args);
      ADD_FAILURE() << c.reason;
    } catch (const OptionError& e) {
      EXPECT_EQ(std::string(e.what()), c.reason);
    }
  }
}

}  // namespace
}  // namespace tarvik::fleet
