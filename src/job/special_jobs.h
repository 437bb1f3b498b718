// Operations that combine register transfers with the special data files:
// the account download ("U"), run inside a job, and the clock setting and the
// VAT loading, which run built-in jobs from the caller's thread and wait for
// them (10 seconds each).
#pragma once

#include "frame/program.h"
#include "job/job_runner.h"
#include "link/link.h"

namespace tarvik::job {

// "U": the account list (file 89) into ucty.dat, then for one account
// (accountNumber) or all (0): select it through file 67 and read its items
// (file 91) into the command's data file. An account not in the list leaves
// no data file.
void DownloadAccounts(frame::Program& program, link::RegisterLink& link);
void DownloadAccount(frame::Program& program, link::RegisterLink& link, frame::ProgramFile& data,
                     std::int64_t account, std::int64_t second, std::int64_t third);

// Reads register file 14 through sregu.cmx (isregu.cmx after a TCP/IP job),
// puts the PC's date and time into x_reg.dat and writes it back through
// sregd.cmx (isregd.cmx).
void SetRegisterClock(frame::Program& program, JobRunner& runner);

// Reads the tax file through taxu.cmx (taxui.cmx), changes rate vat1 to vat3
// and vat2 to vat4, and writes it back through taxd.cmx (taxdi.cmx).
void LoadVatRates(frame::Program& program, JobRunner& runner, int vat1, int vat2, int vat3,
                  int vat4);

// Whether the marker file tk says the last job used TCP/IP.
bool LastJobUsedNetwork(frame::Program& program);

}  // namespace tarvik::job
