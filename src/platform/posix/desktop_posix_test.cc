#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "platform/desktop.h"

namespace tarvik::platform {
namespace {

class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
      const char* value = std::getenv(name);
      saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
      ::unsetenv(name);
    }
  }
  ~DisplayTest() override {
    for (const auto& [name, value] : saved_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
    if (listener_ >= 0) ::close(listener_);
  }

  // Listens where an X server of display `number` would (abstract socket,
  // so nothing is left on disk).
  void ListenAsXServer(int number) {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, path.data(), path.size());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener_, 0);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
    ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener_, 4), 0);
  }

  std::map<std::string, std::optional<std::string>> saved_;
  int listener_ = -1;
};

TEST_F(DisplayTest, DisplayCountsOnlyWhenItsServerAnswers) {
  ::setenv("DISPLAY", ":4711", 1);
  EXPECT_FALSE(DisplayAvailable());  // a stale value left by a desktop session

  ListenAsXServer(4711);
  for (const char* good : {":4711", ":4711.0", "unix:4711"}) {
    ::setenv("DISPLAY", good, 1);
    EXPECT_TRUE(DisplayAvailable()) << good;
  }

  for (const char* bad : {"4711", ":", ":x", ":47111234"}) {
    ::setenv("DISPLAY", bad, 1);
    EXPECT_FALSE(DisplayAvailable()) << bad;
  }
}

TEST_F(DisplayTest, AChosenToolkitPlatformDecidesUnlessItNeedsADisplayServer) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EXPECT_TRUE(DisplayAvailable());

  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("DISPLAY", ":4712", 1);
  EXPECT_FALSE(DisplayAvailable());
  ListenAsXServer(4712);
  EXPECT_TRUE(DisplayAvailable());

  // A Wayland-only choice cannot use the X server.
  ::setenv("QT_QPA_PLATFORM", "wayland", 1);
  EXPECT_FALSE(DisplayAvailable());
}

// Nothing in the environment means no display.
TEST_F(DisplayTest, WaylandSocketIsLookedForInTheRuntimeDirectory) {
  EXPECT_FALSE(DisplayAvailable());
  ::setenv("WAYLAND_DISPLAY", "wayland-4713", 1);
  EXPECT_FALSE(DisplayAvailable());  // no runtime directory
  ::setenv("XDG_RUNTIME_DIR", "/nonexistent-runtime", 1);
  EXPECT_FALSE(DisplayAvailable());
}

TEST(UserLanguage, TheFirstLocaleVariableSetDecides) {
  std::map<std::string, std::optional<std::string>> saved;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
    ::unsetenv(name);
  }
  EXPECT_FALSE(UserLanguageIsCzech());
  ::setenv("LANG", "cs_CZ.UTF-8", 1);
  EXPECT_TRUE(UserLanguageIsCzech());
  ::setenv("LC_MESSAGES", "en_GB.UTF-8", 1);
  EXPECT_FALSE(UserLanguageIsCzech());
  ::setenv("LC_ALL", "cs_CZ", 1);
  EXPECT_TRUE(UserLanguageIsCzech());
  ::setenv("LC_ALL", "", 1);  // empty counts as not set
  EXPECT_FALSE(UserLanguageIsCzech());
  for (const auto& [name, value] : saved) {
    value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }
}

}  // namespace
}  // namespace tarvik::platform
