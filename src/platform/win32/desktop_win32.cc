#include "platform/win32/windows_api.h"

#include <cstdlib>
#include <string_view>

#include "platform/desktop.h"

namespace tarvik::platform {

// A Windows session always has a desktop to show message boxes and the
// window on.
bool DisplayAvailable() {
  return true;
}

bool UserLanguageIsCzech() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::string_view(value).starts_with("cs");
  }
  return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CZECH;
}

}  // namespace tarvik::platform
