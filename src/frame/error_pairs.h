// Every pair a failure can end in, by name. The code selects the text of the
// error table (errors.cc), the subcode the failing place. Failing code, tests
// and the list of added subcodes use these names, so each pair is written once.
//
// A pair that stands for more than one place has one name per place; the
// later names are defined through the first, so the sharing is visible here.
#pragma once

#include <cstdint>

namespace tarvik::frame::error {

struct ErrorPair {
  int code;
  int subcode;
  friend constexpr bool operator==(const ErrorPair&, const ErrorPair&) = default;
};

// 4: the key stood in the REG position when a report was read
inline constexpr ErrorPair kKeyInRegAtReport{4, 1};

// 5: the request that opens a transfer could not be sent
inline constexpr ErrorPair kReadRequestNotSent{5, 1};
inline constexpr ErrorPair kWriteRequestNotSent{5, 2};

// 8: the raw text download did not arrive or did not start with YYYY
inline constexpr ErrorPair kRawTextNotReceived{8, 1};

// 9: the end marker of a transfer could not be sent
inline constexpr ErrorPair kEndMarkerNotSent{9, 3};

// 20: a reply that is neither an acknowledgement nor a rejection
inline constexpr ErrorPair kUnexpectedReply{20, 0};

// 21: the record numbers of a data file to send go backwards
inline constexpr ErrorPair kRecordNumberBackwards{21, 1};

// 23: a line longer than its reader takes
inline constexpr ErrorPair kLineTooLong{23, 1};
inline constexpr ErrorPair kJournalSignatureLineTooLong = kLineTooLong;

// 25: a file number in a command that is not hexadecimal
inline constexpr ErrorPair kFileNumberNotHexadecimal{25, 1};

// 26: a data file or a journal could not be written, or only in part
inline constexpr ErrorPair kDataNotWritten{26, 1};
inline constexpr ErrorPair kDataWrittenShort{26, 2};
inline constexpr ErrorPair kClockFileNotMade = kDataNotWritten;

// 29: tarvik.ini
inline constexpr ErrorPair kIniTextKeyWithoutEquals{29, 3};
inline constexpr ErrorPair kIniTextTooLong{29, 4};
inline constexpr ErrorPair kIniNumberKeyWithoutEquals{29, 5};

// 30: a file of the program directory
// (A caller that renames any failure on a file compares the code alone.)
inline constexpr int kFileErrorCode = 30;
inline constexpr ErrorPair kFileNotOpened{30, 1};
inline constexpr ErrorPair kFileNotOpenedForAppending{30, 2};
inline constexpr ErrorPair kFileNotRead{30, 3};
inline constexpr ErrorPair kFileNotWritten{30, 4};
inline constexpr ErrorPair kFileWrittenShort{30, 5};
inline constexpr ErrorPair kPluSalesFileNotOpened{30, 8};
inline constexpr ErrorPair kPluOutputNotMade{30, 18};
// A PLU or PLU sales line without its first, second... separator where the
// line's layout wants it at the latest.
inline constexpr ErrorPair kPluLineSeparator1Missing{30, 28};
inline constexpr ErrorPair kPluLineSeparator2Missing{30, 29};
inline constexpr ErrorPair kPluLineSeparator3Missing{30, 30};
inline constexpr ErrorPair kPluLineSeparator4Missing{30, 31};
inline constexpr ErrorPair kJournalNameEmpty = kFileNotOpened;
inline constexpr ErrorPair kBuiltInCommandFileNotOpened = kFileNotOpened;
inline constexpr ErrorPair kClockFileNotRead = kFileNotRead;

// 31: the log has more lines than trimming keeps
inline constexpr ErrorPair kLogTooManyLines{31, 3};

// 38: the register does not answer the request of a transfer, or its end
inline constexpr ErrorPair kNoAnswerToReadRequest{38, 1};
inline constexpr ErrorPair kNoAnswerToWriteRequest{38, 2};
inline constexpr ErrorPair kNoAnswerToClear{38, 3};

// 40: a data frame still bad after its repeats
inline constexpr ErrorPair kFrameCheckFailed{40, 1};

// 42: a data frame rejected too often, or not sent
inline constexpr ErrorPair kFrameRejectedTooOften{42, 2};
inline constexpr ErrorPair kFrameNotSent{42, 4};

// 44: a record of the work file to send longer than the file's block
inline constexpr ErrorPair kWorkRecordTooLong{44, 1};

// 49: a register model that is not in the table
inline constexpr ErrorPair kUnknownModel{49, 1};

// 50: the command file itself: the job's, then a built-in command's (*.cmx)
inline constexpr ErrorPair kCommandFileNameEmpty{50, 2};
inline constexpr ErrorPair kCommandFileNameTooLong{50, 3};
inline constexpr ErrorPair kCommandFileWrongExtension{50, 4};
inline constexpr ErrorPair kCommandFileTooSmall{50, 5};
inline constexpr ErrorPair kCommandFileTooLarge{50, 6};
inline constexpr ErrorPair kBuiltInNameEmpty{50, 7};
inline constexpr ErrorPair kBuiltInNameTooLong{50, 8};
inline constexpr ErrorPair kBuiltInWrongExtension{50, 9};
inline constexpr ErrorPair kBuiltInTooSmall{50, 10};
inline constexpr ErrorPair kBuiltInTooLarge{50, 11};

// 51: the content of a command file
// The connection line dialog's terminal and model fields.
inline constexpr ErrorPair kDialogTerminalTooLong{51, 1};
inline constexpr ErrorPair kDialogModelTooLong{51, 2};
// The serial connection line of a command file being rewritten.
inline constexpr ErrorPair kRewriteSerialTerminalTooLong{51, 4};
inline constexpr ErrorPair kRewriteSerialTerminalEmpty{51, 5};
inline constexpr ErrorPair kRewriteSerialPortNotFollowed{51, 6};
inline constexpr ErrorPair kRewritePortOutOfRange{51, 7};
inline constexpr ErrorPair kRewriteSerialSpeedNotFollowed{51, 8};
inline constexpr ErrorPair kRewriteSerialDataBitsNotFollowed{51, 9};
inline constexpr ErrorPair kRewriteSerialParityNotFollowed{51, 11};
inline constexpr ErrorPair kRewriteSerialModelTooLong{51, 12};
inline constexpr ErrorPair kRewriteSerialModelUnended{51, 13};
inline constexpr ErrorPair kRewriteSerialLogNameBad{51, 14};
// The network connection line of a command file being rewritten: the
// address up to its first dot, the rest of it, the terminal, the model.
inline constexpr ErrorPair kRewriteIpAddressStartTooLong{51, 15};
inline constexpr ErrorPair kRewriteIpAddressStartUnended{51, 16};
inline constexpr ErrorPair kRewriteIpAddressTooLong{51, 17};
inline constexpr ErrorPair kRewriteIpAddressUnended{51, 18};
inline constexpr ErrorPair kRewriteIpTerminalTooLong{51, 21};
inline constexpr ErrorPair kRewriteIpTerminalUnended{51, 22};
inline constexpr ErrorPair kRewriteIpModelTooLong{51, 23};
inline constexpr ErrorPair kRewriteIpModelUnended{51, 24};
// A special command (S..) that no job knows.
inline constexpr ErrorPair kSpecialCommandUnknown{51, 25};
// The connection line of a job.
inline constexpr ErrorPair kConnectionLineUnseparated{51, 26};
inline constexpr ErrorPair kSerialTerminalTooLong{51, 27};
inline constexpr ErrorPair kSerialTerminalEmpty{51, 28};
inline constexpr ErrorPair kSerialTerminalTooLarge{51, 29};
inline constexpr ErrorPair kSerialTerminalNotFollowed{51, 30};
inline constexpr ErrorPair kPortNotDigit{51, 31};
inline constexpr ErrorPair kPortNotFollowed = kSerialTerminalNotFollowed;
inline constexpr ErrorPair kSpeedNotFollowed{51, 32};
inline constexpr ErrorPair kSpeedNotDigit{51, 33};
inline constexpr ErrorPair kDataBitsNotFollowed{51, 34};
inline constexpr ErrorPair kParityNotFollowed{51, 36};
inline constexpr ErrorPair kParityUnknown{51, 37};
inline constexpr ErrorPair kAddressTooLong{51, 39};
inline constexpr ErrorPair kNetworkTerminalTooLong{51, 40};
inline constexpr ErrorPair kNetworkTerminalEmpty{51, 41};
inline constexpr ErrorPair kNetworkTerminalTooLarge{51, 42};
inline constexpr ErrorPair kAddressNotFollowed = kNetworkTerminalEmpty;
inline constexpr ErrorPair kModelTooLong{51, 43};
inline constexpr ErrorPair kModelNotFollowed{51, 44};
inline constexpr ErrorPair kNetworkTerminalNotFollowed = kModelNotFollowed;
inline constexpr ErrorPair kLogNameBad{51, 45};
// The command line of a job.
inline constexpr ErrorPair kCommandTextTooLong{51, 46};
inline constexpr ErrorPair kCommandLetterUnknown{51, 47};
inline constexpr ErrorPair kCommandNumberTooLong{51, 48};
inline constexpr ErrorPair kDataFileNameTooLong{51, 49};
// A command line without its line end, or a built-in command file without a
// command line.
inline constexpr ErrorPair kCommandLineUnended{51, 50};
inline constexpr ErrorPair kBuiltInCommandMissing = kCommandLineUnended;
// The command line of a built-in command file.
inline constexpr ErrorPair kBuiltInTextTooLong{51, 51};
inline constexpr ErrorPair kBuiltInLetterUnknown{51, 52};
inline constexpr ErrorPair kBuiltInNumberTooLong{51, 53};
inline constexpr ErrorPair kBuiltInDataNameTooLong{51, 54};
// A command letter that the thread running the command does not take: a
// serial job, a single built-in command, a network job.
inline constexpr ErrorPair kSerialJobLetterUnknown{51, 55};
inline constexpr ErrorPair kSingleCommandLetterUnknown{51, 56};
inline constexpr ErrorPair kNetworkJobLetterUnknown{51, 57};

// 52: a linked PLU number of the journal beyond the table
inline constexpr ErrorPair kLinkedPluOutOfRange{52, 1};

// 54: the record format table: a field letter or a bit-group list that the
// converters do not know, sending and receiving
inline constexpr ErrorPair kSendFieldUnknown{54, 1};
inline constexpr ErrorPair kReceiveFieldUnknown{54, 2};
inline constexpr ErrorPair kReceiveBitGroupsWithoutParenthesis{54, 3};
inline constexpr ErrorPair kReceiveBitGroupsBadFirst{54, 4};
inline constexpr ErrorPair kReceiveBitGroupsBadCharacter{54, 5};
inline constexpr ErrorPair kSendBitGroupsWithoutParenthesis{54, 6};
inline constexpr ErrorPair kSendBitGroupsBadFirst{54, 7};
inline constexpr ErrorPair kSendBitGroupsBitZeroNotLast{54, 8};
inline constexpr ErrorPair kSendBitGroupsBadCharacter{54, 9};

// 55: a data line without its L or H number, and the record format table's
// text: each place where it may end too early, or hold a wrong character
inline constexpr ErrorPair kLineWithoutLNumber{55, 1};
inline constexpr ErrorPair kLineWithoutHNumber{55, 2};
inline constexpr ErrorPair kFormatTableEmpty{55, 3};
inline constexpr ErrorPair kFormatTableEndsAfterF{55, 4};
inline constexpr ErrorPair kFormatEntryWithoutColon{55, 5};
inline constexpr ErrorPair kFormatEntryHighDigit{55, 6};
inline constexpr ErrorPair kFormatEntryLowDigit{55, 7};
inline constexpr ErrorPair kFormatEntryWithoutFields{55, 8};
inline constexpr ErrorPair kFormatFieldListBad{55, 9};
inline constexpr ErrorPair kFormatTableBadBetweenEntries{55, 10};

// 56: no record format for the file, or a record for a file without block
inline constexpr ErrorPair kNoFormatForFile{56, 1};
inline constexpr ErrorPair kRecordForBlocklessFile{56, 2};

// 57: a line too long for its reader, or a write larger than a file takes at once
inline constexpr ErrorPair kLogLineTooLong{57, 1};
inline constexpr ErrorPair kTaxFileLineTooLong = kLogLineTooLong;
inline constexpr ErrorPair kWriteTooLarge{57, 33};

// 59: the content of a data file
// Account list: a field longer than it may be.
inline constexpr ErrorPair kAccountNumberTooLong{59, 1};
inline constexpr ErrorPair kAccountSecondFieldTooLong{59, 2};
inline constexpr ErrorPair kAccountThirdFieldTooLong{59, 3};
// Block text: a line without its opening quote, or a text that is too long
// or never ends.
inline constexpr ErrorPair kBlockTextWithoutQuote{59, 6};
inline constexpr ErrorPair kBlockTextTooLong{59, 7};
// An N, S or Z field that is missing or longer than its digits; for S and Z
// also the sign missing.
inline constexpr ErrorPair kNFieldBad{59, 8};
inline constexpr ErrorPair kSFieldBad{59, 9};
inline constexpr ErrorPair kZFieldBad{59, 10};
// A quoted text that does not end or is longer than its field, or whose
// closing quote is not followed by the separator.
inline constexpr ErrorPair kQuotedTextBad{59, 12};
inline constexpr ErrorPair kQuotedTextNotFollowed{59, 13};
inline constexpr ErrorPair kStockKeyTooLong{59, 20};
inline constexpr ErrorPair kStockLineWithoutSeparator{59, 21};
inline constexpr ErrorPair kStockLineEmpty{59, 22};
inline constexpr ErrorPair kTooManyAccounts{59, 23};
inline constexpr ErrorPair kAccountItemLength{59, 24};
inline constexpr ErrorPair kPluSalesTextTooLong{59, 25};
inline constexpr ErrorPair kSortPluNumberTooLong{59, 26};
inline constexpr ErrorPair kStockQuantityOutOfRange{59, 27};
inline constexpr ErrorPair kNumberDoesNotFit{59, 30};
// A character in an N, S or Z field that is none of the digit characters.
inline constexpr ErrorPair kNFieldNotDigit{59, 40};
inline constexpr ErrorPair kSFieldNotDigit{59, 41};
inline constexpr ErrorPair kZFieldNotDigit{59, 42};
inline constexpr ErrorPair kStockQuantityNotNumber{59, 43};
inline constexpr ErrorPair kAccountNumberNotNumber{59, 44};
// PLU sales file: a line without its first, second or third separator.
inline constexpr ErrorPair kPluSalesSeparator1Missing{59, 100};
inline constexpr ErrorPair kPluSalesSeparator2Missing{59, 101};
inline constexpr ErrorPair kPluSalesSeparator3Missing{59, 102};
inline constexpr ErrorPair kSortLineWithoutSeparator{59, 105};
// Journal names: a currency name not followed by the separator and its decimals.
inline constexpr ErrorPair kCurrencyNameNotFollowed{59, 112};
// Journal names: the third line of S_REG.DAT without a separator in its first five.
inline constexpr ErrorPair kAmountDecimalsMissing{59, 113};
inline constexpr ErrorPair kSortLineTooLong{59, 115};
// An unquoted text that is missing or longer than its field.
inline constexpr ErrorPair kTextFieldBad{59, 213};

// 60: a command file with a rewritten network line could not be written back
inline constexpr ErrorPair kIpRewriteNotCopiedBack{60, 1};

// 61: a file could not be renamed
inline constexpr ErrorPair kCommandFileNotMovedAside{61, 1};
inline constexpr ErrorPair kLogNotMovedAside{61, 2};
inline constexpr ErrorPair kTrimmedLogNotInPlace{61, 3};
inline constexpr ErrorPair kBuiltInCommandFileNotInPlace{61, 20};

// 65: a result file of the last job cannot be deleted
inline constexpr ErrorPair kOldErrNotDeleted{65, 1};
inline constexpr ErrorPair kOldErrorTxtNotDeleted{65, 11};

// 67: a stock item that the register does not hold
inline constexpr ErrorPair kStockItemUnknown{67, 1};

// 78: out of memory while a table is loaded
inline constexpr ErrorPair kPluNamesOutOfMemory{78, 1};
inline constexpr ErrorPair kLinkedPluNamesOutOfMemory{78, 2};
inline constexpr ErrorPair kReceiveOutOfMemory{78, 3};
inline constexpr ErrorPair kSendOutOfMemory{78, 4};
inline constexpr ErrorPair kTaxRatesOutOfMemory{78, 6};
inline constexpr ErrorPair kPaymentNamesOutOfMemory{78, 7};
inline constexpr ErrorPair kCurrencyNamesOutOfMemory{78, 8};
inline constexpr ErrorPair kPluTableOutOfMemory{78, 9};
inline constexpr ErrorPair kStockFileOutOfMemory{78, 10};
inline constexpr ErrorPair kDepartmentNamesOutOfMemory = kReceiveOutOfMemory;
inline constexpr ErrorPair kClerkNamesOutOfMemory = kSendOutOfMemory;
inline constexpr ErrorPair kRegisterStockOutOfMemory = kPluTableOutOfMemory;

// 89: listing the program folder for rewriting command files and for
// numbering data files: the folder cannot be searched, or reading its
// entries breaks off; no free number left
inline constexpr ErrorPair kSerialRewriteSearch{89, 9};
inline constexpr ErrorPair kSerialRewriteListing{89, 10};
inline constexpr ErrorPair kIpRewriteSearch{89, 11};
inline constexpr ErrorPair kIpRewriteListing{89, 12};
inline constexpr ErrorPair kNumberingSearch{89, 13};
inline constexpr ErrorPair kNumberingListing{89, 14};
inline constexpr ErrorPair kNumberingExhausted{89, 16};

// 92: the serial port does not open for a read, a write, a clear, the raw text
inline constexpr ErrorPair kPortNotOpenedForRead{92, 1};
inline constexpr ErrorPair kPortNotOpenedForWrite{92, 2};
inline constexpr ErrorPair kPortNotOpenedForClear{92, 3};
inline constexpr ErrorPair kPortNotOpenedForRawText{92, 11};

// 93: the modem
inline constexpr ErrorPair kModemNoCarrier{93, 1};
inline constexpr ErrorPair kModemEscapeNotSent{93, 2};
inline constexpr ErrorPair kModemHangUpNotSent{93, 3};

// 100: internal limits
inline constexpr ErrorPair kLFieldTooWide{100, 4};
inline constexpr ErrorPair kHFieldTooWide{100, 5};
inline constexpr ErrorPair kCommandFileStillLoaded{100, 6};
inline constexpr ErrorPair kPluNameTooLong{100, 100};
inline constexpr ErrorPair kLinkedPluNameTooLong{100, 101};
inline constexpr ErrorPair kDepartmentNameTooLong{100, 102};
inline constexpr ErrorPair kClerkNameTooLong{100, 103};
inline constexpr ErrorPair kPaymentNameTooLong{100, 105};
inline constexpr ErrorPair kCurrencyNameTooLong{100, 106};
inline constexpr ErrorPair kPluSalesOutputTooLong = kDepartmentNameTooLong;

// 103, 105, 106, 109, 110: the network
inline constexpr ErrorPair kSocketNotMade{103, 6};
inline constexpr ErrorPair kNotConnected{103, 7};
inline constexpr ErrorPair kNetworkSendFailed{105, 1};
inline constexpr ErrorPair kClosedByRegister{106, 1};
inline constexpr ErrorPair kNetworkReceiverFailed{109, 1};
// A built-in job of the clock or VAT steps that does not start or end in
// time: the step that reads from the register, then the one that writes.
inline constexpr ErrorPair kBuiltInReadStepFailed{109, 3};
inline constexpr ErrorPair kBuiltInWriteStepFailed{109, 4};
inline constexpr ErrorPair kEmbeddedCommandTimedOut{109, 30};
inline constexpr ErrorPair kNetworkTimeout{110, 1};

// A receive that fails carries the system's error number as its subcode: the
// one pair made at run time.
constexpr ErrorPair NetworkReceiveFailed(std::uint32_t systemError) {
  return {106, static_cast<int>(systemError)};
}

// 114: a dialog of the Windows window that cannot be created
inline constexpr ErrorPair kPortDialogNotCreated{114, 1};
inline constexpr ErrorPair kIpDialogNotCreated{114, 2};
inline constexpr ErrorPair kAboutDialogNotCreated{114, 3};
inline constexpr ErrorPair kHelpDialogNotCreated{114, 4};

// 116: a job stopped from outside, by the kind of request
inline constexpr ErrorPair kInterruptedBySigint{116, 1};
inline constexpr ErrorPair kInterruptedBySigterm{116, 2};
inline constexpr ErrorPair kInterruptedByHangUp{116, 3};

// 500: a file-open mode outside its enum
inline constexpr ErrorPair kUnknownOpenMode{500, 1};

}  // namespace tarvik::frame::error

namespace tarvik::frame {
using error::ErrorPair;
}  // namespace tarvik::frame
