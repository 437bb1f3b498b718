#include "ui/window/editor_rules.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "frame/codepage.h"

namespace tarvik::ui::window {
namespace {

std::u16string Utf16Text(std::string_view bytes, bool reversed) {
  std::u16string text;
  const std::size_t units = (bytes.size() - 2) / 2;
  text.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
    const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
    const auto unit = static_cast<char16_t>(reversed ? (a << 8 | b) : (b << 8 | a));
    if (unit == 0) break;
    text += unit;
  }
  return text;
}

std::u16string DetectLineEnd(std::u16string_view text) {
  const std::size_t at = text.find_first_of(u"\r\n");
  if (at == std::u16string_view::npos) return u"\r\n";
  if (text[at] == u'\n') return u"\n";
  return at + 1 < text.size() && text[at + 1] == u'\n' ? u"\r\n" : u"\r";
}

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\u2029' || c == u'\u2028';
}

}  // namespace

EditorText DecodeEditorFile(std::string_view bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const bool mark = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
  const bool reversedMark = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
  std::u16string text;
  if (mark || reversedMark) {
    text = frame::Cp1250ToUtf16(frame::Utf16ToCp1250(Utf16Text(bytes, reversedMark)));
  } else {
    text = frame::Cp1250ToUtf16(bytes.substr(0, bytes.find('\0')));
  }
  EditorText result;
  result.lineEnd = DetectLineEnd(text);
  result.text = NormaliseLineBreaks(text);
  return result;
}

std::string EncodeEditorFile(const EditorText& text) {
  std::u16string out;
  out.reserve(text.text.size());
  for (char16_t c : text.text) {
    if (c == u'\n') {
      out += text.lineEnd;
    } else {
      out += c;
    }
  }
  return frame::Utf16ToCp1250(out);
}

LoadResult LoadEditorFile(const std::filesystem::path& path, EditorText* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return LoadResult::kUnreadable;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return LoadResult::kUnreadable;
  if (size > kMaxEditorFileBytes) return LoadResult::kTooLarge;
  in.seekg(0);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), size)) return LoadResult::kUnreadable;
  *text = DecodeEditorFile(bytes);
  return LoadResult::kLoaded;
}

bool SaveEditorFile(const std::filesystem::path& path, const EditorText& text) {
  const std::string bytes = EncodeEditorFile(text);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::u16string NormaliseLineBreaks(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += u'\n';
    } else {
      out += text[i];
    }
  }
  return out;
}

int CostOf(std::u16string_view text, std::size_t lineEndLength) {
  int cost = 0;
  for (char16_t c : text) cost += IsLineBreak(c) ? static_cast<int>(lineEndLength) : 1;
  return cost;
}

std::size_t Fitting(std::u16string_view insert, int textCost, int selectionCost,
                    std::size_t lineEndLength) {
  int room = kMaxEditorCharacters - (textCost - selectionCost);
  std::size_t n = 0;
  for (char16_t c : insert) {
    room -= IsLineBreak(c) ? static_cast<int>(lineEndLength) : 1;
    if (room < 0) break;
    ++n;
  }
  return n;
}

bool TextSearch::FindNext(EditableText& editor, std::u16string_view findText) {
  if (findText.empty()) return false;
  const std::u16string text = editor.Text();
  const std::size_t at = text.find(findText, std::min(position_, text.size()));
  if (at == std::u16string::npos) return false;
  editor.Select(at, at + findText.size());
  position_ = at + findText.size();
  return true;
}

bool TextSearch::ReplaceNext(EditableText& editor, std::u16string_view findText,
                             std::u16string_view replacement) {
  if (!FindNext(editor, findText)) return false;
  const std::size_t start = position_ - findText.size();
  position_ = start + editor.ReplaceSelection(replacement);
  return true;
}

bool TextSearch::ReplaceAll(EditableText& editor, std::u16string_view findText,
                            std::u16string_view replacement) {
  if (!ReplaceNext(editor, findText, replacement)) return false;
  while (ReplaceNext(editor, findText, replacement)) {
  }
  return true;
}

PageLayout MeasurePage(int printableWidth, int printableHeight, int averageCharWidth,
                       int lineHeight) {
  PageLayout layout;
  layout.charactersPerLine = printableWidth / std::max(1, averageCharWidth);
  layout.linesPerPage = std::max(1, printableHeight / std::max(1, lineHeight));
  return layout;
}

int PageCount(int lines, int linesPerPage) {
  return (lines + linesPerPage - 1) / linesPerPage;
}

std::vector<int> PrintOrder(int pages, int copies, bool collate) {
  std::vector<int> order;
  copies = std::max(1, copies);
  if (collate) {
    for (int copy = 0; copy < copies; ++copy) {
      for (int page = 0; page < pages; ++page) order.push_back(page);
    }
  } else {
    for (int page = 0; page < pages; ++page) order.insert(order.end(), copies, page);
  }
  return order;
}

std::vector<std::u16string_view> PageLines(const std::vector<std::u16string_view>& lines, int page,
                                           const PageLayout& layout) {
  std::vector<std::u16string_view> out;
  const auto cut = static_cast<std::size_t>(std::max(0, layout.charactersPerLine));
  for (int i = 0; i < layout.linesPerPage; ++i) {
    const auto line = static_cast<std::size_t>(page) * layout.linesPerPage + i;
    if (line >= lines.size()) break;
    out.push_back(lines[line].substr(0, cut));
  }
  return out;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  for (;;) {
    const std::size_t end = text.find(u'\n');
    lines.push_back(text.substr(0, end));
    if (end == std::u16string_view::npos) return lines;
    text.remove_prefix(end + 1);
  }
}

std::string ShownName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return std::string(name.empty() ? kUntitled : name);
}

std::string WindowTitle(std::string_view path) {
  return std::string(kProgramTitle) + " - " + ShownName(path);
}

std::string FileMessage(std::string_view format, std::string_view path) {
  std::string text(format);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, ShownName(path));
  return text;
}

}  // namespace tarvik::ui::window
