// fol_assistant: the interactive first-order assistant and proof checker.
// Reads commands and proof-language phrases on standard input, one per
// line; no arguments, files or environment.
#include "assistant/main.h"
#include "support/bigstack.h"
#include "support/cmdloop.h"

int main() {
  return support::run_with_big_stack([]() -> int {
    return support::cmdloop::guarded("fol_assistant", [] {
      assistant::Main m;
      return m.boucle();
    });
  });
}
