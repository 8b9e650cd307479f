// fol_prover's loop: reads one command per line on standard input, keeps
// the settings, and hands axioms and prove requests to the engine bound to
// the first-order logic.
//
//   folprover::Main m;
//   return m.boucle();   // 0 after an exit word, non-zero at end of input
#pragma once

#include <optional>
#include <string>

#include "engine/prover.h"
#include "fol/fol.h"
#include "folprover/command.h"

namespace folprover {

// Reads the text of one formula with the first-order syntax; nullopt when
// it does not read (bad character, syntax, nesting too deep, reserved name).
std::optional<fol::Formula> analyse_proposition(const std::string& text);

// Tokenises and parses one line. Throws CommandError, FormulaError or Failure.
Command<fol::Formula> parse_line(const std::string& line);

class Main {
 public:
  Main();

  // The read-dispatch loop. Returns 0 after an exit word; at end of input
  // (or an interrupt at the prompt) flushes standard output, says so on
  // standard error and returns non-zero, without the farewell.
  int boucle();

  // Handles one line as an iteration of the loop does, messages included.
  // Returns the exit status when the line ends the program.
  std::optional<int> execute_line(const std::string& line);

  // The settings a prove request passes, from the cells and the method.
  engine::ProveSettings settings(std::optional<engine::ResolutionMethod> method) const;

  const engine::Prover<fol::FolBatchLogic>& prover() const { return prover_; }

 private:
  // Carries out one command; the exit status when it ends the program.
  std::optional<int> execute(const Command<fol::Formula>& c);
  std::vector<engine::Hypothesis<fol::FolBatchLogic>> hypotheses(
      const std::vector<Hyp<fol::Formula>>& hs);

  fol::FolBatchLogic logic_;
  engine::Prover<fol::FolBatchLogic> prover_;  // bound to logic_ for the life of the process

  // Setting cells: absent until a set command fills them, never reset.
  // No command sets lazy_decomposition or step_prompt, and there is no
  // method cell: a prove without a method passes it absent.
  engine::ProveSettings cells_;
};

}  // namespace folprover
