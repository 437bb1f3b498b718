// tarvik-fleet: runs the unchanged tarvik once per register of a fleet file,
// several at once, and collects the results into one summary.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fleet/attempt.h"
#include "fleet/exclusion.h"
#include "fleet/fields.h"
#include "fleet/fleet_file.h"
#include "fleet/options.h"
#include "fleet/register_dir.h"
#include "fleet/scheduler.h"
#include "fleet/summary.h"
#include "frame/codepage.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/stop_requests.h"

namespace fs = std::filesystem;
using namespace tarvik;
using namespace tarvik::fleet;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The stop requests arrive on a thread of their own, possibly before the
// scheduler exists or after it is gone.
class StopRequests {
 public:
  void Request(int kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!kind_) kind_ = kind;
    if (scheduler_) scheduler_->Stop();
  }
  void Attach(Scheduler* scheduler) {
    std::lock_guard<std::mutex> lock(mutex_);
    scheduler_ = scheduler;
    if (scheduler_ && kind_) scheduler_->Stop();
  }
  int kind() {
    std::lock_guard<std::mutex> lock(mutex_);
    return kind_;
  }

 private:
  std::mutex mutex_;
  Scheduler* scheduler_ = nullptr;
  int kind_ = 0;  // platform::StopKind of the first request
};

class Output {
 public:
  Output(platform::Console& console, bool quiet)
      : console_(console), quiet_(quiet), terminal_(console.StdoutIsTerminal()) {}

  void Finished(const SummaryRow& row) {
    bool failed = row.result != "ok";
    if (terminal_ && !quiet_) return;  // the progress line and the table say it
    if (quiet_ && !failed) return;
    ClearProgress();
    console_.WriteStdout(Line(row) + "\n");
  }
  void Progress(const fleet::Progress& p, double elapsed) {
    if (!terminal_ || quiet_) return;
    char text[160];
    int s = static_cast<int>(elapsed);
    std::snprintf(text, sizeof text, "%zu/%zu done, %zu failed, %zu running, %02d:%02d:%02d",
                  p.done, p.total, p.failed, p.running, s / 3600, s / 60 % 60, s % 60);
    std::string line = text;
    std::string padded = line + std::string(shown_ > line.size() ? shown_ - line.size() : 0, ' ');
    console_.WriteStdout("\r" + padded);
    shown_ = line.size();
  }
  void Table(const std::vector<SummaryRow>& failed) {
    if (!terminal_ || quiet_) return;
    ClearProgress();
    if (failed.empty()) return;
    console_.WriteStdout("Failed registers:\n");
    for (const SummaryRow& row : failed) console_.WriteStdout("  " + Line(row) + "\n");
  }
  void Error(const std::string& text) {
    ClearProgress();
    console_.WriteStderr("tarvik-fleet: " + text + "\n");
  }

 private:
  static std::string Line(const SummaryRow& row) {
    std::string line = row.name + ": " + row.result;
    char detail[64];
    std::snprintf(detail, sizeof detail, " (%d %s", row.attempts,
                  row.attempts == 1 ? "attempt" : "attempts");
    line += detail;
    if (row.durationSeconds) {
      std::snprintf(detail, sizeof detail, ", %.1f s", *row.durationSeconds);
      line += detail;
    }
    if (!row.exitCode.empty() && row.result != "ok") line += ", exit " + row.exitCode;
    line += ")";
    if (row.errorCode) {
      line += " error " + std::to_string(*row.errorCode) + "/" +
              std::to_string(row.errorSubcode.value_or(0));
      std::string text = row.errorText;
      while (!text.empty() && text.back() == ' ') text.pop_back();
      if (!text.empty()) line += " " + text;
    }
    if (!row.message.empty() && row.result != "ok") line += ": " + row.message;
    return line;
  }
  void ClearProgress() {
    if (!shown_) return;
    console_.WriteStdout("\r" + std::string(shown_, ' ') + "\r");
    shown_ = 0;
  }

  platform::Console& console_;
  bool quiet_;
  bool terminal_;
  std::size_t shown_ = 0;
};

