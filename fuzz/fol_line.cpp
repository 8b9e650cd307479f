// Fuzz entry: one line through fol_prover's loop step (command reader,
// settings, engine), on a fresh program state. Before it, the user's own
// set commands keep the search to milliseconds; "set timemax 0" arms no
// alarm, because libFuzzer owns the alarm signal and catches a hang itself.
#include <string>

#include "folprover/main.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::discard_output();
  std::string line = fuzz::first_line(data, size);
  fuzz::SignalGuard guard;
  folprover::Main m;
  m.execute_line("set maxcndts 8");
  m.execute_line("set pdsmax_global 20");
  m.execute_line("set timemax 0");
  m.execute_line(line);
  support::pp().print_flush();
  return 0;
}
