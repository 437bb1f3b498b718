#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/lock_file.h"

namespace tarvik::platform {
namespace {

class PosixLockFile final : public LockFile {
 public:
  explicit PosixLockFile(int fd) : fd_(fd) {}
  ~PosixLockFile() override { ::close(fd_); }  // also drops the lock
  PosixLockFile(const PosixLockFile&) = delete;
  PosixLockFile& operator=(const PosixLockFile&) = delete;

  // Open-file-description locks: owned by this open, not by the process, so
  // two opens in one process exclude each other, and closing another
  // descriptor of the same file does not drop the lock.
  bool TryLock(OsError* error) override {
    *error = 0;
    if (Set(F_WRLCK)) return true;
    if (errno != EAGAIN && errno != EACCES) *error = static_cast<OsError>(errno);
    return false;
  }
  void Unlock() override { Set(F_UNLCK); }

  bool WriteText(const std::string& text, OsError* error) override {
    if (::ftruncate(fd_, 0) != 0 ||
        ::pwrite(fd_, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }

  std::string ReadText() override {
    char buffer[512];
    ssize_t n = ::pread(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }

 private:
  bool Set(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    for (;;) {
      if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return true;
      if (errno != EINTR) return false;
    }
  }

  int fd_;
};

}  // namespace

std::unique_ptr<LockFile> LockFile::Open(const std::string& path, OsError* error) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = static_cast<OsError>(errno);
    return nullptr;
  }
  return std::make_unique<PosixLockFile>(fd);
}

unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(::getpid());
}

}  // namespace tarvik::platform
