#include "frame/status.h"

#include <cstdarg>
#include <cstdio>

#include "screen/front_end.h"

namespace tarvik::frame {

void TerminalWrite(Program& program, std::string_view text, bool addCarriageReturn) {
  std::string bytes(text);
  if (addCarriageReturn) bytes += '\r';
  int bells = program.terminal.Write(bytes);
  for (int i = 0; i < bells; ++i) program.frontEnd.Beep(screen::kBeepSimple);
  program.frontEnd.TerminalWritten(bytes);
}

void TerminalWriteDebug(Program& program, std::string_view text, bool addCarriageReturn) {
  if (program.settings.debug) TerminalWrite(program, text, addCarriageReturn);
}

void TerminalWriteRaw(Program& program, std::string_view text, bool addCarriageReturn) {
  if (program.settings.rawdebug) TerminalWrite(program, text, addCarriageReturn);
}

namespace {

// Box texts pass through a printf-style formatter without arguments, so a
// doubled percent sign shows as one.
std::string BoxText(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    shown += text[i];
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
  }
  return shown;
}

}  // namespace

int ShowMessage(Program& program, const std::string& text, int style) {
  return program.frontEnd.ShowMessage(BoxText(text), style);
}

void ShowFailureMessage(Program& program, const std::string& text, int style) {
  program.frontEnd.ShowFailureMessage(BoxText(text), style);
}

int ShowDebugMessage(Program& program, const std::string& text) {
  if (!program.settings.debug) return 1;
  return ShowMessage(program, text, screen::kStyleExclamation);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(args);
  return out;
}

}  // namespace tarvik::frame
