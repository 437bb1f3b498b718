#include "app/window_loader.h"

#include "platform/module.h"

namespace tarvik::app {

const ui::qt::WindowEntry* LoadWindowModule(std::string* error) {
  const std::string directory = platform::ExecutableDirectory();
  if (directory.empty()) {
    *error = "the directory of the program file is not known";
    return nullptr;
  }
  const std::string path = directory + ui::qt::kWindowModuleFile;
  void* symbol = platform::LoadModuleSymbol(path, ui::qt::kWindowEntrySymbol, error);
  if (!symbol) return nullptr;
  const auto* entry = static_cast<const ui::qt::WindowEntry*>(symbol);
  if (entry->version != ui::qt::WindowEntry::kVersion) {
    *error = path + " belongs to another version of the program";
    return nullptr;
  }
  return entry;
}

}  // namespace tarvik::app
