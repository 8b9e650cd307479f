// fol_prover: the batch first-order prover. Reads commands on standard
// input, one per line; no arguments, files or environment.
#include "folprover/main.h"
#include "support/bigstack.h"
#include "support/cmdloop.h"

int main() {
  return support::run_with_big_stack([]() -> int {
    return support::cmdloop::guarded("fol_prover", [] {
      folprover::Main m;
      return m.boucle();
    });
  });
}
