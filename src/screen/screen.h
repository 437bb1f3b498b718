// The 25 x 80 status screen as plain data, with the teletype rules of the
// status output. The window only paints it; writers on any thread go through
// Write, which is serialised so the cells and the cursor stay consistent.
#pragma once

#include <array>
#include <mutex>
#include <string_view>

namespace tarvik::screen {

inline constexpr int kScreenRows = 25;
inline constexpr int kScreenColumns = 80;

struct ScreenSnapshot {
  std::array<std::array<char, kScreenColumns>, kScreenRows> cells;
  int row = 0;
  int column = 0;
  bool connected = false;
};

class TerminalState {
 public:
  TerminalState();
  void Reset();
  // Returns how many bell bytes were met (the caller beeps for them).
  int Write(std::string_view bytes);
  ScreenSnapshot Snapshot() const;
  void SetConnected(bool connected);
  bool Connected() const;
  void SetNewLine(bool on);
  void SetAutowrap(bool on);
  bool DisplayErrors() const;

 private:
  void PutByte(unsigned char b, int* bells);
  void LineFeed();

  mutable std::mutex mutex_;
  ScreenSnapshot screen_;
  bool autowrap_ = true;
  bool newLine_ = true;
  bool displayErrors_ = true;
};

}  // namespace tarvik::screen
