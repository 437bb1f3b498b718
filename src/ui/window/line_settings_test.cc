// The connection dialogs' model, the menu commands that rewrite the command
// files from it, and the help and About texts, without a toolkit.
#include "ui/window/line_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/serial_line_settings.h"
#include "frame/setting_tables.h"
#include "frame/status.h"
#include "job/sample_files.h"
#include "support/test_support.h"
#include "ui/window/help_text.h"

namespace tarvik::ui::window {
namespace {

class LineSettingsTest : public testing::ProgramFixture {
 protected:
  LineSettingsTest() { job::WriteSampleCommandFiles(*program_); }

  std::string Fields() const {
    const frame::ConnectionLine& c = program_->connection;
    return frame::Format(
        "%s COM%d/%c %u Bd, terminal %d '%s', %d bits, parity %d, model %d '%s', %s",
        c.ipAddress.c_str(), c.comNumber, c.comDigit, c.baudRate, c.terminalNumber,
        c.terminalText.c_str(), c.dataBits, static_cast<int>(c.parity), c.modelNumber,
        c.modelText.c_str(), c.logFileName.c_str());
  }
};

TEST_F(LineSettingsTest, PortDialogStartsFromTheLogoCommandFile) {
  program_->comDevice[3] = "/dev/ttyUSB0";
  program_->paths.commandFileName = "job.cmd";
  program_->command.dataFileName = "P_PLU.dat";
  program_->connection.comNumber = 5;

  LoadLogoConnection(*program_);
  // The next transfer's file and command are untouched.
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->command.dataFileName, "P_PLU.dat");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");

  const std::vector<std::string> ports = PortNames(*program_);
  ASSERT_EQ(ports.size(), 9u);
  EXPECT_EQ(ports[2], "COM3  (/dev/ttyUSB0)");
#ifdef _WIN32
  EXPECT_EQ(ports[0], "COM1");
  EXPECT_EQ(ports[8], "COM9");
#else
  EXPECT_EQ(ports[0], "COM1  (/dev/ttyS0)");
  EXPECT_EQ(ports[8], "COM9  (/dev/ttyS8)");
#endif
  EXPECT_EQ(StartingPortChoices(*program_), (PortChoices{.port = 0,
                                                         .speed = 3,
                                                         .terminal = "1",
                                                         .dataBits = 3,
                                                         .parity = 1,
                                                         .model = 8,
                                                         .logName = "ERA"}));
}

TEST_F(LineSettingsTest, PortChoicesOfTheExampleGoIntoTheRecordAndTheLine) {
  LoadLogoConnection(*program_);
  PortChoices choices = StartingPortChoices(*program_);
  choices.port = 1;
  choices.speed = 1;
  choices.terminal = "3";
  ApplyPortChoices(*program_, choices);
  EXPECT_EQ(Fields(), " COM2/2 9600 Bd, terminal 3 '03', 8 bits, parity 1, model 9 '650 ', ERA");
  const frame::LineSettings line = program_->serialLine.Get();
  EXPECT_EQ(std::tuple(line.port, line.baudRate, line.parity),
            std::tuple(2, 9600u, platform::Parity::kOdd));

  // A terminal number above 256, or none, becomes 0.
  choices = {.port = 1,
             .speed = 0,
             .terminal = "257",
             .dataBits = 2,
             .parity = 2,
             .model = 0,
             .logName = "Žurnál"};
  ApplyPortChoices(*program_, choices);
  EXPECT_EQ(Fields(), frame::W(" COM2/2 4800 Bd, terminal 0 '00', 7 bits, parity 2, model 1 "
                               "'39T ', Žurnál"));
  choices.terminal = "x";
  ApplyPortChoices(*program_, choices);
  EXPECT_EQ(program_->connection.terminalNumber, 0);
}

TEST_F(LineSettingsTest, ListsWithoutAChoiceKeepTheirValues) {
  WriteFile("glog1.cmx", "05,4,3,8,N,360,LOG.TXT\r\nW44;GLOGO1\r\n");
  LoadLogoConnection(*program_);
  const PortChoices start = StartingPortChoices(*program_);
  EXPECT_EQ(start.speed, -1);  // 2400 Bd is not offered
  EXPECT_EQ(start.logName, "LOG.TXT");
  ApplyPortChoices(*program_, start);
  EXPECT_EQ(Fields(),
            " COM4/4 2400 Bd, terminal 5 '05', 8 bits, parity 0, model 3 '360 ', LOG.TXT");
}

TEST_F(LineSettingsTest, LogNamesNoJobCouldReadAreRefused) {
  PortChoices choices = {.port = 0,
                         .speed = 0,
                         .terminal = "1",
                         .dataBits = 3,
                         .parity = 1,
                         .model = 8,
                         .logName = "ERA"};
  EXPECT_EQ(CheckPortChoices(choices), std::nullopt);
  // Counted in characters as the file holds them: "Ž" is one.
  choices.logName.clear();
  for (int i = 0; i < kMaxLogName; ++i) choices.logName += "Ž";
  EXPECT_EQ(CheckPortChoices(choices), std::nullopt);
  choices.logName += "x";
  EXPECT_EQ(CheckPortChoices(choices), "Jméno souboru log smí mít nejvýše 120 znaků.");
  choices.logName = "";
  EXPECT_EQ(CheckPortChoices(choices), "Zadejte jméno souboru log.");
  // A comma would end the name early and give the line a seventh comma.
  choices.logName = "ERA,X";
  EXPECT_EQ(CheckPortChoices(choices), "Jméno souboru log nesmí obsahovat čárku.");
}

TEST_F(LineSettingsTest, BrokenLogoCommandFileEndsAsTheParserSaysAndRestoresTheJob) {
  WriteFile("glog1.cmx", "01,0,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  program_->paths.commandFileName = "job.cmd";
  EXPECT_JOB_FAILURE(LoadLogoConnection(*program_), frame::error::kPortNotDigit);
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
}

TEST_F(LineSettingsTest, IpDialogStartsFromTheNetworkLogoCommandFile) {
  ASSERT_EQ(ReadFile("iglog1.cmx"), "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(IpModelNames(), (std::vector<std::string>{"", "39T", "359", "360", "362", "549", "579",
                                                      "396", "649", "650", "652"}));
  IpChoices choices = StartingIpChoices(*program_);
  EXPECT_EQ(choices, (IpChoices{{"192", "168", "0", "160"}, 9, "01"}));

