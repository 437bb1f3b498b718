#include "frame/replacing_file.h"

#include "frame/errors.h"
#include "frame/status.h"

namespace tarvik::frame {

ReplacingFile::ReplacingFile(Program& program, std::string dataFileName)
    : program_(program), dataFileName_(std::move(dataFileName)) {
  file_ = ProgramFile::Open(program_, kReplacingWorkFile, OpenMode::kCreate);
}

ReplacingFile::~ReplacingFile() {
  if (committed_) return;
  file_ = ProgramFile();
  bool missing = false;
  platform::OsError error = 0;
  program_.fs.Remove(program_.MakeProgramPath(kReplacingWorkFile), &missing, &error);
}

void ReplacingFile::Commit() {
  file_.Close();
  platform::OsError error = 0;
  if (!program_.fs.Replace(program_.MakeProgramPath(kReplacingWorkFile),
                           program_.MakeProgramPath(dataFileName_), &error)) {
    ShowDebugMessage(program_, Format("\nOtevirany soubor je %s, chyba %u.", dataFileName_.c_str(),
                                      unsigned(error)));
    Fail(error::kFileNotOpened, error,
         FileContext(program_.MakeProgramPath(dataFileName_), "nelze nahradit novým obsahem",
                     error));
  }
  committed_ = true;
}

}  // namespace tarvik::frame
