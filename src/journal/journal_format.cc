#include "journal/journal_format.h"

namespace tarvik::journal {
namespace {

char Nibble(unsigned value) {
  return static_cast<char>('0' + (value & 15u));
}

// Blanks the leading '0' characters of text[0, end), stopping at any other
// character; returns the position of the first one left.
std::size_t BlankLeadingZeros(std::string& text, std::size_t end) {
  std::size_t i = 0;
  while (i < end && text[i] == '0') text[i++] = ' ';
  return i;
}

// A minus sign right before the first character that is not a space.
void PutMinus(std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) first = text.size();
  if (first > 0) text[first - 1] = '-';
}

// Arranges `digits` with the last `decimals` behind a point at `point`; the
// integer part ends right before the point, its vacated places hold '0'.
std::string PlaceDecimals(const std::string& digits, std::size_t point, int decimals) {
  std::size_t d = static_cast<std::size_t>(decimals);
  std::string out(point + 1 + d, '0');
  out[point] = '.';
  for (std::size_t i = 0; i < d; ++i) out[point + 1 + i] = digits[digits.size() - d + i];
  std::size_t integerDigits = digits.size() - d;
  for (std::size_t i = 0; i < integerDigits; ++i) out[point - integerDigits + i] = digits[i];
  return out;
}

}  // namespace

std::string BcdDigits(const unsigned char* bytes, int count) {
  std::string out;
  out.reserve(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    out += Nibble(bytes[i] >> 4);
    out += Nibble(bytes[i]);
  }
  return out;
}

int BcdNumber(unsigned char byte) {
  return (byte >> 4) * 10 + (byte & 15);
}

std::string FormatAmount(const unsigned char* field, int decimals) {
  // "0" and 12 digits; the integer part takes places 0 to 12, the point 13.
  std::string digits = "0" + BcdDigits(field + 1, 6);
  std::string out = PlaceDecimals(digits, 13, decimals);
  BlankLeadingZeros(out, out.size());
  if (decimals == 0) out[13] = ' ';
  if (out[12] == ' ') out[12] = '0';
  if (field[0] != 0) PutMinus(out);
  return out;
}

std::string FormatAmountRaw(const unsigned char* field) {
  return (field[0] != 0 ? "-" : "+") + BcdDigits(field + 1, 6);
}

namespace {
std::string QuantityDigits(const unsigned char* field) {
  return Nibble(field[0]) + BcdDigits(field + 1, 3);
}
bool QuantityNegative(const unsigned char* field) {
  return (field[0] >> 4) == 8;
}
}  // namespace

std::string FormatQuantity(const unsigned char* field) {
  std::string digits = QuantityDigits(field);
  std::string out = "0" + digits.substr(0, 4) + "." + digits.substr(4);
  std::size_t first = BlankLeadingZeros(out, out.size());
  if (first == 5) out[4] = '0';
  if (QuantityNegative(field)) PutMinus(out);
  return out;
}

std::string FormatQuantityRaw(const unsigned char* field) {
  return (QuantityNegative(field) ? "-" : "+") + QuantityDigits(field);
}

std::string FormatPercent(const unsigned char* field) {
  std::string out = "0";
  out += Nibble(field[0]);
  out += BcdDigits(field + 1, 1);
  out += Nibble(field[2] >> 4);
  BlankLeadingZeros(out, out.size());
  if ((field[0] >> 4) == 8) PutMinus(out);
  return out;
}

std::string FormatExchangeRate(const unsigned char* field, int decimals) {
  std::string out = PlaceDecimals(BcdDigits(field, 3), 6, decimals);
  BlankLeadingZeros(out, out.size());
  if (decimals == 0) out[6] = ' ';
  return out;
}

std::string FormatDateTime(const unsigned char* field) {
  return BcdDigits(field + 2, 1) + "." + BcdDigits(field + 1, 1) + "." + BcdDigits(field, 1) + " " +
         BcdDigits(field + 4, 1) + ":" + BcdDigits(field + 5, 1);
}

char TaxLetter(unsigned char byte) {
  unsigned nibble = byte & 15u;
  return nibble == 0 ? ' ' : static_cast<char>('0' + nibble + 16);
}

}  // namespace tarvik::journal
