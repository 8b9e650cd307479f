// fol_assistant: the interactive first-order assistant and proof checker.
// Reads commands and proof-language phrases on standard input, one per
// line; no arguments, files or environment.
#include <exception>
#include <iostream>

#include "assistant/main.h"
#include "engine/ptypes.h"
#include "support/bigstack.h"
#include "support/printer.h"

int main() {
  return support::run_with_big_stack([]() -> int {
    try {
      assistant::Main m;
      return m.boucle();
    } catch (const engine::InternalError& e) {
      // An internal inconsistency: report it like a failed assertion.
      support::pp().print_flush();
      std::cout.flush();
      std::cerr << "fol_assistant: internal error in " << e.file << std::endl;
      return 2;
    } catch (const std::exception& e) {
      support::pp().print_flush();
      std::cout.flush();
      std::cerr << "fol_assistant: fatal error: " << e.what() << std::endl;
      return 2;
    }
  });
}
