#include "fleet/scheduler.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace tarvik::fleet {
namespace {

using namespace std::chrono_literals;

// Attempts that follow a script per register and record what ran at once.
class ScriptedAttempts {
 public:
  // verdicts[i]: the verdicts of register i's attempts in turn (the last repeats).
  explicit ScriptedAttempts(std::vector<std::vector<Verdict>> verdicts)
      : verdicts_(std::move(verdicts)) {}

  AttemptReport operator()(std::size_t index, int attempt, const std::atomic<bool>& stop) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      running_.insert(index);
      maxRunning_ = std::max(maxRunning_, running_.size());
      for (const auto& [a, b] : mustNotMeet) {
        if (running_.count(a) && running_.count(b)) met_ = true;
      }
      attempts_[index].push_back(attempt);
    }
    auto until = std::chrono::steady_clock::now() + work;
    while (std::chrono::steady_clock::now() < until && !stop) std::this_thread::sleep_for(1ms);
    if (stop) ++stopped;
    AttemptReport report;
    const auto& script = verdicts_[index];
    report.verdict =
        script[std::min<std::size_t>(static_cast<std::size_t>(attempt - 1), script.size() - 1)];
    report.timedOut = timesOut.count(index) != 0;
    report.row.exitCode = report.verdict == Verdict::kOk ? "0" : "1";
    report.row.dataFiles = {{"F" + std::to_string(attempt) + ".dat", 1}};
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(index);
    return report;
  }

  std::chrono::milliseconds work = 20ms;
  std::atomic<int> stopped{0};  // attempts that ended because of a stop
  std::set<std::size_t> timesOut;
  std::vector<std::pair<std::size_t, std::size_t>> mustNotMeet;

  std::size_t maxRunning() {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxRunning_;
  }
  bool met() {
    std::lock_guard<std::mutex> lock(mutex_);
    return met_;
  }
  std::vector<int> attempts(std::size_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_[index];
  }

 private:
  std::vector<std::vector<Verdict>> verdicts_;
  std::mutex mutex_;
  std::set<std::size_t> running_;
  std::size_t maxRunning_ = 0;
  bool met_ = false;
  std::map<std::size_t, std::vector<int>> attempts_;
};

struct Finished {
  std::map<std::size_t, SummaryRow> rows;
  std::vector<std::size_t> order;
  Progress last;
};

Finished RunAll(Scheduler& scheduler) {
  Finished f;
  scheduler.Run(
      [&](std::size_t index, const SummaryRow& row) {
        f.rows[index] = row;
        f.order.push_back(index);
      },
      [&](const Progress& p) { f.last = p; });
  return f;
}

std::vector<std::string> Distinct(std::size_t n) {
  std::vector<std::string> r;
  for (std::size_t i = 0; i < n; ++i) r.push_back("tcp 127.0.0." + std::to_string(i + 1));
  return r;
}

