// fol_prover: the batch first-order prover. Reads commands on standard
// input, one per line; no arguments, files or environment.
#include <exception>
#include <iostream>

#include "engine/ptypes.h"
#include "folprover/main.h"
#include "support/bigstack.h"
#include "support/printer.h"

int main() {
  return support::run_with_big_stack([]() -> int {
    try {
      folprover::Main m;
      return m.boucle();
    } catch (const engine::InternalError& e) {
      // An internal inconsistency: one line naming where, never an answer.
      support::pp().print_flush();
      std::cout.flush();
      std::cerr << "fol_prover: internal error in " << e.file << std::endl;
      return 2;
    } catch (const std::exception& e) {
      // Nothing the loop handles: report it like an uncaught exception.
      support::pp().print_flush();
      std::cout.flush();
      std::cerr << "fol_prover: fatal error: " << e.what() << std::endl;
      return 2;
    }
  });
}
