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

// A reason to stop before any register runs; said on stderr, exit code 2.
struct Refused {
  std::string message;
};

struct Fleet {
  fs::path file;  // absolute
  std::vector<FleetRegister> registers;
  std::map<std::string, std::string> commands;  // command file as written -> bytes
};

Fleet ReadFleet(const std::string& name) {
  Fleet fleet;
  fleet.file = fs::absolute(name);
  std::optional<std::string> bytes = ReadWhole(fleet.file);
  if (!bytes || fs::is_directory(fleet.file))
    throw Refused{"cannot read the fleet file " + fleet.file.string()};
  try {
    fleet.registers = ParseFleetFile(*bytes);
  } catch (const FleetFileError& e) {
    throw Refused{name + (e.line() ? ":" + std::to_string(e.line()) : "") + ": " + e.what()};
  }
  for (const FleetRegister& r : fleet.registers) {
    if (fleet.commands.count(r.commandFile)) continue;
    fs::path path = fleet.file.parent_path() / fs::path(r.commandFile);
    std::optional<std::string> command = fs::is_regular_file(path) ? ReadWhole(path) : std::nullopt;
    if (!command) {
      throw Refused{name + ":" + std::to_string(r.line) + ": cannot read the command file " +
                    path.string()};
    }
    fleet.commands[r.commandFile] = *command;
  }
  return fleet;
}

AttemptSetup MakeSetup(const Options& options, const Fleet& fleet) {
  const fs::path fleetDir = fleet.file.parent_path();
  AttemptSetup setup;
  setup.root = fs::absolute(options.root ? fs::path(*options.root) : fleetDir);
  setup.tarvik =
      fs::absolute(options.tarvik ? fs::path(*options.tarvik) : fs::path(DefaultTarvik())).string();
  setup.timeout = std::chrono::seconds(options.timeoutSeconds);
  setup.sharedIni = ReadWhole(FileNoCase(fleetDir, "tarvik.ini"));
  if (!fs::is_regular_file(setup.tarvik))
    throw Refused{"no tarvik program at " + setup.tarvik + " (name it with --tarvik PATH)"};
  std::error_code rootError;
  fs::create_directories(setup.root, rootError);
  if (!fs::is_directory(setup.root)) {
    throw Refused{"cannot create the root directory " + setup.root.string() + ": " +
                  rootError.message()};
  }
  return setup;
}

// The last summary by lower-case name: which registers did not succeed, and
// the rows of the registers this run leaves out.
std::map<std::string, SummaryRow> ReadLastSummary(const fs::path& csvPath, bool failedOnly,
                                                  Output& out) {
  std::map<std::string, SummaryRow> previous;
  std::optional<std::string> text = ReadWhole(csvPath);
  if (!text) {
    if (failedOnly) throw Refused{"--failed: there is no summary at " + csvPath.string()};
    return previous;
  }
  try {
    for (SummaryRow& row : ParseSummaryCsv(*text)) previous[LowerAscii(row.name)] = std::move(row);
  } catch (const SummaryError& e) {
    if (failedOnly) throw Refused{csvPath.string() + ": " + e.what()};
    out.Error("the last summary " + csvPath.string() + " is not readable (" + e.what() +
              "); it is replaced");
  }
  return previous;
}

// The rows of every register in the fleet file's order, the registers this
// run starts, and the port or address each one holds while it runs.
struct Selection {
  std::vector<SummaryRow> rows;
  std::vector<std::size_t> selected;
  std::vector<std::string> resources;
};

Selection Select(const Options& options, const Fleet& fleet, const AttemptSetup& setup,
                 const std::map<std::string, SummaryRow>& previous) {
  const std::vector<FleetRegister>& registers = fleet.registers;
  std::vector<bool> chosen(registers.size(), options.only.empty());
  for (const std::string& name : options.only) {
    auto it = std::find_if(registers.begin(), registers.end(), [&](const FleetRegister& r) {
      return LowerAscii(r.name) == LowerAscii(name);
    });
    if (it == registers.end())
      throw Refused{"--only: no register named \"" + name + "\" in " + options.fleetFile};
    chosen[static_cast<std::size_t>(it - registers.begin())] = true;
  }
  Selection selection;
  for (std::size_t i = 0; i < registers.size(); ++i) {
    const FleetRegister& r = registers[i];
    auto last = previous.find(LowerAscii(r.name));
    if (options.failed && (last == previous.end() || last->second.result == "ok"))
      chosen[i] = false;
    SummaryRow row;
    if (!chosen[i] && last != previous.end()) row = last->second;
    row.name = r.name;
    row.connection = frame::Cp1250ToUtf8(r.connectionText);
    selection.rows.push_back(row);
    if (chosen[i]) selection.selected.push_back(i);
    selection.resources.push_back(ExclusiveResource(r.connection, EffectiveIni(setup, r)));
  }
  return selection;
}

