#include "journal/journal_format.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tarvik::journal {
namespace {

using testing::FromHex;

// Formats the field given in hexadecimal.
template <typename F, typename... Args>
std::string Of(F format, const std::string& hex, Args... args) {
  std::string bytes = FromHex(hex);
  return format(reinterpret_cast<const unsigned char*>(bytes.data()), args...);
}

std::string Amount(const std::string& hex, int decimals) {
  return Of(FormatAmount, hex, decimals);
}

TEST(JournalFormat, AmountsWithTheirDecimals) {
  EXPECT_EQ(Amount("00 000000001250", 2), "           12.50");
  EXPECT_EQ(Amount("00 000000000000", 2), "            0.00");
  EXPECT_EQ(Amount("01 000000000050", 2), "           -0.50");
  EXPECT_EQ(Amount("07 000000000050", 2), "           -0.50");  // any non-zero sign byte
  EXPECT_EQ(Amount("01 000000000000", 2), "           -0.00");
  EXPECT_EQ(Amount("00 000000000005", 2), "            0.05");
  EXPECT_EQ(Amount("00 999999999999", 2), "   9999999999.99");
  EXPECT_EQ(Amount("01 999999999999", 2), "  -9999999999.99");
  EXPECT_EQ(Amount("00 000000001250", 0), "         1250 ");
  EXPECT_EQ(Amount("00 000000000000", 0), "            0 ");
  EXPECT_EQ(Amount("01 000000000007", 0), "           -7 ");
  EXPECT_EQ(Amount("01 999999999999", 0), "-999999999999 ");
  EXPECT_EQ(Amount("00 000000001250", 3), "            1.250");
  EXPECT_EQ(Amount("00 000000000000", 3), "            0.000");
  EXPECT_EQ(Amount("01 000000001500", 3), "           -1.500");
  EXPECT_EQ(Amount("00 000000000500", 1), "           50.0");
  // Nibbles above nine become punctuation, unchecked.
  EXPECT_EQ(Amount("00 0000000000AF", 2), "            0.:?");
  EXPECT_EQ(Amount("00 00000000A000", 2), "           :0.00");
  EXPECT_EQ(BcdDigits(reinterpret_cast<const unsigned char*>("\x1B"), 1), "1;");
}

TEST(JournalFormat, QuantitiesAndTheRawFormsOfThePluSalesFile) {
  EXPECT_EQ(Of(FormatAmountRaw, "00 000000001250"), "+000000001250");
  EXPECT_EQ(Of(FormatAmountRaw, "02 000000001250"), "-000000001250");
  EXPECT_EQ(Of(FormatQuantityRaw, "00 00 05 00"), "+0000500");
  EXPECT_EQ(Of(FormatQuantityRaw, "81 23 45 67"), "-1234567");
  // Only the high nibble 8 marks a negative quantity.
  EXPECT_EQ(Of(FormatQuantityRaw, "11 23 45 67"), "+1234567");
  EXPECT_EQ(Of(FormatQuantity, "00 00 05 00"), "    0.500");
  EXPECT_EQ(Of(FormatQuantity, "80 00 15 00"), "   -1.500");
  EXPECT_EQ(Of(FormatQuantity, "00 00 00 00"), "    0.000");
  EXPECT_EQ(Of(FormatQuantity, "00 00 30 00"), "    3.000");
  EXPECT_EQ(Of(FormatQuantity, "09 99 99 99"), " 9999.999");
  EXPECT_EQ(Of(FormatQuantity, "89 99 99 99"), "-9999.999");
  EXPECT_EQ(Of(FormatQuantity, "00 01 20 05"), "   12.005");
  EXPECT_EQ(Of(FormatQuantity, "80 00 00 01"), "   -0.001");
}

TEST(JournalFormat, PercentHasNoPoint) {
  EXPECT_EQ(Of(FormatPercent, "00 00 00"), "     ");
  EXPECT_EQ(Of(FormatPercent, "00 01 00"), "   10");
  EXPECT_EQ(Of(FormatPercent, "80 00 50"), "   -5");
  EXPECT_EQ(Of(FormatPercent, "01 23 4F"), " 1234");  // the low nibble of the last byte is not used
  EXPECT_EQ(Of(FormatPercent, "81 23 40"), "-1234");
}

TEST(JournalFormat, ExchangeRateDateTimeAndTaxLetter) {
  EXPECT_EQ(Of(FormatExchangeRate, "02 51 50", 3), "    25.150");
  EXPECT_EQ(Of(FormatExchangeRate, "02 51 50", 0), " 25150 ");
  EXPECT_EQ(Of(FormatExchangeRate, "00 00 07", 2), "      .07");
  EXPECT_EQ(Of(FormatExchangeRate, "12 34 56", 6), "      .123456");
  EXPECT_EQ(Of(FormatExchangeRate, "00 00 00", 0), "       ");
  EXPECT_EQ(Of(FormatDateTime, "26 12 05 99 14 30"), "05.12.26 14:30");
  EXPECT_EQ(TaxLetter(0x00), ' ');
  EXPECT_EQ(TaxLetter(0x01), 'A');
  EXPECT_EQ(TaxLetter(0x39), 'I');  // the high nibble is not part of it
  EXPECT_EQ(TaxLetter(0x0A), 'J');
  EXPECT_EQ(BcdNumber(0x42), 42);
}

}  // namespace
}  // namespace tarvik::journal
