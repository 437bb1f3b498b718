#include "link/logo.h"

#include <cstdint>

#include "frame/codepage.h"
#include "frame/program_file.h"
#include "frame/status.h"
#include "screen/front_end.h"

namespace tarvik::link {
namespace {

constexpr std::uint32_t kPixelOffset = 62;
constexpr std::uint32_t kMaxWidth = 576;
constexpr std::uint32_t kMaxPixelBytes = 576 * 288 / 8;
constexpr std::uint32_t kRefusedPixelBytes = 20752;

std::uint32_t Little(std::string_view bytes, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

}  // namespace

LogoHeader CheckLogoHeader(std::string_view header) {
  if (header.size() < kBmpHeaderSize || header.substr(0, 2) != "BM" ||
      Little(header, 34, 4) > kRefusedPixelBytes) {
    return LogoHeader::kRefused;
  }
  int deviations = 0;
  if (Little(header, 10, 4) != kPixelOffset) ++deviations;
  if (Little(header, 34, 4) > kMaxPixelBytes) ++deviations;
  if (Little(header, 18, 4) > kMaxWidth) ++deviations;
  if (Little(header, 26, 2) != 1) ++deviations;
  if (Little(header, 28, 2) != 1) ++deviations;
  if (Little(header, 30, 2) != 0) ++deviations;
  return deviations == 0 ? LogoHeader::kFits : LogoHeader::kUnusual;
}

int UploadLogo(frame::Program& program, int logoNumber, const LogoUploadHooks& hooks) {
  std::optional<std::string> path = hooks.chooseFile();
  if (!path) return 1;

  std::string header;
  {
    frame::ProgramFile file =
        frame::ProgramFile::Open(program, *path, frame::OpenMode::kRead, true);
    char buffer[kBmpHeaderSize];
    std::size_t n = 0;
    while (n < kBmpHeaderSize) {
      std::size_t got = file.Read(buffer + n, kBmpHeaderSize - n);
      if (got == 0) break;
      n += got;
    }
    header.assign(buffer, n);
    file.Close();
  }

  switch (CheckLogoHeader(header)) {
    case LogoHeader::kRefused:
      frame::ShowMessage(program, "Format souboru neni BMP.", screen::kStyleExclamation);
      return 1;
    case LogoHeader::kUnusual:
      frame::ShowMessage(program,
                         "Ve formatu souboru neni vsechno v poradku.\rFormat musi byt: 576 bodu "
                         "sirka, max. 288 bodu vyska, cernobily\rCo z toho vyleze, to nikdo "
                         "nevi... ",
                         screen::kStyleExclamation);
      break;
    case LogoHeader::kFits:
      break;
  }

  if (frame::ShowMessage(program, frame::W("Mám nahrát logo do pokladny?"),
                         screen::kStyleYesNo | screen::kStyleQuestion) != screen::kAnswerYes) {
    return 0;
  }
  const std::string commandFile = frame::Format("glog%d.cmx", logoNumber);
  if (hooks.runBuiltInJob(commandFile, kLogoJobLimit) == 0) {
    frame::ShowMessage(program, frame::W("Logo je v pokladně."), screen::kStyleExclamation);
  } else {
    frame::ShowMessage(program, frame::W("Nahrání loga se nepodařilo."), screen::kStyleExclamation);
  }
  return 0;
}

}  // namespace tarvik::link
