#include "convert/plu_files.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/replacing_file.h"
#include "frame/status.h"
#include "screen/front_end.h"

namespace tarvik::convert {
namespace {

using frame::Fail;
using frame::JobFailure;
using frame::Program;
using frame::ProgramFile;

constexpr char kNines[] = "99999999999999";
constexpr char kNoSale[] = "+00000000000000";

void AppendLine(std::string* out, std::string_view text) {
  out->append(text);
  out->append("\r\n");
}

// Opens a file whose failure to open has its own pair here.
ProgramFile OpenOr(Program& program, const std::string& name, frame::OpenMode mode,
                   frame::ErrorPair notOpened) {
  try {
    return ProgramFile::Open(program, name, mode);
  } catch (const JobFailure& failure) {
    if (failure.code() != frame::error::kFileErrorCode) throw;
    Refail(failure, notOpened);
  }
}

// The output file of an operation, made beside it and put in its place once
// written whole; when it cannot be made: 30/18.
class OutputFile {
 public:
  OutputFile(Program& program, const std::string& name) : out_(Create(program, name)) {}
  void Write(std::string_view bytes) { out_.file().Write(bytes); }
  // Writes out what is buffered (30/4 on a failure); Commit does it as well.
  void Close() { out_.file().Close(); }
  void Commit() {
    try {
      out_.Commit();
    } catch (const JobFailure& failure) {
      if (failure.pair() == frame::error::kFileNotOpened)
        Refail(failure, frame::error::kPluOutputNotMade);
      throw;
    }
  }

 private:
  static frame::ReplacingFile Create(Program& program, const std::string& name) {
    try {
      return frame::ReplacingFile(program, name);
    } catch (const JobFailure& failure) {
      if (failure.code() != frame::error::kFileErrorCode) throw;
      Refail(failure, frame::error::kPluOutputNotMade);
    }
  }
  frame::ReplacingFile out_;
};

void WriteWholeFile(Program& program, const std::string& name, std::string_view bytes) {
  OutputFile out(program, name);
  out.Write(bytes);
  out.Commit();
}

// An unopened file when the input is missing. Any other reason it cannot be
// opened (no permission, a read error) is 30/1: passing over it would report
// success and leave an earlier output in place.
ProgramFile OpenIfPossible(Program& program, const std::string& name) {
  return ProgramFile::Open(program, name, frame::OpenMode::kReadIfPresent);
}

std::size_t FindSeparator(std::string_view line, char separator, std::size_t from,
                          std::size_t limit) {
  limit = std::min(limit, line.size());
  for (std::size_t i = from; i < limit; ++i) {
    if (line[i] == separator) return i;
  }
  return std::string_view::npos;
}

std::string Reversed(std::string_view text, std::size_t maxChars) {
  std::string out(text.rbegin(), text.rend());
  if (out.size() > maxChars) out.resize(maxChars);
  return out;
}

std::string RightAligned(std::string_view text, std::size_t width, char fill) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), fill);
  out.append(text);
  return out;
}

// Runs a table load, turning exhausted memory into the table's error.
template <typename Load>
auto LoadTable(frame::ErrorPair noMemory, Load load) {
  try {
    return load();
  } catch (const std::bad_alloc&) {
    Fail(noMemory);
  }
}

// PluNameTable: reversed PLU text padded with '0' -> 18-character name.
// The first line of a key wins.
using PluNameTable = std::unordered_map<std::string, std::string>;

PluNameTable LoadPluNameTable(ProgramFile& file, char separator) {
  PluNameTable table;
  std::string line;
  while (file.ReadLine(&line, kPluLineMax)) {
    std::size_t sep = line.find(separator);
    std::string_view plu = std::string_view(line).substr(0, sep);
    std::string key = Reversed(plu, kPluKeyWidth);
    key.resize(kPluKeyWidth, '0');
    std::string name;
    if (sep != std::string::npos) {
      // At most 22 source characters, quotes left out.
      std::size_t end = std::min(line.size(), sep + 1 + 22);
      for (std::size_t i = sep + 1; i < end && line[i] != separator; ++i) {
        if (line[i] != '"' && name.size() < kPluNameWidth) name += line[i];
      }
    }
    name.resize(kPluNameWidth, ' ');
    table.emplace(std::move(key), std::move(name));
  }
  return table;
}

struct PluSales {
  std::string thirdField;  // right-aligned to 15
  std::string firstField;  // right-aligned to 15
};
// PluSalesTable: reversed second field (at most 14 characters) -> texts.
using PluSalesTable = std::unordered_map<std::string, PluSales>;

