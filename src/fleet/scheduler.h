// Runs the registers of a fleet: at most `jobs` at once, never two that need
// the same exclusive resource (exclusion.h), a failed attempt that a second
// try can cure again after a growing pause, up to `retries` more times. The
// attempts themselves are a function, so the order of things can be tested
// without processes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fleet/exclusion.h"
#include "fleet/retry.h"
#include "fleet/summary.h"

namespace tarvik::fleet {

struct SchedulerSettings {
  int jobs = 8;
  int retries = 2;
  std::chrono::milliseconds retryBase{5000};
};

// One attempt: the verdict and the row's fields of what it left (exit code,
// result files, error pair, data files, message).
struct AttemptReport {
  Verdict verdict = Verdict::kFinal;
  bool timedOut = false;
  SummaryRow row;
};

// Runs attempt `attempt` (1, 2, ...) of register `index`; `stop` turns true
// when the whole run is being interrupted.
using AttemptFunction =
    std::function<AttemptReport(std::size_t index, int attempt, const std::atomic<bool>& stop)>;

struct Progress {
  std::size_t done = 0;
  std::size_t total = 0;
  std::size_t failed = 0;
  std::size_t running = 0;
};

class Scheduler {
 public:
  // `resources[i]` is the exclusive resource of register i; `selected` the
  // registers to run, in order.
  Scheduler(SchedulerSettings settings, std::vector<std::string> resources,
            std::vector<std::size_t> selected, AttemptFunction attempt);
  ~Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // Blocks until every selected register has its final row, each handed to
  // `finished` on the calling thread; `tick` gets the progress about once a
  // second and after every finished register.
  void Run(const std::function<void(std::size_t, const SummaryRow&)>& finished,
           const std::function<void(const Progress&)>& tick);

  // From any thread: no further attempts start, running ones are told to
  // stop; registers never started keep the result "not run".
  void Stop();
  bool stopped() const { return stop_; }

 private:
  struct Entry {
    std::size_t index = 0;
    int attempts = 0;
    std::chrono::steady_clock::time_point notBefore{};
    std::chrono::steady_clock::time_point firstStart{};
    SummaryRow row;
    std::map<std::string, DataFileCount> files;
  };
  struct Done {
    int slot;
    AttemptReport report;
  };

  // Starts an attempt of `entry` on a thread of its own; the mutex is held.
  void Start(Entry entry);
  // Merges an attempt into its entry; true when the entry is final.
  bool Merge(Entry& entry, AttemptReport report);
  SummaryRow Final(Entry& entry, const std::string& result);

  SchedulerSettings settings_;
  std::vector<std::string> resources_;
  AttemptFunction attempt_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
  std::list<Entry> pending_;
  std::map<int, std::pair<Entry, std::thread>> running_;
  std::vector<Done> done_;
  ResourceSet held_;
  int nextSlot_ = 0;
  Progress progress_;
};

// Now as UTC ISO 8601 ("2026-12-07T01:02:03Z").
std::string UtcNow();

}  // namespace tarvik::fleet
