// The Windows main window over a fresh program directory, with recording
// stand-ins for every modal question, for the tests of the window (under
// wine, on a virtual display).
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "job/job_runner.h"
#include "link/link.h"
#include "support/test_support.h"
#include "ui/win32/main_window.h"
#include "ui/win32/text.h"
#include "ui/win32/window_calls.h"
#include "ui/win32/window_front_end.h"

namespace tarvik::ui::win32::testing {

// Answers every modal question from queues and records what was asked.
class ScriptedCalls {
 public:
  struct Box {
    std::wstring text;
    unsigned flags = 0;
  };
  WindowCalls Calls();

  // Answers of the next boxes; without one a box gets its first button.
  std::deque<int> answers;
  // Paths of the next file dialogs; without one a dialog is cancelled.
  std::deque<std::wstring> files;
  std::optional<LOGFONTW> font;
  // What the next port and address dialogs do; without one they are cancelled.
  std::deque<std::function<bool(frame::Program&)>> portDialogs;
  std::deque<std::function<bool(frame::Program&)>> ipDialogs;
  bool shift = false;

  std::vector<Box> boxes;
  std::vector<FileChoice> fileChoices;
  std::vector<std::string> dialogsRun;
  int printDialogs = 0;

  // The texts of the boxes shown, each cut to `length` characters if given.
  std::vector<std::wstring> BoxTexts(std::size_t length = std::wstring::npos) const;
};

// Handles the thread's waiting messages as the window's loop does.
void Pump(MainWindow* window);
// Pumps until `condition` holds (at most `ms`).
bool WaitUntil(MainWindow* window, const std::function<bool()>& condition, int ms = 10000);
// A key pressed with Ctrl and Alt as given, through the window's loop.
void PressKey(MainWindow* window, HWND target, UINT key, bool ctrl, bool alt = false);

class WindowFixture : public tarvik::testing::ProgramFixture {
 protected:
  WindowFixture();
  ~WindowFixture() override;
  // Fails the test when the window could not be created (no display).
  void SetUp() override;

  void ShowWindow();
  void Pump() { testing::Pump(window_.get()); }
  bool WaitUntil(const std::function<bool()>& condition, int ms = 10000) {
    return testing::WaitUntil(window_.get(), condition, ms);
  }
  std::wstring WPath(const std::string& name) const;
  // The next file dialog chooses `name` in the program directory.
  void ChooseNext(const std::string& name) { calls_.files.push_back(WPath(name)); }
  // The screen row as it was last painted (trailing blanks removed).
  std::wstring PaintedRow(int row) const;
  // The state of a command's item (the Akce one for a command shown twice).
  bool ItemEnabled(int command) const;
  std::wstring EditorText() const;

  tarvik::testing::RecordingFrontEnd system_;
  ScriptedCalls calls_;
  std::unique_ptr<WindowFrontEnd> windowFrontEnd_;
  std::unique_ptr<link::RegisterLink> link_;
  std::unique_ptr<job::JobRunner> runner_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tarvik::ui::win32::testing
