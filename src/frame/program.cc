#include "frame/program.h"

namespace tarvik::frame {

JobSettings& JobSettings::operator=(const JobSettings& other) {
  if (this == &other) return *this;
  pripona_cmd = other.pripona_cmd;
  oddelovac = other.oddelovac;
  cislo_modem = other.cislo_modem;
  timeout = other.timeout;
  zpozdeni = other.zpozdeni;
  wait_modem = other.wait_modem;
  komunikace_modem = other.komunikace_modem;
  zvuk = other.zvuk;
  ticho = other.ticho;
  debug = other.debug;
  rawdebug = other.rawdebug;
  okno = other.okno;
  hlaseni = other.hlaseni;
  stahujvzdy = other.stahujvzdy;
  konverze = other.konverze;
  fiskal = other.fiskal;
  progress = other.progress;
  extend_journal = other.extend_journal;
  zurnal_radky = other.zurnal_radky;
  cislovani = other.cislovani;
  cisniciplu = other.cisniciplu;
  extraucty = other.extraucty;
  simulace = other.simulace;
  cekani_zamku = other.cekani_zamku;
  noLink = other.noLink;
  leaveDtr = other.leaveDtr;
  hangUpAfterJob.store(other.hangUpAfterJob.load());
  setClockOnly = other.setClockOnly;
  searchOnly = other.searchOnly;
  searchWithWindow = other.searchWithWindow;
  jobRequested = other.jobRequested;
  IniFileFound = other.IniFileFound;
  return *this;
}

Program::Program(const Services& services)
    : fs(services.fs),
      clock(services.clock),
      process(services.process),
      console(services.console),
      frontEnd(services.frontEnd) {}

std::string Program::MakeProgramPath(const std::string& name) const {
  if (paths.hasProgramDirectory) return paths.programDirectory + name;
  return name;
}

}  // namespace tarvik::frame
