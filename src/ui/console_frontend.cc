#include "ui/console_frontend.h"

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
  if ((style & 0x0F) == kStyleYesNo) {
    console_.WriteStderr("Komunikace Tarvik: bez okna odpovídám Ne.\n");
    return kAnswerNo;
  }
  return kAnswerOk;
}

void ConsoleFrontEnd::TerminalWritten(std::string_view bytes) {
  if (!console_.StdoutIsTerminal()) return;
  std::string out;
  for (char c : bytes) {
    if (c == '\r') {
      out += '\n';
      lastWasCr_ = true;
      continue;
    }
    if (c == '\n' && lastWasCr_) {
      lastWasCr_ = false;
      continue;
    }
    lastWasCr_ = false;
    if (c == '\a') continue;
    out += c;
  }
  console_.WriteStdout(frame::Cp1250ToUtf8(out));
}

void ConsoleFrontEnd::Beep(int /*type*/) {
  console_.Bell();
}

}  // namespace tarvik::ui
