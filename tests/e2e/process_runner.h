// Runs the built programs as child processes for the end-to-end tests: a
// fresh program directory holding a link to `tarvik`, arguments, a bounded
// wait, the exit code and what the child printed.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tarvik::testing {

struct RunResult {
  int exitCode = -1;  // -1 when killed after the time limit
  bool timedOut = false;
  std::string out;
  std::string err;
};

// Path of a built program named by an environment variable set by CTest.
std::string BuiltProgram(const char* environmentVariable);

// Variables set in a child's environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `program` with `args` (argv[0] = argv0) in `workingDirectory`. The
// child sees no display (so no message box can wait for a click) unless
// `environment` names one.
RunResult RunProcess(const std::string& program, const std::string& argv0,
                     const std::vector<std::string>& args,
                     const std::filesystem::path& workingDirectory,
                     std::chrono::milliseconds limit = std::chrono::seconds(60),
                     const Environment& environment = {});

// A child process that runs until stopped (the register emulator).
class Background {
 public:
  Background(const std::string& program, const std::vector<std::string>& args,
             const std::filesystem::path& workingDirectory);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  // Waits until the child printed a line containing `text` on stdout; returns the line.
  std::string WaitForLine(const std::string& text,
                          std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Waits for the child to end by itself; its exit code, or -1 when it is
  // still running after `limit` (it is then stopped).
  int Wait(std::chrono::milliseconds limit);
  // Ends the child (SIGTERM, then SIGKILL) and returns its exit code.
  int Stop();
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  int outFd_ = -1;
  std::string buffer_;
};

}  // namespace tarvik::testing
