#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include "platform/child_process.h"

extern char** environ;

namespace tarvik::platform {
namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

class PosixChild final : public Child {
 public:
  PosixChild(pid_t pid, int errFd, std::size_t tailSize)
      : pid_(pid),
        pidFd_(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0))),
        errFd_(errFd),
        tailSize_(tailSize) {
    // Without a pid descriptor (an old kernel) the end is polled for.
    ::fcntl(errFd_, F_SETFL, O_NONBLOCK);
  }
  ~PosixChild() override {
    if (!reaped_) {
      Kill();
      Reap(0);
    }
    if (pidFd_ >= 0) ::close(pidFd_);
    if (errFd_ >= 0) ::close(errFd_);
  }

  bool WaitUntil(std::chrono::steady_clock::time_point deadline) override {
    if (reaped_) return true;
    for (;;) {
      // The pid descriptor turns readable when the child ends; stderr is read
      // meanwhile so that a talkative child never blocks on a full pipe.
      pollfd p[2] = {{pidFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
      int r = ::poll(p, 2, std::min(MillisecondsUntil(deadline), pidFd_ < 0 ? 5 : INT_MAX));
      if (r < 0 && errno != EINTR) return false;
      if (r > 0 && p[1].revents) ReadStderr();
      if (pidFd_ < 0 || (r > 0 && p[0].revents)) {
        if (Reap(WNOHANG)) {
          ReadStderr();
          return true;
        }
      }
      if (MillisecondsUntil(deadline) == 0) return false;
    }
  }

  void Terminate() override { Signal(SIGTERM); }
  void Kill() override { Signal(SIGKILL); }
  ChildEnd End() const override { return end_; }
  std::string StderrTail() const override { return tail_; }

 private:
  // Takes what is in the pipe now, keeping the tail; the pipe may stay open
  // after the child ended when something it started holds it.
  void ReadStderr() {
    while (errFd_ >= 0) {
      char buffer[4096];
      ssize_t n = ::read(errFd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return;  // nothing more for now
      if (n == 0) {
        ::close(errFd_);
        errFd_ = -1;
        return;
      }
      tail_.append(buffer, static_cast<std::size_t>(n));
      if (tail_.size() > tailSize_) tail_.erase(0, tail_.size() - tailSize_);
    }
  }

  // The pid stays ours until it is reaped; the mutex keeps a signal from
  // reaching a pid the system has given to another process.
  void Signal(int number) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reaped_) ::kill(-pid_, number);
  }
  bool Reap(int flags) {
    siginfo_t info{};
    // Wait without reaping first, so Signal never races with the reuse of the pid.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT | flags) != 0) {
      if (errno == EINTR) return false;
    } else if (info.si_pid == 0) {
      return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_) {
      if (WIFEXITED(status)) {
        end_ = {true, WEXITSTATUS(status)};
      } else if (WIFSIGNALED(status)) {
        end_ = {false, WTERMSIG(status)};
      }
    }
    reaped_ = true;
    return true;
  }

  pid_t pid_;
  int pidFd_;
  int errFd_;
  std::size_t tailSize_;
  std::string tail_;
  ChildEnd end_;
  bool reaped_ = false;
  std::mutex mutex_;
};

// posix_spawn's helper objects, destroyed on every path.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
};

}  // namespace

std::unique_ptr<Child> StartChild(const ChildSpec& spec, std::string* error) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, pipeFds[1], STDERR_FILENO);
  posix_spawn_file_actions_addchdir_np(&setup.actions, spec.workingDirectory.c_str());
  // Its own process group: a Ctrl+C at the terminal reaches the runner
  // alone, which then stops its children in order. The runner blocks the
  // stop signals; the child gets them back.
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, s);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(spec.argv0.c_str()));
  for (const std::string& a : spec.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int r = ::posix_spawn(&pid, spec.program.c_str(), &setup.actions, &setup.attributes, argv.data(),
                        environ);
  ::close(pipeFds[1]);
  if (r != 0) {
    ::close(pipeFds[0]);
    *error = spec.program + ": " + std::strerror(r);
    return nullptr;
  }
  return std::make_unique<PosixChild>(pid, pipeFds[0], spec.stderrTail);
}

std::string OwnProgramDirectory() {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string self(path, static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/') + 1);
}

}  // namespace tarvik::platform
