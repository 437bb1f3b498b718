// Journal records of a typical day, for the benchmark and the large-file tool.
#pragma once

#include <string>
#include <vector>

namespace tarvik::journal {

// `receipts` receipts of clerk sign-on, PLU and department sales, subtotal,
// VAT, total and payment, with an account now and then; 24-byte records.
std::vector<std::string> SampleJournalRecords(int receipts);

}  // namespace tarvik::journal
