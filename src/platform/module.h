// Code loaded at run time: the main window lives in a shared module beside
// the executable, so that a run without a window never maps its toolkit.
#pragma once

#include <string>

namespace tarvik::platform {

// The directory of the running executable itself (symbolic links followed),
// with a trailing '/'; empty when the system does not say.
std::string ExecutableDirectory();

// Loads the shared module `path` (its dependencies resolved at once) and
// returns the address of `symbol`; null with a readable reason in *error
// when either fails. The module stays loaded until the process ends.
void* LoadModuleSymbol(const std::string& path, const char* symbol, std::string* error);

}  // namespace tarvik::platform
