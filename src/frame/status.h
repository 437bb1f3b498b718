// Status output and message boxes, as every part of the program uses them.
// Texts are Windows-1250 bytes (use W("...") for texts written in the source).
#pragma once

#include <string>
#include <string_view>

#include "frame/program.h"

namespace tarvik::frame {

// Writes the bytes into the status screen; with `addCarriageReturn` a CR follows.
void TerminalWrite(Program& program, std::string_view text, bool addCarriageReturn = false);
// Only when debug is on.
void TerminalWriteDebug(Program& program, std::string_view text, bool addCarriageReturn = false);
// Only when rawdebug is on.
void TerminalWriteRaw(Program& program, std::string_view text, bool addCarriageReturn = false);

// A box titled "Komunikace Tarvik". "%%" in the text shows as "%".
int ShowMessage(Program& program, const std::string& text, int style);
// The failure exit's box: ShowMessage for front ends that do not also copy
// it to stderr, where the failure exit has written its line already.
void ShowFailureMessage(Program& program, const std::string& text, int style);
// ShowMessage with the exclamation style, only when debug is on; else returns 1.
int ShowDebugMessage(Program& program, const std::string& text);

// printf-style formatting into a std::string (texts stay bytes).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tarvik::frame
