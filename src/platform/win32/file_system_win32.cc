#include "platform/win32/windows_api.h"

#include "platform/file_names.h"
#include "platform/file_system.h"

namespace tarvik::platform {
namespace {

OsError LastError() {
  return static_cast<OsError>(::GetLastError());
}

class Win32File final : public FileHandle {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { ::CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::ptrdiff_t Read(void* buffer, std::size_t size, OsError* error) override {
    // One call reads at most what a DWORD counts; callers loop anyway.
    DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(handle_, buffer, want, &got, nullptr)) {
      *error = LastError();
      return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
  }
  std::ptrdiff_t Write(const void* buffer, std::size_t size, OsError* error) override {
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      std::size_t left = size - done;
      DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
      DWORD wrote = 0;
      if (!::WriteFile(handle_, p + done, want, &wrote, nullptr)) {
        *error = LastError();
        return done > 0 ? static_cast<std::ptrdiff_t>(done) : -1;
      }
      if (wrote == 0) break;
      done += wrote;
    }
    return static_cast<std::ptrdiff_t>(done);
  }
  bool Seek(std::uint64_t offset, OsError* error) override {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) {
      *error = LastError();
      return false;
    }
    return true;
  }
  bool SeekToEnd(OsError* error) override {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(handle_, zero, nullptr, FILE_END)) {
      *error = LastError();
      return false;
    }
    return true;
  }
  std::int64_t Size(OsError* error) override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size)) {
      *error = LastError();
      return -1;
    }
    return size.QuadPart;
  }
  bool Truncate(OsError* error) override {
    // Cuts the file to nothing and keeps the position, as ftruncate does.
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(handle_, zero, &position, FILE_CURRENT) ||
        !::SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_) ||
        !::SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN)) {
      *error = LastError();
      return false;
    }
    return true;
  }

 private:
  HANDLE handle_;
};

// Names are matched without regard to case by the system itself, so paths
// are used as given.
class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<FileHandle> Open(const std::string& path, Access access, Creation creation,
                                   bool shareRead, OsError* error) override {
    DWORD desired = 0;
    switch (access) {
      case Access::kRead:
        desired = GENERIC_READ;
        break;
      case Access::kWrite:
        desired = GENERIC_WRITE;
        break;
      case Access::kReadWrite:
        desired = GENERIC_READ | GENERIC_WRITE;
        break;
    }
    DWORD disposition = OPEN_EXISTING;
    switch (creation) {
      case Creation::kOpenExisting:
        disposition = OPEN_EXISTING;
        break;
      case Creation::kOpenAlways:
        disposition = OPEN_ALWAYS;
        break;
      case Creation::kCreateAlways:
        disposition = CREATE_ALWAYS;
        break;
    }
    // Without sharing, another program (or another open here) holding the
    // file makes this open fail, and the other way round. The handle is not
    // inherited by processes started later.
    HANDLE handle = ::CreateFileA(path.c_str(), desired, shareRead ? FILE_SHARE_READ : 0, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *error = LastError();
      return nullptr;
    }
    return std::make_unique<Win32File>(handle);
  }

  bool Remove(const std::string& path, bool* missing, OsError* error) override {
    *missing = false;
    if (::DeleteFileA(path.c_str())) return true;
    OsError failure = LastError();
    *error = failure;
    if (IsMissingFileError(failure)) {
      *missing = true;
      return true;
    }
    return false;
  }

  bool Rename(const std::string& from, const std::string& to, OsError* error) override {
    // Fails when `to` exists (ERROR_ALREADY_EXISTS).
    if (!::MoveFileA(from.c_str(), to.c_str())) {
      *error = LastError();
      return false;
    }
    return true;
  }

  bool Replace(const std::string& from, const std::string& to, OsError* error) override {
    if (!::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      *error = LastError();
      return false;
    }
    return true;
  }

  bool Exists(const std::string& path) override {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  bool List(const std::string& directory, const std::string& prefix, const std::string& suffix,
            std::vector<DirectoryEntry>* entries, ListFailure* failure) override {
    std::string pattern = directory;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      OsError first = LastError();
      // An existing directory without a single entry.
      if (first == ERROR_FILE_NOT_FOUND || first == ERROR_NO_MORE_FILES) return true;
      failure->error = first;
      failure->whileReading = false;
      return false;
    }
    do {
      if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
      std::string name = found.cFileName;
      if (name.size() < prefix.size() + suffix.size()) continue;
      if (!StartsNoCase(name, prefix) || !EndsNoCase(name, suffix)) continue;
      DirectoryEntry entry;
      entry.name = std::move(name);
      entry.creationTime = static_cast<std::int64_t>(
          (static_cast<std::uint64_t>(found.ftCreationTime.dwHighDateTime) << 32) |
          found.ftCreationTime.dwLowDateTime);
      entries->push_back(std::move(entry));
    } while (::FindNextFileA(search, &found));
    OsError last = LastError();
    ::FindClose(search);
    if (last != ERROR_NO_MORE_FILES) {
      failure->error = last;
      failure->whileReading = true;
      return false;
    }
    return true;
  }

  std::string Resolve(const std::string& path) override { return path; }
};

}  // namespace

FileSystem& RealFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

bool IsMissingFileError(OsError error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tarvik::platform
