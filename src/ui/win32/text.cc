#include "ui/win32/text.h"

#include "frame/codepage.h"
#include "platform/win32/windows_api.h"

namespace tarvik::ui::win32 {

std::wstring Wide(std::u16string_view text) {
  return {text.begin(), text.end()};
}

std::u16string Utf16(std::wstring_view text) {
  return {text.begin(), text.end()};
}

std::wstring FromCp1250(std::string_view bytes) {
  return Wide(frame::Cp1250ToUtf16(bytes));
}

std::wstring FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), units);
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring BoxText(std::string_view cp1250) {
  const std::wstring text = FromCp1250(cp1250);
  std::wstring shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      shown += L"\r\n";
    } else {
      shown += text[i];
    }
  }
  return shown;
}

std::string AnsiPath(std::wstring_view path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, 0, path.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, path.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring LastComponent(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"/\\");
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tarvik::ui::win32
