// What the job and the link may ask of whoever is watching: message boxes and
// their answers, the status screen's repaint, beeps, the activity icon and the
// caret. Implementations: a console one for windowless runs, the Qt window,
// the Windows system's boxes, a silent one, and a recording one for tests.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace tarvik::screen {

// Message-box styles and answers, with the numeric values of the Windows
// API: the Windows front end passes them through unchanged, and the others
// read the same numbers.
inline constexpr int kStyleOk = 0;
inline constexpr int kStyleYesNo = 4;
inline constexpr int kStyleStop = 16;
inline constexpr int kStyleQuestion = 32;
inline constexpr int kStyleExclamation = 48;
inline constexpr int kStyleInformation = 64;
inline constexpr int kDefaultSecondButton = 256;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

inline constexpr int kBeepSimple = -1;
inline constexpr int kBeepError = 16;

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // A box titled "Komunikace Tarvik"; text in Windows-1250. Returns the answer.
  virtual int ShowMessage(const std::string& text, int style) = 0;
  // The box of a failure. The failure exit has already written its text,
  // with the context, as one line to stderr: front ends that copy boxes to
  // stderr leave their copy out.
  virtual void ShowFailureMessage(const std::string& text, int style) { ShowMessage(text, style); }
  // Bytes just written to the status screen (Windows-1250), after the screen
  // model took them. A window repaints and returns once painted.
  virtual void TerminalWritten(std::string_view bytes) = 0;
  virtual void Beep(int type) = 0;
  virtual void ShowActivity() = 0;
  virtual void SetActivityIcon(bool first) = 0;
  virtual void HideActivity() = 0;
  virtual void SetCaret(bool on) = 0;
  virtual bool HasWindow() const { return false; }
};

// Nobody watching (the emulator, the tools, the benchmarks): every box takes
// OK and is only counted.
class SilentFrontEnd final : public FrontEnd {
 public:
  int ShowMessage(const std::string&, int) override {
    ++messages_;
    return kAnswerOk;
  }
  void TerminalWritten(std::string_view) override {}
  void Beep(int) override {}
  void ShowActivity() override {}
  void SetActivityIcon(bool) override {}
  void HideActivity() override {}
  void SetCaret(bool) override {}
  long Messages() const { return messages_; }

 private:
  std::atomic<long> messages_{0};
};

}  // namespace tarvik::screen
