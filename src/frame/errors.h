// The error table and the one exception that carries a failure to the job
// boundary. An error is a pair: the code indexes the message table, the
// subcode names the failing place within the code.
//
// Deep code never ends the program itself: it throws JobFailure (through
// Fail), and the boundary of its thread hands the pair to FatalError, which
// runs the failure exit once.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "frame/error_pairs.h"

namespace tarvik::frame {

// Code 116 is this program's own: a job stopped from outside (a signal, Ctrl+C).
inline constexpr int kErrorTableSize = 117;
inline constexpr int kInterruptedCode = 116;
inline constexpr int kInternalModeError = 500;  // an unknown file-open mode

// Message text of a code as UTF-8 ("" for codes without text and outside the table).
std::string_view ErrorText(int code);

// Subcodes for failing places that had no subcode of their own. Kept here, next
// to the table, so that the whole list of pairs a caller can meet is in one place.
struct AddedSubcode {
  ErrorPair pair;
  const char* meaning;
};
inline constexpr AddedSubcode kAddedSubcodes[] = {
    {error::kSpeedNotDigit, "connection line: a speed code that is not a digit"},
    {error::kRecordForBlocklessFile,
     "data file to send: a record for a file whose block length is 0"},
    {error::kStockKeyTooLong, "stock file: a key longer than 14 characters"},
    {error::kStockLineWithoutSeparator, "stock file: a line without a field separator"},
    {error::kStockLineEmpty, "stock file: an empty line"},
    {error::kTooManyAccounts, "account list: more than 256 accounts"},
    {error::kAccountItemLength, "account item record (file 91) is not 21 bytes"},
    {error::kPluSalesTextTooLong,
     "PLU sales file (S03): a first or third field longer than 15 characters"},
    {error::kSortPluNumberTooLong,
     "PLU file to sort (SE3): a PLU number longer than 14 characters"},
    {error::kStockQuantityOutOfRange,
     "stock file: a quantity or a summed quantity outside 32 bits"},
    {error::kNumberDoesNotFit,
     "data file to send: an H or L number, or the line count, that does not fit its bytes"},
    {error::kNFieldNotDigit,
     "data file to send: a character in an N field that is no digit, blank or : ; < = > ?"},
    {error::kSFieldNotDigit,
     "data file to send: a character in an S field that is no digit, blank or : ; < = > ?"},
    {error::kZFieldNotDigit,
     "data file to send: a character in a Z field that is no digit, blank or : ; < = > ?"},
    {error::kStockQuantityNotNumber,
     "stock file: a quantity that is not blanks, a sign and digits"},
    {error::kAccountNumberNotNumber,
     "account list: a number that is not blanks, a sign and digits"},
    {error::kBuiltInCommandFileNotInPlace,
     "built-in command file (*.cmx): the file written cannot be given its name"},
    {error::kClosedByRegister, "network: the register closed the connection"},
    {error::kPortDialogNotCreated, "Windows: the port and speed dialog could not be created"},
    {error::kIpDialogNotCreated, "Windows: the IP-address dialog could not be created"},
    {error::kAboutDialogNotCreated, "Windows: the About dialog could not be created"},
    {error::kHelpDialogNotCreated, "Windows: the help dialog could not be created"},
    {error::kInterruptedBySigint, "job interrupted: SIGINT (Ctrl+C)"},
    {error::kInterruptedBySigterm, "job interrupted: SIGTERM (Ctrl+Break on Windows)"},
    {error::kInterruptedByHangUp,
     "job interrupted: SIGHUP (the console closed, log-off or shutdown on Windows)"},
};

class JobFailure : public std::exception {
 public:
  explicit JobFailure(ErrorPair pair, std::uint32_t osError = 0, std::string context = {})
      : pair_(pair), osError_(osError), context_(std::move(context)) {}
  ErrorPair pair() const { return pair_; }
  int code() const { return pair_.code; }
  int subcode() const { return pair_.subcode; }
  std::uint32_t osError() const { return osError_; }
  // What a technician needs to mend the cause (a file name, a command-file
  // line, a device and the system's reason), in Windows-1250; empty when the
  // code says it all. Written to stderr and the debug output, never into the
  // specified texts.
  const std::string& context() const { return context_; }
  // Puts what an outer layer knows (the file, then the line...) in front.
  void AddOuterContext(std::string_view where);
  const char* what() const noexcept override { return "tarvik job failure"; }

 private:
  ErrorPair pair_;
  std::uint32_t osError_;
  std::string context_;
};

[[noreturn]] inline void Fail(ErrorPair pair, std::uint32_t osError = 0, std::string context = {}) {
  throw JobFailure(pair, osError, std::move(context));
}

// The same failure under another pair, keeping its system error and context.
[[noreturn]] inline void Refail(const JobFailure& failure, ErrorPair pair) {
  throw JobFailure(pair, failure.osError(), failure.context());
}

// Runs `body`; a failure thrown from it gets `where` in front of its context.
template <typename Body>
decltype(auto) WithContext(std::string_view where, Body&& body) {
  try {
    return body();
  } catch (JobFailure& failure) {
    failure.AddOuterContext(where);
    throw;
  }
}

}  // namespace tarvik::frame
