#include "fleet/attempt.h"

#include <thread>

#include "fleet/register_dir.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "platform/child_process.h"

namespace tarvik::fleet {
namespace {

using Clock = std::chrono::steady_clock;

std::string CommandFileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The last line a job wrote on stderr.
std::string LastMessage(const std::string& tail) {
  return OneLine(LastLine(DecodeFleetText(tail)));
}

// Result-file contents as a field of the summary.
std::string ResultText(const std::optional<std::string>& bytes) {
  return bytes ? OneLine(frame::Cp1250ToUtf8(*bytes)) : std::string();
}

}  // namespace

std::optional<std::string> MergedIni(const std::optional<std::string>& shared,
                                     const std::optional<std::string>& local) {
  if (!shared && !local) return std::nullopt;
  std::string text = shared.value_or("");
  if (local) {
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
    text += *local;
  }
  return text;
}

std::string EffectiveIni(const AttemptSetup& setup, const FleetRegister& r) {
  fs::path dir = setup.root / r.name;
  std::optional<std::string> local;
  if (fs::is_directory(dir)) local = ReadWhole(FileNoCase(dir, "tarvik.ini.local"));
  std::optional<std::string> merged = MergedIni(setup.sharedIni, local);
  if (merged) return *merged;
  if (fs::is_directory(dir)) return ReadWhole(FileNoCase(dir, "tarvik.ini")).value_or("");
  return {};
}

AttemptReport RunAttempt(const AttemptSetup& setup, const FleetRegister& r,
                         const std::string& commandBytes, const std::atomic<bool>& stop) {
  AttemptReport report;
  SummaryRow& row = report.row;
  fs::path dir = setup.root / r.name;
  std::string commandName = CommandFileName(r.commandFile);
  // One look at the directory finds the names as they are spelt there and
  // is the state the job's changes are measured against; the two files
  // written here are neither result files, logs nor data files.
  DirectorySnapshot before;
  try {
    fs::create_directories(dir);
    before = TakeSnapshot(dir);
    std::optional<std::string> local = ReadWhole(NamedIn(dir, before, "tarvik.ini.local"));
    if (std::optional<std::string> ini = MergedIni(setup.sharedIni, local))
      WriteWhole(NamedIn(dir, before, "tarvik.ini"), *ini);
    WriteWhole(NamedIn(dir, before, commandName),
               ReplaceConnectionLine(commandBytes, r.connectionText));
  } catch (const fs::filesystem_error& e) {
    row.message = "cannot prepare the register's directory " + dir.string() + ": " + e.what();
    return report;
  }

  platform::ChildSpec spec;
  spec.program = setup.tarvik;
  spec.argv0 = "tarvik";
  spec.args = {commandName};
  spec.workingDirectory = dir.string();
  std::string error;
  std::unique_ptr<platform::Child> child = platform::StartChild(spec, &error);
  if (!child) {
    row.message = "cannot start " + error;
    return report;
  }

  Clock::time_point deadline = Clock::now() + setup.timeout;
  bool asked = false;
  for (;;) {
    // Short waits, so that an interrupt of the whole run is seen soon.
    Clock::time_point until = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
    if (child->WaitUntil(until)) break;
    if (stop || Clock::now() >= deadline) {
      report.timedOut = !stop;
      child->Terminate();
      asked = true;
      break;
    }
  }
  if (asked && !child->WaitUntil(Clock::now() + setup.grace)) {
    child->Kill();
    child->WaitUntil(Clock::time_point::max());
  }

  platform::ChildEnd end = child->End();
  DirectorySnapshot after = TakeSnapshot(dir);
  AttemptFacts facts;
  facts.exited = end.exited;
  facts.exitCode = end.code;
  facts.errWritten = Changed(before, after, "err");
  facts.lockFilePresent = after.count("tarvik.lck") != 0;
  row.exitCode = end.exited ? std::to_string(end.code) : "signal " + std::to_string(end.code);
  if (facts.errWritten) {
    row.err = ResultText(ReadWhole(FileNoCase(dir, "err")));
    row.errorTxt = ResultText(ReadWhole(FileNoCase(dir, "error.txt")));
  }
  // The failure's pair from the log line this attempt wrote: the register's
  // own log, or error.log for a failure before the connection line was read.
  for (const std::string& log : {r.connection.logFileName, std::string("error.log")}) {
    if (!Changed(before, after, log)) continue;
    std::optional<std::string> text = ReadWhole(FileNoCase(dir, log));
    if (!text) continue;
    if (auto pair = LogLinePair(LastLine(*text))) {
      facts.hasPair = true;
      facts.code = pair->first;
      facts.subcode = pair->second;
      break;
    }
  }
  if (facts.hasPair && facts.code != 0) {
    row.errorCode = facts.code;
    row.errorSubcode = facts.subcode;
    row.errorText = std::string(frame::ErrorText(facts.code));
  }
  row.dataFiles = ChangedDataFiles(dir, before, after);
  report.verdict = Classify(facts);
  if (report.timedOut) report.verdict = Verdict::kFinal;
  if (report.verdict != Verdict::kOk) {
    // Why the fleet ended the job, or what else the job's own words miss,
    // followed by the job's last line on stderr.
    std::string last = LastMessage(child->StderrTail());
    std::string reason;
    if (report.timedOut) {
      reason =
          "stopped after the time limit of " +
          std::to_string(std::chrono::duration_cast<std::chrono::seconds>(setup.timeout).count()) +
          " s (--timeout)";
    } else if (asked) {
      reason = "stopped by an interrupt of the fleet";
    } else if (last.empty() && !facts.errWritten && facts.lockFilePresent) {
      reason = "the register's directory was locked by another job";
    } else if (last.empty() && !end.exited) {
      reason = "ended by signal " + std::to_string(end.code);
    }
    row.message = reason.empty() ? last : last.empty() ? reason : reason + ": " + last;
  }
  return report;
}

}  // namespace tarvik::fleet
