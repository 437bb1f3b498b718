#include "fleet/scheduler.h"

#include <ctime>
#include <exception>

namespace tarvik::fleet {

using Clock = std::chrono::steady_clock;

std::string UtcNow() {
  std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

Scheduler::Scheduler(SchedulerSettings settings, std::vector<std::string> resources,
                     std::vector<std::size_t> selected, AttemptFunction attempt)
    : settings_(settings), resources_(std::move(resources)), attempt_(std::move(attempt)) {
  for (std::size_t index : selected) {
    Entry e;
    e.index = index;
    pending_.push_back(std::move(e));
  }
  progress_.total = selected.size();
}

Scheduler::~Scheduler() {
  Stop();
  std::unique_lock<std::mutex> lock(mutex_);
  for (auto& [slot, run] : running_) {
    lock.unlock();
    if (run.second.joinable()) run.second.join();
    lock.lock();
  }
}

void Scheduler::Stop() {
  stop_ = true;
  std::lock_guard<std::mutex> lock(mutex_);
  wake_.notify_all();
}

void Scheduler::Start(Entry entry) {
  int slot = nextSlot_++;
  held_.TryTake(resources_[entry.index]);
  std::size_t index = entry.index;
  int attempt = entry.attempts + 1;
  if (entry.attempts == 0) {
    entry.firstStart = Clock::now();
    entry.row.start = UtcNow();
  }
  auto& place = running_[slot];
  place.first = std::move(entry);
  place.second = std::thread([this, slot, index, attempt] {
    AttemptReport report;
    try {
      report = attempt_(index, attempt, stop_);
    } catch (const std::exception& e) {
      report.verdict = Verdict::kFinal;
      report.row.message = e.what();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_.push_back({slot, std::move(report)});
    wake_.notify_all();
  });
  ++progress_.running;
}

bool Scheduler::Merge(Entry& entry, AttemptReport report) {
  ++entry.attempts;
  std::string start = entry.row.start;
  entry.row = std::move(report.row);
  entry.row.start = start;
  for (DataFileCount& f : entry.row.dataFiles) entry.files[f.name] = f;
  if (report.verdict == Verdict::kOk) {
    entry.row.result = "ok";
    return true;
  }
  if (report.timedOut) {
    entry.row.result = "timed out";
    return true;
  }
  entry.row.result = "failed";
  return report.verdict != Verdict::kRetry || entry.attempts > settings_.retries || stop_;
}

SummaryRow Scheduler::Final(Entry& entry, const std::string& result) {
  SummaryRow row = std::move(entry.row);
  if (!result.empty()) row.result = result;
  row.attempts = entry.attempts;
  if (entry.attempts > 0)
    row.durationSeconds = std::chrono::duration<double>(Clock::now() - entry.firstStart).count();
  row.dataFiles.clear();
  for (auto& [name, f] : entry.files) row.dataFiles.push_back(f);
  ++progress_.done;
  if (row.result != "ok") ++progress_.failed;
  return row;
}

void Scheduler::Run(const std::function<void(std::size_t, const SummaryRow&)>& finished,
                    const std::function<void(const Progress&)>& tick) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto nextTick = Clock::now() + std::chrono::seconds(1);
  auto report = [&](std::size_t index, const SummaryRow& row) {
    Progress now = progress_;
    lock.unlock();
    finished(index, row);
    tick(now);
    lock.lock();
  };
  for (;;) {
    std::vector<std::pair<std::size_t, SummaryRow>> finals;
    while (!done_.empty()) {
      Done d = std::move(done_.back());
      done_.pop_back();
      auto it = running_.find(d.slot);
      std::thread thread = std::move(it->second.second);
      Entry entry = std::move(it->second.first);
      running_.erase(it);
      lock.unlock();
      thread.join();
      lock.lock();
      held_.Release(resources_[entry.index]);
      --progress_.running;
      if (Merge(entry, std::move(d.report))) {
        finals.emplace_back(entry.index, Final(entry, ""));
      } else {
        entry.notBefore = Clock::now() + RetryDelay(entry.attempts + 1, settings_.retryBase);
        pending_.push_back(std::move(entry));
      }
    }
    if (!stop_) {
      // The freed places are taken before the finished rows are handed on,
      // so writing the summary never holds up the next job.
      auto now = Clock::now();
      for (auto it = pending_.begin();
           it != pending_.end() && static_cast<int>(running_.size()) < settings_.jobs;) {
        if (it->notBefore > now || held_.Held(resources_[it->index])) {
          ++it;
          continue;
        }
        Entry entry = std::move(*it);
        it = pending_.erase(it);
        Start(std::move(entry));
      }
    }
    for (const auto& [index, row] : finals) report(index, row);
    if (!done_.empty()) continue;
    if (stop_ && running_.empty()) {
      // Registers never started stay "not run"; those waiting for a retry
      // keep their last failure.
      while (!pending_.empty()) {
        Entry entry = std::move(pending_.front());
        pending_.pop_front();
        SummaryRow row = Final(entry, entry.attempts ? "" : "not run");
        report(entry.index, row);
      }
      return;
    }
    if (pending_.empty() && running_.empty()) return;
    auto wakeAt = nextTick;
    if (!stop_) {
      for (const Entry& e : pending_) {
        if (e.notBefore > Clock::now() && e.notBefore < wakeAt) wakeAt = e.notBefore;
      }
    }
    wake_.wait_until(lock, wakeAt, [&] { return !done_.empty() || (stop_ && running_.empty()); });
    if (Clock::now() >= nextTick) {
      nextTick = Clock::now() + std::chrono::seconds(1);
      Progress now = progress_;
      lock.unlock();
      tick(now);
      lock.lock();
    }
  }
}

}  // namespace tarvik::fleet
