// prop_prover: the propositional prover's command loop. Reads one command a
// line after the prompt ">>> " and answers through the shared printer.
//
//   return prop::run_prop_prover();   // on a big stack (support/bigstack.h)
#pragma once

#include <optional>
#include <string>

#include "engine/prover.h"
#include "propprover/parsermain.h"
#include "propprover/prop.h"

namespace prop {

// The setting cells are the engine's own ten optional settings: all absent
// at start-up, filled by set commands and by a prove naming a method, never
// reset (not even by init).
class Main {
 public:
  Main() : prover_(logic_) {}

  // Handles one line as an iteration of the loop does, messages included.
  // Returns the exit status when the line ends the program.
  std::optional<int> execute_line(const std::string& line);

  const engine::Prover<PropLogic>& prover() const { return prover_; }

 private:
  // One command; the exit status when it ends the program.
  std::optional<int> dispatch(const Command& c);

  PropLogic logic_;
  engine::Prover<PropLogic> prover_;
  engine::ProveSettings cells_;
};

// Runs the loop until an exit word (status 0) or the end of input (non-zero
// status, a short message on stderr). Call it on a big stack (support/bigstack.h).
int run_prop_prover();

}  // namespace prop