std::chrono::milliseconds RetryBase() {
  // Tests shorten the pauses between tries.
  if (const char* ms = std::getenv("TARVIK_FLEET_RETRY_MS"))
    return std::chrono::milliseconds(std::atol(ms));
  return std::chrono::seconds(5);
}

std::string DefaultTarvik() {
#ifdef _WIN32
  return platform::OwnProgramDirectory() + "tarvik.exe";
#else
  return platform::OwnProgramDirectory() + "tarvik";
#endif
}

int Run(const std::vector<std::string>& args, StopRequests& stops) {
  platform::Console& console = platform::RealConsole();
  Options options;
  try {
    options = ParseOptions(args);
  } catch (const OptionError& e) {
    console.WriteStderr(std::string("tarvik-fleet: ") + e.what() +
                        "\nTry \"tarvik-fleet --help\".\n");
    return kExitUsage;
  }
  if (options.help) {
    console.WriteStdout(kUsage);
    return 0;
  }
  if (options.version) {
    console.WriteStdout("tarvik-fleet " TARVIK_VERSION "\n");
    return 0;
  }
  Output out(console, options.quiet);

  fs::path fleetPath = fs::absolute(options.fleetFile);
  std::optional<std::string> fleetBytes = ReadWhole(fleetPath);
  if (!fleetBytes || fs::is_directory(fleetPath)) {
    out.Error("cannot read the fleet file " + fleetPath.string());
    return kExitUsage;
  }
  std::vector<FleetRegister> registers;
  try {
    registers = ParseFleetFile(*fleetBytes);
  } catch (const FleetFileError& e) {
    out.Error(options.fleetFile + (e.line() ? ":" + std::to_string(e.line()) : "") + ": " +
              e.what());
    return kExitUsage;
  }
  fs::path fleetDir = fleetPath.parent_path();
  std::map<std::string, std::string> commands;  // path as written -> bytes
  for (const FleetRegister& r : registers) {
    if (commands.count(r.commandFile)) continue;
    fs::path path = fleetDir / fs::path(r.commandFile);
    std::optional<std::string> bytes = fs::is_regular_file(path) ? ReadWhole(path) : std::nullopt;
    if (!bytes) {
      out.Error(options.fleetFile + ":" + std::to_string(r.line) +
                ": cannot read the command file " + path.string());
      return kExitUsage;
    }
    commands[r.commandFile] = *bytes;
  }

  AttemptSetup setup;
  setup.root = fs::absolute(options.root ? fs::path(*options.root) : fleetDir);
  setup.tarvik =
      fs::absolute(options.tarvik ? fs::path(*options.tarvik) : fs::path(DefaultTarvik())).string();
  setup.timeout = std::chrono::seconds(options.timeoutSeconds);
  setup.sharedIni = ReadWhole(FileNoCase(fleetDir, "tarvik.ini"));
  if (!fs::is_regular_file(setup.tarvik)) {
    out.Error("no tarvik program at " + setup.tarvik + " (name it with --tarvik PATH)");
    return kExitUsage;
  }
  std::error_code rootError;
  fs::create_directories(setup.root, rootError);
  if (!fs::is_directory(setup.root)) {
    out.Error("cannot create the root directory " + setup.root.string() + ": " +
              rootError.message());
    return kExitUsage;
  }
  fs::path csvPath =
      fs::absolute(options.summary ? fs::path(*options.summary) : setup.root / "summary.csv");
  fs::path jsonPath = csvPath;
  jsonPath.replace_extension(".json");

  // The last summary: the registers that did not succeed, and the rows of
  // the registers this run leaves out.
  std::map<std::string, SummaryRow> previous;
  if (std::optional<std::string> text = ReadWhole(csvPath)) {
    try {
      for (SummaryRow& row : ParseSummaryCsv(*text))
        previous[LowerAscii(row.name)] = std::move(row);
    } catch (const SummaryError& e) {
      if (options.failed) {
        out.Error(csvPath.string() + ": " + e.what());
        return kExitUsage;
      }
      out.Error("the last summary " + csvPath.string() + " is not readable (" + e.what() +
                "); it is replaced");
    }
  } else if (options.failed) {
    out.Error("--failed: there is no summary at " + csvPath.string());
    return kExitUsage;
  }

  std::vector<bool> chosen(registers.size(), options.only.empty());
  for (const std::string& name : options.only) {
    auto it = std::find_if(registers.begin(), registers.end(), [&](const FleetRegister& r) {
      return LowerAscii(r.name) == LowerAscii(name);
    });
    if (it == registers.end()) {
      out.Error("--only: no register named \"" + name + "\" in " + options.fleetFile);
      return kExitUsage;
    }
    chosen[static_cast<std::size_t>(it - registers.begin())] = true;
  }
  std::vector<SummaryRow> rows;
  std::vector<std::size_t> selected;
  std::vector<std::string> resources;
  for (std::size_t i = 0; i < registers.size(); ++i) {
    const FleetRegister& r = registers[i];
    auto last = previous.find(LowerAscii(r.name));
    if (options.failed && (last == previous.end() || last->second.result == "ok"))
      chosen[i] = false;
    SummaryRow row;
    if (!chosen[i] && last != previous.end()) row = last->second;
    row.name = r.name;
    row.connection = frame::Cp1250ToUtf8(r.connectionText);
    rows.push_back(row);
    if (chosen[i]) selected.push_back(i);
    resources.push_back(ExclusiveResource(r.connection, EffectiveIni(setup, r)));
  }

  int exitCode = 0;
  // Rewritten after every finished register, but at most once a second, so
  // that a fleet of thousands does not rewrite its summary thousands of times
  // over; the tick writes what is left, the end writes the whole.
  auto lastWrite = std::chrono::steady_clock::time_point{};
  bool unwritten = false;
  auto writeSummary = [&] {
    lastWrite = std::chrono::steady_clock::now();
    unwritten = false;
    try {
      ReplaceFile(csvPath, SummaryCsv(rows));
      ReplaceFile(jsonPath, SummaryJson(rows));
    } catch (const std::exception& e) {
      out.Error(std::string("cannot write the summary: ") + e.what());
      exitCode = kExitFailed;
    }
  };

  SchedulerSettings settings;
  settings.jobs = options.jobs;
  settings.retries = options.retries;
  settings.retryBase = RetryBase();
  Scheduler scheduler(settings, resources, selected,
                      [&](std::size_t index, int, const std::atomic<bool>& stop) {
                        const FleetRegister& r = registers[index];
                        return RunAttempt(setup, r, commands.at(r.commandFile), stop);
                      });
  auto began = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  };
  stops.Attach(&scheduler);
  scheduler.Run(
      [&](std::size_t index, const SummaryRow& row) {
        SummaryRow& kept = rows[index];
        SummaryRow finished = row;
        finished.name = kept.name;
        finished.connection = kept.connection;
        kept = std::move(finished);
        unwritten = true;
        if (std::chrono::steady_clock::now() - lastWrite >= std::chrono::seconds(1)) writeSummary();
        out.Finished(kept);
      },
      [&](const Progress& p) {
        if (unwritten && std::chrono::steady_clock::now() - lastWrite >= std::chrono::seconds(1))
          writeSummary();
        out.Progress(p, elapsed());
      });
  stops.Attach(nullptr);
  writeSummary();

  std::vector<SummaryRow> failed;
  for (std::size_t i : selected) {
    if (rows[i].result != "ok") failed.push_back(rows[i]);
  }
  out.Table(failed);
  switch (stops.kind()) {
    case platform::kStopInterrupt:
      return 128 + 2;  // as a shell reports SIGINT
    case platform::kStopTerminate:
      return 128 + 15;
    case platform::kStopHangUp:
      return 128 + 1;
  }
  if (!failed.empty()) return kExitFailed;
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  StopRequests stops;
  platform::WatchStopRequests([&stops](int kind) { stops.Request(kind); });
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = Run(args, stops);
  platform::RealProcess().Exit(code);
}
