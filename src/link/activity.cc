#include "link/activity.h"

#include "screen/front_end.h"

namespace tarvik::link {

void Activity::CountFrame(unsigned period) {
  unsigned n = ++counter_;
  if (period != 0 && (n - 1) % period == 0) Tick(true);
}

void Activity::Tick(bool beep) {
  const frame::JobSettings& s = program_.settings;
  if (beep && !s.ticho) program_.frontEnd.Beep(s.zvuk);
  if (s.progress) {
    bool now = (toggle_.fetch_xor(1u) ^ 1u) != 0;
    program_.frontEnd.SetActivityIcon(now);
  }
}

void Activity::Show() {
  if (!program_.settings.progress) return;
  program_.frontEnd.ShowActivity();
  Tick(false);
}

void Activity::Hide() {
  if (program_.settings.progress) program_.frontEnd.HideActivity();
}

void Activity::ErrorBeep() {
  const frame::JobSettings& s = program_.settings;
  if (s.debug && !s.ticho) program_.frontEnd.Beep(screen::kBeepError);
}

}  // namespace tarvik::link
