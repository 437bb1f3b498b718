#include "ui/win32/print_job.h"

#include <algorithm>
#include <utility>

#include "ui/win32/text.h"
#include "ui/window/editor_rules.h"

namespace tarvik::ui::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TarvikPrintCancel";
constexpr int kNameId = 40052;

}  // namespace

PrintCancelBox::~PrintCancelBox() {
  if (box_ != nullptr) {
    SetWindowLongPtrW(box_, GWLP_USERDATA, 0);
    DestroyWindow(box_);
  }
  if (font_ != nullptr) DeleteObject(font_);
}

bool PrintCancelBox::Show(HWND owner, const std::wstring& documentName) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  owner_ = owner;
  box_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"Komunikace Tarvik",
                         WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 300, 130,
                         owner, nullptr, instance, nullptr);
  if (box_ == nullptr) return false;
  SetWindowLongPtrW(box_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  HWND name = CreateWindowExW(
      0, L"STATIC", documentName.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 12, 270, 20, box_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNameId)), instance, nullptr);
  HWND cancel = CreateWindowExW(
      0, L"BUTTON", L"Zrušit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 105, 50, 80,
      26, box_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
  for (HWND control : {name, cancel}) {
    if (font_ != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  ShowWindow(box_, SW_SHOW);
  SetFocus(cancel);
  return true;
}

void PrintCancelBox::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  if (box_ != nullptr) {
    HWND box = std::exchange(box_, nullptr);
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    DestroyWindow(box);
  }
}

LRESULT CALLBACK PrintCancelBox::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* box = reinterpret_cast<PrintCancelBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (box != nullptr) {
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
      box->Cancel();
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool PrintCancelBox::PumpAndCheck() {
  MSG message;
  while (box_ != nullptr && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop that waits for it gets it back.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (box_ != nullptr && IsDialogMessageW(box_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return cancelled_;
}

void PrintCancelBox::Finish() {
  if (cancelled_) return;
  if (owner_ != nullptr) EnableWindow(owner_, TRUE);
  if (box_ != nullptr) {
    HWND box = std::exchange(box_, nullptr);
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    DestroyWindow(box);
  }
}

bool PrintPages(PageSink& sink, std::u16string_view text, int copies, bool collate,
                PrintCancelBox* box) {
  const std::vector<std::u16string_view> lines = window::SplitLines(text);
  const window::PageLayout layout =
      window::MeasurePage(sink.Width(), sink.Height(), sink.AverageCharWidth(), sink.LineHeight());
  const int pages = window::PageCount(static_cast<int>(lines.size()), layout.linesPerPage);
  for (int page : window::PrintOrder(pages, copies, collate)) {
    if (!sink.StartPage()) return false;
    int index = 0;
    for (std::u16string_view line : window::PageLines(lines, page, layout))
      sink.Line(index++, line);
    if (!sink.EndPage()) return false;
    // The cancel box stays usable while pages are made.
    if (box != nullptr && box->PumpAndCheck()) return false;
  }
  return true;
}

PrinterSink::PrinterSink(HDC printer, const LOGFONTW& screenFont) : dc_(printer) {
  LOGFONTW font = screenFont;
  HDC screen = GetDC(nullptr);
  const int screenDpi = std::max(1, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  font.lfHeight = MulDiv(font.lfHeight, GetDeviceCaps(dc_, LOGPIXELSY), screenDpi);
  font.lfWidth = 0;
  font_ = CreateFontIndirectW(&font);
  oldFont_ = SelectObject(dc_, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_, &metrics);
  averageWidth_ = std::max<int>(1, metrics.tmAveCharWidth);
  lineHeight_ = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
}

PrinterSink::~PrinterSink() {
  SelectObject(dc_, oldFont_);
  if (font_ != nullptr) DeleteObject(font_);
}

int PrinterSink::Width() const {
  return GetDeviceCaps(dc_, HORZRES);
}

int PrinterSink::Height() const {
  return GetDeviceCaps(dc_, VERTRES);
}

bool PrinterSink::StartPage() {
  if (::StartPage(dc_) <= 0) return false;
  // Some drivers reset the font with each page.
  SelectObject(dc_, font_);
  return true;
}

void PrinterSink::Line(int index, std::u16string_view text) {
  const std::wstring shown = Wide(text);
  TextOutW(dc_, 0, index * lineHeight_, shown.c_str(), static_cast<int>(shown.size()));
}

bool PrinterSink::EndPage() {
  return ::EndPage(dc_) > 0;
}

}  // namespace tarvik::ui::win32
