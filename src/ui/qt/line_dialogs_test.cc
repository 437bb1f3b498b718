#include "ui/qt/line_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "ui/qt/qt_test_support.h"

namespace tarvik::ui::qt {
namespace {

class LineDialogsTest : public testing::WindowFixture {};

TEST_F(LineDialogsTest, PortDialogStartsFromTheLogoCommandFile) {
  // The samples were written when the window was made.
  ASSERT_EQ(ReadFile("glog1.cmx"), "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  program_->comDevice[3] = "/dev/ttyUSB0";
  program_->paths.commandFileName = "job.cmd";
  program_->command.DataFileName = "P_PLU.dat";
  program_->connection.comNumber = 5;

  LoadLogoConnection(*program_);
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->command.DataFileName, "P_PLU.dat");
  EXPECT_EQ(program_->settings.pripona_cmd, "cmd");

  PortSpeedDialog dialog(*program_);
  EXPECT_EQ(dialog.windowTitle(), "Nastav port a rychlost");
  ASSERT_EQ(dialog.Port()->count(), 9);
  EXPECT_EQ(dialog.Port()->itemText(0), "COM1  (/dev/ttyS0)");
  EXPECT_EQ(dialog.Port()->itemText(2), "COM3  (/dev/ttyUSB0)");
  EXPECT_EQ(dialog.Port()->itemText(8), "COM9  (/dev/ttyS8)");
  EXPECT_EQ(dialog.Port()->currentIndex(), 0);
  EXPECT_EQ(dialog.Speed()->currentText(), "38.4k");
  EXPECT_EQ(dialog.Terminal()->text(), "1");
  EXPECT_EQ(dialog.DataBits()->currentText(), "8");
  EXPECT_EQ(dialog.Parity()->currentText(), "Odd");
  EXPECT_EQ(dialog.Model()->currentText(), "650");
  EXPECT_EQ(dialog.LogName()->text(), "ERA");
  QStringList speeds;
  for (int i = 0; i < dialog.Speed()->count(); ++i) speeds << dialog.Speed()->itemText(i);
  EXPECT_EQ(speeds, (QStringList{"4800", "9600", "19.2k", "38.4k"}));
}

TEST_F(LineDialogsTest, PortDialogSetsTheConnectionOfTheExample) {
  LoadLogoConnection(*program_);
  PortSpeedDialog dialog(*program_);
  dialog.Port()->setCurrentIndex(1);
  dialog.Speed()->setCurrentText("9600");
  dialog.Terminal()->setText("3");
  dialog.Apply();
  const frame::ConnectionLine& c = program_->connection;
  EXPECT_EQ(c.comNumber, 2);
  EXPECT_EQ(c.comDigit, '2');
  EXPECT_EQ(c.baudRate, 9600u);
  EXPECT_EQ(c.terminalNumber, 3);
  EXPECT_EQ(c.dataBits, 8);
  EXPECT_EQ(c.parity, 1);
  EXPECT_EQ(c.modelNumber, 9);
  EXPECT_EQ(c.modelText, "650 ");
  EXPECT_EQ(c.logFileName, "ERA");
  const LineSettings line = program_->terminal.Line();
  EXPECT_EQ(line.port, 2);
  EXPECT_EQ(line.baudRate, 9600u);
  EXPECT_EQ(line.parity, 1);

  // A terminal number above 256 becomes 0; other choices go through as chosen.
  dialog.Terminal()->setText("257");
  dialog.Speed()->setCurrentIndex(0);
  dialog.Parity()->setCurrentText("Even");
  dialog.DataBits()->setCurrentText("7");
  dialog.Model()->setCurrentText("39T");
  dialog.Apply();
  EXPECT_EQ(c.terminalNumber, 0);
  EXPECT_EQ(c.baudRate, 4800u);
  EXPECT_EQ(c.parity, 2);
  EXPECT_EQ(c.dataBits, 7);
  EXPECT_EQ(c.modelNumber, 1);
  EXPECT_EQ(c.modelText, "39T ");
}

TEST_F(LineDialogsTest, PortDialogWithAnUnlistedSpeedKeepsIt) {
  WriteFile("glog1.cmx", "05,4,3,8,N,360,LOG\r\nW44;GLOGO1\r\n");
  LoadLogoConnection(*program_);
  PortSpeedDialog dialog(*program_);
  EXPECT_EQ(dialog.Speed()->currentIndex(), -1);  // 2400 Bd is not offered
  EXPECT_EQ(dialog.Port()->currentIndex(), 3);
  EXPECT_EQ(dialog.Parity()->currentText(), "None");
  EXPECT_EQ(dialog.Model()->currentText(), "360");
  dialog.Apply();
  EXPECT_EQ(program_->connection.baudRate, 2400u);
}

TEST_F(LineDialogsTest, BrokenLogoCommandFileEndsAsTheParserSays) {
  WriteFile("glog1.cmx", "01,0,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  program_->paths.commandFileName = "job.cmd";
  EXPECT_JOB_FAILURE(LoadLogoConnection(*program_), 51, 31);
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->settings.pripona_cmd, "cmd");
}

TEST_F(LineDialogsTest, IpDialogStartsFromTheNetworkLogoCommandFile) {
  ASSERT_EQ(ReadFile("iglog1.cmx"), "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n");
  IpAddressDialog dialog(*program_);
  EXPECT_EQ(dialog.Octet(0)->text(), "192");
  EXPECT_EQ(dialog.Octet(1)->text(), "168");
  EXPECT_EQ(dialog.Octet(2)->text(), "0");
  EXPECT_EQ(dialog.Octet(3)->text(), "160");
  EXPECT_EQ(dialog.Model()->currentText(), "650");
  EXPECT_EQ(dialog.Model()->count(), 11);
  EXPECT_EQ(dialog.Model()->itemText(0), "");
  EXPECT_EQ(dialog.Terminal()->text(), "01");

  dialog.Octet(2)->setText("1");
  dialog.Octet(3)->setText("25");
  dialog.Model()->setCurrentText("652");
  dialog.Terminal()->setText("12");
  dialog.Apply();
  EXPECT_EQ(program_->connection.ipAddress, "192.168.1.25");
  EXPECT_EQ(program_->connection.modelText, "652 ");
  EXPECT_EQ(program_->connection.terminalNumber, 12);
}

TEST_F(LineDialogsTest, IpDialogProposesAnAddressAndChecksTheFields) {
  WriteFile("iglog1.cmx", "0.0.0.0,02,39T,ERA\r\nW44;GLOGO1\r\n");
  {
    IpAddressDialog dialog(*program_);
    EXPECT_EQ(dialog.Octet(0)->text(), "192");
    EXPECT_EQ(dialog.Octet(1)->text(), "168");
    EXPECT_EQ(dialog.Octet(2)->text(), "0");
    EXPECT_EQ(dialog.Octet(3)->text(), "0");
    EXPECT_EQ(dialog.Model()->currentText(), "39T");
  }
  WriteFile("iglog1.cmx", "10.0.0.1,12345678,650,ERA\r\n");
  EXPECT_JOB_FAILURE(IpAddressDialog dialog(*program_), 51, 1);
  WriteFile("iglog1.cmx", "10.0.0.1,01,650123,ERA\r\n");
  EXPECT_JOB_FAILURE(IpAddressDialog dialog(*program_), 51, 2);

  // Without the file the current address is shown.
  std::filesystem::remove(PathOf("iglog1.cmx"));
  program_->connection.ipAddress = "10.1.2.3";
  IpAddressDialog dialog(*program_);
  EXPECT_EQ(dialog.Octet(0)->text() + "." + dialog.Octet(1)->text() + "." +
                dialog.Octet(2)->text() + "." + dialog.Octet(3)->text(),
            "10.1.2.3");
}

}  // namespace
}  // namespace tarvik::ui::qt
