// The command-file editor in the lower half of the main window: a multi-line
// EDIT control over the editor rules of ui/window/editor_rules.h (size limit,
// loading and saving, find and replace). The control holds CR LF between
// lines; the rules see '\n', so positions are translated at this boundary.
//
// The size limit is the rules' own (a line end counts with the bytes it is
// saved with), so typing, Enter and pasting are cut here; the control's own
// limit is only a backstop above it.
#pragma once

#include "platform/win32/windows_api.h"

#include <filesystem>
#include <functional>
#include <string>

#include "ui/window/editor_rules.h"

namespace tarvik::ui::win32 {

class CommandEditor final : public window::EditableText {
 public:
  CommandEditor() = default;
  ~CommandEditor() override;
  CommandEditor(const CommandEditor&) = delete;
  CommandEditor& operator=(const CommandEditor&) = delete;

  // The control, hidden, with the control id `id`.
  bool Create(HWND parent, int id);
  HWND Handle() const { return edit_; }
  // Beeps when typing or pasting hits the limit (tests count them).
  void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }

  // An empty text with CR LF line ends.
  void NewText();
  window::LoadResult LoadFile(const std::filesystem::path& path);
  // True when every byte was written.
  bool SaveFile(const std::filesystem::path& path) const;
  // The text as it is saved: Windows-1250 bytes with the line ends.
  std::string SavedBytes() const;
  const std::u16string& LineEnd() const { return lineEnd_; }
  // The characters the text counts against the limit.
  int Length() const;

  bool Modified() const;
  void SetModified(bool modified);
  bool CanUndo() const;
  bool HasSelection() const;
  // The selection in the rules' positions ('\n' one unit).
  std::pair<std::size_t, std::size_t> Selection() const;
  void SetFont(HFONT font);

  // What the search works on.
  std::u16string Text() const override;
  void Select(std::size_t start, std::size_t end) override;
  std::size_t ReplaceSelection(std::u16string_view text) override;

  // The search starts at the search position: the menu commands set it to the
  // end of the selection; every match moves it behind the match.
  void StoreSearchPosition();
  std::size_t SearchPosition() const { return search_.Position(); }
  bool FindNext(std::u16string_view text);
  bool ReplaceNext(std::u16string_view text, std::u16string_view replacement);
  bool ReplaceAll(std::u16string_view text, std::u16string_view replacement);

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);
  void SetText(const window::EditorText& text);
  // How many units of `text` ('\n' line breaks) fit in place of the selection.
  std::size_t Fitting(std::u16string_view text) const;
  // Inserts `text` ('\n' line breaks) in place of the selection, cut to the
  // limit; the undo of the control takes it back.
  std::size_t Insert(std::u16string_view text);
  void Paste();

  HWND edit_ = nullptr;
  std::u16string lineEnd_ = u"\r\n";
  window::TextSearch search_;
  std::function<void()> beep_;
};

}  // namespace tarvik::ui::win32
