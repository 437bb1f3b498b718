// Values of the program context changed for a nested run (a built-in job, an
// embedded command, reading the logo command file) and put back when the
// run's scope ends.
//
// Whether a failure puts them back is the caller's choice: a nested job's
// failure goes to the failure exit, which must see the nested job's settings
// (they decide its message boxes and log line), while reading a command file
// for a dialog must leave the window's state as it was either way.
#pragma once

#include <exception>
#include <tuple>

namespace tarvik::frame {

enum class Restore {
  kAlways,         // also when a failure unwinds through the scope
  kUnlessFailing,  // a failure leaves the changed values in place
};

template <typename... T>
class [[nodiscard]] ScopedValues {
 public:
  explicit ScopedValues(Restore when, T&... values)
      : when_(when), places_(values...), saved_(values...) {}
  ~ScopedValues() {
    if (kept_) return;
    if (when_ == Restore::kUnlessFailing && std::uncaught_exceptions() > exceptions_) return;
    places_ = saved_;
  }
  ScopedValues(const ScopedValues&) = delete;
  ScopedValues& operator=(const ScopedValues&) = delete;

  // The changed values stay, for example while a timed-out job still runs with them.
  void Keep() { kept_ = true; }

 private:
  Restore when_;
  std::tuple<T&...> places_;
  std::tuple<T...> saved_;
  int exceptions_ = std::uncaught_exceptions();
  bool kept_ = false;
};

}  // namespace tarvik::frame
