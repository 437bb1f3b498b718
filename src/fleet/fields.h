// Text helpers of the fleet. One line of ";"-separated fields as a spreadsheet writes them: a field
// may be quoted ("..." with "" for a quote), blanks around a quoted field are dropped, an unquoted
// field is taken as it stands.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::fleet {

// Throws std::invalid_argument naming the field ("field 2: ...").
std::vector<std::string> SplitFields(std::string_view line);

// A name as the fleet compares names: ASCII letters in lower case.
std::string LowerAscii(std::string text);

}  // namespace tarvik::fleet
