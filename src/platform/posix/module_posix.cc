#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/module.h"

namespace tarvik::platform {

std::string ExecutableDirectory() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return {};
  std::string directory(path, static_cast<std::size_t>(n));
  directory.erase(directory.rfind('/') + 1);
  return directory;
}

void* LoadModuleSymbol(const std::string& path, const char* symbol, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    *error = reason ? reason : path + ": cannot be loaded";
    return nullptr;
  }
  dlerror();
  void* address = dlsym(module, symbol);
  if (!address) {
    const char* reason = dlerror();
    *error = reason ? reason : path + ": no " + symbol;
  }
  return address;
}

}  // namespace tarvik::platform