// Rewrites summary.csv and summary.json after finished registers, but at
// most once a second, so that a fleet of thousands does not rewrite its
// summary thousands of times over; the progress tick writes what is left,
// the end writes the whole.
class SummaryFiles {
 public:
  SummaryFiles(fs::path csv, Output& out) : csv_(std::move(csv)), json_(csv_), out_(out) {
    json_.replace_extension(".json");
  }
  void Changed(const std::vector<SummaryRow>& rows) {
    unwritten_ = true;
    WriteIfDue(rows);
  }
  void WriteIfDue(const std::vector<SummaryRow>& rows) {
    if (unwritten_ && std::chrono::steady_clock::now() - lastWrite_ >= std::chrono::seconds(1))
      Write(rows);
  }
  void Write(const std::vector<SummaryRow>& rows) {
    lastWrite_ = std::chrono::steady_clock::now();
    unwritten_ = false;
    try {
      ReplaceFile(csv_, SummaryCsv(rows));
      ReplaceFile(json_, SummaryJson(rows));
    } catch (const std::exception& e) {
      out_.Error(std::string("cannot write the summary: ") + e.what());
      failed_ = true;
    }
  }
  bool Failed() const { return failed_; }

 private:
  fs::path csv_;
  fs::path json_;
  Output& out_;
  std::chrono::steady_clock::time_point lastWrite_{};
  bool unwritten_ = false;
  bool failed_ = false;
};

int ExitCodeOfStop(int kind) {
  switch (kind) {
    case platform::kStopInterrupt:
      return 128 + 2;  // as a shell reports SIGINT
    case platform::kStopTerminate:
      return 128 + 15;
    case platform::kStopHangUp:
      return 128 + 1;
  }
  return 0;
}

// Runs the selected registers; returns the exit code.
int RunRegisters(const Options& options, const Fleet& fleet, const AttemptSetup& setup,
                 Selection& selection, SummaryFiles& summary, Output& out, StopRequests& stops) {
  std::vector<SummaryRow>& rows = selection.rows;
  SchedulerSettings settings;
  settings.jobs = options.jobs;
  settings.retries = options.retries;
  settings.retryBase = RetryBase();
  Scheduler scheduler(settings, selection.resources, selection.selected,
                      [&](std::size_t index, int, const std::atomic<bool>& stop) {
                        const FleetRegister& r = fleet.registers[index];
                        return RunAttempt(setup, r, fleet.commands.at(r.commandFile), stop);
                      });
  auto began = std::chrono::steady_clock::now();
  stops.Attach(&scheduler);
  scheduler.Run(
      [&](std::size_t index, const SummaryRow& row) {
        SummaryRow& kept = rows[index];
        SummaryRow finished = row;
        finished.name = kept.name;
        finished.connection = kept.connection;
        kept = std::move(finished);
        summary.Changed(rows);
        out.Finished(kept);
      },
      [&](const Progress& p) {
        summary.WriteIfDue(rows);
        out.Progress(
            p, std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
      });
  stops.Attach(nullptr);
  summary.Write(rows);

  std::vector<SummaryRow> failed;
  for (std::size_t i : selection.selected) {
    if (rows[i].result != "ok") failed.push_back(rows[i]);
  }
  out.Table(failed);
  if (int code = ExitCodeOfStop(stops.kind())) return code;
  if (!failed.empty() || summary.Failed()) return kExitFailed;
  return 0;
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
  try {
    Fleet fleet = ReadFleet(options.fleetFile);
    AttemptSetup setup = MakeSetup(options, fleet);
    fs::path csvPath =
        fs::absolute(options.summary ? fs::path(*options.summary) : setup.root / "summary.csv");
    Selection selection =
        Select(options, fleet, setup, ReadLastSummary(csvPath, options.failed, out));
    SummaryFiles summary(csvPath, out);
    return RunRegisters(options, fleet, setup, selection, summary, out, stops);
  } catch (const Refused& refused) {
    out.Error(refused.message);
    return kExitUsage;
  }
}

}  // namespace

int main(int argc, char** argv) {
  StopRequests stops;
  platform::WatchStopRequests([&stops](int kind) { stops.Request(kind); });
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = Run(args, stops);
  platform::RealProcess().Exit(code);
}
