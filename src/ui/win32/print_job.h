// Printing the editor's text: the page layout, line cutting and print order
// of the window model, drawn on a printer's device context, with the small
// box that cancels. However the box is dismissed (its button, Escape, or the
// frame's close), printing is cancelled.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvik::ui::win32 {

// Where pages go: the printer's device context, or a recording in tests.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // The printable area in device units and the font's cell.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int AverageCharWidth() const = 0;
  virtual int LineHeight() const = 0;
  virtual bool StartPage() = 0;
  virtual void Line(int index, std::u16string_view text) = 0;
  virtual bool EndPage() = 0;
};

class PrintCancelBox {
 public:
  PrintCancelBox() = default;
  ~PrintCancelBox();
  PrintCancelBox(const PrintCancelBox&) = delete;
  PrintCancelBox& operator=(const PrintCancelBox&) = delete;

  // Shows the box over `owner`, which is disabled until printing ends or is
  // cancelled.
  bool Show(HWND owner, const std::wstring& documentName);
  // Handles the box's waiting messages; true once it was dismissed.
  bool PumpAndCheck();
  bool Cancelled() const { return cancelled_; }
  HWND Handle() const { return box_; }
  // Closes the box when printing ended (no cancellation) and enables the owner.
  void Finish();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Cancel();

  HWND owner_ = nullptr;
  HWND box_ = nullptr;
  HFONT font_ = nullptr;
  bool cancelled_ = false;
};

// Prints `text` ('\n' between lines) page by page in the order of the copies;
// the sink makes one copy of each page it is given. Between pages the box
// may cancel. False on failure or cancellation.
bool PrintPages(PageSink& sink, std::u16string_view text, int copies, bool collate,
                PrintCancelBox* box);

// The sink of a printer's device context with `font` (scaled from the
// screen's resolution to the printer's).
class PrinterSink final : public PageSink {
 public:
  PrinterSink(HDC printer, const LOGFONTW& screenFont);
  ~PrinterSink() override;
  PrinterSink(const PrinterSink&) = delete;
  PrinterSink& operator=(const PrinterSink&) = delete;

  int Width() const override;
  int Height() const override;
  int AverageCharWidth() const override { return averageWidth_; }
  int LineHeight() const override { return lineHeight_; }
  bool StartPage() override;
  void Line(int index, std::u16string_view text) override;
  bool EndPage() override;

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  int averageWidth_ = 1;
  int lineHeight_ = 1;
};

}  // namespace tarvik::ui::win32
