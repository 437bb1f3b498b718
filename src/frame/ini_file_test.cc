#include <gtest/gtest.h>

#include "frame/settings.h"
#include "platform/com_ports.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

class IniFile : public testing::ProgramFixture {
 protected:
  void Read(const std::string& ini) {
    WriteFile("tarvik.ini", ini);
    ReadIniFile(*program_);
  }
  JobSettings& s() { return program_->settings; }
};

TEST_F(IniFile, MissingFileKeepsDefaults) {
  ReadIniFile(*program_);
  EXPECT_EQ(s().iniFileFound, 0);
  EXPECT_EQ(s().timeout, 10);
}

TEST_F(IniFile, KeysAreFoundBySubstringAnywhereInTheLine) {
  Read("timeout=20\r\n  ticho = 1\r\nzpozdeni=0 // no pause\r\npripona_cmd= cm9  \r\n");
  EXPECT_EQ(s().iniFileFound, 1);
  EXPECT_EQ(s().timeout, 20);
  EXPECT_EQ(s().ticho, 1);
  EXPECT_EQ(s().zpozdeni, 0);
  EXPECT_EQ(s().priponaCmd, "cm9");
}

TEST_F(IniFile, LockWaitDefaultsTo600SecondsAndANegativeOneMeansNoWait) {
  EXPECT_EQ(s().cekaniZamku, 600);
  Read("cekani_zamku=45\r\n");
  EXPECT_EQ(s().cekaniZamku, 45);
  Read("cekani_zamku = -5\r\n");
  EXPECT_EQ(s().cekaniZamku, 0);
  // Start-up sets the default again before the file is read.
  WriteFile("tarvik.ini", "zpozdeni=0\r\n");
  InitSettings(*program_);
  EXPECT_EQ(s().cekaniZamku, 600);
}

TEST_F(IniFile, CommentLinesAreIgnoredButTrailingRemarksAreNot) {
  Read("//debug=1\r\ndebug=1 //on\r\n");
  EXPECT_EQ(s().debug, 1);
  Read("//debug=1\r\n");
  EXPECT_EQ(s().debug, 1);  // unchanged from before: the comment did nothing
  s().debug = 0;
  Read("// debug=1\r\n");
  EXPECT_EQ(s().debug, 0);
}

TEST_F(IniFile, TimeoutIsClampedWithAMessage) {
  Read("timeout=250\r\n");
  EXPECT_EQ(s().timeout, 100);
  Read("timeout=0\r\n");
  EXPECT_EQ(s().timeout, 1);
  auto messages = frontEnd_.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text,
            "V souboru .ini je prilis velka hodnota timeoutu.\rNastavuji 100 sec.");
  EXPECT_EQ(messages[1].text, "V souboru .ini je prilis mala hodnota timeoutu.\rNastavuji 1 sec.");
  EXPECT_EQ(messages[0].style, screen::kStyleExclamation);
}

TEST_F(IniFile, CommandLineMarksWinOverTheIni) {
  program_->marks.hlaseni = true;
  s().hlaseni = 0;
  program_->marks.fiskal = true;
  s().fiskal = 1;
  s().progress = 1;  // "/progress" carries no mark
  Read("hlaseni=1\r\nfiskal=0\r\nprogress=0\r\n");
  EXPECT_EQ(s().hlaseni, 0);
  EXPECT_EQ(s().fiskal, 1);
  EXPECT_EQ(s().progress, 0);
}

TEST_F(IniFile, RawdebugLineAlsoSetsDebug) {
  Read("debug=1\r\nrawdebug=0\r\n");
  EXPECT_EQ(s().debug, 0);  // "debug" is part of "rawdebug"
  Read("rawdebug=2\r\n");
  EXPECT_EQ(s().rawdebug, 2);
  EXPECT_EQ(s().debug, 1);
}

TEST_F(IniFile, LfOnlyLinesAndAMissingFinalLineEndLoseNothingAndKonecEndsReading) {
  Read("ticho=1\ndebug=1\nzvuk=5");
  EXPECT_EQ(s().ticho, 1);
  EXPECT_EQ(s().debug, 1);
  EXPECT_EQ(s().zvuk, 5);
  s().ticho = s().debug = 0;
  Read("ticho=1 konec\r\ndebug=1\r\n");  // the keys of the konec line still count
  EXPECT_EQ(s().ticho, 1);
  EXPECT_EQ(s().debug, 0);
}

TEST_F(IniFile, ComLinesNameDevicesAndHoldNoOtherKeys) {
  Read("com3=/dev/ttyUSB0\r\nCOM4= /dev/pts/7 \r\ncom5=/dev/debug\r\n");
  EXPECT_EQ(ComDevice(*program_, 3), "/dev/ttyUSB0");
  EXPECT_EQ(ComDevice(*program_, 4), "/dev/pts/7");
  EXPECT_EQ(s().debug, 0);  // the com5 line is not examined for keys
  // Ports without a line keep the system's own device.
  EXPECT_EQ(ComDevice(*program_, 1), platform::DefaultComDevice(1));
  EXPECT_EQ(ComDevice(*program_, 9), platform::DefaultComDevice(9));
}

TEST_F(IniFile, MalformedLinesEndInTheirErrors) {
  EXPECT_JOB_FAILURE(Read("timeout 20\r\n"), error::kIniNumberKeyWithoutEquals);
  EXPECT_JOB_FAILURE(Read("pripona_cmd cmd\r\n"), error::kIniTextKeyWithoutEquals);
  EXPECT_JOB_FAILURE(Read("pripona_cmd=abcdefgh\r\n"), error::kIniTextTooLong);
  EXPECT_JOB_FAILURE(Read(std::string(256, 'x') + "\r\n"), error::kLineTooLong);
  Read("pripona_cmd=abcdefg\r\n");  // maximum plus one is still accepted
  EXPECT_EQ(s().priponaCmd, "abcdefg");
}

TEST_F(IniFile, SettingsReportInDebugMode) {
  s().debug = 1;
  program_->marks.debug = true;
  InitSettings(*program_);
  std::string text = frontEnd_.TerminalText();
  EXPECT_EQ(text.find("\rSoubor .ini neexistuje."), 0u);
  EXPECT_NE(text.find("pripona_cmd = cmd \rticho = 0 \rzvuk = -1\rdebug = 1 \rokno  = 0 \r"),
            std::string::npos);
}

}  // namespace
}  // namespace tarvik::frame
