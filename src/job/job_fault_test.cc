// Whole windowless jobs over a file system whose k-th operation fails, for
// k = 1, 2, ... until a run meets no fault: every run either ends like the
// run without faults, data file for data file, or fails with a pair of the
// table, and never leaves a data file that is neither the old one nor the
// new one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <utility>

#include "frame/failure.h"
#include "job/job_runner.h"
#include "journal/journal_digest.h"
#include "support/link_test_support.h"
#include "support/test_support.h"

namespace tarvik::job {
namespace {

using testing::FailingFileSystem;
using Files = std::map<std::string, std::string>;

// An empty journal section, intact.
std::string EmptySection() {
  return "\r\n*P\r\n\r\n*Signature:\r\n" + journal::JournalDigestOf("") + "\r\n";
}

struct Scenario {
  std::string commandFile;
  Files dataFiles;      // the files the job rewrites, with what they hold before it
  Files inputs;         // files it only reads
  Files registerFiles;  // with any: the job talks to an emulated register on a pty
  std::vector<std::string> registerOptions;
  bool simulated = false;  // simulace and /k: no link at all
};

struct JobEnd {
  int exitCode = -1;
  frame::ErrorPair pair{};
  Files files;  // every file of the program directory afterwards
  std::string injectedAt;
  bool injected = false;
};

JobEnd RunJob(const Scenario& scenario, int failAt) {
  std::filesystem::path dir = testing::MakeTempDirectory("job-fault");
  std::filesystem::path registerDir = testing::MakeTempDirectory("job-fault-register");
  testing::WriteBinary(dir / "job.cmd", scenario.commandFile);
  for (const auto& [name, bytes] : scenario.dataFiles) testing::WriteBinary(dir / name, bytes);
  for (const auto& [name, bytes] : scenario.inputs) testing::WriteBinary(dir / name, bytes);

  FailingFileSystem fs(failAt);
  testing::FakeClock clock;
  testing::TestProcess process;
  testing::RecordingConsole console;
  testing::RecordingFrontEnd frontEnd;
  frame::Program program(frame::Services{fs, clock, process, console, frontEnd});
  program.paths.programDirectory = dir.string() + "/";
  program.paths.hasProgramDirectory = true;
  program.paths.commandFileName = "job.cmd";
  program.settings.jobRequested = 1;
  program.settings.zpozdeni = 0;
  program.settings.timeout = 1;
  program.settings.simulace = scenario.simulated;
  program.settings.noLink = scenario.simulated;

  auto emulator = std::make_unique<testing::EmulatedRegister>(registerDir);
  if (!scenario.registerFiles.empty()) {
    for (const auto& [name, bytes] : scenario.registerFiles) emulator->SetFile(name, bytes);
    std::vector<std::string> options = {"--no-save"};
    options.insert(options.end(), scenario.registerOptions.begin(), scenario.registerOptions.end());
    program.comDevice[1] = emulator->StartPty(options);
  }

  JobEnd end;
  {
    link::RegisterLink link(program);
    JobRunner runner(program, link);
    try {
      runner.StartJob();
      runner.WaitForJobThread();
      end.exitCode = runner.ProcessEnd().value_or(platform::ProcessEnding{-1}).code;
    } catch (const frame::JobFailure& failure) {
      try {
        frame::FatalError(program, failure);
      } catch (const platform::ProcessEnding& ending) {
        end.exitCode = ending.code;
      }
    }
  }
  emulator.reset();
  end.pair = {program.lastError.lastErrorCode, program.lastError.lastErrorSubcode};
  end.injected = fs.Injected();
  end.injectedAt = fs.InjectedAt();
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    end.files[entry.path().filename().string()] = testing::ReadBinary(entry.path());
  }
  std::filesystem::remove_all(dir);
  std::filesystem::remove_all(registerDir);
  return end;
}

std::string FileOf(const JobEnd& end, const std::string& name) {
  auto found = end.files.find(name);
  return found == end.files.end() ? "(missing)" : found->second;
}

// The pairs a failing file operation of these jobs may end in.
namespace error = frame::error;
constexpr frame::ErrorPair kFileFailures[] = {
    error::kFileNotOpened,              // also a file that cannot be put in place
    error::kFileNotOpenedForAppending,  // the log
    error::kFileNotRead,
    error::kFileNotWritten,
    error::kPluSalesFileNotOpened,  // S74
    error::kPluOutputNotMade,       // S74, S03, SE3
    error::kDataNotWritten,
    error::kCommandFileTooSmall,  // its size cannot be read
    error::kOldErrNotDeleted,
    error::kOldErrorTxtNotDeleted,
};

bool IsFileFailure(frame::ErrorPair pair) {
  return std::find(std::begin(kFileFailures), std::end(kFileFailures), pair) !=
         std::end(kFileFailures);
}

// Runs the scenario with a fault at every file operation in turn; returns
// the clean run and how many runs met a fault.
int CheckEveryFault(const Scenario& scenario, const JobEnd& clean) {
  int failAt = 1;
  for (;; ++failAt) {
    if (failAt == 5000) {
      ADD_FAILURE() << "the job does not end";
      break;
    }
    const JobEnd run = RunJob(scenario, failAt);
    if (!run.injected) {
      EXPECT_EQ(run.exitCode, 0);
      EXPECT_EQ(run.files, clean.files);
      break;
    }
    SCOPED_TRACE("fault " + std::to_string(failAt) + ": " + run.injectedAt);
    // Writing the result files: their temporary files or the rename into place.
    const bool inResultFiles =
        run.injectedAt.ends_with("/err.tmp") || run.injectedAt.ends_with("/error.tmp") ||
        (run.injectedAt.starts_with("replace ") &&
         (run.injectedAt.ends_with("/err") || run.injectedAt.ends_with("/error.txt")));
    if (run.exitCode == 0) {
      EXPECT_FALSE(inResultFiles);
      // A fault the job may pass over (a work file it could not delete) must
      // not change what it produced.
      for (const auto& [name, bytes] : scenario.dataFiles) {
        EXPECT_EQ(FileOf(run, name), FileOf(clean, name)) << name;
      }
      EXPECT_EQ(FileOf(run, "err"), "0");
    } else if (inResultFiles) {
      // The result files are the one report that cannot report its own
      // failure: the job ends with exit code 1 and leaves no err at all, so
      // that none of an earlier job passes for its result.
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(FileOf(run, "err"), "(missing)");
      for (const auto& [name, bytes] : scenario.dataFiles) {
        EXPECT_EQ(FileOf(run, name), FileOf(clean, name)) << name;
      }
    } else {
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_TRUE(IsFileFailure(run.pair)) << "ended with " << ::testing::PrintToString(run.pair);
      for (const auto& [name, before] : scenario.dataFiles) {
        const std::string after = FileOf(run, name);
        EXPECT_TRUE(after == before || after == FileOf(clean, name))
            << name << " is neither the old nor the new file: " << after;
      }
    }
  }
  return failAt - 1;
}

TEST(JobFaults, SimulatedReadWriteAndPluOperations) {
  Scenario s;
  s.simulated = true;
  s.commandFile =
      "01,1,7,8,O,650,ERA\r\n"
      "R03;P_PLU\r\n"  // served from P_PLU.DAS
      "V10;D10\r\n"    // D10.dat into work02.tmp, nothing sent
      "S74;NAMES\r\n"
      "S03;SALES\r\n"
      "SE3;SORTED\r\n"
      "S87;ZURNAL\r\n";
  s.dataFiles = {
      {"P_PLU.DAT", "00000000000077;\"OLD PLU\";00000100;00000000;00;00;00;00;00;00\r\n"},
      {"NAMES.dat", "an earlier S74 output\r\n"},
      {"SALES.dat", "an earlier S03 output\r\n"},
      {"SORTED.dat", "00000000000003;\"C\"\r\n00000000000001;\"A\"\r\n00000000000003;\"D\"\r\n"},
  };
  s.inputs = {
      {"P_PLU.DAS",
       "00000000000012;\"ROHLIK\";00000250;00000000;00;00;00;00;00;00\r\n"
       "00000000000013;\"CHLEBA\";00003900;00000000;00;00;00;00;00;00\r\n"},
      {"D10.dat", "0005;1234\r\n0006;5678\r\n"},
      {"S_PLU.DAT", "+00000000000002;00000000000012;+00000000000005;0;+0\r\n"},
      {"ZURNAL.txt", EmptySection()},
  };

  const JobEnd clean = RunJob(s, 0);
  ASSERT_EQ(clean.exitCode, 0) << ::testing::PrintToString(clean.pair);
  // The clean run did what the job asks, so the comparisons mean something.
  EXPECT_EQ(FileOf(clean, "err"), "0");
  EXPECT_EQ(FileOf(clean, "P_PLU.DAT"), s.inputs.at("P_PLU.DAS"));
  EXPECT_EQ(FileOf(clean, "NAMES.dat"),
            "+00000000000002;00000000000012;ROHLIK            ;+00000000000005;0;+0\r\n");
  EXPECT_EQ(FileOf(clean, "SALES.dat"),
            "00000000000012;\"ROHLIK\";00000250;00000000;+00000000000005;+00000000000002\r\n"
            "00000000000013;\"CHLEBA\";00003900;00000000;+00000000000000;+00000000000000\r\n");
  EXPECT_EQ(FileOf(clean, "SORTED.dat"), "00000000000001;\"A\"\r\n00000000000003;\"C\"\r\n");
  EXPECT_EQ(FileOf(clean, "P_PLU.BAK"), s.dataFiles.at("SORTED.dat"));
  EXPECT_GT(CheckEveryFault(s, clean), 40);
}

TEST(JobFaults, ReadsAccountsAndJournalFromARegister) {
  Scenario s;
  s.commandFile =
      "01,1,7,8,O,650,ERA\r\n"
      "R03;P_PLU\r\n"
      "U00;ACC\r\n"
      "R87;ZURNAL\r\n";
  s.dataFiles = {
      {"P_PLU.DAT", "00000000000077;\"OLD PLU\";00000100;00000000;00;00;00;00;00;00\r\n"},
      {"ACC.dat", "an earlier account download\r\n"},
      {"ucty.dat", "0009;0001;000000000100\r\n"},
      {"ZURNAL.txt", EmptySection()},
      {"CS_PLU.DAT", "sales of the last download\r\n"},
  };
  s.registerFiles = {
      {"03.dat",
       "00000000000012;\"ROHLIK            \";00000250;00000000;00;00;00;00;00;00;00;00;00;00\r\n"
       "00000000000013;\"CHLEBA            \";00003900;00000000;00;00;00;00;00;00;00;00;00;00\r\n"},
      {"89.dat", "0003;0002;000000004500\r\n"},
      {"91-3.dat", "00000002;00;01;00000000001234000000000250\r\n"},
      // A clerk sign-on and a PLU sale of 2.50.
      {"87.txt",
       "00 01 40 01 26 12 05 00 14 30 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
       "00 02 02 00 00 00 00 00 00 00 12 00 00 01 00 00 00 00 00 00 02 50 00 00\n"},
  };

  const JobEnd clean = RunJob(s, 0);
  ASSERT_EQ(clean.exitCode, 0) << ::testing::PrintToString(clean.pair);
  EXPECT_EQ(FileOf(clean, "P_PLU.DAT"), s.registerFiles.at("03.dat"));
  EXPECT_EQ(FileOf(clean, "ACC.dat"),
            "T;0003;0002;0000004500\r\nD;00000002;P;00000000001234;00000250\r\n");
  EXPECT_EQ(FileOf(clean, "ucty.dat"), "0003;0002;000000004500\r\n");
  // One more section, after the one that was there.
  const std::string journal = FileOf(clean, "ZURNAL.txt");
  EXPECT_EQ(journal.rfind(EmptySection(), 0), 0u);
  EXPECT_GT(journal.size(), EmptySection().size());
  EXPECT_GT(CheckEveryFault(s, clean), 40);
}

}  // namespace
}  // namespace tarvik::job
