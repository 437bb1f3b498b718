#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/process.h"

namespace tarvik::platform {
namespace {

class PosixProcess final : public Process {
 public:
  [[noreturn]] void Exit(int code) override {
    std::fflush(stdout);
    std::fflush(stderr);
    // Job threads may still be running; skip static destructors they could race with.
    std::_Exit(code);
  }
  void Restart(const std::string& argv0) override {
    std::fflush(stdout);
    std::fflush(stderr);
    // Every descriptor the program opens is close-on-exec, so nothing leaks
    // into the fresh process.
    char* args[] = {const_cast<char*>(argv0.c_str()), nullptr};
    ::execv("/proc/self/exe", args);
  }
  [[noreturn]] void Park() override {
    std::mutex m;
    std::condition_variable never;
    std::unique_lock<std::mutex> lock(m);
    for (;;) never.wait(lock);
  }
};

class PosixConsole final : public Console {
 public:
  bool StdoutIsTerminal() override { return ::isatty(STDOUT_FILENO) == 1; }
  void WriteStdout(const std::string& utf8) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
  }
  void WriteStderr(const std::string& utf8) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
  }
  void Bell() override {
    if (StdoutIsTerminal()) WriteStdout("\a");
  }

 private:
  std::mutex mutex_;
};

}  // namespace

Process& RealProcess() {
  static PosixProcess process;
  return process;
}

Console& RealConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace tarvik::platform
