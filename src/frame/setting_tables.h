// The keys of tarvik.ini and the command-line switches as tables. The INI
// reader and the switch parser walk them in their order, and the reference
// documentation (tools/docgen) is generated from them, so what the program
// reads and what the manual says cannot part.
#pragma once

#include <climits>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "frame/program.h"

namespace tarvik::frame {

enum class IniValueKind {
  kText,       // the text after "=", blanks around it dropped, at most maxLength characters
  kCharacter,  // a text of at most one character; its first character is taken
  kSwitch,     // a number; 0 is off, any other value on
  kInteger,    // a number, read as far as it is a decimal integer
};

inline constexpr int kMinIniTimeout = 1;
inline constexpr int kMaxIniTimeout = 100;

struct IniKey {
  std::string_view name;
  IniValueKind kind;
  std::size_t maxLength;  // text and character keys
  int minimum;            // integer keys: the range the program keeps the value in
  int maximum;
  bool used;                      // false: read (and checked) but without effect
  bool CommandLineMarks::*mark;   // a switch of this mark makes the key ignored
  std::string_view defaultValue;  // as the program starts a job without tarvik.ini
  // Takes the value of a line that holds the key.
  void (*apply)(Program& program, const IniKey& key, const std::string& line);
  // The setting as text, in the form of defaultValue ("" for unused keys).
  std::string (*current)(const JobSettings& settings);
};

// In the order the reader tests them on every line.
std::span<const IniKey> IniKeys();

struct CommandLineSwitch {
  std::string_view on;   // stores 1
  std::string_view off;  // stores 0; empty when the switch has no "-" form
  std::string_view setting;
  void (*set)(Program& program, int value);
  bool CommandLineMarks::*mark;  // recorded when either form is found
  bool requestsJob;              // also starts a job without a command file
};

// In the order the parser tests them: a later match wins over an earlier one.
std::span<const CommandLineSwitch> CommandLineSwitches();

}  // namespace tarvik::frame
