// The graphic logo upload: the user picks a bitmap, its header is checked
// against the form the register prints (576 dots wide, at most 288 high,
// black and white), and after a confirmation the built-in job glogN.cmx
// (command "W44;GLOGO1") is run and given 60 seconds. The bitmap itself is
// not read further: the job sends whatever GLOGO1.DAT holds.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frame/program.h"

namespace tarvik::link {

inline constexpr std::size_t kBmpHeaderSize = 62;
inline constexpr std::chrono::milliseconds kLogoJobLimit{60000};

enum class LogoHeader {
  kRefused,  // not a bitmap ("Format souboru neni BMP.")
  kUnusual,  // a bitmap, but not of the register's form (a warning)
  kFits,
};

// Checks the first 62 bytes of a bitmap file; a shorter file is refused.
LogoHeader CheckLogoHeader(std::string_view header);

// What the upload needs from above: the file choice (a full path; nothing
// when cancelled) and a built-in job run and waited for (0: it ended in
// time, 1: time-out).
struct LogoUploadHooks {
  std::function<std::optional<std::string>()> chooseFile;
  std::function<int(const std::string& commandFile, std::chrono::milliseconds limit)> runBuiltInJob;
};

// 1 when the choice was cancelled or the file refused, 0 otherwise (also
// when the user said No, and after the job). A file that cannot be opened is
// 30/1.
int UploadLogo(frame::Program& program, int logoNumber, const LogoUploadHooks& hooks);

}  // namespace tarvik::link
