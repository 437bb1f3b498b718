// Which failed attempts are worth a second try: those a register or a line
// can cure by itself. The register did not answer, the connection failed, was
// refused or closed, the port was busy, the program directory was locked by
// another job. Faults of the command file, the data files and replies that
// were read (the key in REG, a record format) come again on every try.
#pragma once

#include <chrono>
#include <string>

namespace tarvik::fleet {

// What one ended attempt left behind.
struct AttemptFacts {
  bool exited = true;            // false: ended by a signal
  int exitCode = 0;              // or the signal's number
  bool errWritten = false;       // `err` was written by this attempt
  bool lockFilePresent = false;  // tarvik.lck in the register's directory
  bool hasPair = false;          // this attempt wrote a log line
  int code = 0;
  int subcode = 0;
};

enum class Verdict { kOk, kRetry, kFinal };

Verdict Classify(const AttemptFacts& facts);

// Whether an error code is a link fault a second try can cure.
bool IsCurableError(int code);

// The pause before attempt `attempt` (2, 3, ...): base, 3 x base, 9 x base,
// ..., at most ten minutes.
std::chrono::milliseconds RetryDelay(int attempt, std::chrono::milliseconds base);

}  // namespace tarvik::fleet
