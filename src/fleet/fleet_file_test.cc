#include "fleet/fleet_file.h"

#include <gtest/gtest.h>

namespace tarvik::fleet {
namespace {

TEST(FleetFile, ReadsRegistersSkippingCommentsAndBlankLines) {
  auto registers = ParseFleetFile(
      "\xEF\xBB\xBF# name;connection line;command file\r\n"
      "shop01-pos1;192.168.1.10,01,650,SHOP01;nightly.cmd\r\n"
      "\r\n"
      "   \n"
      "  shop02_pos.1 ;01,3,7,8,O,650,SHOP02; cmds/nightly.cmd \n"
      "\"shop03\";\"127.0.0.1:14001,02,39T,S3\";\"x.cmd\";;\r");
  ASSERT_EQ(registers.size(), 3u);
  EXPECT_EQ(registers[0].line, 2);
  EXPECT_EQ(registers[0].name, "shop01-pos1");
  EXPECT_EQ(registers[0].connection.linkType, frame::LinkType::kTcpIp);
  EXPECT_EQ(registers[0].connection.ipAddress, "192.168.1.10");
  EXPECT_EQ(registers[0].connection.logFileName, "SHOP01.log");
  EXPECT_EQ(registers[0].commandFile, "nightly.cmd");
  EXPECT_EQ(registers[1].line, 5);
  EXPECT_EQ(registers[1].name, "shop02_pos.1");
  EXPECT_EQ(registers[1].connection.linkType, frame::LinkType::kSerial);
  EXPECT_EQ(registers[1].connection.comNumber, 3);
  EXPECT_EQ(registers[1].connection.baudRate, 38400u);
  EXPECT_EQ(registers[1].connectionText, "01,3,7,8,O,650,SHOP02");
  EXPECT_EQ(registers[1].commandFile, "cmds/nightly.cmd");
  EXPECT_EQ(registers[2].connection.ipAddress, "127.0.0.1:14001");
  EXPECT_EQ(registers[2].connection.modelNumber, 1);
  EXPECT_EQ(registers[2].commandFile, "x.cmd");
}

TEST(FleetFile, TakesWindows1250WhenTheBytesAreNotUtf8) {
  // "Žďár" in Windows-1250 as the log name.
  auto registers = ParseFleetFile("pos;01,1,7,8,O,650,\x8E\xEF\xE1r;a.cmd\n");
  EXPECT_EQ(registers[0].connectionText, "01,1,7,8,O,650,\x8E\xEF\xE1r");
  // The same in UTF-8 becomes the same Windows-1250 bytes.
  registers = ParseFleetFile("pos;01,1,7,8,O,650,\xC5\xBD\xC4\x8F\xC3\xA1r;a.cmd\n");
  EXPECT_EQ(registers[0].connectionText, "01,1,7,8,O,650,\x8E\xEF\xE1r");
  EXPECT_EQ(DecodeFleetText("\xC5\xBD"), "\xC5\xBD");
  EXPECT_EQ(DecodeFleetText("\x8E"), "\xC5\xBD");
  EXPECT_EQ(DecodeFleetText("\xC5"), "\xC4\xB9");  // UTF-8 cut short: Windows-1250 "Ĺ"
}

struct Malformed {
  const char* text;
  int line;
  const char* reason;
};

TEST(FleetFile, EveryFaultNamesItsLine) {
  const std::string ok = "a;127.0.0.1,01,650,A;a.cmd\n";
  const Malformed cases[] = {
      {"a;127.0.0.1,01,650,A\n", 1,
       "expected 3 fields (name;connection line;command file), found 2"},
      {"# x\na;127.0.0.1,01,650,A;a.cmd;extra\n", 2,
       "expected 3 fields (name;connection line;command file), found 4"},
      {";127.0.0.1,01,650,A;a.cmd\n", 1, "the register's name is empty"},
      {"shop 1;127.0.0.1,01,650,A;a.cmd\n", 1,
       "the register's name \"shop 1\" may hold only A-Z a-z 0-9 . _ - and is not . or .."},
      {"..;127.0.0.1,01,650,A;a.cmd\n", 1,
       "the register's name \"..\" may hold only A-Z a-z 0-9 . _ - and is not . or .."},
      {"a/b;127.0.0.1,01,650,A;a.cmd\n", 1,
       "the register's name \"a/b\" may hold only A-Z a-z 0-9 . _ - and is not . or .."},
      {"\"a;127.0.0.1,01,650,A;a.cmd\n", 1, "field 1: a quote that is never closed"},
      {"\"a\"x;127.0.0.1,01,650,A;a.cmd\n", 1, "field 1: text after its closing quote"},
      {"a;;a.cmd\n", 1, "the connection line is empty"},
      {"a;127.0.0.1,01,650,A;\n", 1, "the command file is empty"},
      {"a;127.0.0.1,01,650,A\x01;a.cmd\n", 1, "the connection line holds a control character"},
      {"a;127.0.0.1,01,650,\xE2\x82\xAC\xE4\xB8\x80;a.cmd\n", 1,
       "the connection line holds characters that Windows-1250 lacks"},
      {"a;01,0,7,8,O,650,A;a.cmd\n", 1,
       "connection line \"01,0,7,8,O,650,A\": the COM number is not 1 to 9 (error 51/31)"},
      {"a;01,1,7,8,X,650,A;a.cmd\n", 1,
       "connection line \"01,1,7,8,X,650,A\": the parity is none of N O E M S (error 51/37)"},
      {"a;127.0.0.1,300,650,A;a.cmd\n", 1,
       "connection line \"127.0.0.1,300,650,A\": the terminal number is above 255 (error 51/42)"},
      {"a;127.0.0.1,01,6SO,A;a.cmd\n", 1,
       "connection line \"127.0.0.1,01,6SO,A\": the register model is none of 39T 359 360 362 "
       "549 579 396 649 650 652 1.86 (error 49/1)"},
      {"a;127.0.0.1,01,650;a.cmd\n", 1,
       "connection line \"127.0.0.1,01,650\": a field is missing before the register model or "
       "after it (error 51/44)"},
      {"a;abcdefghijklm;a.cmd\n", 1,
       "connection line \"abcdefghijklm\": neither \",\" (serial) nor \".\" (TCP/IP) within its "
       "first ten characters (error 51/26)"},
      {"a;127.0.0.1,01,650,A,B;a.cmd\n", 1,
       "connection line \"127.0.0.1,01,650,A,B\": text after the log name: \"B\""},
      {"Shop;127.0.0.1,01,650,A;a.cmd\n\nSHOP;127.0.0.2,01,650,A;a.cmd\n", 3,
       "the name \"SHOP\" is already used on line 1 (names are compared without regard to letter "
       "case)"},
      {"# only a comment\n\n", 0, "the fleet file lists no register"},
  };
  for (const Malformed& c : cases) {
    try {
      ParseFleetFile(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const FleetFileError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_EQ(std::string(e.what()), c.reason) << c.text;
    }
  }
  EXPECT_NO_THROW(ParseFleetFile(ok));
}

TEST(FleetFile, NameLimits) {
  EXPECT_TRUE(IsValidRegisterName(std::string(64, 'a')));
  EXPECT_FALSE(IsValidRegisterName(std::string(65, 'a')));
  EXPECT_TRUE(IsValidRegisterName(".hidden-A_9"));
  EXPECT_FALSE(IsValidRegisterName("."));
  EXPECT_FALSE(IsValidRegisterName("a\\b"));
  try {
    ParseFleetFile(std::string(65, 'a') + ";127.0.0.1,01,650,A;a.cmd\n");
    ADD_FAILURE();
  } catch (const FleetFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "the register's name \"" + std::string(65, 'a') + "\" is longer than 64 characters");
  }
}

}  // namespace
}  // namespace tarvik::fleet
