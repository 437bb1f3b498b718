// The rules of the command-file editor that are not widget behaviour, shared
// by every view of the main window.
//
// The editor holds its text as UTF-16 lines separated by '\n' (what both
// Qt and a wide Windows edit control give); files are Windows-1250.
//
// Size: at most 32,000 characters as they would be saved, so a line end
// counts with its bytes; a file over 32,000 bytes is not loaded.
// Loading: a file starting with a UTF-16 byte-order mark (either order) is
// read as UTF-16 up to its first zero unit and passed through the code page,
// so what Windows-1250 lacks becomes "?" as on saving; any other file is
// read up to its first zero byte. The first line end met (CR LF, LF or CR;
// CR LF for a new text) is written back after every line on saving, so a
// file keeps its line ends. Saving writes Windows-1250 without a mark.
// Searching: forward from the search position, case-sensitive, unit for
// unit; the menu commands set the position to the end of the selection and
// every match moves it behind the match (or behind the replacement).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::ui::window {

inline constexpr int kMaxEditorCharacters = 32000;
inline constexpr std::int64_t kMaxEditorFileBytes = 32000;
inline constexpr std::size_t kMaxSearchText = 256;
inline constexpr std::size_t kMaxDocumentName = 324;

// ---- files

struct EditorText {
  std::u16string text;               // lines separated by '\n'
  std::u16string lineEnd = u"\r\n";  // written after every line but the last
};

// The text of a file's bytes.
EditorText DecodeEditorFile(std::string_view bytes);
// The bytes a text is saved as.
std::string EncodeEditorFile(const EditorText& text);

enum class LoadResult { kLoaded, kUnreadable, kTooLarge };
LoadResult LoadEditorFile(const std::filesystem::path& path, EditorText* text);
// True when every byte was written.
bool SaveEditorFile(const std::filesystem::path& path, const EditorText& text);

// Any CR LF or CR made '\n' (for pasted text).
std::u16string NormaliseLineBreaks(std::u16string_view text);

// ---- size limit

// What a text costs against the limit, each '\n' counting as the line end.
int CostOf(std::u16string_view text, std::size_t lineEndLength);
// How many units of `insert` fit in place of a selection costing
// `selectionCost` in a text costing `textCost`.
std::size_t Fitting(std::u16string_view insert, int textCost, int selectionCost,
                    std::size_t lineEndLength);

// ---- find and replace

// What a view's editor control offers the search.
class EditableText {
 public:
  virtual ~EditableText() = default;
  virtual std::u16string Text() const = 0;                      // lines separated by '\n'
  virtual void Select(std::size_t start, std::size_t end) = 0;  // and scroll it into view
  // Replaces the selection, cut to what the size limit lets in; returns the
  // units inserted.
  virtual std::size_t ReplaceSelection(std::u16string_view text) = 0;
};

class TextSearch {
 public:
  // The menu commands start from the end of the selection.
  void StartAt(std::size_t selectionEnd) { position_ = selectionEnd; }
  std::size_t Position() const { return position_; }

  // Selects the next match of `findText`; false when there is none.
  bool FindNext(EditableText& editor, std::u16string_view findText);
  // Finds the next match and replaces it; false when there is none.
  bool ReplaceNext(EditableText& editor, std::u16string_view findText,
                   std::u16string_view replacement);
  // Replaces until no match is left after the position; false when there
  // was none at all.
  bool ReplaceAll(EditableText& editor, std::u16string_view findText,
                  std::u16string_view replacement);

 private:
  std::size_t position_ = 0;
};

// ---- printing

struct PageLayout {
  int charactersPerLine = 0;  // longer lines are cut, not wrapped
  int linesPerPage = 1;
};
PageLayout MeasurePage(int printableWidth, int printableHeight, int averageCharWidth,
                       int lineHeight);
int PageCount(int lines, int linesPerPage);
// The pages in the order they are printed: with collation every copy is the
// whole document; without it each page is repeated `copies` times in a row.
std::vector<int> PrintOrder(int pages, int copies, bool collate);
// The lines of one page, each cut to the characters per line.
std::vector<std::u16string_view> PageLines(const std::vector<std::u16string_view>& lines, int page,
                                           const PageLayout& layout);
// The lines of a text separated by '\n'.
std::vector<std::u16string_view> SplitLines(std::u16string_view text);

// ---- titles and messages (UTF-8)

inline constexpr std::string_view kProgramTitle = "Komunikace Tarvik";
inline constexpr std::string_view kUntitled = "(bez názvu)";

// The name a path is shown by: without its folder, "(bez názvu)" for none.
std::string ShownName(std::string_view path);
// "Komunikace Tarvik - name" for the file in the editor or the command file chosen.
std::string WindowTitle(std::string_view path);
// A message format with one "%s", filled with ShownName(path).
std::string FileMessage(std::string_view format, std::string_view path);

inline constexpr std::string_view kAskSaveChanges = "Mám uložit změny provedené v souboru %s?";
inline constexpr std::string_view kCannotOpen = "Nemohu otevřít soubor %s!";
inline constexpr std::string_view kCannotWrite = "Nelze zapsat soubor %s";
inline constexpr std::string_view kCannotPrint = "Could not print file %s";
inline constexpr std::string_view kTooLarge = "Soubor je prilis velky.";
inline constexpr std::string_view kNotFound = "Text nenalezen!";

}  // namespace tarvik::ui::window