PluSalesTable LoadPluSalesTable(ProgramFile& file, char separator) {
  PluSalesTable table;
  std::string line;
  while (file.ReadLine(&line, kPluLineMax)) {
    std::size_t s1 = line.find(separator);
    if (s1 == std::string::npos) Fail(frame::error::kPluSalesSeparator1Missing);
    std::size_t s2 = line.find(separator, s1 + 1);
    if (s2 == std::string::npos) Fail(frame::error::kPluSalesSeparator2Missing);
    std::size_t s3 = line.find(separator, s2 + 1);
    if (s3 == std::string::npos) Fail(frame::error::kPluSalesSeparator3Missing);
    std::string_view view(line);
    std::string_view first = view.substr(0, s1);
    std::string_view second = view.substr(s1 + 1, s2 - s1 - 1);
    std::string_view third = view.substr(s2 + 1, s3 - s2 - 1);
    // The texts are copied into the PLU line at fixed width; a longer one
    // would lose digits.
    if (first.size() > kPluSalesTextWidth || third.size() > kPluSalesTextWidth)
      Fail(frame::error::kPluSalesTextTooLong);
    table.emplace(Reversed(second, kPluKeyWidth),
                  PluSales{RightAligned(third, kPluSalesTextWidth, ' '),
                           RightAligned(first, kPluSalesTextWidth, ' ')});
  }
  return table;
}

// PluSortTable: one entry per line, the key packed for comparing, and the
// texts behind the first separator, each with its CR LF, one after another in
// one string. Every text is at least the CR LF long, so the offsets of the
// lines grow strictly and order ties by line.
struct PluSortTable {
  struct Entry {
    // The 14 key bytes big-endian in two words: comparing the words compares
    // the keys byte by byte.
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::size_t restOffset = 0;
    std::size_t restLength = 0;  // with the CR LF
  };
  std::vector<Entry> entries;
  std::string texts;
};

// The key of `sep` characters at `key`, padded in front with '0' to 14.
PluSortTable::Entry PackKey(const char* key, std::size_t sep) {
  PluSortTable::Entry entry;
  for (std::size_t i = 0; i < kPluKeyWidth; ++i) {
    const unsigned char c =
        i < kPluKeyWidth - sep ? '0' : static_cast<unsigned char>(key[i - (kPluKeyWidth - sep)]);
    if (i < 8) {
      entry.high = entry.high << 8 | c;
    } else {
      entry.low = entry.low << 8 | c;
    }
  }
  return entry;
}

void UnpackKey(const PluSortTable::Entry& entry, char* key) {
  for (std::size_t i = 0; i < 8; ++i) key[i] = static_cast<char>(entry.high >> (56 - 8 * i));
  for (std::size_t i = 8; i < kPluKeyWidth; ++i) {
    key[i] = static_cast<char>(entry.low >> (8 * (kPluKeyWidth - 1 - i)));
  }
}

PluSortTable LoadPluSortTable(ProgramFile& file, char separator) {
  PluSortTable table;
  // Room for the whole file up front: the texts are most of it.
  const std::int64_t size = file.Size();
  if (size > 0) table.texts.reserve(static_cast<std::size_t>(size));
  std::string line;
  while (file.ReadLine(&line, kPluLineMax)) {
    std::size_t sep = line.find(separator);
    if (sep == std::string::npos) Fail(frame::error::kSortLineWithoutSeparator);
    if (line.size() - sep - 1 > kPluRestMax) Fail(frame::error::kSortLineTooLong);
    if (sep > kPluKeyWidth) Fail(frame::error::kSortPluNumberTooLong);
    PluSortTable::Entry entry = PackKey(line.data(), sep);
    entry.restOffset = table.texts.size();
    table.texts.append(line, sep + 1);
    table.texts += "\r\n";
    entry.restLength = table.texts.size() - entry.restOffset;
    table.entries.push_back(entry);
  }
  return table;
}

}  // namespace

std::string DuplicatePluMessage(std::string_view key) {
  static const std::string prefix = frame::W("V souboru jsou stejná PLU:\r\n");
  std::string text = prefix;
  text.append(key);
  text += ' ';
  return text;
}

void AddNamesToSales(Program& program) {
  const char separator = program.settings.oddelovac;
  PluNameTable names;
  {
    ProgramFile plu = OpenIfPossible(program, kPluFileName);
    if (!plu.IsOpen()) return;
    names = LoadTable(frame::error::kPluTableOutOfMemory,
                      [&] { return LoadPluNameTable(plu, separator); });
  }
  ProgramFile sales = OpenOr(program, kPluSalesFileName, frame::OpenMode::kRead,
                             frame::error::kPluSalesFileNotOpened);
  const std::string noName(kPluNameWidth, ' ');
  std::string line;
  std::string output;
  // Written only once every line is made: a bad line leaves the data file of
  // an earlier run whole.
  std::string result;
  while (sales.ReadLine(&line, kPluLineMax)) {
    std::size_t s1 = FindSeparator(line, separator, 0, 16);
    if (s1 == std::string::npos) Fail(frame::error::kPluLineSeparator1Missing);
    std::size_t s2 = FindSeparator(line, separator, s1 + 1, 35);
    if (s2 == std::string::npos) Fail(frame::error::kPluLineSeparator2Missing);
    std::string key = Reversed(std::string_view(line).substr(s1 + 1, s2 - s1 - 1), kPluKeyWidth);
    auto found = names.find(key);
    output.assign(line, 0, s2 + 1);
    output += found != names.end() ? found->second : noName;
    output += separator;
    output.append(line, s2 + 1);
    if (output.size() > 256) Fail(frame::error::kPluSalesOutputTooLong);
    AppendLine(&result, output);
  }
  WriteWholeFile(program, program.command.dataFileName, result);
}

