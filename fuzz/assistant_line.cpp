// Fuzz entry: up to four lines through fol_assistant's loop step (the
// command reader, then the proof-language reader and checker when a line is
// no command, and the engine), on a fresh program state; several lines, so
// that a phrase can follow the goal it proves. Before each line the setting
// cells that "pset" fills get a small candidate list and weight limit, which
// keep a search to milliseconds, and no time limit, because libFuzzer owns
// the alarm signal and catches a hang itself.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "assistant/main.h"
#include "fol/fol.h"
#include "fuzz/common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The exit question reads standard input: it finds the end of input.
  static const bool no_input = [] {
    int fd = open("/dev/null", O_RDONLY);
    if (fd >= 0) dup2(fd, 0);
    return fd >= 0;
  }();
  (void)no_input;
  fuzz::discard_output();
  std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::SignalGuard guard;
  assistant::Main m;  // its logic owns the counters and existential values
  std::size_t pos = 0;
  for (int n = 0; n < 4 && pos <= text.size(); ++n) {
    std::size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? text.size() + 1 : nl + 1;
    m.maxcndts = 8;
    m.pdsmax_global = 20;
    m.timemax = 0;
    if (m.execute_line(line)) break;  // the line ended the program
  }
  support::pp().print_flush();
  return 0;
}
