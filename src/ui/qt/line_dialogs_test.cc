#include "ui/qt/line_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <tuple>

#include "frame/status.h"
#include "support/qt_test_support.h"

namespace tarvik::ui::qt {
namespace {

class LineDialogsTest : public testing::WindowFixture {};

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// What the port dialog shows: port, speed, terminal, data bits, parity, model, log.
QString Choices(const PortSpeedDialog& d) {
  return QStringList{d.Port()->currentText(),   d.Speed()->currentText(),
                     d.Terminal()->text(),      d.DataBits()->currentText(),
                     d.Parity()->currentText(), d.Model()->currentText(),
                     d.LogName()->text()}
      .join('|');
}

std::string Fields(const frame::ConnectionLine& c) {
  return frame::Format("%s COM%d/%c %u Bd, terminal %d, %d bits, parity %d, model %d '%s', %s",
                       c.ipAddress.c_str(), c.comNumber, c.comDigit, c.baudRate, c.terminalNumber,
                       c.dataBits, static_cast<int>(c.parity), c.modelNumber, c.modelText.c_str(),
                       c.logFileName.c_str());
}

QString Address(const IpAddressDialog& d) {
  return QStringList{d.Octet(0)->text(), d.Octet(1)->text(), d.Octet(2)->text(), d.Octet(3)->text()}
      .join('.');
}

TEST_F(LineDialogsTest, PortDialogStartsFromTheLogoCommandFile) {
  // The samples were written when the window was made.
  ASSERT_EQ(ReadFile("glog1.cmx"), "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  program_->comDevice[3] = "/dev/ttyUSB0";
  program_->paths.commandFileName = "job.cmd";
  program_->command.dataFileName = "P_PLU.dat";
  program_->connection.comNumber = 5;

  LoadLogoConnection(*program_);
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->command.dataFileName, "P_PLU.dat");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");

  PortSpeedDialog dialog(*program_);
  EXPECT_EQ(dialog.windowTitle(), "Nastav port a rychlost");
  QStringList ports;
  for (int n = 1; n <= 9; ++n) {
    ports << QStringLiteral("COM%1  (/dev/tty%2)")
                 .arg(n)
                 .arg(n == 3 ? QStringLiteral("USB0") : QStringLiteral("S%1").arg(n - 1));
  }
  EXPECT_EQ(Items(dialog.Port()), ports);
  EXPECT_EQ(Items(dialog.Speed()), (QStringList{"4800", "9600", "19.2k", "38.4k"}));
  EXPECT_EQ(Choices(dialog), "COM1  (/dev/ttyS0)|38.4k|1|8|Odd|650|ERA");
}

TEST_F(LineDialogsTest, PortDialogSetsTheConnectionOfTheExample) {
  LoadLogoConnection(*program_);
  PortSpeedDialog dialog(*program_);
  dialog.Port()->setCurrentIndex(1);
  dialog.Speed()->setCurrentText("9600");
  dialog.Terminal()->setText("3");
  dialog.Apply();
  const frame::ConnectionLine& c = program_->connection;
  EXPECT_EQ(Fields(c), " COM2/2 9600 Bd, terminal 3, 8 bits, parity 1, model 9 '650 ', ERA");
  const frame::LineSettings line = program_->serialLine.Get();
  EXPECT_EQ(std::tuple(line.port, line.baudRate, line.parity),
            std::tuple(2, 9600u, platform::Parity::kOdd));

  // A terminal number above 256 becomes 0; other choices go through as chosen.
  dialog.Terminal()->setText("257");
  dialog.Speed()->setCurrentIndex(0);
  dialog.Parity()->setCurrentText("Even");
  dialog.DataBits()->setCurrentText("7");
  dialog.Model()->setCurrentText("39T");
  dialog.Apply();
  EXPECT_EQ(Fields(c), " COM2/2 4800 Bd, terminal 0, 7 bits, parity 2, model 1 '39T ', ERA");
}

TEST_F(LineDialogsTest, PortDialogWithAnUnlistedSpeedKeepsIt) {
  WriteFile("glog1.cmx", "05,4,3,8,N,360,LOG\r\nW44;GLOGO1\r\n");
  LoadLogoConnection(*program_);
  PortSpeedDialog dialog(*program_);
  EXPECT_EQ(dialog.Speed()->currentIndex(), -1);  // 2400 Bd is not offered
  EXPECT_EQ(Choices(dialog), "COM4  (/dev/ttyS3)||5|8|None|360|LOG");
  dialog.Apply();
  EXPECT_EQ(program_->connection.baudRate, 2400u);
}

TEST_F(LineDialogsTest, BrokenLogoCommandFileEndsAsTheParserSays) {
  WriteFile("glog1.cmx", "01,0,7,8,O,650,ERA\r\nW44;GLOGO1\r\n");
  program_->paths.commandFileName = "job.cmd";
  EXPECT_JOB_FAILURE(LoadLogoConnection(*program_), frame::error::kPortNotDigit);
  EXPECT_EQ(program_->paths.commandFileName, "job.cmd");
  EXPECT_EQ(program_->settings.priponaCmd, "cmd");
}

TEST_F(LineDialogsTest, IpDialogStartsFromTheNetworkLogoCommandFile) {
  ASSERT_EQ(ReadFile("iglog1.cmx"), "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n");
  IpAddressDialog dialog(*program_);
  EXPECT_EQ(Address(dialog), "192.168.0.160");
  EXPECT_EQ(dialog.Model()->currentText(), "650");
  EXPECT_EQ(dialog.Model()->count(), 11);
  EXPECT_EQ(dialog.Model()->itemText(0), "");
  EXPECT_EQ(dialog.Terminal()->text(), "01");

  dialog.Octet(2)->setText("1");
  dialog.Octet(3)->setText("25");
  dialog.Model()->setCurrentText("652");
  dialog.Terminal()->setText("12");
  dialog.Apply();
  // The serial fields stay as they were.
  EXPECT_EQ(
      Fields(program_->connection),
      "192.168.1.25 COM1/1 38400 Bd, terminal 12, 8 bits, parity 1, model 10 '652 ', error.log");
}

TEST_F(LineDialogsTest, IpDialogProposesAnAddressAndChecksTheFields) {
  WriteFile("iglog1.cmx", "0.0.0.0,02,39T,ERA\r\nW44;GLOGO1\r\n");
  {
    IpAddressDialog dialog(*program_);
    EXPECT_EQ(Address(dialog), "192.168.0.0");
    EXPECT_EQ(dialog.Model()->currentText(), "39T");
  }
  WriteFile("iglog1.cmx", "10.0.0.1,12345678,650,ERA\r\n");
  EXPECT_JOB_FAILURE(IpAddressDialog dialog(*program_), frame::error::kDialogTerminalTooLong);
  WriteFile("iglog1.cmx", "10.0.0.1,01,650123,ERA\r\n");
  EXPECT_JOB_FAILURE(IpAddressDialog dialog(*program_), frame::error::kDialogModelTooLong);

  // Without the file the current address is shown.
  std::filesystem::remove(PathOf("iglog1.cmx"));
  program_->connection.ipAddress = "10.1.2.3";
  EXPECT_EQ(Address(IpAddressDialog(*program_)), "10.1.2.3");
}

TEST_F(LineDialogsTest, OkIsRefusedWhileAChoiceCouldNotBeWritten) {
  LoadLogoConnection(*program_);
  PortSpeedDialog port(*program_);
  port.open();
  port.LogName()->setText("ERA,2");
  port.accept();
  EXPECT_TRUE(port.isVisible());
  EXPECT_EQ(port.result(), QDialog::Rejected);
  EXPECT_EQ(port.Problem()->text(), QString::fromUtf8("Jméno souboru log nesmí obsahovat čárku."));
  port.LogName()->setText("ERA");
  port.accept();
  EXPECT_EQ(port.result(), QDialog::Accepted);
  EXPECT_EQ(port.Problem()->text(), "");

  IpAddressDialog ip(*program_);
  ip.open();
  ip.Octet(1)->setText("300");  // typed, it passes the field's validator as unfinished input
  ip.accept();
  EXPECT_EQ(ip.result(), QDialog::Rejected);
  EXPECT_EQ(ip.Problem()->text(),
            QString::fromUtf8("Číslo IP adresy musí být od 0 do 255, ne 300."));
  ip.Octet(1)->setText("168");
  ip.accept();
  EXPECT_EQ(ip.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tarvik::ui::qt
