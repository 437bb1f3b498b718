// Usage on a terminal: --help and --version, and the refusal of any other
// argument that starts with "--". None of them touches the program directory.
// The texts are Czech when the user's language is Czech, English otherwise.
#pragma once

#include <string>
#include <vector>

#include "frame/program.h"

namespace tarvik::frame {

enum class LongOption { kNone, kHelp, kVersion, kUnknown };

// What --version says of the build.
struct BuildInfo {
  std::string system;     // "Linux x86_64"
  std::string qtVersion;  // empty: built without the window
};

struct LongOptionFound {
  LongOption option = LongOption::kNone;
  std::string text;  // as given
};

// The first argument of argv[1..] that starts with "--".
LongOptionFound FindLongOption(const std::vector<std::string>& argv);
// The same among the blank-separated words of a raw Windows command line
// behind its program token (quotes around a word are dropped).
LongOptionFound FindLongOptionInLine(const std::string& commandLine);

std::string UsageText(bool czech);
// "tarvik 1.86 (Linux x86_64, Qt 6.4.2)".
std::string VersionText(bool czech, const BuildInfo& build);
// The short message of an unknown option, with the hint to --help.
std::string UnknownOptionText(bool czech, const std::string& option);

// Prints what the option asks for and ends the process: --help (stdout, 0),
// --version (stdout, 0), any other (stderr, 2). Returns for kNone.
void AnswerLongOption(Program& program, const LongOptionFound& found, bool czech,
                      const BuildInfo& build);

// Exit code of a usage error (also of a command line that is too long).
inline constexpr int kUsageExitCode = 2;

}  // namespace tarvik::frame
