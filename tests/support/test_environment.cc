// Linked into every test executable: tells the end-to-end helpers where the
// built programs are (unless the environment already says), and pins the
// time zone and locale, so no test depends on the machine it runs on.
#include <cstdlib>

namespace {

struct TestEnvironment {
  TestEnvironment() {
    setenv("TARVIK_BIN", TARVIK_BIN_PATH, 0);
    setenv("TARVIK_REGISTER_BIN", TARVIK_REGISTER_BIN_PATH, 0);
    setenv("TZ", "Europe/Prague", 1);
    setenv("LC_ALL", "C", 1);
  }
};

const TestEnvironment environment;

}  // namespace
