#include "ui/win32/command_editor.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include "ui/win32/text.h"

namespace tarvik::ui::win32 {
namespace {

// Above anything the rules let in (every line end as CR LF).
constexpr int kControlLimit = 2 * window::kMaxEditorCharacters;

std::wstring ControlText(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'\n') out += L'\r';
    out += static_cast<wchar_t>(c);
  }
  return out;
}

std::u16string ControlContent(HWND edit) {
  const int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), length + 1)));
  return Utf16(text);
}

}  // namespace

CommandEditor::~CommandEditor() {
  if (edit_ != nullptr) {
    RemoveWindowSubclass(edit_, Subclass, 1);
    DestroyWindow(edit_);
  }
}

bool CommandEditor::Create(HWND parent, int id) {
  edit_ = CreateWindowExW(0, L"EDIT", L"",
                          WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                              ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (edit_ == nullptr) return false;
  SendMessageW(edit_, EM_SETLIMITTEXT, kControlLimit, 0);
  SetWindowSubclass(edit_, Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
  return true;
}

LRESULT CALLBACK CommandEditor::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR /*id*/, DWORD_PTR self) {
  auto* editor = reinterpret_cast<CommandEditor*>(self);
  switch (message) {
    case WM_CHAR: {
      const auto c = static_cast<wchar_t>(wParam);
      const bool typed = c == L'\r' || c == L'\t' || c >= 0x20;
      if (typed && c != 0x7F && editor->Fitting(c == L'\r' ? u"\n" : std::u16string(1, c)) == 0) {
        if (editor->beep_) editor->beep_();
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      // Shift+Insert pastes inside the control without a WM_PASTE.
      if (wParam == VK_INSERT && (GetKeyState(VK_SHIFT) & 0x8000) != 0 &&
          (GetKeyState(VK_CONTROL) & 0x8000) == 0) {
        editor->Paste();
        return 0;
      }
      break;
    case WM_PASTE:
      editor->Paste();
      return 0;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void CommandEditor::SetText(const window::EditorText& text) {
  lineEnd_ = text.lineEnd;
  SetWindowTextW(edit_, ControlText(text.text).c_str());
  SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
  search_.StartAt(0);
  SetModified(false);
}

void CommandEditor::NewText() {
  SetText(window::EditorText{});
}

window::LoadResult CommandEditor::LoadFile(const std::filesystem::path& path) {
  window::EditorText text;
  const window::LoadResult result = window::LoadEditorFile(path, &text);
  if (result == window::LoadResult::kLoaded) SetText(text);
  return result;
}

std::string CommandEditor::SavedBytes() const {
  return window::EncodeEditorFile({Text(), lineEnd_});
}

bool CommandEditor::SaveFile(const std::filesystem::path& path) const {
  return window::SaveEditorFile(path, {Text(), lineEnd_});
}

int CommandEditor::Length() const {
  return window::CostOf(Text(), lineEnd_.size());
}

bool CommandEditor::Modified() const {
  return SendMessageW(edit_, EM_GETMODIFY, 0, 0) != 0;
}

void CommandEditor::SetModified(bool modified) {
  SendMessageW(edit_, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
}

bool CommandEditor::CanUndo() const {
  return SendMessageW(edit_, EM_CANUNDO, 0, 0) != 0;
}

bool CommandEditor::HasSelection() const {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start != end;
}

std::pair<std::size_t, std::size_t> CommandEditor::Selection() const {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  // Control positions count CR LF as two; the rules count one.
  const std::u16string content = ControlContent(edit_);
  auto rules = [&](DWORD at) {
    std::size_t crs = 0;
    for (std::size_t i = 0; i < at && i < content.size(); ++i) crs += content[i] == u'\r';
    return static_cast<std::size_t>(at) - crs;
  };
  return {rules(start), rules(end)};
}

void CommandEditor::SetFont(HFONT font) {
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::u16string CommandEditor::Text() const {
  return window::NormaliseLineBreaks(ControlContent(edit_));
}

void CommandEditor::Select(std::size_t start, std::size_t end) {
  const std::u16string text = Text();
  auto control = [&](std::size_t at) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) breaks += text[i] == u'\n';
    return static_cast<WPARAM>(at + breaks);
  };
  SendMessageW(edit_, EM_SETSEL, control(start), static_cast<LPARAM>(control(end)));
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

std::size_t CommandEditor::Fitting(std::u16string_view text) const {
  const auto [start, end] = Selection();
  const std::u16string all = Text();
  const int selection =
      window::CostOf(std::u16string_view(all).substr(start, end - start), lineEnd_.size());
  return window::Fitting(text, window::CostOf(all, lineEnd_.size()), selection, lineEnd_.size());
}

std::size_t CommandEditor::Insert(std::u16string_view text) {
  const std::size_t fit = Fitting(text);
  const std::wstring shown = ControlText(text.substr(0, fit));
  SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(shown.c_str()));
  return fit;
}

std::size_t CommandEditor::ReplaceSelection(std::u16string_view text) {
  return Insert(text);
}

void CommandEditor::Paste() {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(edit_)) return;
  std::u16string text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Utf16(units);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  text = window::NormaliseLineBreaks(text);
  if (Insert(text) < text.size() && beep_) beep_();
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

void CommandEditor::StoreSearchPosition() {
  search_.StartAt(Selection().second);
}

bool CommandEditor::FindNext(std::u16string_view text) {
  return search_.FindNext(*this, text);
}

bool CommandEditor::ReplaceNext(std::u16string_view text, std::u16string_view replacement) {
  return search_.ReplaceNext(*this, text, replacement);
}

bool CommandEditor::ReplaceAll(std::u16string_view text, std::u16string_view replacement) {
  return search_.ReplaceAll(*this, text, replacement);
}

}  // namespace tarvik::ui::win32