  choices.octets[2] = "1";
  choices.octets[3] = "25";
  choices.model = 10;
  choices.terminal = "12";
  ApplyIpChoices(*program_, choices);
  // The serial fields stay as they were.
  EXPECT_EQ(Fields(),
            "192.168.1.25 COM1/1 38400 Bd, terminal 12 '12', 8 bits, parity 1, model 10 '652 ', "
            "error.log");
  choices.model = 0;  // the blank entry
  ApplyIpChoices(*program_, choices);
  EXPECT_EQ(program_->connection.modelText, "    ");
  EXPECT_EQ(program_->connection.modelNumber, 0);
}

TEST_F(LineSettingsTest, IpDialogProposesAnAddressAndChecksTheFileFields) {
  WriteFile("iglog1.cmx", "0.0.0.0,02,39T,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(StartingIpChoices(*program_), (IpChoices{{"192", "168", "0", "0"}, 1, "02"}));
  WriteFile("iglog1.cmx", "10.0.0.1,12345678,650,ERA\r\n");
  EXPECT_JOB_FAILURE(StartingIpChoices(*program_), frame::error::kDialogTerminalTooLong);
  WriteFile("iglog1.cmx", "10.0.0.1,01,650123,ERA\r\n");
  EXPECT_JOB_FAILURE(StartingIpChoices(*program_), frame::error::kDialogModelTooLong);
  // An unknown model selects the blank entry.
  WriteFile("iglog1.cmx", "10.0.0.1,01,999,ERA\r\n");
  EXPECT_EQ(StartingIpChoices(*program_), (IpChoices{{"10", "0", "0", "1"}, 0, "01"}));

  // Without the file the current address, terminal and model are shown.
  std::filesystem::remove(PathOf("iglog1.cmx"));
  program_->connection.ipAddress = "10.1.2.3";
  program_->connection.terminalNumber = 7;
  program_->connection.modelText = "549 ";
  EXPECT_EQ(StartingIpChoices(*program_), (IpChoices{{"10", "1", "2", "3"}, 5, "7"}));
}

TEST_F(LineSettingsTest, AnOctetAbove255IsRefused) {
  IpChoices choices{{"192", "168", "0", "255"}, 9, "1"};
  EXPECT_EQ(CheckIpChoices(choices), std::nullopt);
  choices.octets[1] = "256";
  EXPECT_EQ(CheckIpChoices(choices), "Číslo IP adresy musí být od 0 do 255, ne 256.");
  // An empty octet is 0, as a job reads it.
  choices.octets = {"10", "", "0", "1"};
  EXPECT_EQ(CheckIpChoices(choices), std::nullopt);
}

TEST_F(LineSettingsTest, SetCmdRewritesEveryCommandFileWithTheExampleLine) {
  const std::string serial = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n";
  const std::string network = "192.168.0.160,01,650 , ERA\r\nR03;P_PLU\r\n";
  WriteFile("prodej.cmd", serial);
  WriteFile("sit.cmd", network);

  // Cancelled: no file changes, but the serial link is marked.
  WriteFile("tk", "1");
  SetSerialLines(*program_, [] { return false; });
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(ReadFile("prodej.cmd"), serial);
  EXPECT_EQ(ReadFile("glog1.cmx"), "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");

  WriteFile("tk", "1");
  SetSerialLines(*program_, [&] {
    LoadLogoConnection(*program_);
    PortChoices choices = StartingPortChoices(*program_);
    choices.port = 1;
    choices.speed = 1;
    choices.terminal = "3";
    ApplyPortChoices(*program_, choices);
    return true;
  });
  EXPECT_EQ(ReadFile("prodej.cmd"), "03,2,5,8,O,650 ,ERA\r\nR03;P_PLU\r\nV10;D10\r\n");
  EXPECT_EQ(ReadFile("sit.cmd"), network);
  EXPECT_EQ(ReadFile("glog1.cmx"), "03,2,5,8,O,650 ,ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("sklp.cmx"), "03,2,5,8,O,650 ,ERA\r\nR65;X_SKL\r\n");
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
  EXPECT_NE(frontEnd_.TerminalText().find("V prikazovych souborech byly prepsany parametry."),
            std::string::npos);
}

TEST_F(LineSettingsTest, SetIpAddressesRewritesNetworkFilesOnlyWhenAccepted) {
  const std::string serial = "01,1,7,8,O,650 ,ERA\r\nR03;P_PLU\r\n";
  const std::string network = "192.168.0.160,01,650 , ERA\r\nR03;P_PLU\r\n";
  WriteFile("prodej.cmd", serial);
  WriteFile("sit.cmd", network);
  WriteFile("tk", "0");
  SetIpAddresses(*program_, [] { return false; });
  EXPECT_EQ(ReadFile("tk"), "0");
  EXPECT_EQ(ReadFile("sit.cmd"), network);

  SetIpAddresses(*program_, [&] {
    IpChoices choices = StartingIpChoices(*program_);
    choices.octets[2] = "1";
    choices.octets[3] = "20";
    choices.terminal = "12";
    ApplyIpChoices(*program_, choices);
    return true;
  });
  EXPECT_EQ(ReadFile("sit.cmd"), "192.168.1.20,12,650 , ERA\r\nR03;P_PLU\r\n");
  EXPECT_EQ(ReadFile("iglog1.cmx"), "192.168.1.20,12,650 , ERA\r\nW44;GLOGO1\r\n");
  EXPECT_EQ(ReadFile("prodej.cmd"), serial);
  EXPECT_EQ(ReadFile("tk"), "1");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
}

TEST(DialogTexts, AboutNamesProgramSystemAndVersion) {
  EXPECT_EQ(AboutTexts(), (std::array<std::string, 3>{"Komunikace s pokladnou TARVIK",
                                                      "pro Microsoft Windows.", "Verze 1.86  "}));
}

// The help's lists come from the program's tables; each entry needs its
// Czech words, and every error of the table is listed with its number.
TEST(DialogTexts, HelpListsEverySwitchUsedKeyAndError) {
  const std::string help = HelpText();
  auto wordsAfter = [&](std::string_view name) {
    const std::string start = "\n  " + std::string(name) + " ";
    const std::size_t at = help.find(start);
    if (at == std::string::npos) return std::string();
    const std::size_t from = help.find_first_not_of(' ', at + start.size());
    return help.substr(from, help.find('\n', from) - from);
  };
  for (const frame::CommandLineSwitch& sw : frame::CommandLineSwitches()) {
    EXPECT_FALSE(wordsAfter(sw.on).empty()) << sw.on;
  }
  for (const frame::IniKey& key : frame::IniKeys()) {
    const std::string words = wordsAfter(key.name);
    if (!key.used) {
      EXPECT_EQ(words, "") << key.name;  // keys without effect are not offered
      continue;
    }
    EXPECT_NE(words.front(), '(') << key.name;  // words before the default
    EXPECT_TRUE(words.ends_with(")")) << key.name;
  }
  for (int code : {4, 38, 116}) {
    const std::string text(frame::ErrorText(code));
    EXPECT_NE(help.find(frame::Format("\n  %3d  %s\n", code, text.c_str())), std::string::npos)
        << code;
  }
  EXPECT_NE(help.find("01,1,7,8,O,650,ERA"), std::string::npos);
}

}  // namespace
}  // namespace tarvik::ui::window
