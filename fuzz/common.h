// Shared pieces of the fuzz entry points: output goes nowhere, an input is
// cut to its first line as the programs' line reader would give it, and the
// signal dispositions that the engine changes are put back after each run
// (libFuzzer keeps its own SIGALRM timer and SIGINT handler).
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "support/printer.h"

namespace fuzz {

// Sends the process-wide printer's output to a stream that drops it.
inline void discard_output() {
  static std::ostream sink(nullptr);
  support::pp().set_output(&sink);
}

// The bytes before the first '\n': one line of the programs' input.
inline std::string first_line(const std::uint8_t* data, std::size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  std::size_t nl = s.find('\n');
  if (nl != std::string::npos) s.resize(nl);
  return s;
}

// Restores SIGALRM and SIGINT as they were when it was made.
class SignalGuard {
 public:
  SignalGuard() {
    sigaction(SIGALRM, nullptr, &alrm_);
    sigaction(SIGINT, nullptr, &intr_);
  }
  ~SignalGuard() {
    sigaction(SIGALRM, &alrm_, nullptr);
    sigaction(SIGINT, &intr_, nullptr);
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  struct sigaction alrm_ {};
  struct sigaction intr_ {};
};

}  // namespace fuzz
