#include "frame/program_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/status.h"
#include "platform/serial_port.h"

namespace tarvik::frame {
namespace {
constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

std::string FileContext(const std::string& path, std::string_view what, platform::OsError error) {
  std::string text = W("soubor ") + path + " " + W(what);
  if (error != 0) text += " (" + W(platform::SystemErrorText(error)) + ")";
  return text;
}

ProgramFile::ProgramFile(std::unique_ptr<platform::FileHandle> handle, std::string path)
    : handle_(std::move(handle)), path_(std::move(path)) {}

ProgramFile::~ProgramFile() {
  // Unwinding from a failure: keep what was written, but never throw here.
  if (handle_ && !writeBuffer_.empty()) {
    platform::OsError error = 0;
    handle_->Write(writeBuffer_.data(), writeBuffer_.size(), &error);
  }
}

ProgramFile::ProgramFile(ProgramFile&& other) noexcept {
  *this = std::move(other);
}

ProgramFile& ProgramFile::operator=(ProgramFile&& other) noexcept {
  if (this != &other) {
    if (handle_ && !writeBuffer_.empty()) {
      platform::OsError error = 0;
      handle_->Write(writeBuffer_.data(), writeBuffer_.size(), &error);
    }
    handle_ = std::move(other.handle_);
    path_ = std::move(other.path_);
    writeBuffer_ = std::move(other.writeBuffer_);
    readBuffer_ = std::move(other.readBuffer_);
    readPos_ = other.readPos_;
    readEof_ = other.readEof_;
    position_ = other.position_;
    other.writeBuffer_.clear();
  }
  return *this;
}

ProgramFile ProgramFile::Open(Program& program, const std::string& name, OpenMode mode,
                              bool nameIsComplete) {
  using platform::Access;
  using platform::Creation;
  Access access = Access::kRead;
  Creation creation = Creation::kOpenExisting;
  bool shareRead = false;
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kReadIfPresent:
      break;
    case OpenMode::kReadShared:
      shareRead = true;
      break;
    case OpenMode::kUpdate:
      access = Access::kReadWrite;
      break;
    case OpenMode::kUpdateOrCreate:
      access = Access::kReadWrite;
      creation = Creation::kOpenAlways;
      break;
    case OpenMode::kCreate:
      access = Access::kWrite;
      creation = Creation::kCreateAlways;
      break;
    case OpenMode::kAppend:
      access = Access::kWrite;
      creation = Creation::kOpenAlways;
      break;
    default:
      Fail(error::kUnknownOpenMode);
  }
  std::string path = nameIsComplete ? name : program.MakeProgramPath(name);
  platform::OsError error = 0;
  auto handle = program.fs.Open(path, access, creation, shareRead, &error);
  if (!handle) {
    if (mode == OpenMode::kReadIfPresent && platform::IsMissingFileError(error))
      return ProgramFile();
    char text[400];
    std::snprintf(text, sizeof text, "\nOtevirany soubor je %s, chyba %u.", name.c_str(), error);
    ShowDebugMessage(program, text);
    Fail(error::kFileNotOpened, error, FileContext(path, "nelze otevřít", error));
  }
  ProgramFile file(std::move(handle), path);
  if (mode == OpenMode::kAppend) {
    std::int64_t size = file.handle_->Size(&error);
    if (size < 0 || !file.handle_->SeekToEnd(&error)) {
      Fail(error::kFileNotOpenedForAppending, error,
           FileContext(path, "nelze otevřít pro připisování", error));
    }
    file.position_ = static_cast<std::uint64_t>(size);
  }
  return file;
}

void ProgramFile::WriteByte(std::uint8_t byte) {
  writeBuffer_ += static_cast<char>(byte);
  ++position_;
  if (writeBuffer_.size() >= kBufferSize) Flush();
}

void ProgramFile::Write(std::string_view bytes) {
  writeBuffer_.append(bytes);
  position_ += bytes.size();
  if (writeBuffer_.size() >= kBufferSize) Flush();
}

void ProgramFile::WriteBytes(std::string_view bytes) {
  if (bytes.size() > 16000)
    Fail(error::kWriteTooLarge, 0, FileContext(path_, "- více než 16000 bajtů najednou", 0));
  Write(bytes);
}

void ProgramFile::Flush() {
  if (!handle_ || writeBuffer_.empty()) return;
  platform::OsError error = 0;
  std::ptrdiff_t n = handle_->Write(writeBuffer_.data(), writeBuffer_.size(), &error);
  if (n < 0) {
    writeBuffer_.clear();
    Fail(error::kFileNotWritten, error, FileContext(path_, "nelze zapsat", error));
  }
  if (static_cast<std::size_t>(n) != writeBuffer_.size()) {
    writeBuffer_.clear();
    Fail(error::kFileWrittenShort, error,
         FileContext(path_, "nelze zapsat celý (plný disk?)", error));
  }
  writeBuffer_.clear();
}

void ProgramFile::DropReadBuffer() {
  readBuffer_.clear();
  readPos_ = 0;
  readEof_ = false;
}

void ProgramFile::FillReadBuffer() {
  readBuffer_.resize(kBufferSize);
  platform::OsError error = 0;
  std::ptrdiff_t n = handle_->Read(readBuffer_.data(), readBuffer_.size(), &error);
  if (n < 0) {
    readBuffer_.clear();
    Fail(error::kFileNotRead, error, FileContext(path_, "nelze číst", error));
  }
  readBuffer_.resize(static_cast<std::size_t>(n));
  readPos_ = 0;
  if (n == 0) readEof_ = true;
}

bool ProgramFile::ReadByte(std::uint8_t* byte) {
  if (!handle_) Fail(error::kFileNotRead);
  if (!writeBuffer_.empty()) Flush();
  if (readPos_ >= readBuffer_.size()) {
    if (readEof_) return false;
    FillReadBuffer();
    if (readBuffer_.empty()) return false;
  }
  *byte = static_cast<std::uint8_t>(readBuffer_[readPos_++]);
  ++position_;
  return true;
}

std::size_t ProgramFile::Read(char* buffer, std::size_t size) {
  if (!handle_) Fail(error::kFileNotRead);
  if (!writeBuffer_.empty()) Flush();
  std::size_t done = 0;
  if (readPos_ < readBuffer_.size()) {
    done = std::min(size, readBuffer_.size() - readPos_);
    std::memcpy(buffer, readBuffer_.data() + readPos_, done);
    readPos_ += done;
  } else if (!readEof_ && size > 0) {
    // The buffer is used up: large requests go straight to the file.
    platform::OsError error = 0;
    std::ptrdiff_t n = handle_->Read(buffer, size, &error);
    if (n < 0) Fail(error::kFileNotRead, error, FileContext(path_, "nelze číst", error));
    if (n == 0) readEof_ = true;
    done = static_cast<std::size_t>(n);
  }
  position_ += done;
  return done;
}

bool ProgramFile::ReadLine(std::string* line, std::size_t maxChars) {
  if (!handle_) Fail(error::kFileNotRead);
  if (!writeBuffer_.empty()) Flush();
  line->clear();
  bool any = false;
  for (;;) {
    if (readPos_ >= readBuffer_.size()) {
      if (readEof_) return any;
      FillReadBuffer();
      if (readBuffer_.empty()) return any;
    }
    // The run of line bytes up to the next CR or LF, taken in one piece.
    const char* begin = readBuffer_.data() + readPos_;
    const char* end = readBuffer_.data() + readBuffer_.size();
    const char* stop = begin;
    while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
    std::size_t run = static_cast<std::size_t>(stop - begin);
    if (line->size() + run > maxChars) {
      Fail(error::kLineTooLong, 0,
           FileContext(path_, "má řádek delší než " + std::to_string(maxChars) + " znaků", 0));
    }
    line->append(begin, run);
    readPos_ += run;
    position_ += run;
    if (stop == end) {
      any = any || run > 0;
      continue;
    }
    ++readPos_;
    ++position_;
    if (*stop == '\r') {
      // A CR LF pair is one line end; a lone CR ends the line too.
      if (readPos_ >= readBuffer_.size() && !readEof_) FillReadBuffer();
      if (readPos_ < readBuffer_.size() && readBuffer_[readPos_] == '\n') {
        ++readPos_;
        ++position_;
      }
    }
    return true;
  }
}

std::int64_t ProgramFile::Size() {
  if (!handle_) Fail(error::kFileNotRead);
  Flush();
  platform::OsError error = 0;
  std::int64_t size = handle_->Size(&error);
  if (size < 0)
    Fail(error::kFileNotRead, error, FileContext(path_, "nelze zjistit velikost", error));
  return size;
}

void ProgramFile::Seek(std::uint64_t offset) {
  if (!handle_) Fail(error::kFileNotRead);
  Flush();
  DropReadBuffer();
  platform::OsError error = 0;
  if (!handle_->Seek(offset, &error))
    Fail(error::kFileNotRead, error, FileContext(path_, "nelze číst", error));
  position_ = offset;
}

void ProgramFile::Close() {
  if (!handle_) return;
  Flush();
  handle_.reset();
  DropReadBuffer();
}

}  // namespace tarvik::frame
