#include "ui/win32/status_view.h"

#include <algorithm>
#include <string_view>

#include "ui/win32/text.h"

namespace tarvik::ui::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TarvikStatusScreen";
constexpr int kFontHeight = 16;

// Control bytes have no glyph of their own; they take one blank cell so the
// columns stay in line.
std::wstring CellText(const std::array<char, screen::kScreenColumns>& row, int first, int last) {
  std::string bytes(row.begin() + first, row.begin() + last + 1);
  for (char& c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) c = ' ';
  }
  return FromCp1250(bytes);
}

bool RegisterOnce(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = kClassName;
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

StatusView::StatusView(const screen::TerminalState& state) : state_(state) {
  // A fixed-pitch font with the Central European letters of the code page.
  font_ = CreateFontW(-kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, EASTEUROPE_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      FIXED_PITCH | FF_MODERN, L"Courier New");
}

StatusView::~StatusView() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_ != nullptr) DeleteObject(font_);
}

bool StatusView::Create(HWND parent, int id) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterOnce(instance, Procedure)) return false;
  window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (window_ == nullptr) return false;
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  MeasureFont();
  return true;
}

void StatusView::MeasureFont() {
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  charWidth_ = std::max<int>(1, metrics.tmAveCharWidth);
  charHeight_ = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
}

void StatusView::Repaint() {
  if (window_ == nullptr) return;
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
}

void StatusView::SetCaretOn(bool on) {
  if (caretOn_ == on) return;
  caretOn_ = on;
  Repaint();
}

LRESULT CALLBACK StatusView::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<StatusView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view != nullptr && message == WM_PAINT) {
    view->Paint();
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;  // the paint covers every pixel
  return DefWindowProcW(window, message, wParam, lParam);
}

void StatusView::Paint() {
  const screen::ScreenSnapshot screen = state_.Snapshot();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  const RECT area = ps.rcPaint;
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);

  lastPaint_.clear();
  ++paintCount_;
  if (area.top < screen::kScreenRows * charHeight_ &&
      area.left < screen::kScreenColumns * charWidth_ && area.bottom > area.top &&
      area.right > area.left) {
    const int firstRow = std::clamp<int>(area.top / charHeight_, 0, screen::kScreenRows - 1);
    const int lastRow =
        std::clamp<int>((area.bottom - 1) / charHeight_, 0, screen::kScreenRows - 1);
    const int firstColumn = std::clamp<int>(area.left / charWidth_, 0, screen::kScreenColumns - 1);
    const int lastColumn =
        std::clamp<int>((area.right - 1) / charWidth_, 0, screen::kScreenColumns - 1);
    const std::vector<INT> advances(screen::kScreenColumns, charWidth_);
    for (int row = firstRow; row <= lastRow; ++row) {
      const std::wstring text =
          CellText(screen.cells[static_cast<std::size_t>(row)], firstColumn, lastColumn);
      // Every character in its own cell, so a letter from a fallback font
      // cannot move the columns after it.
      ExtTextOutW(dc, firstColumn * charWidth_, row * charHeight_, 0, nullptr, text.c_str(),
                  static_cast<UINT>(text.size()), advances.data());
      lastPaint_.push_back({row, firstColumn, text});
    }
  }

  HWND root = GetAncestor(window_, GA_ROOT);
  caretDrawn_ = caretOn_ && screen.connected && GetActiveWindow() == root;
  if (caretDrawn_) {
    caretCell_ = {screen.column, screen.row};
    PatBlt(dc, screen.column * charWidth_, screen.row * charHeight_, charWidth_, charHeight_,
           DSTINVERT);
  }
  SelectObject(dc, oldFont);
  EndPaint(window_, &ps);
}

}  // namespace tarvik::ui::win32
