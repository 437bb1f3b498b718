#include "job/sample_files.h"

#include <string>

#include "frame/errors.h"
#include "frame/program_file.h"
#include "platform/lock_file.h"

namespace tarvik::job {
namespace {

struct Sample {
  const char* name;
  const char* content;
};

constexpr Sample kSamples[] = {
    {"glog1.cmx", "01,1,7,8,O,650,ERA\r\nW44;GLOGO1\r\n"},
    {"sklp.cmx", "01,1,7,8,O,650,ERA\r\nR65;X_SKL\r\n"},
    {"sregu.cmx", "01,1,7,8,O,650,ERA\r\nR14;X_REG\r\n"},
    {"sregd.cmx", "01,1,7,8,O,650,ERA\r\nV14;X_REG\r\n"},
    {"taxu.cmx", "01,1,7,8,O,650,ERA\r\nR30;P_TAX\r\n"},
    {"taxd.cmx", "01,1,7,8,O,650,ERA\r\nV30;P_TAX\r\n"},
    {"iglog1.cmx", "192.168.0.160,01,650 , ERA\r\nW44;GLOGO1\r\n"},
    // The clock and the VAT rates over TCP/IP; the IP dialog rewrites their
    // address with the other *.cmx files.
    {"isregu.cmx", "192.168.0.160,01,650 , ERA\r\nR14;X_REG\r\n"},
    {"isregd.cmx", "192.168.0.160,01,650 , ERA\r\nV14;X_REG\r\n"},
    {"taxui.cmx", "192.168.0.160,01,650 , ERA\r\nR30;P_TAX\r\n"},
    {"taxdi.cmx", "192.168.0.160,01,650 , ERA\r\nV30;P_TAX\r\n"},
};

}  // namespace

void WriteSampleCommandFiles(frame::Program& program) {
  // Each file is written under a name of this process's own and then given
  // its name only when no file has it: a window that starts beside a running
  // job never cuts a command file the job reads, and of two processes writing
  // the same file the first one wins whole.
  const std::string temporary = "cmx" + std::to_string(platform::CurrentProcessId()) + ".tmp";
  for (const Sample& sample : kSamples) {
    if (program.fs.Exists(program.MakeProgramPath(sample.name))) continue;
    frame::ProgramFile file =
        frame::ProgramFile::Open(program, temporary, frame::OpenMode::kCreate);
    file.Write(sample.content);
    file.Close();
    platform::OsError error = 0;
    if (!program.fs.Rename(program.MakeProgramPath(temporary), program.MakeProgramPath(sample.name),
                           &error)) {
      bool missing = false;
      program.fs.Remove(program.MakeProgramPath(temporary), &missing, &error);
      // Another process gave it the name first.
      const std::string path = program.MakeProgramPath(sample.name);
      if (!program.fs.Exists(path)) {
        frame::Fail(frame::error::kBuiltInCommandFileNotInPlace, error,
                    frame::FileContext(path, "nelze zapsat", error));
      }
    }
  }
}

}  // namespace tarvik::job
