#include <gtest/gtest.h>

#include <bitset>

#include "support/test_support.h"
#include "ui/activity_icons.h"
#include "ui/console_front_end.h"
#include "screen/front_end.h"
#include "ui/message_box_flags.h"

namespace tarvik::ui {
namespace {

TEST(MessageBoxFlags, StyleBitsPassWithForegroundAndTopmost) {
  EXPECT_EQ(MessageBoxFlags(screen::kStyleOk), 0x00050000u);
  EXPECT_EQ(MessageBoxFlags(screen::kStyleExclamation), 0x00050030u);
  EXPECT_EQ(MessageBoxFlags(screen::kStyleYesNo | screen::kStyleExclamation | screen::kDefaultSecondButton), 0x00050134u);
  EXPECT_EQ(MessageBoxFlags(3 | screen::kStyleQuestion), 0x00050023u);
  // Modality and other bits are not the caller's to choose here.
  EXPECT_EQ(MessageBoxFlags(0x3000 | 0x00200000 | screen::kStyleStop), 0x00050010u);
}

TEST(MessageBoxFlags, AnUnshownBoxAnswersWhatChangesNothing) {
  EXPECT_EQ(UnshownAnswer(screen::kStyleExclamation), screen::kAnswerOk);
  EXPECT_EQ(UnshownAnswer(screen::kStyleYesNo | screen::kStyleQuestion | screen::kDefaultSecondButton), screen::kAnswerNo);
  EXPECT_EQ(UnshownAnswer(3 | screen::kStyleQuestion), screen::kAnswerCancel);  // yes/no/cancel
  EXPECT_EQ(UnshownAnswer(1), screen::kAnswerCancel);                   // OK/cancel
  EXPECT_EQ(UnshownAnswer(5), screen::kAnswerCancel);                   // retry/cancel
  EXPECT_EQ(UnshownAnswer(2), 3);                               // abort/retry/ignore: abort
  // The system's answers are 1..11; a failed box gives 0 or -1.
  for (int result = -1; result <= 12; ++result) {
    EXPECT_EQ(IsMessageBoxAnswer(result), result >= screen::kAnswerOk && result <= 11) << result;
  }
}

// What a terminal shows of the given status writes (Windows-1250 bytes).
std::string Echoed(const std::vector<std::string>& writes, bool terminal = true) {
  testing::RecordingConsole console;
  console.terminal = terminal;
  ConsoleFrontEnd frontEnd(console);
  for (const std::string& bytes : writes) frontEnd.TerminalWritten(bytes);
  return console.Stdout();
}

TEST(ConsoleFrontEnd, EveryStatusTextEndsItsLineOnATerminal) {
  EXPECT_EQ(Echoed({"Pracuji se souborem P_PLU.dat.", "Pracuji se souborem P_DPT.dat."}),
            "Pracuji se souborem P_PLU.dat.\nPracuji se souborem P_DPT.dat.\n");
  // Texts that end or start their lines themselves get no extra line end; two
  // CRs in a row are two line ends, as on the screen.
  EXPECT_EQ(Echoed({"Otviram port COM1\r", "\rSoubor .ini neexistuje.", "\r\nDalsi\r\n", "a"}),
            "Otviram port COM1\n\nSoubor .ini neexistuje.\nDalsi\na\n");
  EXPECT_EQ(Echoed({"A.", "\r\rB\r\a"}), "A.\n\nB\n");  // an intended empty line stays
  // Progress marks share one line, which the next text ends.
  EXPECT_EQ(Echoed({"Hledam", "*", "*", "*", "Nalezeno\r"}), "Hledam\n***\nNalezeno\n");
  EXPECT_EQ(Echoed({"Zkou\x9A\xEDm\r"}), "Zkouším\n");
  EXPECT_EQ(Echoed({"Pracuji se souborem P_PLU.dat."}, false), "");
}

TEST(ConsoleFrontEnd, AFailureBoxIsLeftToTheFailureLine) {
  testing::RecordingConsole console;
  ConsoleFrontEnd frontEnd(console);
  frontEnd.ShowFailureMessage("Chyba 30, 1, LastError 2. \nChyba otevreni souboru",
                              screen::kStyleExclamation);
  EXPECT_EQ(console.Stderr(), "");
  frontEnd.ShowMessage("Cas je v pokladne.", screen::kStyleExclamation);
  EXPECT_EQ(console.Stderr(), "Komunikace Tarvik: Cas je v pokladne.\n");
}

TEST(ActivityIcons, MasksAreRowsOfTwoBytesHighBitLeft) {
  IconPicture picture{};
  for (auto& row : picture) row = "";
  picture[0] = "#.  ...........#";  // black, white, two transparent, eleven white, black
  picture[15] = "       .";         // short: transparent to its end
  // Every other row is empty: all transparent, nothing drawn.
  IconMasks expected;
  expected.andMask.fill(0xFF);
  expected.andMask[0] = 0x30;
  expected.andMask[1] = 0x00;
  expected.xorMask[0] = 0x4F;
  expected.xorMask[1] = 0xFE;
  expected.andMask[30] = 0xFE;  // one white pixel at column 7
  expected.xorMask[30] = 0x01;
  const IconMasks masks = MakeIconMasks(picture);
  EXPECT_EQ(masks.andMask, expected.andMask);
  EXPECT_EQ(masks.xorMask, expected.xorMask);
}

TEST(ActivityIcons, TheTwoPicturesDifferAndAreDrawnWhole) {
  const IconMasks lit = MakeIconMasks(ActivityIconPicture(true));
  const IconMasks dark = MakeIconMasks(ActivityIconPicture(false));
  for (bool first : {true, false}) {
    for (const char* row : ActivityIconPicture(first)) {
      ASSERT_EQ(std::string(row).size(), 16u);
      EXPECT_EQ(std::string(row).find_first_not_of("#. "), std::string::npos) << row;
    }
  }
  // The same outline, a different display.
  EXPECT_EQ(lit.andMask, dark.andMask);
  EXPECT_NE(lit.xorMask, dark.xorMask);
  int opaque = 0;
  for (auto byte : lit.andMask) opaque += 8 - static_cast<int>(std::bitset<8>(byte).count());
  EXPECT_GT(opaque, 64);
  // Transparent pixels never carry a colour (that would invert the screen).
  for (std::size_t i = 0; i < lit.andMask.size(); ++i) {
    EXPECT_EQ(lit.andMask[i] & lit.xorMask[i], 0) << i;
    EXPECT_EQ(dark.andMask[i] & dark.xorMask[i], 0) << i;
  }
}

}  // namespace
}  // namespace tarvik::ui
