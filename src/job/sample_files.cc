#include "job/sample_files.h"

#include "frame/program_file.h"

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
};

}  // namespace

void WriteSampleCommandFiles(frame::Program& program) {
  for (const Sample& sample : kSamples) {
    if (program.fs.Exists(program.MakeProgramPath(sample.name))) continue;
    frame::ProgramFile file = frame::ProgramFile::Open(program, sample.name, 'w');
    file.Write(sample.content);
    file.Close();
  }
}

}  // namespace tarvik::job
