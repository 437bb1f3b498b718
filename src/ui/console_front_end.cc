#include "ui/console_front_end.h"

#include "frame/codepage.h"

namespace tarvik::ui {

int ConsoleFrontEnd::ShowMessage(const std::string& text, int style) {
  // One line per message: the box's own line breaks become blanks.
  std::string line;
  bool gap = false;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      gap = !line.empty();
      continue;
    }
    if (gap && line.back() != ' ') line += ' ';
    gap = false;
    line += c;
  }
  console_.WriteStderr("Komunikace Tarvik: " + frame::Cp1250ToUtf8(line) + "\n");
  // Without anybody to ask, a question takes the safe answer, and says so.
  if ((style & 0x0F) == screen::kStyleYesNo) {
    console_.WriteStderr("Komunikace Tarvik: bez okna odpovídám Ne.\n");
    return screen::kAnswerNo;
  }
  return screen::kAnswerOk;
}

void ConsoleFrontEnd::TerminalWritten(std::string_view bytes) {
  if (bytes.empty() || !console_.StdoutIsTerminal()) return;
  // Job, link and receiver threads may all write status lines.
  std::lock_guard lock(echoMutex_);
  // Progress marks ("*" per step) gather on one line; every other status
  // text ends its line, which the screen model leaves to the next text.
  const bool mark = bytes == "*";
  std::string out;
  if (openMarks_ && !mark) {
    out += '\n';
    lineEndAdded_ = true;
  }
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      // A text that starts with its own line end after one added here
      // starts its line only once.
      if (lineEndAdded_) {
        lastWasCr_ = c == '\r';
        lineEndAdded_ = false;
        continue;
      }
      if (c == '\n' && lastWasCr_) {
        lastWasCr_ = false;
        continue;
      }
      lastWasCr_ = c == '\r';
      out += '\n';
      continue;
    }
    lineEndAdded_ = false;
    lastWasCr_ = false;
    if (c == '\a') continue;
    out += c;
  }
  openMarks_ = false;
  if (!out.empty() && out.back() != '\n') {
    if (mark) {
      openMarks_ = true;
    } else {
      out += '\n';
      lineEndAdded_ = true;
    }
  }
  console_.WriteStdout(frame::Cp1250ToUtf8(out));
}

void ConsoleFrontEnd::Beep(int /*type*/) {
  console_.Bell();
}

}  // namespace tarvik::ui
