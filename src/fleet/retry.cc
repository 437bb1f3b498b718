#include "fleet/retry.h"

#include <algorithm>

namespace tarvik::fleet {

bool IsCurableError(int code) {
  switch (code) {
    case 5:    // a request could not be sent
    case 8:    // the raw text did not arrive
    case 9:    // the end marker could not be sent
    case 10:   // a character did not come in time
    case 11:   // time-out
    case 12:   // unexpected data on the line
    case 38:   // the register does not answer
    case 40:   // a frame stayed corrupted: line noise
    case 41:   // frames out of sequence
    case 42:   // a frame could not be sent
    case 47:   // another receive fault of the line
    case 48:   // I/O pending
    case 92:   // the COM port did not open: busy or absent for now
    case 93:   // the modem did not connect
    case 103:  // socket, connect refused or failed
    case 105:  // send failed
    case 106:  // receive failed, connection closed
    case 108:  // network check sum
    case 109:  // network timing
    case 110:  // network time-out
    case 111:  // network sequence
      return true;
    default:
      return false;
  }
}

Verdict Classify(const AttemptFacts& facts) {
  if (facts.exited && facts.exitCode == 0) return Verdict::kOk;
  // A job that waited in vain for the directory lock exits 1 and touches
  // nothing: the other job will be gone later.
  if (facts.exited && facts.exitCode == 1 && !facts.errWritten && facts.lockFilePresent)
    return Verdict::kRetry;
  if (facts.exited && facts.exitCode == 1 && facts.errWritten && facts.hasPair &&
      IsCurableError(facts.code))
    return Verdict::kRetry;
  return Verdict::kFinal;
}

std::chrono::milliseconds RetryDelay(int attempt, std::chrono::milliseconds base) {
  constexpr std::chrono::milliseconds kLongest = std::chrono::minutes(10);
  std::chrono::milliseconds delay = base;
  for (int k = 2; k < attempt && delay < kLongest; ++k) delay *= 3;
  return std::min(delay, kLongest);
}

}  // namespace tarvik::fleet
