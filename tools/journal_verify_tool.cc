// journal_verify_tool: builds large journal files and verifies journal files,
// for scripts/bench-journal.sh until the program runs S87 jobs itself.
//
//   journal_verify_tool make FILE.txt MEGABYTES   appends rendered sections
//   journal_verify_tool verify FILE.txt           prints the damaged-section count
//   journal_verify_tool verify-portable FILE.txt  the same without SHA instructions
//
// Exit codes: 0 done (verify: intact), 1 failure, 2 usage, 3 damaged sections.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/journal_sample_records.h"
#include "convert/work_file.h"
#include "frame/codepage.h"
#include "frame/errors.h"
#include "frame/program.h"
#include "journal/journal_render.h"
#include "journal/journal_verify.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "ui/console_front_end.h"

using namespace tarvik;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: journal_verify_tool make FILE.txt MEGABYTES\n"
               "       journal_verify_tool verify|verify-portable FILE.txt\n");
  return 2;
}

int Make(frame::Program& program, const std::filesystem::path& file, long megabytes) {
  // The journal of STEM.DAT is STEM.txt only when the stem has no "." of its own.
  if (file.extension() != ".txt" || file.stem().string().find('.') != std::string::npos ||
      megabytes <= 0) {
    return Usage();
  }
  std::filesystem::path directory = std::filesystem::absolute(file).parent_path();
  program.paths.programDirectory = directory.string() + "/";
  program.paths.hasProgramDirectory = true;
  program.command.dataFileName = file.stem().string() + ".DAT";
  program.settings.cisniciplu = 0;

  // About one megabyte of journal per section.
  std::string work;
  for (const std::string& record : journal::SampleJournalRecords(2300)) {
    convert::AppendWorkRecord(&work, record);
  }
  const std::uintmax_t target = static_cast<std::uintmax_t>(megabytes) << 20;
  std::error_code error;
  while (std::filesystem::file_size(file, error) < target || error) {
    {
      frame::ProgramFile out =
          frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kCreate);
      out.Write(work);
      out.Close();
    }
    frame::ProgramFile in = frame::ProgramFile::Open(program, "work01.tmp", frame::OpenMode::kRead);
    journal::RenderJournal(program, in);
    error.clear();
  }
  std::printf("%s: %ju bytes\n", file.string().c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(file)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::Console& console = platform::RealConsole();
  ui::ConsoleFrontEnd frontEnd(console);
  frame::Program program(frame::Services{platform::RealFileSystem(), platform::SystemClock(),
                                         platform::RealProcess(), console, frontEnd});
  try {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 4) return Make(program, argv[2], std::atol(argv[3]));
    if ((command == "verify" || command == "verify-portable") && argc == 3) {
      frame::ProgramFile file = frame::ProgramFile::Open(program, argv[2], frame::OpenMode::kRead, true);
      int damaged = journal::VerifyJournalFile(
          file, journal::kVerifyBlockSize,
          command == "verify" ? journal::DigestEngine::kFastest : journal::DigestEngine::kPortable);
      std::printf("%d\n", damaged);
      return damaged ? 3 : 0;
    }
    return Usage();
  } catch (const frame::JobFailure& failure) {
    std::string context = frame::Cp1250ToUtf8(failure.context());
    std::fprintf(stderr, "journal_verify_tool: error %d, subcode %d%s%s\n", failure.code(),
                 failure.subcode(), context.empty() ? "" : " - ", context.c_str());
    return 1;
  }
}
