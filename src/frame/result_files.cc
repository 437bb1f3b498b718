#include <string>

#include "frame/failure.h"
#include "platform/serial_port.h"

namespace tarvik::frame {
namespace {

// Writes `bytes` under `temporary` and moves that over `name`, so that a
// reader sees the old file or the whole new one. false with *error set.
bool WriteInPlace(Program& program, const char* temporary, const char* name,
                  const std::string& bytes, platform::OsError* error) {
  const std::string temporaryPath = program.MakeProgramPath(temporary);
  auto file = program.fs.Open(temporaryPath, platform::Access::kWrite,
                              platform::Creation::kCreateAlways, false, error);
  if (!file) return false;
  const bool written =
      file->Write(bytes.data(), bytes.size(), error) == static_cast<std::ptrdiff_t>(bytes.size());
  file.reset();
  if (written && program.fs.Replace(temporaryPath, program.MakeProgramPath(name), error)) {
    return true;
  }
  bool missing = false;
  platform::OsError ignored = 0;
  program.fs.Remove(temporaryPath, &missing, &ignored);
  return false;
}

}  // namespace

bool WriteResultFiles(Program& program) {
  // What a calling program reads: one digit in err, the digits and CR LF in error.txt.
  std::string err = "1";
  std::string text = "9\r\n";
  switch (program.lastError.lastErrorCode) {
    case 0:
      err = "0";
      text = "151\r\n";
      break;
    case 38:
      err = "2";
      break;
    case 4:
      err = "3";
      text = "8\r\n";
      break;
    default:
      break;
  }
  // error.txt first and err last: a caller polling for err then finds both
  // complete.
  platform::OsError error = 0;
  if (WriteInPlace(program, "error.tmp", "error.txt", text, &error) &&
      WriteInPlace(program, "err.tmp", "err", err, &error)) {
    return true;
  }

  // An err of an earlier job must not pass for this job's result.
  std::string stale;
  bool missing = false;
  platform::OsError removeError = 0;
  if (!program.fs.Remove(program.MakeProgramPath("err"), &missing, &removeError)) {
    stale = " Starý soubor err z dřívější úlohy nelze smazat (" +
            platform::SystemErrorText(removeError) + "); jeho obsah k této úloze nepatří.";
  }
  const std::string directory =
      program.paths.hasProgramDirectory ? program.paths.programDirectory : std::string("./");
  program.console.WriteStderr(
      "Komunikace Tarvik: Výsledkové soubory err a error.txt nelze zapsat do adresáře " +
      directory + " (" + platform::SystemErrorText(error) + "); úloha skončila s chybou " +
      std::to_string(program.lastError.lastErrorCode) + ", " +
      std::to_string(program.lastError.lastErrorSubcode) + "." + stale + "\n");
  return false;
}

}  // namespace tarvik::frame
