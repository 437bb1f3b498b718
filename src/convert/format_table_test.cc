#include "convert/format_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tarvik::convert {
namespace {

using testing::ProgramFixture;

// The bytes one record of each entry covers, as listed for the table.
const std::map<int, int> kEntryBytes = {
    {0x01, 35}, {0x02, 20}, {0x03, 45}, {0x04, 32}, {0x05, 20}, {0x06, 29}, {0x07, 24}, {0x08, 23},
    {0x09, 7},  {0x10, 4},  {0x11, 4},  {0x12, 4},  {0x13, 3},  {0x14, 5},  {0x16, 24}, {0x24, 0},
    {0x30, 5},  {0x31, 50}, {0x32, 50}, {0x40, 22}, {0x44, 47}, {0x56, 0},  {0x61, 45}, {0x64, 7},
    {0x65, 13}, {0x66, 9},  {0x67, 11}, {0x68, 10}, {0x69, 3},  {0x72, 47}, {0x73, 47}, {0x74, 47},
    {0x75, 47}, {0x76, 21}, {0x77, 47}, {0x78, 47}, {0x79, 63}, {0x81, 63}, {0x82, 63}, {0x83, 12},
    {0x84, 10}, {0x87, 24}, {0x88, 24}, {0x89, 10}, {0x90, 47}, {0x91, 21}, {0x92, 21}};

int ListBytes(std::string_view list) {
  int bytes = 0;
  for (const ListedField& field : ListFields(list, false)) {
    EXPECT_TRUE(field.spec.valid) << list;
    bytes += field.spec.kind == 'P' ? 2 * field.spec.width : field.spec.width;
  }
  return bytes;
}

// Both tables: every entry is found and its list walks to its end; a
// character out of place anywhere would end a search in 55/10.
TEST(RecordFormatTable, EveryEntryCoversItsListedBytes) {
  std::vector<int> listed;
  for (const auto& [file, bytes] : kEntryBytes) listed.push_back(file);
  for (bool variant : {false, true}) {
    SCOPED_TRACE(variant);
    std::string_view table = RecordFormatTable(variant);
    std::vector<int> seen;
    for (std::size_t at = table.find("F:"); at != std::string_view::npos;
         at = table.find("F:", at + 1)) {
      seen.push_back(std::stoi(std::string(table.substr(at + 2, 2)), nullptr, 16));
    }
    EXPECT_EQ(seen, listed);  // the same entries, in ascending order
    for (const auto& [file, bytes] : kEntryBytes) {
      if (file == 0x24) continue;  // block text, no fields
      std::string list = FindFieldList(table, static_cast<std::uint8_t>(file));
      EXPECT_EQ(ListBytes(list), variant && file == 0x06 ? 28 : bytes) << std::hex << file;
      EXPECT_EQ(list.back(), '.');
    }
    EXPECT_TRUE(table.ends_with(". X "));
  }
}

TEST(RecordFormatTable, SelectsTheFirstEntryOfTheHexadecimalNumber) {
  std::string_view table = RecordFormatTable(false);
  EXPECT_EQ(FindFieldList(table, 0x01), "H2+T18+N4+N4+N1+N1+N1+N1+N2+N1+.");
  EXPECT_EQ(FindFieldList(table, 0x02), "H2+T18+.");
  EXPECT_EQ(FindFieldList(table, 0x10), "H2+N2+.");
  EXPECT_EQ(FindFieldList(table, 0x13), "H2+B(6,5,4,2,1,0)+.");
  EXPECT_EQ(FindFieldList(table, 0x24), "E.");
  EXPECT_EQ(FindFieldList(table, 0x56), ".");
  EXPECT_EQ(FindFieldList(table, 0x64), "L2+N1+N4+.");
  EXPECT_EQ(FindFieldList(table, 0x65), "L2+N7+Z4+.");
  EXPECT_EQ(FindFieldList(table, 0x92), "L2+N4+N1+N1+N13+.");
  EXPECT_EQ(FindFieldList(RecordFormatTable(true), 0x03), FindFieldList(table, 0x03));
  // The first entry of a number wins; entries need no blank between them.
  EXPECT_EQ(FindFieldList("F:10 N2+. F:10 H2+. X", 0x10), "N2+.");
  EXPECT_EQ(FindFieldList("F:11 N2+.F:10 H2+. X", 0x10), "H2+.");
}

TEST(RecordFormatTable, MalformedTablesNameThePlaceOfTheFaultAndMissingEntriesNoFormat) {
  struct Case {
    std::string table;
    frame::ErrorPair pair;
  };
  const Case cases[] = {
      {"", frame::error::kFormatTableEmpty},                        // no first character
      {"F", frame::error::kFormatTableEndsAfterF},                  // nothing after "F"
      {"F;10 N2+. X", frame::error::kFormatEntryWithoutColon},      // no ":"
      {"F:", frame::error::kFormatEntryHighDigit},                  // first digit missing
      {"F:A0 N2+. X", frame::error::kFormatEntryHighDigit},         // first digit not decimal
      {"F:1", frame::error::kFormatEntryLowDigit},                  // second digit missing
      {"F:1A N2+. X", frame::error::kFormatEntryLowDigit},          // second digit not decimal
      {"F:10", frame::error::kFormatEntryWithoutFields},            // ends before the list
      {"F:10   ", frame::error::kFormatEntryWithoutFields},         // ends among the blanks
      {"F:10 H2+", frame::error::kFormatFieldListBad},              // the list has no "."
      {"F:10 H2+x. X", frame::error::kFormatFieldListBad},          // a character outside the set
      {"F:11 H2+. ", frame::error::kFormatTableBadBetweenEntries},  // no end mark
      {"F:11 H2+x. X",
       frame::error::kFormatTableBadBetweenEntries},  // a character outside the set while searching
      {"F:11 H2+.\nF:10 N2+. X", frame::error::kFormatTableBadBetweenEntries}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    EXPECT_JOB_FAILURE(FindFieldList(c.table, 0x10), c.pair);
  }
  EXPECT_JOB_FAILURE(FindFieldList("X", 0x10), frame::error::kNoFormatForFile);
  EXPECT_JOB_FAILURE(FindFieldList("F:11 H2+. X", 0x10), frame::error::kNoFormatForFile);
  for (std::uint8_t file : {0x0A, 0x15, 0x00, 0x93, 0xFF, 0x20}) {
    EXPECT_JOB_FAILURE(FindFieldList(RecordFormatTable(false), file),
                       frame::error::kNoFormatForFile);
  }
  // An entry longer than any list could be is a broken table, not a list.
  EXPECT_JOB_FAILURE(FindFieldList("F:10 " + std::string(1100, '+') + ". X", 0x10),
                     frame::error::kFormatFieldListBad);
}

class FormatTableTest : public ProgramFixture {};

TEST_F(FormatTableTest, ModelSelectsTheVariantTablesForEachJobAnew) {
  // Variant models first: the other ones must switch the tables back.
  const std::vector<std::string> models[] = {{"39T", "362", "396"},
                                             {"650", "", "39", "3960", "600"}};
  for (bool variant : {true, false}) {
    for (const std::string& model : models[variant ? 0 : 1]) {
      SCOPED_TRACE(model);
      SelectModelFormatTables(*program_, model);
      EXPECT_EQ(program_->variantTables, variant);
      EXPECT_EQ(BlockLength(*program_, 0x06), variant ? 28u : 29u);
      EXPECT_EQ(SelectRecordFormat(*program_, 0x06),
                variant ? "H2+T18+N2+N1+N2+N1+N1+N1+." : "H2+T18+N2+N1+N2+N1+N1+N1+N1+.");
    }
  }
}

TEST(BlockLengthTable, ListedLengthsAndZeroElsewhere) {
  const std::map<int, std::uint32_t> listed = {
      {0x01, 35}, {0x02, 20}, {0x03, 45}, {0x04, 32}, {0x05, 20}, {0x06, 29}, {0x07, 24},
      {0x08, 23}, {0x09, 7},  {0x0A, 4},  {0x10, 4},  {0x11, 4},  {0x12, 4},  {0x13, 3},
      {0x14, 5},  {0x16, 24}, {0x20, 50}, {0x21, 20}, {0x24, 42}, {0x28, 21}, {0x29, 50},
      {0x2A, 50}, {0x2B, 22}, {0x2C, 1},  {0x2D, 10}, {0x2E, 1},  {0x2F, 1},  {0x30, 5},
      {0x31, 50}, {0x32, 50}, {0x41, 45}, {0x42, 6},  {0x61, 45}, {0x65, 13}, {0x67, 11},
      {0x68, 10}, {0x69, 3},  {0x70, 47}, {0x71, 47}, {0x72, 47}, {0x73, 47}, {0x74, 47},
      {0x75, 47}, {0x76, 47}, {0x77, 47}, {0x78, 47}, {0x79, 47}, {0x80, 47}, {0x81, 47},
      {0x82, 47}, {0x83, 47}, {0x84, 47}, {0x85, 51}, {0x87, 24}, {0x88, 24}, {0x89, 10},
      {0x90, 47}, {0x91, 21}, {0x92, 21}};
  for (int file = 0; file < 256; ++file) {
    auto it = listed.find(file);
    std::uint32_t expected = it == listed.end() ? 0 : it->second;
    EXPECT_EQ(BlockLengthTable(false)[static_cast<std::size_t>(file)], expected) << file;
    std::uint32_t variant = file == 0x06 ? 28 : expected;
    EXPECT_EQ(BlockLengthTable(true)[static_cast<std::size_t>(file)], variant) << file;
  }
}

std::string Walk(std::string_view list) {
  std::string out;
  FieldSpecReader reader(list);
  for (int guard = 0; guard < 100; ++guard) {
    FieldSpec spec = reader.NextFieldSpec();
    if (spec.valid && spec.kind == '.') return out;
    if (!spec.valid) return out + "!" + spec.kind;
    out += spec.kind + std::to_string(spec.width) + " ";
  }
  return out + "...";
}

TEST(FieldSpecReader, WalksTheListUpToItsEndOrFirstFault) {
  EXPECT_EQ(Walk("T18+N13+N45+N1+."), "T18 N13 N45 N1 ");
  EXPECT_EQ(Walk("H2+S9+Z4+L2+P3+."), "H2 S9 Z4 L2 P3 ");
  EXPECT_EQ(Walk("."), "");
  EXPECT_EQ(Walk(""), "");
  EXPECT_EQ(Walk("H2+"), "H2 ");  // the end of the text ends the list too
  // A repeat count expands to separate fields.
  std::string h1x45;
  for (int i = 0; i < 45; ++i) h1x45 += "H1 ";
  EXPECT_EQ(Walk("H2+45H1+."), "H2 " + h1x45);
  EXPECT_EQ(Walk("2N3+T4+."), "N3 N3 T4 ");
  EXPECT_EQ(Walk("1H2+."), "H2 ");
  // A bit field is one byte and knows where its groups stand.
  EXPECT_EQ(Walk("H2+B(6,5,4,2,1,0)+N1+."), "H2 B1 N1 ");
  FieldSpecReader reader("H2+B(6,5,4,2,1,0)+N1+.");
  reader.NextFieldSpec();
  EXPECT_EQ(reader.NextFieldSpec().groupsAt, 4u);
  // Anything else stops the walk as invalid.
  EXPECT_EQ(Walk("H2+X2+."), "H2 !X");
  EXPECT_EQ(Walk("H2+E."), "H2 !E");
  EXPECT_EQ(Walk("E."), "!E");
  EXPECT_EQ(Walk("H2+4."), "H2 !4");  // a count before nothing
  EXPECT_EQ(Walk("0H1+."), "!0");     // a count of nothing
  EXPECT_EQ(Walk("45X1+."), "!4");
  EXPECT_EQ(Walk("N+."), "!N");     // no width
  EXPECT_EQ(Walk("N123+."), "!N");  // three digits
  EXPECT_EQ(Walk("N2."), "!N");     // no "+"
  EXPECT_EQ(Walk("S1+."), "!S");    // no room for sign and closing byte
  EXPECT_EQ(Walk("N0+."), "!N");
  EXPECT_EQ(Walk("+H2+."), "!+");
}

std::string Groups(std::string_view list) {
  std::vector<BitGroup> groups;
  EXPECT_EQ(ReadBitGroups(list, 0, true, &groups), BitGroupError::kNone) << list;
  std::string out;
  for (const BitGroup& g : groups) {
    out += std::to_string(g.mask) + ">>" + std::to_string(g.shift) + "/" +
           std::to_string(g.bitCount) + " ";
  }
  return out;
}

BitGroupError ErrorOf(std::string_view list, bool sending) {
  std::vector<BitGroup> groups;
  return ReadBitGroups(list, 0, sending, &groups);
}

TEST(BitGroups, MasksAndShiftsOfEachGroupOrTheFirstFaultInReadingOrder) {
  EXPECT_EQ(Groups("(6,5,4,2,1,0)"), "64>>6/1 32>>5/1 16>>4/1 4>>2/1 2>>1/1 1>>0/1 ");
  EXPECT_EQ(Groups("(76,543,10)"), "192>>6/2 56>>3/3 3>>0/2 ");
  using enum BitGroupError;
  EXPECT_EQ(ErrorOf("6,5)", false), kNoParenthesis);
  EXPECT_EQ(ErrorOf("", false), kNoParenthesis);
  EXPECT_EQ(ErrorOf("(8)", false), kBadFirst);
  EXPECT_EQ(ErrorOf("(,6)", false), kBadFirst);
  EXPECT_EQ(ErrorOf("(", false), kBadFirst);
  EXPECT_EQ(ErrorOf("(6;5)", false), kBadCharacter);
  EXPECT_EQ(ErrorOf("(69)", false), kBadCharacter);
  EXPECT_EQ(ErrorOf("(6,,5)", false), kBadCharacter);
  EXPECT_EQ(ErrorOf("(6,5", false), kBadCharacter);
  // Bit 0 before another group: refused only when sending.
  EXPECT_EQ(ErrorOf("(10,2)", false), kNone);
  EXPECT_EQ(ErrorOf("(10,2)", true), kBitZeroNotLast);
  EXPECT_EQ(ErrorOf("(0,x)", true), kBitZeroNotLast);
  EXPECT_EQ(ErrorOf("(0,x)", false), kBadCharacter);
}

TEST(NibbleText, DigitsAboveNineBecomeTheCharactersAfterNine) {
  std::string text;
  AppendNibbleText(&text, 0xAF);
  AppendNibbleText(&text, 0x09);
  AppendNibbleText(&text, 0xBC);
  EXPECT_EQ(text, ":?09;<");
  EXPECT_EQ(PackNibbles(':', '?'), 0xAF);
  EXPECT_EQ(PackNibbles('1', '2'), 0x12);
  EXPECT_EQ(PackNibbles('A', 'b'), 0x12);  // low four bits only
}

}  // namespace
}  // namespace tarvik::convert
