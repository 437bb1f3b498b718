// Records per second of both converters, for the PLU file (03, 45-byte
// records with a text field) and the journal-shaped file 87 (24 bytes, BCD
// only). Runs in a temporary program directory on the real file system.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "convert/format_table.h"
#include "convert/received.h"
#include "convert/send.h"
#include "convert/work_file.h"
#include "frame/program.h"
#include "frame/program_file.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "screen/front_end.h"

namespace tarvik::convert {
namespace {

constexpr int kRecords = 20000;

class Bench {
 public:
  Bench()
      : program_(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                 platform::RealProcess(), platform::RealConsole(), frontEnd_}) {
    char pattern[] = "/tmp/tarvik-bench-XXXXXX";
    dir_ = mkdtemp(pattern);
    program_.paths.programDirectory = dir_ + "/";
    program_.paths.hasProgramDirectory = true;
  }
  ~Bench() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  frame::Program& program() { return program_; }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
  }

  // A work file of canonical records for the file's field list.
  std::string WorkFile(std::uint8_t file) {
    const std::size_t length = BlockLength(program_, file);
    std::mt19937 rng(file);
    std::string work;
    for (int i = 1; i <= kRecords; ++i) {
      std::string record{static_cast<char>(i & 0xFF), static_cast<char>(i >> 8)};
      while (record.size() < length) {
        record.push_back(static_cast<char>((rng() % 10) << 4 | rng() % 10));
      }
      if (file == 0x03) {
        // The T18 field after L2 and N7: letters.
        for (std::size_t k = 9; k < 27; ++k) record[k] = static_cast<char>('A' + rng() % 26);
      }
      AppendWorkRecord(&work, record);
    }
    return work;
  }

 private:
  screen::SilentFrontEnd frontEnd_;
  frame::Program program_;
  std::string dir_;
};

void Receive(benchmark::State& state, std::uint8_t file) {
  Bench bench;
  bench.program().command.fileNumber = file;
  bench.Write("work01.tmp", bench.WorkFile(file));
  for (auto _ : state) {
    frame::ProgramFile work =
        frame::ProgramFile::Open(bench.program(), "work01.tmp", frame::OpenMode::kRead);
    frame::ProgramFile data =
        frame::ProgramFile::Open(bench.program(), "DATA.DAT", frame::OpenMode::kCreate);
    ConvertReceivedFile(bench.program(), work, data);
    data.Close();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void Send(benchmark::State& state, std::uint8_t file) {
  Bench bench;
  frame::Program& program = bench.program();
  program.command.fileNumber = file;
  program.command.dataFileName = "DATA.DAT";
  bench.Write("work01.tmp", bench.WorkFile(file));
  {
    frame::ProgramFile work =
        frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kRead);
    frame::ProgramFile data =
        frame::ProgramFile::Open(program, "DATA.DAT", frame::OpenMode::kCreate);
    ConvertReceivedFile(program, work, data);
  }
  for (auto _ : state) BuildSendFile(program);
  state.SetItemsProcessed(state.iterations() * kRecords);
}

BENCHMARK_CAPTURE(Receive, plu_03, std::uint8_t{0x03})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Receive, journal_87, std::uint8_t{0x87})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Send, plu_03, std::uint8_t{0x03})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Send, journal_87, std::uint8_t{0x87})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvik::convert

BENCHMARK_MAIN();
