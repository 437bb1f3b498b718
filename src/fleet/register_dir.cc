#include "fleet/register_dir.h"

#include "fleet/fields.h"

#include <charconv>
#include <fstream>
#include <system_error>

namespace tarvik::fleet {
namespace {

bool EndsWith(const std::string& lowerName, std::string_view tail) {
  return lowerName.size() > tail.size() &&
         lowerName.compare(lowerName.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsDataFile(const std::string& lowerName) {
  return EndsWith(lowerName, ".dat") || (EndsWith(lowerName, ".txt") && lowerName != "error.txt");
}

// The files whose changes a try is judged by: its result file, logs and data
// files. Only these are looked at closely; the rest are only named.
bool IsWatched(const std::string& lowerName) {
  return lowerName == "err" || EndsWith(lowerName, ".log") || IsDataFile(lowerName);
}

}  // namespace

std::string ReplaceConnectionLine(std::string_view command, std::string_view connectionLine) {
  std::size_t end = command.find_first_of("\r\n");
  if (end == std::string_view::npos) return std::string(connectionLine) + "\r\n";
  return std::string(connectionLine) + std::string(command.substr(end));
}

std::optional<std::pair<int, int>> LogLinePair(std::string_view line) {
  // Two fields of date and time, then the code.
  std::size_t first = line.find(',');
  if (first == std::string_view::npos) return std::nullopt;
  std::size_t second = line.find(',', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::size_t third = line.find(',', second + 1);
  if (third == std::string_view::npos) return std::nullopt;
  std::size_t last = line.find_last_of(",;");
  if (last <= second) return std::nullopt;
  auto number = [](std::string_view text) -> std::optional<int> {
    int value = 0;
    if (text.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
  };
  std::optional<int> code = number(line.substr(second + 1, third - second - 1));
  std::optional<int> subcode = number(line.substr(last + 1));
  if (!code || !subcode) return std::nullopt;
  return std::make_pair(*code, *subcode);
}

std::string_view LastLine(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  std::size_t start = text.find_last_of("\r\n");
  return start == std::string_view::npos ? text : text.substr(start + 1);
}

std::uint64_t CountLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::uint64_t lines = 0;
  char buffer[65536];
  char last = '\n';
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    std::streamsize n = in.gcount();
    for (std::streamsize i = 0; i < n; ++i) lines += buffer[i] == '\n';
    last = buffer[n - 1];
  }
  return lines + (last != '\n' ? 1 : 0);
}

fs::path FileNoCase(const fs::path& dir, const std::string& name) {
  if (fs::exists(dir / name)) return dir / name;
  std::string wanted = LowerAscii(name);
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    if (LowerAscii(e.path().filename().string()) == wanted) return e.path();
  }
  return dir / name;
}

DirectorySnapshot TakeSnapshot(const fs::path& dir) {
  DirectorySnapshot snapshot;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    std::string name = e.path().filename().string();
    std::string lower = LowerAscii(name);
    FileStamp stamp;
    if (IsWatched(lower)) {
      std::error_code fileError;
      if (!e.is_regular_file(fileError)) continue;
      stamp = {e.last_write_time(fileError), e.file_size(fileError)};
      if (fileError) continue;
    }
    snapshot[lower] = {name, stamp};
  }
  return snapshot;
}

fs::path NamedIn(const fs::path& dir, const DirectorySnapshot& snapshot, const std::string& name) {
  auto it = snapshot.find(LowerAscii(name));
  return it == snapshot.end() ? dir / name : dir / it->second.first;
}

bool Changed(const DirectorySnapshot& before, const DirectorySnapshot& after,
             const std::string& name) {
  auto a = after.find(LowerAscii(name));
  if (a == after.end()) return false;
  auto b = before.find(a->first);
  return b == before.end() || !(b->second.second == a->second.second);
}

std::vector<DataFileCount> ChangedDataFiles(const fs::path& dir, const DirectorySnapshot& before,
                                            const DirectorySnapshot& after) {
  std::vector<DataFileCount> files;
  for (const auto& [lower, entry] : after) {
    if (!IsDataFile(lower) || !Changed(before, after, lower)) continue;
    files.push_back({entry.first, CountLines(dir / entry.first)});
  }
  return files;
}

std::optional<std::string> ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

void WriteWhole(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out)
    throw fs::filesystem_error("cannot write", file, std::make_error_code(std::errc::io_error));
}

}  // namespace tarvik::fleet
