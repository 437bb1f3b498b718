// The printed forms of the packed-BCD fields of journal records. A nibble is
// printed as '0' plus its value, so 10 to 15 give ':' to '?' unchecked, as the
// register's own printouts do.
#pragma once

#include <string>

namespace tarvik::journal {

// Two characters per byte, high nibble first.
std::string BcdDigits(const unsigned char* bytes, int count);
// The byte's two BCD digits read as a number (0x12 -> 12; unchecked nibbles count as 10..15).
int BcdNumber(unsigned char byte);

// 7 bytes: a sign byte (non-zero = negative) and 12 digits; 14 + decimals characters,
// right-aligned, "." before the decimals (a space when there are none).
std::string FormatAmount(const unsigned char* field, int decimals);
// "+" or "-" and the 12 digits, no point.
std::string FormatAmountRaw(const unsigned char* field);
// 4 bytes: high nibble 8 = negative, then 7 digits with 3 decimals; 9 characters.
std::string FormatQuantity(const unsigned char* field);
// "+" or "-" and the 7 digits.
std::string FormatQuantityRaw(const unsigned char* field);
// 3 bytes: high nibble 8 = negative, then 4 digits; 5 characters, no point.
std::string FormatPercent(const unsigned char* field);
// 3 bytes, 6 digits of which `decimals` (0..6) follow the point; 7 + decimals characters.
std::string FormatExchangeRate(const unsigned char* field, int decimals);
// 6 bytes: year, month, day, (unused), hour, minute -> "dd.mm.yy hh:mm".
std::string FormatDateTime(const unsigned char* field);
// The low nibble: 0 is a space, 1 to 9 are "A" to "I" (beyond that the same rule goes on).
char TaxLetter(unsigned char byte);

}  // namespace tarvik::journal
