#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_names.h"
#include "platform/file_system.h"

namespace tarvik::platform {
namespace {

void SplitPath(const std::string& path, std::string* dir, std::string* name) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dir->clear();
    *name = path;
  } else {
    *dir = path.substr(0, slash + 1);
    *name = path.substr(slash + 1);
  }
}

class PosixFile final : public FileHandle {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::ptrdiff_t Read(void* buffer, std::size_t size, OsError* error) override {
    for (;;) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) return n;
      if (errno == EINTR) continue;
      *error = static_cast<OsError>(errno);
      return -1;
    }
  }
  std::ptrdiff_t Write(const void* buffer, std::size_t size, OsError* error) override {
    const char* p = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      ssize_t n = ::write(fd_, p + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        *error = static_cast<OsError>(errno);
        return done > 0 ? static_cast<std::ptrdiff_t>(done) : -1;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
  }
  bool Seek(std::uint64_t offset, OsError* error) override {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }
  bool SeekToEnd(OsError* error) override {
    if (::lseek(fd_, 0, SEEK_END) < 0) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }
  std::int64_t Size(OsError* error) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      *error = static_cast<OsError>(errno);
      return -1;
    }
    return st.st_size;
  }
  bool Truncate(OsError* error) override {
    if (::ftruncate(fd_, 0) != 0) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }

 private:
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<FileHandle> Open(const std::string& path, Access access, Creation creation,
                                   bool /*shareRead*/, OsError* error) override {
    std::string real = Resolve(path);
    int flags = O_CLOEXEC;
    switch (access) {
      case Access::kRead:
        flags |= O_RDONLY;
        break;
      case Access::kWrite:
        flags |= O_WRONLY;
        break;
      case Access::kReadWrite:
        flags |= O_RDWR;
        break;
    }
    switch (creation) {
      case Creation::kOpenExisting:
        break;
      case Creation::kOpenAlways:
        flags |= O_CREAT;
        break;
      case Creation::kCreateAlways:
        flags |= O_CREAT | O_TRUNC;
        break;
    }
    int fd = ::open(real.c_str(), flags, 0666);
    if (fd < 0) {
      *error = static_cast<OsError>(errno);
      return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      *error = EISDIR;
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }

  bool Remove(const std::string& path, bool* missing, OsError* error) override {
    *missing = false;
    std::string real = Resolve(path);
    if (::unlink(real.c_str()) == 0) return true;
    if (errno == ENOENT) {
      *missing = true;
      *error = ENOENT;
      return true;
    }
    *error = static_cast<OsError>(errno);
    return false;
  }

  bool Rename(const std::string& from, const std::string& to, OsError* error) override {
    std::string realFrom = Resolve(from);
    std::string realTo = Resolve(to);
    // The target must not exist: a file moved aside (cmd.bak, log.bak,
    // wlasterr.tmp) never replaces one that could not be removed; that
    // rename fails and its caller reports it. Replace() is the overwriting move.
    struct stat st {};
    if (::stat(realTo.c_str(), &st) == 0) {
      *error = EEXIST;
      return false;
    }
    if (::rename(realFrom.c_str(), realTo.c_str()) != 0) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }

  bool Replace(const std::string& from, const std::string& to, OsError* error) override {
    if (::rename(Resolve(from).c_str(), Resolve(to).c_str()) != 0) {
      *error = static_cast<OsError>(errno);
      return false;
    }
    return true;
  }

  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(Resolve(path).c_str(), &st) == 0;
  }

  bool List(const std::string& directory, const std::string& prefix, const std::string& suffix,
            std::vector<DirectoryEntry>* entries, ListFailure* failure) override {
    std::string dir = directory.empty() ? std::string(".") : directory;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
      failure->error = static_cast<OsError>(errno);
      failure->whileReading = false;
      return false;
    }
    for (;;) {
      // readdir() tells its end from a failure only through errno.
      errno = 0;
      struct dirent* e = ::readdir(d);
      if (e == nullptr) {
        const int readError = errno;
        ::closedir(d);
        if (readError == 0) return true;
        failure->error = static_cast<OsError>(readError);
        failure->whileReading = true;
        return false;
      }
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (name.size() < prefix.size() + suffix.size()) continue;
      if (!StartsNoCase(name, prefix) || !EndsNoCase(name, suffix)) continue;
      std::string full =
          directory.empty() ? name : directory + (directory.back() == '/' ? "" : "/") + name;
      struct statx sx {};
      if (::statx(AT_FDCWD, full.c_str(), 0, STATX_TYPE | STATX_BTIME | STATX_CTIME, &sx) != 0 ||
          !S_ISREG(sx.stx_mode)) {
        continue;
      }
      DirectoryEntry entry;
      entry.name = name;
      // The birth time where the file system keeps one, else the last status
      // change as the nearest stand-in (nanoseconds).
      const struct statx_timestamp& t = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
      entry.creationTime = static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
      entries->push_back(std::move(entry));
    }
  }

  std::string Resolve(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return path;
    std::string dir, name;
    SplitPath(path, &dir, &name);
    if (name.empty()) return path;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return path;
    std::string found;
    while (struct dirent* e = ::readdir(d)) {
      if (EqualNoCase(e->d_name, name)) {
        found = e->d_name;
        break;
      }
    }
    ::closedir(d);
    return found.empty() ? path : dir + found;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

bool IsMissingFileError(OsError error) {
  return error == ENOENT;
}

}  // namespace tarvik::platform
