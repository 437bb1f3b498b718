// Running another program as a child: its own working directory and process
// group, stdin and stdout on the null device, the last bytes of its stderr
// kept, a wait with a deadline, and a polite stop (SIGTERM to its process
// group; on Windows Ctrl+Break to its new process group).
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tarvik::platform {

struct ChildSpec {
  std::string program;  // the file to run
  std::string argv0;    // the name the child sees as argv[0]
  std::vector<std::string> args;
  std::string workingDirectory;
  std::size_t stderrTail = 4096;  // bytes of stderr kept
};

struct ChildEnd {
  bool exited = false;  // false: ended by a signal
  int code = -1;        // exit code, or the signal's number
};

class Child {
 public:
  virtual ~Child() = default;
  // Waits until the child ends or `deadline` passes; true when it ended.
  // Called from one thread only.
  virtual bool WaitUntil(std::chrono::steady_clock::time_point deadline) = 0;
  // Asks the child to end (safe from any thread, also after it ended).
  virtual void Terminate() = 0;
  // Ends it without asking.
  virtual void Kill() = 0;
  // Valid after WaitUntil returned true.
  virtual ChildEnd End() const = 0;
  virtual std::string StderrTail() const = 0;
};

// Starts the child; nullptr with `error` set when it could not be started.
std::unique_ptr<Child> StartChild(const ChildSpec& spec, std::string* error);

// Directory of the running program's own file, with a trailing separator.
std::string OwnProgramDirectory();

}  // namespace tarvik::platform
