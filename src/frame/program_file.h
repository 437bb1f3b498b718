// Files of the program directory, opened in one of seven modes, with the byte
// and line operations every converter uses. Failures end the job with error
// 30 (and the subcodes below) through JobFailure.
//
//   mode              letter  access      creation               notes
//   kRead             "r"     read        must exist
//   kReadIfPresent    "R"     read        must exist             a missing file is not an
//                                                                error: IsOpen() is false
//   kReadShared       "s"     read        must exist             shared for reading
//   kUpdate           "b"     read/write  must exist
//   kUpdateOrCreate   "B"     read/write  created when missing
//   kCreate           "w"     write       always created empty
//   kAppend           "+"     write       created when missing   positioned at the end
//                                                                (seek failure: 30/2)
//   A value outside the enum: 500/1.  Open failure: 30/1 (with a debug
//   message naming the file).
//   Byte writes: failure 30/4, nothing written 30/5; reads: failure 30/3.
//   WriteBytes of more than 16,000 bytes: 57/33.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "frame/program.h"

namespace tarvik::frame {

// The context of a failed file operation: "soubor PATH WHAT (the system's
// reason)", `what` in UTF-8 ("nelze otevřít"), the result in Windows-1250.
std::string FileContext(const std::string& path, std::string_view what, platform::OsError error);

// Each mode keeps its letter of the table above as its value.
enum class OpenMode : char {
  kRead = 'r',
  kReadIfPresent = 'R',
  kReadShared = 's',
  kUpdate = 'b',
  kUpdateOrCreate = 'B',
  kCreate = 'w',
  kAppend = '+',
};

class ProgramFile {
 public:
  ProgramFile() = default;
  ~ProgramFile();
  ProgramFile(ProgramFile&& other) noexcept;
  ProgramFile& operator=(ProgramFile&& other) noexcept;
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // `name` goes through MakeProgramPath unless `nameIsComplete`.
  static ProgramFile Open(Program& program, const std::string& name, OpenMode mode,
                          bool nameIsComplete = false);

  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }

  void WriteByte(std::uint8_t byte);
  // Writes the bytes one by one as the byte operation would (no length limit).
  void Write(std::string_view bytes);
  // The "run of bytes" operation: more than 16,000 bytes is 57/33.
  void WriteBytes(std::string_view bytes);
  // False at the end of the file.
  bool ReadByte(std::uint8_t* byte);
  // Reads up to `size` bytes; returns how many, 0 only at the end of the file.
  // For readers that scan large files block by block.
  std::size_t Read(char* buffer, std::size_t size);
  // Reads one line without its end into *line. A line ends at CR, at LF or at
  // CR LF; a last line without an end is read as well. Returns false at the
  // end of the file when no character was read. A line longer than
  // `maxChars` is error 23/1.
  bool ReadLine(std::string* line, std::size_t maxChars);

  std::int64_t Size();
  std::uint64_t Position() const { return position_; }
  void Seek(std::uint64_t offset);
  void Flush();
  // Flushes and closes; write failures surface here as 30/4.
  void Close();

 private:
  ProgramFile(std::unique_ptr<platform::FileHandle> handle, std::string path);
  void FillReadBuffer();
  void DropReadBuffer();

  std::unique_ptr<platform::FileHandle> handle_;
  std::string path_;
  std::string writeBuffer_;
  std::string readBuffer_;
  std::size_t readPos_ = 0;
  bool readEof_ = false;
  std::uint64_t position_ = 0;  // logical position for reading and writing
};

}  // namespace tarvik::frame
