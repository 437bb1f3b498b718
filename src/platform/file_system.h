// Files of the program directory. Names are matched without regard to letter
// case, because command files name data files in any case ("R14;X_REG" writes
// the file later read as x_reg.dat): opening finds an existing file whose
// name differs only in case, and creating a file reuses the spelling of an
// existing one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvik::platform {

enum class Access { kRead, kWrite, kReadWrite };
enum class Creation {
  kOpenExisting,  // fails when missing
  kOpenAlways,    // created when missing
  kCreateAlways,  // always created empty
};

// An OS error number captured where the failure happened (errno on POSIX).
using OsError = std::uint32_t;

class FileHandle {
 public:
  virtual ~FileHandle() = default;
  // Returns the bytes read (0 at the end), or -1 with *error set.
  virtual std::ptrdiff_t Read(void* buffer, std::size_t size, OsError* error) = 0;
  // Returns the bytes written, or -1 with *error set.
  virtual std::ptrdiff_t Write(const void* buffer, std::size_t size, OsError* error) = 0;
  // Moves to an absolute offset; false with *error set on failure.
  virtual bool Seek(std::uint64_t offset, OsError* error) = 0;
  virtual bool SeekToEnd(OsError* error) = 0;
  virtual std::int64_t Size(OsError* error) = 0;
  virtual bool Truncate(OsError* error) = 0;
};

// Why a listing failed: the folder could not be searched at all, or reading
// its entries broke off after it had begun.
struct ListFailure {
  OsError error = 0;
  bool whileReading = false;
};

struct DirectoryEntry {
  std::string name;               // as stored
  std::int64_t creationTime = 0;  // ordering key only; newer is larger
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::unique_ptr<FileHandle> Open(const std::string& path, Access access,
                                           Creation creation, bool shareRead, OsError* error) = 0;
  // Returns true when the file was removed or did not exist (*missing set then).
  virtual bool Remove(const std::string& path, bool* missing, OsError* error) = 0;
  virtual bool Rename(const std::string& from, const std::string& to, OsError* error) = 0;
  // Moves `from` over `to`, which may exist (its name found without regard to
  // case). Where the system allows it in one step, a reader sees either the
  // old or the new file and a failure leaves the old one; this fallback for
  // other file systems removes `to` first.
  virtual bool Replace(const std::string& from, const std::string& to, OsError* error) {
    bool missing = false;
    if (!Remove(to, &missing, error)) return false;
    return Rename(from, to, error);
  }
  virtual bool Exists(const std::string& path) = 0;
  // Files in `directory` (empty: the current directory) whose names start with
  // `prefix` and end with `suffix`, both compared without regard to case.
  virtual bool List(const std::string& directory, const std::string& prefix,
                    const std::string& suffix, std::vector<DirectoryEntry>* entries,
                    ListFailure* failure) = 0;
  // The name under which `path` exists (case folded on the last component), or
  // `path` itself when there is no such file.
  virtual std::string Resolve(const std::string& path) = 0;
};

FileSystem& RealFileSystem();

// True for errors that mean "no such file".
bool IsMissingFileError(OsError error);

}  // namespace tarvik::platform
