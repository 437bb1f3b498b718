#include <string>

#include "frame/failure.h"

namespace tarvik::frame {

void WriteResultFiles(Program& program) {
  // What a calling program reads: one digit in err, the digits and CR LF in error.txt.
  const char* err = "1";
  const char* text = "9\r\n";
  switch (program.lastError.LastErrorCode) {
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
  platform::OsError error = 0;
  auto errFile = program.fs.Open(program.MakeProgramPath("err"), platform::Access::kWrite,
                                 platform::Creation::kCreateAlways, false, &error);
  if (!errFile) return;
  auto textFile = program.fs.Open(program.MakeProgramPath("error.txt"), platform::Access::kWrite,
                                  platform::Creation::kCreateAlways, false, &error);
  if (!textFile) return;
  // error.txt first: a caller polling for err then finds both complete.
  textFile->Write(text, std::char_traits<char>::length(text), &error);
  textFile.reset();
  errFile->Write(err, 1, &error);
}

}  // namespace tarvik::frame
