// tarvik-docgen SOURCE OUT [--check]
//
// Fills the program's tables into the hand-written pages of SOURCE (*.md
// become Markdown, *.scd manual-page sources) and writes them under the same
// names into OUT; with --check it writes nothing and lists the pages of OUT
// that differ from what it would write (exit 1), so a reference that no longer
// matches the program fails the build's checks.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/docgen/render.h"

namespace fs = std::filesystem;
using tarvik::docgen::DocError;
using tarvik::docgen::Format;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Run(const fs::path& source, const fs::path& out, bool check) {
  const std::vector<std::string> missing = tarvik::docgen::MissingWords();
  if (!missing.empty()) {
    std::cerr << "tarvik-docgen: tools/docgen/descriptions.cc does not match the program's "
                 "tables:\n";
    for (const std::string& m : missing) std::cerr << "  " << m << "\n";
    return 2;
  }
  if (!fs::is_directory(source)) {
    std::cerr << "tarvik-docgen: " << source << " is not a folder of pages\n";
    return 2;
  }
  std::vector<fs::path> pages;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source)) {
    const fs::path& p = entry.path();
    if (entry.is_regular_file() && (p.extension() == ".md" || p.extension() == ".scd")) {
      pages.push_back(p);
    }
  }
  std::sort(pages.begin(), pages.end());
  int differing = 0;
  for (const fs::path& page : pages) {
    const fs::path relative = fs::relative(page, source);
    const Format format = page.extension() == ".md" ? Format::kMarkdown : Format::kScdoc;
    const std::string sourceName = (fs::path("docs/source") / relative).generic_string();
    const std::string text = tarvik::docgen::FillPage(ReadAll(page), sourceName, format);
    const fs::path target = out / relative;
    const bool same = fs::exists(target) && ReadAll(target) == text;
    if (check) {
      if (!same) {
        std::cerr << "tarvik-docgen: " << target.generic_string()
                  << " differs from what the program's tables give\n";
        ++differing;
      }
      continue;
    }
    if (same) continue;
    fs::create_directories(target.parent_path());
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) {
      std::cerr << "tarvik-docgen: cannot write " << target << "\n";
      return 2;
    }
  }
  if (differing) {
    std::cerr << "Run scripts/check-docs.sh --update and commit the result.\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool check = false;
  std::erase_if(args, [&](const std::string& a) { return a == "--check" && (check = true); });
  if (args.size() != 2) {
    std::cerr << "usage: tarvik-docgen SOURCE OUT [--check]\n";
    return 2;
  }
  try {
    return Run(args[0], args[1], check);
  } catch (const DocError& e) {
    std::cerr << "tarvik-docgen: " << e.what() << "\n";
  } catch (const fs::filesystem_error& e) {
    std::cerr << "tarvik-docgen: " << e.what() << "\n";
  }
  return 2;
}
