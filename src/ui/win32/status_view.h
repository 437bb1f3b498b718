// The status screen in the upper part of the main window: the 25 x 80 cells
// of the screen model painted with GDI in a fixed-pitch font, row 0 always at
// the top, Windows-1250 bytes shown as their letters whatever the system's
// code page, and a caret on the cursor cell while the serial port is open
// and the window is active.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>
#include <vector>

#include "screen/screen.h"

namespace tarvik::ui::win32 {

class StatusView {
 public:
  explicit StatusView(const screen::TerminalState& state);
  ~StatusView();
  StatusView(const StatusView&) = delete;
  StatusView& operator=(const StatusView&) = delete;

  // The child window, with the control id `id`.
  bool Create(HWND parent, int id);
  HWND Handle() const { return window_; }

  // Paints now (the caller waits for the picture).
  void Repaint();
  // The size of a character cell and of the whole screen, in pixels.
  SIZE CellSize() const { return {charWidth_, charHeight_}; }
  SIZE ScreenSize() const {
    return {screen::kScreenColumns * charWidth_, screen::kScreenRows * charHeight_};
  }

  // The caret follows the cursor while on (the serial link turns it on and
  // off with the port); it is drawn only while the window is active.
  void SetCaretOn(bool on);
  bool CaretOn() const { return caretOn_; }
  // Whether the last paint drew the caret, and on which cell.
  bool CaretDrawn() const { return caretDrawn_; }
  POINT CaretCell() const { return caretCell_; }

  // What the last paint drew: one run of characters per row it touched.
  struct Run {
    int row = 0;
    int firstColumn = 0;
    std::wstring text;
  };
  const std::vector<Run>& LastPaint() const { return lastPaint_; }
  int PaintCount() const { return paintCount_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void MeasureFont();

  const screen::TerminalState& state_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int charWidth_ = 8;
  int charHeight_ = 16;
  bool caretOn_ = false;
  bool caretDrawn_ = false;
  POINT caretCell_{};
  std::vector<Run> lastPaint_;
  int paintCount_ = 0;
};

}  // namespace tarvik::ui::win32
