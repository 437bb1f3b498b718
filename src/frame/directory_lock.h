// One job per program directory. A job holds an advisory lock on the file
// tarvik.lck of the program directory from before it touches the first file
// there until its result files are written; the holder's pid and the time it
// took the lock stand in the file. A second process waits for the lock up to
// `cekani_zamku` seconds (0: not at all), says so on stderr once, and when
// the wait runs out ends with exit code 1 without touching the directory.
//
// Holds are counted within the process: the windowless run holds the lock for
// its whole life, and the jobs it starts (built-in jobs included) only count.
//
// The lock also decides what a stop request (a signal, Ctrl+C) does: while
// the lock is held a job runs, which takes the failure exit for it (error
// 116) at its next wait; without it nothing in the directory is in progress.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "platform/lock_file.h"

namespace tarvik::frame {

class Program;

inline constexpr char kLockFileName[] = "tarvik.lck";
inline constexpr int kDefaultLockWaitSeconds = 600;

class DirectoryLock {
 public:
  enum class Outcome {
    kTaken,        // held now (or counted once more)
    kBusy,         // another process held it for the whole wait
    kInterrupted,  // a stop request came while waiting
    kFailed,       // the lock file cannot be opened or locked (a read-only directory)
  };

  // Takes the lock, waiting up to `wait` while another process holds it. The
  // messages of the wait, of a wait that ran out and of a failure go to
  // stderr (kBusy: only when `quietWhenBusy` is false).
  Outcome Take(Program& program, std::chrono::seconds wait, bool quietWhenBusy = false);
  // Ends one hold; the last one releases the lock.
  void Release();
  bool Held() const;
  // The holder as its lock file names it ("pid 1234, od 07.12.2026 00:51:02"),
  // after a Take that met another holder.
  std::string Holder() const;

  // A stop request with its subcode (1 interrupt, 2 terminate, 3 hang-up /
  // console closed). Returns true when a job holds the lock and is to take
  // the failure exit; false when nothing in the directory is in progress.
  bool RequestStop(int subcode);
  // The subcode of a pending stop request, 0 when none.
  int StopRequested() const { return stopSubcode_.load(); }

 private:
  mutable std::mutex mutex_;
  std::unique_ptr<platform::LockFile> file_;
  int holds_ = 0;
  std::string holder_;
  std::atomic<int> stopSubcode_{0};
};

// The wait of tarvik.ini (cekani_zamku), and the lock taken with it.
DirectoryLock::Outcome TakeDirectoryLock(Program& program);

}  // namespace tarvik::frame
