// Comparing file names without regard to letter case, the same way on every
// system: only the ASCII letters fold, so a Windows-1250 letter in a name
// matches only itself.
#pragma once

#include <string_view>

namespace tarvik::platform {

bool EqualNoCase(std::string_view a, std::string_view b);
bool StartsNoCase(std::string_view text, std::string_view prefix);
bool EndsNoCase(std::string_view text, std::string_view suffix);

}  // namespace tarvik::platform
