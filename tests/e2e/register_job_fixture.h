// The fixtures of the end-to-end tests that run the built `tarvik`: a fresh
// program directory holding a link to the program and the files around a
// job, and with a register emulator and a tarvik.ini that maps the COM ports.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/process_runner.h"
#include "support/link_test_support.h"
#include "support/test_support.h"

namespace tarvik::testing {

// A data file as a read writes it: `count` PLU lines of the register's own
// layout (the name filled to its 18 characters), numbered from `first`.
inline std::string PluLines(int count, int first = 1) {
  std::string lines;
  for (int i = first; i < first + count; ++i) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "%014d;\"PLU %06d        \";%08d;00000000;01;00;00;00;00;00;00;00;00;00\r\n",
                  100 + i, i, i * 10);
    lines += line;
  }
  return lines;
}

class ProgramDirectoryTest : public ::testing::Test {
 protected:
  ProgramDirectoryTest() : dir_(MakeTempDirectory("e2e")) {
    std::filesystem::create_symlink(BuiltProgram("TARVIK_BIN"), dir_ / "tarvik");
  }
  ~ProgramDirectoryTest() override { std::filesystem::remove_all(dir_); }

  RunResult Run(const std::vector<std::string>& args, const Environment& environment = {}) {
    return RunProcess((dir_ / "tarvik").string(), (dir_ / "tarvik").string(), args, dir_,
                      std::chrono::seconds(60), environment);
  }
  // Runs the commands from "job.cmd" under the serial connection line of COM1.
  RunResult Job(const std::string& commands, std::vector<std::string> switches = {}) {
    Write("job.cmd", "01,1,7,8,O,650,ERA\r\n" + commands);
    switches.push_back("job.cmd");
    return Run(switches);
  }
  void Write(const std::string& name, const std::string& bytes) { WriteBinary(dir_ / name, bytes); }
  std::string Read(const std::string& name) { return ReadBinary(dir_ / name); }
  bool Exists(const std::string& name) { return std::filesystem::exists(dir_ / name); }

  // The log lines without their date and time ("dd-mm-yyyy,hh:mm,"), each
  // with its CR LF.
  std::vector<std::string> LogTails(const std::string& name) {
    std::vector<std::string> tails;
    std::string log = Read(name);
    for (std::size_t at = 0; at < log.size();) {
      std::size_t end = log.find("\r\n", at);
      end = end == std::string::npos ? log.size() : end + 2;
      std::string line = log.substr(at, end - at);
      tails.push_back(line.size() > 17 ? line.substr(17) : line);
      at = end;
    }
    return tails;
  }

  std::filesystem::path dir_;
};

class RegisterJobTest : public ProgramDirectoryTest {
 protected:
  RegisterJobTest() : register_(dir_ / "emulator") {}

  // tarvik.ini without pauses and with a one-second time-out; the COM ports
  // given map to their devices, every other one to a path that does not
  // exist, so that no real serial port is ever touched.
  void WriteIni(const std::map<int, std::string>& ports, const std::string& more = {}) {
    std::string ini = "zpozdeni=0\r\ntimeout=1\r\n";
    for (int n = 1; n <= 9; ++n) {
      auto it = ports.find(n);
      std::string device =
          it != ports.end() ? it->second : (dir_ / ("no-port-" + std::to_string(n))).string();
      ini += "com" + std::to_string(n) + "=" + device + "\r\n";
    }
    Write("tarvik.ini", ini + more);
  }

  EmulatedRegister register_;  // stopped before the directory goes
};

}  // namespace tarvik::testing
