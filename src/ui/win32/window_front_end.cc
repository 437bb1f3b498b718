#include "ui/win32/window_front_end.h"

#include "ui/message_box_flags.h"
#include "ui/win32/status_view.h"
#include "ui/win32/text.h"

namespace tarvik::ui::win32 {

WindowFrontEnd::WindowFrontEnd(screen::FrontEnd& system, BoxCall box)
    : system_(system),
      box_(std::move(box)),
      handOff_({
          .wake =
              [this] {
                HWND owner = owner_.load();
                return owner != nullptr && PostMessageW(owner, kWakeMessage, 0, 0) != FALSE;
              },
          .repaint =
              [this] {
                if (view_ != nullptr) view_->Repaint();
              },
          .setCaret =
              [this](bool on) {
                if (view_ != nullptr) view_->SetCaretOn(on);
              },
          // Beeps and the icon do not pass through the hand-off.
          .beep = [] {},
          .showActivity = [](bool, bool) {},
      }) {}

WindowFrontEnd::~WindowFrontEnd() {
  Detach();
}

void WindowFrontEnd::Attach(HWND owner, StatusView* view) {
  owner_ = owner;
  view_ = view;
  handOff_.Attach();
}

void WindowFrontEnd::Detach() {
  handOff_.Detach();
}

bool WindowFrontEnd::HasWindow() const {
  return handOff_.Attached();
}

void WindowFrontEnd::TerminalWritten(std::string_view /*bytes*/) {
  handOff_.TerminalWritten();
}

bool WindowFrontEnd::RunOnUiThread(const std::function<void()>& task) {
  return handOff_.RunOnUiThread(task);
}

int WindowFrontEnd::Box(const std::string& text, int style) {
  const int answer =
      box_(HasWindow() ? owner_.load() : nullptr, BoxText(text), static_cast<unsigned>(style));
  // A box that could not be shown takes the answer that changes nothing.
  return IsMessageBoxAnswer(answer) ? answer : UnshownAnswer(style);
}

int WindowFrontEnd::ShowMessage(const std::string& text, int style) {
  if (handOff_.OnUiThread()) return Box(text, style);
  // Without anybody to ask, a question takes the safe answer.
  int answer = (style & 0x0F) == screen::kStyleYesNo ? screen::kAnswerNo : screen::kAnswerOk;
  RunOnUiThread([&] { answer = Box(text, style); });
  return answer;
}

void WindowFrontEnd::Beep(int type) {
  system_.Beep(type);
}

void WindowFrontEnd::ShowActivity() {
  system_.ShowActivity();
}

void WindowFrontEnd::SetActivityIcon(bool first) {
  system_.SetActivityIcon(first);
}

void WindowFrontEnd::HideActivity() {
  system_.HideActivity();
}

void WindowFrontEnd::SetCaret(bool on) {
  handOff_.SetCaret(on);
}

}  // namespace tarvik::ui::win32
