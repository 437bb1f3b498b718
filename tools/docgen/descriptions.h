// The words the reference adds to the program's own tables: what a key or a
// switch is for, what a technician checks for an error, what a register file
// holds. Keyed by the tables' names and numbers; the generator refuses to run
// when a table entry has no words here, or words here have no table entry.
#pragma once

#include <span>
#include <string_view>

namespace tarvik::docgen {

struct Described {
  std::string_view key;  // INI key or switch as the table spells it
  std::string_view text;
};

struct ErrorAdvice {
  int code;
  std::string_view check;  // what a technician looks at, subcodes included
};

struct RegisterFile {
  int number;  // as written in command files and in the table ("10" is 0x10)
  std::string_view holds;
};

std::span<const Described> IniKeyTexts();
std::span<const Described> SwitchTexts();
std::span<const ErrorAdvice> ErrorAdvices();
// Only the files whose purpose the program itself relies on.
std::span<const RegisterFile> RegisterFiles();

}  // namespace tarvik::docgen
