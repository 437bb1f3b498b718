#include "e2e/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace tarvik::testing {
namespace {

// The null-terminated pointers into `storage`, as exec takes them.
std::vector<char*> Pointers(std::vector<std::string>& storage) {
  std::vector<char*> pointers;
  for (auto& s : storage) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::vector<char*> Argv(const std::string& argv0, const std::vector<std::string>& args,
                        std::vector<std::string>& storage) {
  storage = {argv0};
  storage.insert(storage.end(), args.begin(), args.end());
  return Pointers(storage);
}

std::vector<char*> ChildEnvironment(const Environment& environment,
                                    std::vector<std::string>& storage) {
  auto overridden = [&](std::string_view entry) {
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}) {
      if (entry.starts_with(name)) return true;
    }
    for (const auto& [name, value] : environment) {
      if (entry.starts_with(name + "=")) return true;
    }
    return false;
  };
  storage.clear();
  for (char** e = environ; *e != nullptr; ++e) {
    if (!overridden(*e)) storage.emplace_back(*e);
  }
  for (const auto& [name, value] : environment) storage.push_back(name + "=" + value);
  return Pointers(storage);
}

void Drain(int fd, std::string& into) {
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return;
    into.append(buf, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string BuiltProgram(const char* environmentVariable) {
  const char* path = std::getenv(environmentVariable);
  if (path == nullptr) throw std::runtime_error(std::string(environmentVariable) + " is not set");
  return path;
}

RunResult RunProcess(const std::string& program, const std::string& argv0,
                     const std::vector<std::string>& args,
                     const std::filesystem::path& workingDirectory, std::chrono::milliseconds limit,
                     const Environment& environment) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(argv0, args, storage);
  // Made before the fork: the child may only call what is safe there.
  std::vector<std::string> environmentStorage;
  std::vector<char*> envp = ChildEnvironment(environment, environmentStorage);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    if (::chdir(workingDirectory.c_str()) != 0) ::_exit(127);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  ::fcntl(err[0], F_SETFL, O_NONBLOCK);
  RunResult result;
  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  bool reaped = false;
  while (!reaped) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    ::poll(fds, 2, 20);
    Drain(out[0], result.out);
    Drain(err[0], result.err);
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      reaped = true;
    } else if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.timedOut = true;
      reaped = true;
    }
  }
  Drain(out[0], result.out);
  Drain(err[0], result.err);
  ::close(out[0]);
  ::close(err[0]);
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

Background::Background(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& workingDirectory) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(program, args, storage);
  pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // A test that dies without its destructors must not leave the child
    // holding its pty or address.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(out[1], 1);
    if (::chdir(workingDirectory.c_str()) != 0) ::_exit(127);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  outFd_ = out[0];
}

Background::~Background() {
  Stop();
}

std::string Background::WaitForLine(const std::string& text, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::size_t at = buffer_.find(text);
    if (at != std::string::npos) {
      std::size_t begin = buffer_.rfind('\n', at);
      begin = begin == std::string::npos ? 0 : begin + 1;
      std::size_t end = buffer_.find('\n', at);
      if (end != std::string::npos) return buffer_.substr(begin, end - begin);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw std::runtime_error("no line with '" + text + "' in: " + buffer_);
    pollfd fd = {outFd_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) > 0) {
      char buf[1024];
      ssize_t n = ::read(outFd_, buf, sizeof buf);
      if (n <= 0) throw std::runtime_error("child ended: " + buffer_);
      buffer_.append(buf, static_cast<std::size_t>(n));
    }
  }
}

int Background::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) != pid_) {
    if (std::chrono::steady_clock::now() > deadline) {
      Stop();
      return -1;
    }
    ::usleep(10000);
  }
  pid_ = -1;
  if (outFd_ >= 0) ::close(outFd_);
  outFd_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Background::Stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 1000; ++i) {  // up to 10 s: a loaded machine is slow to save
    if (::waitpid(pid_, &status, WNOHANG) == pid_) break;
    ::usleep(10000);
    if (i == 999) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
  pid_ = -1;
  if (outFd_ >= 0) ::close(outFd_);
  outFd_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tarvik::testing
