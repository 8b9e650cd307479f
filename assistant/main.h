// The state of fol_assistant, shared by its command loop, its goal display
// and its proof-language checker for the life of the process: the engine
// bound to the full first-order logic, the settings handed to every proof
// attempt, the proof mode, and the two name generators.
//
//   Main m;                     // binds the engine; every setting absent
//   m.prover.prove(m.settings(), hyps, goal);
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "assistant/base.h"
#include "assistant/checker.h"
#include "assistant/parsermain.h"
#include "assistant/parsernc.h"
#include "engine/prover.h"
#include "fol/fol.h"

namespace assistant {

class Main {
 public:
  Main();
  Main(const Main&) = delete;
  Main& operator=(const Main&) = delete;

  // The engine instance on the full first-order logic (keyed formulas,
  // constraints, existential variables).
  fol::FolLogic logic;
  engine::Prover<fol::FolLogic> prover;

  // Settings 1-10, in the order of prove's arguments. Absent: the engine's
  // default (the current weight limit for pdsmax_global). Once set by
  // "pset", a value stays for the rest of the run.
  std::optional<engine::ResolutionMethod> resolution_method;  // never set by a command
  std::optional<bool> lazy_decomposition;                     // never set by a command
  std::optional<int> verbose;
  std::optional<int> step_prompt;  // never set by a command
  std::optional<int> maxcndts;
  std::optional<bool> splitting;
  std::optional<bool> check_subcase;
  std::optional<bool> trace_proof;
  std::optional<int> timemax;  // seconds
  std::optional<int> pdsmax_global;

  bool proof_in_progress = false;
  // The phrase read on this line; the empty proof once any other command
  // is given during a proof, so a phrase is checked exactly once.
  parsernc::ProofPtr pending_proof = parsernc::empty_proof();
  GoalList new_goals;      // the checker's open goals, newest first
  int new_goal_count = 0;  // goals made by the last step, as print_goals shows

  Base base;  // the goal stack and its history

  NameGenerator next_number{""};     // keys of existential variables: "1", "2", ...
  NameGenerator next_hyp_name{"#"};  // "#1", "#2", ...

  // Cells 1-10 as the settings of one proof attempt.
  engine::ProveSettings settings() const;
  // What the checker may use of this state, for one phrase.
  CheckContext check_context();

  // The read-eval loop on standard input. Returns the exit status: 0 after
  // "exit" and at end of input; 130 when interrupted at the prompt.
  int boucle();
  // One line as an iteration of the loop handles it, messages included;
  // the exit status when the line ends the program. May read the answer to
  // the exit question from standard input.
  std::optional<int> execute_line(const std::string& line);
  // Checks pending_proof against the current goal, as the loop does after
  // a phrase: the open goals are pushed and the step recorded, or the goal
  // is put back (and, on a failure other than NCErreur, the recorded
  // existential values restored) before the error goes on.
  void check_phrase();

 private:
  using Line = std::variant<parsermain::Command, parsernc::ProofPtr>;
  Line read(const std::string& line);
  // Carries out a command; returns the exit status when it ends the program.
  std::optional<int> command(const parsermain::Command& c);
  // The free-mode / proof-mode gate: false, with the answer printed, when
  // the command must wait for the other mode.
  bool mode_allows(const parsermain::Command& c);
  struct Run;  // one function per command kind (loop.cpp)
  // execute_line without the answers to a refused line or the end of input.
  std::optional<int> interpret(const std::string& line);
  std::optional<int> ask_exit();
};

}  // namespace assistant
