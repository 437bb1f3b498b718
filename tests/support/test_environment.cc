// Linked into every test executable: tells the end-to-end helpers where the
// built programs are (unless the environment already says), and pins the
// time zone and locale, so no test depends on the machine it runs on.
#include <cstdlib>

namespace {

void SetVariable(const char* name, const char* value, bool replace) {
  if (!replace && std::getenv(name) != nullptr) return;
#ifdef _WIN32
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

struct TestEnvironment {
  TestEnvironment() {
    SetVariable("TARVIK_BIN", TARVIK_BIN_PATH, false);
    SetVariable("TARVIK_FLEET_BIN", TARVIK_FLEET_BIN_PATH, false);
    SetVariable("TARVIK_REGISTER_BIN", TARVIK_REGISTER_BIN_PATH, false);
#ifndef _WIN32
    // The C runtime on Windows reads TZ in a form of its own; the local time
    // there comes from the system, which no unit test reads.
    SetVariable("TZ", "Europe/Prague", true);
#endif
    SetVariable("LC_ALL", "C", true);
  }
};

const TestEnvironment environment;

}  // namespace
