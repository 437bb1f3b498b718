// Texts between the program and the wide-character Windows API: the program's
// bytes are Windows-1250 (converted by frame/codepage), its source texts
// UTF-8, and file names the system's own ANSI names as the platform layer
// opens them.
#pragma once

#include <string>
#include <string_view>

namespace tarvik::ui::win32 {

std::wstring Wide(std::u16string_view text);
std::u16string Utf16(std::wstring_view text);
// Windows-1250 bytes as shown.
std::wstring FromCp1250(std::string_view bytes);
// UTF-8 (texts of the source, names built by the window model) and back.
std::wstring FromUtf8(std::string_view utf8);
std::string Utf8(std::wstring_view text);
// A message of the program (Windows-1250, lines ended by CR or CR LF) as a
// box shows it: every line end CR LF.
std::wstring BoxText(std::string_view cp1250);
// A path chosen in a dialog, as the platform layer's ANSI calls take it.
std::string AnsiPath(std::wstring_view path);
// The last component of a path (either separator).
std::wstring LastComponent(std::wstring_view path);

}  // namespace tarvik::ui::win32
