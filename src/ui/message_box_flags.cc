#include "ui/message_box_flags.h"

#include "screen/front_end.h"

namespace tarvik::ui {
namespace {

constexpr int kButtonsMask = 0x000F;
constexpr int kKnownMask = 0x0FFF;  // buttons, icon, default button
constexpr unsigned kSetForeground = 0x00010000;
constexpr unsigned kTopmost = 0x00040000;

constexpr int kButtonsOkCancel = 1;
constexpr int kButtonsAbortRetryIgnore = 2;
constexpr int kButtonsYesNoCancel = 3;
constexpr int kButtonsRetryCancel = 5;
constexpr int kAnswerAbort = 3;

}  // namespace

unsigned MessageBoxFlags(int style) {
  return static_cast<unsigned>(style & kKnownMask) | kSetForeground | kTopmost;
}

bool IsMessageBoxAnswer(int result) {
  return result >= 1 && result <= 11;
}

int UnshownAnswer(int style) {
  switch (style & kButtonsMask) {
    case screen::kStyleYesNo:
      return screen::kAnswerNo;
    case kButtonsOkCancel:
    case kButtonsYesNoCancel:
    case kButtonsRetryCancel:
      return screen::kAnswerCancel;
    case kButtonsAbortRetryIgnore:
      return kAnswerAbort;
    default:
      return screen::kAnswerOk;
  }
}

}  // namespace tarvik::ui
