#include "screen/screen.h"

namespace tarvik::screen {

TerminalState::TerminalState() {
  Reset();
}

void TerminalState::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& row : screen_.cells) row.fill(' ');
  screen_.row = 0;
  screen_.column = 0;
  screen_.connected = false;
  autowrap_ = true;
  newLine_ = true;
  displayErrors_ = true;
}

int TerminalState::Write(std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  int bells = 0;
  for (char c : bytes) PutByte(static_cast<unsigned char>(c), &bells);
  return bells;
}

void TerminalState::PutByte(unsigned char b, int* bells) {
  switch (b) {
    case 0x07:
      ++*bells;
      return;
    case 0x08:
      if (screen_.column > 0) --screen_.column;
      return;
    case 0x0A:
      LineFeed();
      return;
    case 0x0D:
      screen_.column = 0;
      if (newLine_) LineFeed();
      return;
    default:
      break;
  }
  screen_.cells[static_cast<std::size_t>(screen_.row)][static_cast<std::size_t>(screen_.column)] =
      static_cast<char>(b);
  if (screen_.column < kScreenColumns - 1) {
    ++screen_.column;
  } else if (autowrap_) {
    PutByte(0x0D, bells);
    PutByte(0x0A, bells);
  }
}

void TerminalState::LineFeed() {
  ++screen_.row;
  if (screen_.row >= kScreenRows) {
    for (int r = 1; r < kScreenRows; ++r) {
      screen_.cells[static_cast<std::size_t>(r - 1)] = screen_.cells[static_cast<std::size_t>(r)];
    }
    screen_.cells[kScreenRows - 1].fill(' ');
    screen_.row = kScreenRows - 1;
  }
}

ScreenSnapshot TerminalState::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return screen_;
}

void TerminalState::SetConnected(bool connected) {
  std::lock_guard<std::mutex> lock(mutex_);
  screen_.connected = connected;
}

bool TerminalState::Connected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return screen_.connected;
}

void TerminalState::SetNewLine(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  newLine_ = on;
}

void TerminalState::SetAutowrap(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  autowrap_ = on;
}

bool TerminalState::DisplayErrors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return displayErrors_;
}

}  // namespace tarvik::screen
