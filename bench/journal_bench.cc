// Rendering speed in records per second, and the digest and verification
// speed in bytes per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "bench/journal_sample_records.h"
#include "convert/work_file.h"
#include "frame/program.h"
#include "journal/journal_digest.h"
#include "journal/journal_names.h"
#include "journal/journal_render.h"
#include "journal/journal_verify.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "screen/front_end.h"

namespace tarvik::journal {
namespace {

// A program over a scratch directory holding the usual name tables.
struct Bench {
  Bench()
      : directory(std::filesystem::temp_directory_path() /
                  ("tarvik-journal-bench-" + std::to_string(::getpid()))),
        program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                platform::RealProcess(), platform::RealConsole(), frontEnd}) {
    std::filesystem::create_directories(directory);
    program.paths.programDirectory = directory.string() + "/";
    program.paths.hasProgramDirectory = true;
    program.command.dataFileName = "BENCH.DAT";
    Write("P_DPT.DAT",
          "0001;\"Potraviny         \"\r\n0002;\"Napoje            \"\r\n"
          "0003;\"Drogerie          \"\r\n");
    Write("P_OBSL.DAT", "0001;\"Novak             \"\r\n0002;\"Svoboda           \"\r\n");
    Write("P_PLAT.DAT", "0001;\"Hotovost          \"\r\n0002;\"Karta             \"\r\n");
    Write("P_TAX.DAT", "0001;2100;01\r\n0002;1500;01\r\n");
    std::string plu;
    for (int i = 0; i < 10000; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "%014d;\"Zbozi %-12d\"\r\n", i, i);
      plu += line;
    }
    Write("P_PLU.DAT", plu);
  }
  ~Bench() { std::filesystem::remove_all(directory); }

  void Write(const std::string& name, const std::string& bytes) {
    frame::ProgramFile file = frame::ProgramFile::Open(program, name, frame::OpenMode::kCreate);
    file.Write(bytes);
    file.Close();
  }

  std::filesystem::path directory;
  screen::SilentFrontEnd frontEnd;
  frame::Program program;
};

void BM_RenderRecords(benchmark::State& state) {
  Bench bench;
  JournalNameTables tables = LoadJournalNameTables(bench.program);
  std::vector<std::string> records = SampleJournalRecords(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    JournalRenderer renderer(bench.program, tables, RenderOptionsOf(bench.program.settings));
    for (const std::string& record : records) renderer.Render(record);
    benchmark::DoNotOptimize(renderer.lines().data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records.size()));
}
BENCHMARK(BM_RenderRecords)->Arg(1000)->Unit(benchmark::kMillisecond);

// The whole command: work file, name tables, section, signature and side files.
void BM_RenderJournal(benchmark::State& state) {
  Bench bench;
  std::vector<std::string> records = SampleJournalRecords(static_cast<int>(state.range(0)));
  std::string work;
  for (const std::string& record : records) convert::AppendWorkRecord(&work, record);
  for (auto _ : state) {
    state.PauseTiming();
    bench.Write("work01.tmp", work);
    bench.Write("BENCH.txt", "");
    frame::ProgramFile file =
        frame::ProgramFile::Open(bench.program, "work01.tmp", frame::OpenMode::kRead);
    state.ResumeTiming();
    RenderJournal(bench.program, file);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records.size()));
}
BENCHMARK(BM_RenderJournal)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Digest(benchmark::State& state) {
  std::string message(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) benchmark::DoNotOptimize(JournalDigestOf(message));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Digest)->Arg(1 << 20);

void BM_VerifyJournal(benchmark::State& state) {
  Bench bench;
  std::string work;
  for (const std::string& record : SampleJournalRecords(2000)) {
    convert::AppendWorkRecord(&work, record);
  }
  for (int section = 0; section < 8; ++section) {
    bench.Write("work01.tmp", work);
    frame::ProgramFile file =
        frame::ProgramFile::Open(bench.program, "work01.tmp", frame::OpenMode::kRead);
    RenderJournal(bench.program, file);
  }
  std::int64_t size =
      static_cast<std::int64_t>(std::filesystem::file_size(bench.directory / "BENCH.txt"));
  for (auto _ : state) {
    if (VerifyJournal(bench.program, "BENCH.txt", false) != 0) state.SkipWithError("damaged");
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_VerifyJournal)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvik::journal

BENCHMARK_MAIN();