void AddSalesToPlu(Program& program) {
  const char separator = program.settings.oddelovac;
  PluSalesTable sales;
  {
    ProgramFile salesFile = ProgramFile::Open(program, kPluSalesFileName, frame::OpenMode::kRead);
    sales = LoadTable(frame::error::kPluTableOutOfMemory,
                      [&] { return LoadPluSalesTable(salesFile, separator); });
  }
  ProgramFile plu = ProgramFile::Open(program, kPluFileName, frame::OpenMode::kRead);
  std::string result;  // written once every line is made, as in S74
  // Where the layout of a PLU line wants the first four separators at the latest.
  constexpr std::size_t kLimits[4] = {17, 38, 47, 56};
  constexpr frame::ErrorPair kSeparatorMissing[4] = {
      frame::error::kPluLineSeparator1Missing, frame::error::kPluLineSeparator2Missing,
      frame::error::kPluLineSeparator3Missing, frame::error::kPluLineSeparator4Missing};
  std::string line;
  std::string output;
  while (plu.ReadLine(&line, kPluLineMax)) {
    std::size_t separators[4];
    std::size_t from = 0;
    for (int i = 0; i < 4; ++i) {
      separators[i] = FindSeparator(line, separator, from, kLimits[i]);
      if (separators[i] == std::string::npos) Fail(kSeparatorMissing[i]);
      from = separators[i] + 1;
    }
    output.assign(line, 0, separators[3] + 1);
    // Whole texts are compared, width included.
    auto found = sales.find(Reversed(std::string_view(line).substr(0, separators[0]), line.size()));
    if (found != sales.end()) {
      output += found->second.thirdField;
      output += separator;
      output += found->second.firstField;
    } else {
      output += kNoSale;
      output += separator;
      output += kNoSale;
    }
    AppendLine(&result, output);
  }
  WriteWholeFile(program, program.command.dataFileName, result);
}

void SortPluFile(Program& program) {
  const char separator = program.settings.oddelovac;
  const std::string& name = program.command.dataFileName;
  PluSortTable table;
  {
    ProgramFile in = OpenIfPossible(program, name);
    if (!in.IsOpen()) return;
    table = LoadTable(frame::error::kPluTableOutOfMemory,
                      [&] { return LoadPluSortTable(in, separator); });
  }
  OutputFile out(program, name);

  // The same file as a selection sort that starts every pass from the key
  // 99999999999999: the first line of each key in key order, every later
  // line of a key dropped, and the key 99999999999999 itself never written.
  // Keys above it (never digits) go last instead of making that sort loop.
  using Entry = PluSortTable::Entry;
  std::sort(table.entries.begin(), table.entries.end(), [](const Entry& a, const Entry& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    return a.restOffset < b.restOffset;
  });
  const Entry nines = PackKey(kNines, kPluKeyWidth);
  const Entry* lastWritten = nullptr;
  char head[kPluKeyWidth + 1];
  head[kPluKeyWidth] = separator;
  const std::size_t count = table.entries.size();
  for (std::size_t i = 0; i < count; ++i) {
    const Entry& entry = table.entries[i];
    // The texts are read in key order, all over the table: ask for one a few
    // lines ahead so that its cache miss overlaps the copying of this one.
    constexpr std::size_t kAhead = 8;
    if (i + kAhead < count)
      __builtin_prefetch(table.texts.data() + table.entries[i + kAhead].restOffset);
    UnpackKey(entry, head);
    const bool repeated =
        lastWritten != nullptr && lastWritten->high == entry.high && lastWritten->low == entry.low;
    if (repeated || (entry.high == nines.high && entry.low == nines.low)) {
      frame::ShowMessage(program, DuplicatePluMessage(std::string_view(head, kPluKeyWidth)),
                         screen::kStyleExclamation);
      continue;
    }
    out.Write(std::string_view(head, sizeof head));
    out.Write(std::string_view(table.texts).substr(entry.restOffset, entry.restLength));
    lastWritten = &entry;
  }
  // The backup is made once the sorted file is written whole. When one exists
  // already, the rename does nothing and the old backup stays; when the sorted
  // file then cannot take the name, the unsorted one gets it back.
  out.Close();
  platform::OsError ignored = 0;
  const std::string path = program.MakeProgramPath(name);
  const std::string backup = program.MakeProgramPath(kPluBackupName);
  const bool backedUp = program.fs.Rename(path, backup, &ignored);
  try {
    out.Commit();
  } catch (const JobFailure&) {
    if (backedUp) program.fs.Rename(backup, path, &ignored);
    throw;
  }
}

void WriteStockFile(Program& program, const StockTable& table) {
  OutputFile out(program, program.command.dataFileName);
  for (const StockRecord& record : table) {
    out.Write(frame::Format("%s%c%+08d\r\n", record.key.c_str(), program.settings.oddelovac,
                            static_cast<int>(record.quantity)));
  }
  out.Commit();
}

}  // namespace tarvik::convert
