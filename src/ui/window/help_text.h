// The texts of the help dialog "Stručný popis programu" and of the About
// dialog, shared by every view of the main window (UTF-8, '\n' between lines).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarvik::ui::window {

inline constexpr int kHelpDialogId = 106;
inline constexpr int kAboutDialogId = 100;
inline constexpr std::string_view kHelpTitle = "Stručný popis programu";
inline constexpr std::string_view kAboutTitle = "O programu";

// The built-in help text, with the program's switches, INI keys and error table.
std::string HelpText();

// The three lines of the About dialog: program, system and version.
std::array<std::string, 3> AboutTexts();

}  // namespace tarvik::ui::window