TEST(Scheduler, RunsAtMostJobsAtOnceAndRetriesOnlyWhatIsCurable) {
  const Verdict ok = Verdict::kOk, retry = Verdict::kRetry, final = Verdict::kFinal;
  ScriptedAttempts script({{ok}, {retry, ok}, {retry}, {final}, {ok}, {ok}, {ok}, {ok}});
  SchedulerSettings settings;
  settings.jobs = 3;
  settings.retries = 2;
  settings.retryBase = 5ms;
  Scheduler scheduler(settings, Distinct(8), {0, 1, 2, 3, 4, 5, 6, 7}, std::ref(script));
  Finished f = RunAll(scheduler);
  EXPECT_EQ(script.maxRunning(), 3u);
  ASSERT_EQ(f.rows.size(), 8u);
  EXPECT_EQ(f.rows[0].result, "ok");
  EXPECT_EQ(f.rows[0].attempts, 1);
  EXPECT_EQ(f.rows[1].result, "ok");  // cured by the second try
  EXPECT_EQ(f.rows[1].attempts, 2);
  EXPECT_EQ(f.rows[2].result, "failed");  // 1 + 2 retries
  EXPECT_EQ(f.rows[2].attempts, 3);
  EXPECT_EQ(script.attempts(2), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(f.rows[3].result, "failed");  // final at the first try
  EXPECT_EQ(f.rows[3].attempts, 1);
  // The data files of every attempt, and the start of the first.
  std::vector<DataFileCount> files = {{"F1.dat", 1}, {"F2.dat", 1}, {"F3.dat", 1}};
  EXPECT_EQ(f.rows[2].dataFiles, files);
  EXPECT_FALSE(f.rows[2].start.empty());
  EXPECT_TRUE(f.rows[2].durationSeconds.has_value());
  EXPECT_EQ(f.last.done, 8u);
  EXPECT_EQ(f.last.failed, 2u);
  EXPECT_EQ(f.last.running, 0u);
}

TEST(Scheduler, RegistersOnOneResourceNeverRunAtOnce) {
  // 0, 2 and 4 share a COM port; 1 and 3 share another; 5 is alone.
  ScriptedAttempts script(std::vector<std::vector<Verdict>>(6, {Verdict::kOk}));
  script.mustNotMeet = {{0, 2}, {0, 4}, {2, 4}, {1, 3}};
  SchedulerSettings settings;
  settings.jobs = 6;
  std::vector<std::string> resources = {"serial /dev/ttyS0", "serial /dev/ttyS1",
                                        "serial /dev/ttyS0", "serial /dev/ttyS1",
                                        "serial /dev/ttyS0", "serial /dev/ttyS2"};
  Scheduler scheduler(settings, resources, {0, 1, 2, 3, 4, 5}, std::ref(script));
  Finished f = RunAll(scheduler);
  EXPECT_FALSE(script.met());
  EXPECT_EQ(script.maxRunning(), 3u);  // one per port
  EXPECT_EQ(f.rows.size(), 6u);
  // A blocked register does not hold up those behind it.
  EXPECT_LT(std::find(f.order.begin(), f.order.end(), 5),
            std::find(f.order.begin(), f.order.end(), 4));
}

TEST(Scheduler, ATimeOutIsFinalAndOnlySelectedRegistersRun) {
  ScriptedAttempts script({{Verdict::kRetry}, {Verdict::kOk}, {Verdict::kOk}});
  script.timesOut = {0};
  SchedulerSettings settings;
  settings.retryBase = 1ms;
  Scheduler scheduler(settings, Distinct(3), {0, 2}, std::ref(script));
  Finished f = RunAll(scheduler);
  EXPECT_EQ(f.rows[0].result, "timed out");
  EXPECT_EQ(f.rows[0].attempts, 1);
  EXPECT_EQ(f.rows.count(1), 0u);
  EXPECT_TRUE(script.attempts(1).empty());
  EXPECT_EQ(f.rows[2].result, "ok");
}

TEST(Scheduler, StopEndsRunningAttemptsAndLeavesTheRestNotRun) {
  ScriptedAttempts script(std::vector<std::vector<Verdict>>(10, {Verdict::kFinal}));
  script.work = 10s;  // only the stop ends them
  SchedulerSettings settings;
  settings.jobs = 2;
  Scheduler scheduler(settings, Distinct(10), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, std::ref(script));
  std::thread stopper([&] {
    while (script.maxRunning() < 2) std::this_thread::sleep_for(1ms);
    scheduler.Stop();
  });
  Finished f = RunAll(scheduler);
  stopper.join();
  EXPECT_EQ(script.stopped, 2);
  ASSERT_EQ(f.rows.size(), 10u);
  EXPECT_EQ(f.rows[0].result, "failed");
  EXPECT_EQ(f.rows[1].result, "failed");
  for (std::size_t i = 2; i < 10; ++i) {
    EXPECT_EQ(f.rows[i].result, "not run") << i;
    EXPECT_EQ(f.rows[i].attempts, 0);
  }
}

TEST(Scheduler, AStopDuringTheRetryPauseKeepsTheLastFailure) {
  ScriptedAttempts script({{Verdict::kRetry}});
  SchedulerSettings settings;
  settings.retryBase = 10s;
  Scheduler scheduler(settings, Distinct(1), {0}, std::ref(script));
  std::thread stopper([&] {
    while (script.attempts(0).empty()) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    scheduler.Stop();
  });
  Finished f = RunAll(scheduler);
  stopper.join();
  EXPECT_EQ(f.rows[0].result, "failed");
  EXPECT_EQ(f.rows[0].attempts, 1);
}

}  // namespace
}  // namespace tarvik::fleet
