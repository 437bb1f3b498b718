// Ending or replacing the process, and the console streams of a windowless run.
#pragma once

#include <string>

namespace tarvik::platform {

// Thrown only by test doubles of Process in place of ending the process, so
// a test sees the end of a thread's work; the real process never throws it.
struct ProcessEnding {
  int code = 0;
  bool restarted = false;
  bool parked = false;
};

class Process {
 public:
  virtual ~Process() = default;
  [[noreturn]] virtual void Exit(int code) = 0;
  // Replaces the process with a fresh start of the program file (argv[0]
  // unchanged, no other arguments). Returns only when that failed.
  virtual void Restart(const std::string& argv0) = 0;
  // A thread that lost the race to the failure exit waits here for the end.
  [[noreturn]] virtual void Park() = 0;
};

Process& RealProcess();

class Console {
 public:
  virtual ~Console() = default;
  virtual bool StdoutIsTerminal() = 0;
  virtual void WriteStdout(const std::string& utf8) = 0;
  virtual void WriteStderr(const std::string& utf8) = 0;
  virtual void Bell() = 0;
};

Console& RealConsole();

}  // namespace tarvik::platform
