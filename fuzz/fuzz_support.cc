#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "convert/format_table.h"
#include "frame/errors.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace tarvik::fuzz {
namespace {

namespace fs = std::filesystem;

// One program directory per fuzzing process, removed when it ends normally;
// in memory where the system offers it, as every input writes a few files.
const fs::path& Directory() {
  static const fs::path dir = [] {
    std::string pattern =
        (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
        "tarvik-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Finding("no directory for the program files");
    fs::path made = pattern;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Directory(), ec);
    });
    return made;
  }();
  return dir;
}

void EmptyDirectory() {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(Directory(), ec)) {
    fs::remove_all(entry.path(), ec);
  }
}

}  // namespace

FuzzProgram::FuzzProgram() {
  EmptyDirectory();
  frame::Services services{platform::RealFileSystem(), clock_, process_, console_, frontEnd_};
  program_ = std::make_unique<frame::Program>(services);
  program_->paths.programDirectory = Directory().string() + "/";
  program_->paths.hasProgramDirectory = true;
}

FuzzProgram::~FuzzProgram() = default;

void FuzzProgram::WriteFile(const std::string& name, std::string_view bytes) const {
  testing::WriteBinary(Directory() / name, std::string(bytes));
}

std::string FuzzProgram::ReadFile(const std::string& name) const {
  return testing::ReadBinary(Directory() / name);
}

bool FuzzProgram::FileExists(const std::string& name) const {
  return fs::exists(Directory() / name);
}

void Finding(const std::string& what) {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

bool RunExpected(const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const frame::JobFailure& failure) {
    // Every failure a user can meet is a pair of the table; a code outside
    // it (such as the internal one of an unknown open mode) is a fault.
    if (failure.code() < 1 || failure.code() >= frame::kErrorTableSize) {
      Finding("failure outside the error table: " + std::to_string(failure.code()) + "/" +
              std::to_string(failure.subcode()));
    }
    return false;
  } catch (const platform::ProcessEnding&) {
    return false;
  } catch (const std::bad_alloc&) {
    Finding("out of memory (std::bad_alloc)");
  } catch (const std::exception& e) {
    Finding(std::string("unexpected exception: ") + e.what());
  } catch (...) {
    Finding("unexpected exception of an unknown type");
  }
}

std::uint8_t InputReader::Byte() {
  if (at_ >= data_.size()) return 0;
  return static_cast<std::uint8_t>(data_[at_++]);
}

std::string_view InputReader::Piece() {
  std::size_t length = Byte();
  length |= static_cast<std::size_t>(Byte()) << 8;
  std::size_t left = data_.size() - at_;
  if (length > left) length = left;
  std::string_view piece = data_.substr(at_, length);
  at_ += length;
  return piece;
}

std::string_view InputReader::Rest() {
  std::string_view rest = data_.substr(at_);
  at_ = data_.size();
  return rest;
}

const std::vector<FormatEntry>& FormatEntries() {
  static const std::vector<FormatEntry> entries = [] {
    std::vector<FormatEntry> found;
    for (bool variant : {false, true}) {
      for (int number = 0; number < 256; ++number) {
        try {
          convert::FindFieldList(convert::RecordFormatTable(variant),
                                 static_cast<std::uint8_t>(number));
          found.push_back({variant, static_cast<std::uint8_t>(number)});
        } catch (const frame::JobFailure&) {
          // no entry for this number
        }
      }
    }
    return found;
  }();
  return entries;
}

char SeparatorOf(std::uint8_t flags) {
  static constexpr char kSeparators[] = {';', ';', ',', '\t'};
  return kSeparators[flags & 3];
}

void SetUpConversion(InputReader& in, frame::Program& program) {
  const auto& entries = FormatEntries();
  const FormatEntry entry = entries[in.Byte() % entries.size()];
  const std::uint8_t flags = in.Byte();
  program.variantTables = entry.variant;
  program.command.fileNumber = entry.fileNumber;
  program.command.dataFileName = "DATA.dat";
  program.settings.cislovani = flags & 1;
  program.settings.konverze = (flags >> 1) & 1;
  program.settings.oddelovac = SeparatorOf(static_cast<std::uint8_t>(flags >> 2));
}

}  // namespace tarvik::fuzz
