#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/com_ports.h"

namespace tarvik::platform {
namespace {

TEST(ComPorts, DefaultDeviceOfEachComNumber) {
#ifdef _WIN32
  EXPECT_EQ(DefaultComDevice(1), "\\\\.\\COM1");
  EXPECT_EQ(DefaultComDevice(9), "\\\\.\\COM9");
#else
  EXPECT_EQ(DefaultComDevice(1), "/dev/ttyS0");
  EXPECT_EQ(DefaultComDevice(9), "/dev/ttyS8");
#endif
}

class SerialOpen : public ::testing::Test {
 protected:
  SerialOpen()
      : dir_(std::filesystem::temp_directory_path() /
             ("tarvik-serial-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
    std::filesystem::create_directories(dir_);
  }
  ~SerialOpen() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::filesystem::path dir_;
};

TEST_F(SerialOpen, MissingDeviceOrOrdinaryFileFailsWithItsHint) {
  OsError error = 0;
  EXPECT_EQ(OpenSerialDevice((dir_ / "ttyNONE").string(), &error), nullptr);
  EXPECT_NE(error, 0u);
  EXPECT_EQ(SerialOpenHint(error).rfind("zařízení neexistuje", 0), 0u) << SerialOpenHint(error);
  std::filesystem::path file = dir_ / "port.txt";
  std::ofstream(file) << "not a port";
  EXPECT_EQ(OpenSerialDevice(file.string(), &error), nullptr);
  EXPECT_EQ(SerialOpenHint(error), "zadaná cesta není sériové zařízení");
  // The file is left as it was.
  std::string text;
  std::getline(std::ifstream(file), text);
  EXPECT_EQ(text, "not a port");
}

TEST(SystemErrorText, IsOneLineWithoutTheClosingFullStop) {
  for (OsError error : {2u, 5u, 13u, 22u}) {
    std::string text = SystemErrorText(error);
    EXPECT_FALSE(text.empty()) << error;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), '.') << text;
  }
}

}  // namespace
}  // namespace tarvik::platform
