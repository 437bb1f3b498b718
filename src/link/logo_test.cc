#include "link/logo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "screen/front_end.h"
#include "support/test_support.h"

namespace tarvik::link {
namespace {

using std::chrono::milliseconds;

void Put(std::string& bytes, std::size_t offset, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// A bitmap header with the given fields, followed by `extra` bytes.
std::string Bitmap(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                   std::uint32_t pixelBytes, std::uint32_t pixelOffset = 62,
                   std::uint16_t compression = 0) {
  std::string bytes(kBmpHeaderSize, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put(bytes, 2, pixelOffset + pixelBytes, 4);
  Put(bytes, 10, pixelOffset, 4);
  Put(bytes, 14, 40, 4);
  Put(bytes, 18, width, 4);
  Put(bytes, 22, height, 4);
  Put(bytes, 26, 1, 2);
  Put(bytes, 28, bits, 2);
  Put(bytes, 30, compression, 2);
  Put(bytes, 34, pixelBytes, 4);
  return bytes + std::string(16, '\x55');
}

const std::string kOneBit = Bitmap(576, 288, 1, 20736);

class LogoTest : public testing::ProgramFixture {
 protected:
  int Upload(std::optional<std::string> choice, int jobResult = 0) {
    LogoUploadHooks hooks;
    hooks.chooseFile = [choice] { return choice; };
    hooks.runBuiltInJob = [this, jobResult](const std::string& name, milliseconds limit) {
      jobs.push_back(name);
      limits.push_back(limit);
      return jobResult;
    };
    return UploadLogo(*program_, 1, hooks);
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : frontEnd_.Messages()) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::string> jobs;
  std::vector<milliseconds> limits;
};

const char kWarning[] =
    "Ve formatu souboru neni vsechno v poradku.\rFormat musi byt: 576 bodu sirka, max. 288 "
    "bodu vyska, cernobily\rCo z toho vyleze, to nikdo nevi... ";

TEST(LogoHeaderTest, ChecksEveryFieldOfTheRegisterForm) {
  EXPECT_EQ(CheckLogoHeader(kOneBit.substr(0, 62)), LogoHeader::kFits);
  EXPECT_EQ(CheckLogoHeader(Bitmap(200, 100, 1, 2600).substr(0, 62)), LogoHeader::kFits);
  EXPECT_EQ(CheckLogoHeader(Bitmap(577, 100, 1, 7300)), LogoHeader::kUnusual);
  EXPECT_EQ(CheckLogoHeader(Bitmap(576, 288, 1, 20736, 54)), LogoHeader::kUnusual);
  EXPECT_EQ(CheckLogoHeader(Bitmap(576, 288, 1, 20736, 62, 1)), LogoHeader::kUnusual);
  EXPECT_EQ(CheckLogoHeader(Bitmap(576, 288, 4, 20736)), LogoHeader::kUnusual);
  std::string twoPlanes = kOneBit;
  Put(twoPlanes, 26, 2, 2);
  EXPECT_EQ(CheckLogoHeader(twoPlanes), LogoHeader::kUnusual);
  // Between the register's limit and the refusal only a warning.
  EXPECT_EQ(CheckLogoHeader(Bitmap(576, 289, 1, 20752)), LogoHeader::kUnusual);
  EXPECT_EQ(CheckLogoHeader(Bitmap(576, 289, 1, 20753)), LogoHeader::kRefused);
  std::string notBm = kOneBit;
  notBm[1] = 'A';
  EXPECT_EQ(CheckLogoHeader(notBm), LogoHeader::kRefused);
  // A file too short to hold the header is no bitmap.
  EXPECT_EQ(CheckLogoHeader(kOneBit.substr(0, 61)), LogoHeader::kRefused);
}

// The answer No runs no job; Yes runs it.
TEST_F(LogoTest, FittingBitmapIsSentAfterConfirmation) {
  WriteFile("logo.bmp", kOneBit);
  frontEnd_.QueueAnswer(screen::kAnswerNo);
  EXPECT_EQ(Upload(PathOf("logo.bmp")), 0);
  EXPECT_TRUE(jobs.empty());
  frontEnd_.QueueAnswer(screen::kAnswerYes);
  EXPECT_EQ(Upload(PathOf("logo.bmp")), 0);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"Mám nahrát logo do pokladny?",
                                      "Mám nahrát logo do pokladny?", "Logo je v pokladně."}));
  EXPECT_EQ(frontEnd_.Messages()[1].style, screen::kStyleYesNo | screen::kStyleQuestion);
  EXPECT_EQ(frontEnd_.Messages()[2].style, screen::kStyleExclamation);
  EXPECT_EQ(jobs, std::vector<std::string>{"glog1.cmx"});
  EXPECT_EQ(limits, std::vector<milliseconds>{milliseconds(60000)});
}

TEST_F(LogoTest, ColourBitmapIsWarnedAboutButCanBeSent) {
  WriteFile("colour.bmp", Bitmap(100, 50, 24, 15000, 54));
  frontEnd_.QueueAnswer(screen::kAnswerOk);
  frontEnd_.QueueAnswer(screen::kAnswerYes);
  EXPECT_EQ(Upload(PathOf("colour.bmp"), 1), 0);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kWarning, "Mám nahrát logo do pokladny?",
                                                      "Nahrání loga se nepodařilo."}));
  EXPECT_EQ(jobs.size(), 1u);
}

// A missing file ends the job with 30/1.
TEST_F(LogoTest, RefusedFileAndCancelledChoiceAskNothing) {
  WriteFile("text.bmp", "not a bitmap at all, but long enough to hold a header of 62 bytes");
  EXPECT_EQ(Upload(PathOf("text.bmp")), 1);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Format souboru neni BMP."});
  WriteFile("short.bmp", "BM");
  EXPECT_EQ(Upload(PathOf("short.bmp")), 1);
  EXPECT_EQ(Upload(std::nullopt), 1);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>(2, "Format souboru neni BMP.")));
  EXPECT_JOB_FAILURE(Upload(PathOf("missing.bmp")), frame::error::kFileNotOpened);
  EXPECT_TRUE(jobs.empty());
}

}  // namespace
}  // namespace tarvik::link
