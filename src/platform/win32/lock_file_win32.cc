#include "platform/win32/windows_api.h"

#include "platform/lock_file.h"

namespace tarvik::platform {
namespace {

// The locked range lies far behind the text, so that a waiting process can
// still read who holds the lock (a locked range cannot be read by others).
constexpr DWORD kLockOffsetHigh = 0x100;

class Win32LockFile final : public LockFile {
 public:
  explicit Win32LockFile(HANDLE handle) : handle_(handle) {}
  ~Win32LockFile() override { ::CloseHandle(handle_); }  // also drops the lock
  Win32LockFile(const Win32LockFile&) = delete;
  Win32LockFile& operator=(const Win32LockFile&) = delete;

  bool TryLock(OsError* error) override {
    *error = 0;
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (::LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      return true;
    }
    DWORD e = ::GetLastError();
    if (e != ERROR_LOCK_VIOLATION && e != ERROR_IO_PENDING) *error = e;
    return false;
  }

  void Unlock() override {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    ::UnlockFileEx(handle_, 0, 1, 0, &at);
  }

  bool WriteText(const std::string& text, OsError* error) override {
    LARGE_INTEGER start{};
    DWORD written = 0;
    if (!::SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_) ||
        !::WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
      *error = ::GetLastError();
      return false;
    }
    return true;
  }

  std::string ReadText() override {
    LARGE_INTEGER start{};
    char buffer[512];
    DWORD got = 0;
    if (!::SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) ||
        !::ReadFile(handle_, buffer, sizeof buffer, &got, nullptr)) {
      return {};
    }
    return std::string(buffer, got);
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<LockFile> LockFile::Open(const std::string& path, OsError* error) {
  // Shared for reading and writing: the lock, not the open, excludes.
  HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32LockFile>(handle);
}

unsigned long CurrentProcessId() {
  return ::GetCurrentProcessId();
}

}  // namespace tarvik::platform
