// A register's program directory as the fleet sees it: prepared before each
// run (tarvik.ini, the command file with the register's connection line), and
// read after it (result files, the log line of a failure, the data files the
// job wrote). Names are matched without regard to letter case, as the job
// matches them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fleet/summary.h"

namespace tarvik::fleet {

namespace fs = std::filesystem;

// The command file with its first line replaced by `connectionLine`; the
// line end of the first line is kept (CR LF when the file has only one line).
std::string ReplaceConnectionLine(std::string_view command, std::string_view connectionLine);

// The pair of a transfer-log line ("dd-mm-yyyy,hh:mm,CC,...,SSSS" or
// "...;SSSS"): result code and subcode.
std::optional<std::pair<int, int>> LogLinePair(std::string_view line);

// The last line of a log text (the line end dropped).
std::string_view LastLine(std::string_view text);

// Lines of a data file: LF-ended lines, and an unended last one.
std::uint64_t CountLines(const fs::path& file);

// The file in `dir` whose name is `name` without regard to case, or
// dir / name when there is none.
fs::path FileNoCase(const fs::path& dir, const std::string& name);

struct FileStamp {
  fs::file_time_type time;
  std::uintmax_t size = 0;
  bool operator==(const FileStamp&) const = default;
};

// The entries of a directory: lower-case name -> (name, stamp). Only result
// files, logs and data files carry a stamp.
using DirectorySnapshot = std::map<std::string, std::pair<std::string, FileStamp>>;
DirectorySnapshot TakeSnapshot(const fs::path& dir);

// Data files (".dat", and ".txt" journals other than error.txt) that are new
// or changed between the snapshots, with their line counts, sorted by name.
std::vector<DataFileCount> ChangedDataFiles(const fs::path& dir, const DirectorySnapshot& before,
                                            const DirectorySnapshot& after);

// The file of the snapshot's directory named `name` in any case, or
// dir / name when it has none.
fs::path NamedIn(const fs::path& dir, const DirectorySnapshot& snapshot, const std::string& name);

// Whether the file named `name` (any case) is new or changed.
bool Changed(const DirectorySnapshot& before, const DirectorySnapshot& after,
             const std::string& name);

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> ReadWhole(const fs::path& file);

// Writes `bytes` to the file (created or truncated); throws on failure.
void WriteWhole(const fs::path& file, std::string_view bytes);

}  // namespace tarvik::fleet
