#include "bench/journal_sample_records.h"

namespace tarvik::journal {
namespace {

unsigned char Bcd(int value) {
  return static_cast<unsigned char>((value / 10 % 10) << 4 | value % 10);
}

std::string Record(int type, int sequence) {
  std::string record(24, '\0');
  record[0] = static_cast<char>(sequence >> 8);
  record[1] = static_cast<char>(sequence);
  record[2] = static_cast<char>(type);
  return record;
}

void PutAmount(std::string& record, std::size_t at, long long value) {
  record[at] = value < 0 ? 1 : 0;
  if (value < 0) value = -value;
  for (int i = 6; i >= 1; --i) {
    record[at + i] = static_cast<char>(Bcd(static_cast<int>(value % 100)));
    value /= 100;
  }
}

void PutDateTime(std::string& record, std::size_t at, int minute) {
  const unsigned char bytes[6] = {
      0x26, 0x12, 0x05, 0x00, Bcd(8 + minute / 60 % 12), Bcd(minute % 60)};
  for (int i = 0; i < 6; ++i) record[at + i] = static_cast<char>(bytes[i]);
}

}  // namespace

std::vector<std::string> SampleJournalRecords(int receipts) {
  std::vector<std::string> records;
  int sequence = 0;
  for (int n = 0; n < receipts; ++n) {
    const bool account = n % 7 == 3;
    std::string start = Record(account ? 0x41 : 0x40, ++sequence);
    start[3] = static_cast<char>(Bcd(1 + n % 4));
    start[4] = 0x00;
    start[5] = static_cast<char>(Bcd(n % 100));
    start[8] = static_cast<char>(Bcd(n / 100 % 100));
    start[9] = static_cast<char>(Bcd(n % 100));
    records.push_back(start);
    long long total = 0;
    for (int item = 0; item < 4; ++item) {
      std::string sale = Record(item == 3 ? 0x01 : 0x05, ++sequence);
      long long price = 1000 + 137 * ((n + item) % 50);
      total += price;
      PutAmount(sale, 3, price);
      if (item == 3) {
        sale[10] = static_cast<char>(Bcd(1 + n % 5));
        sale[11] = 0x01;
      } else {
        sale[11] = 0x10;  // quantity 1.000
        sale[19] = static_cast<char>(Bcd((n + item) / 100 % 100));
        sale[20] = static_cast<char>(Bcd((n + item) % 100));
        sale[21] = static_cast<char>(1 + item % 3);
      }
      records.push_back(sale);
    }
    std::string subtotal = Record(0x25, ++sequence);
    PutAmount(subtotal, 3, total);
    records.push_back(subtotal);
    std::string vat = Record(0x10, ++sequence);
    PutAmount(vat, 3, total);
    PutAmount(vat, 10, total * 21 / 121);
    vat[17] = 0x01;
    records.push_back(vat);
    std::string sum = Record(0x20, ++sequence);
    PutAmount(sum, 3, total);
    records.push_back(sum);
    std::string payment = Record(0x21, ++sequence);
    PutAmount(payment, 3, total);
    payment[10] = static_cast<char>(Bcd(1 + n % 2));
    records.push_back(payment);
    std::string end = Record(0x80, ++sequence);
    PutDateTime(end, 3, n);
    end[10] = static_cast<char>(Bcd(1 + n % 4));
    end[12] = 0x04;  // 4.000 items
    records.push_back(end);
  }
  return records;
}

}  // namespace tarvik::journal
