// Renders the program's tables as blocks of the reference, in Markdown or in
// scdoc (the manual pages' source), and fills the blocks into hand-written
// pages: a line "@@name@@" of a page stands for block "name".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::docgen {

enum class Format { kMarkdown, kScdoc };

class DocError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The names the pages may use.
std::vector<std::string> BlockNames();
// Throws DocError for an unknown name or for a table entry without words.
std::string RenderBlock(std::string_view name, Format format);

// A page with its blocks filled in and the note that it is generated put
// first. `sourceName` is the page's path as the note names it.
std::string FillPage(std::string_view page, std::string_view sourceName, Format format);

// Everything the words of descriptions.cc miss or have too many of; empty
// when tables and words match.
std::vector<std::string> MissingWords();

}  // namespace tarvik::docgen
