// The goal stack of a proof in fol_assistant, with its history for undo.
//
// The open goals form a list whose LAST element is the current goal. Two
// parallel histories record, for every step, the goal list and the values
// of the existential variables, so that "undo" can take a step back.
//
//   Base b;
//   b.init_goals({f, 0});                      // one goal, no name
//   b.rm_goal(); b.add_goal_list(new_goals);   // a step...
//   b.add_goal_historic(b.current_goals()); b.add_evar_val_historic(fol::give_evar_val(ses));
//   b.undo_goals(ses);                         // ...taken back
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "fol/fol.h"

namespace assistant {

struct Goal {
  std::vector<std::pair<std::string, fol::Formula>>
      hyps;            // (name, formula), newest first; name may be ""
  fol::Formula concl;  // still to prove
  std::vector<std::pair<std::string, std::string>> evars;            // (name, existential key)
  std::vector<std::pair<std::string, std::vector<fol::Term>>> csts;  // (name, dependencies)
  std::string name;  // "" for the first goal of a proof
};

using GoalList = std::vector<Goal>;  // the current goal is the last one

class Base {
 public:
  Base();

  const GoalList& current_goals() const { return goals_; }

  // Starts a proof of f's formula (the key is ignored): one goal without
  // hypotheses or name; the histories start afresh.
  void init_goals(const fol::KFormula& f);
  // Steps both histories back by one and restores the goal list and the
  // existential-variable store of the step before. Side effects: replaces
  // the store of ses (the session of the assistant's logic). Asserts that
  // both histories hold a step to go back to.
  void undo_goals(fol::Session& ses);
  // Back to the state without a proof.
  void abort_goals();

  void add_goal_historic(const GoalList& goals);
  void add_evar_val_historic(const fol::EvarVals& vals);

  // Appends the goals at the end, in their order (the last becomes current).
  void add_goal_list(const GoalList& goals);
  // Removes / returns the current goal; support::Failure("no goal") when none.
  void rm_goal();
  const Goal& c_goal() const;
  // Makes the first goal (in list order) with this name the current one and
  // records the step. False, and nothing changes, when no goal has the name.
  bool sel_goal(const std::string& name);

  // The histories, newest LAST (tests and the invariant check).
  const std::vector<GoalList>& goal_history() const { return goal_history_; }
  const std::vector<fol::EvarVals>& value_history() const { return value_history_; }

 private:
  GoalList goals_;
  std::vector<GoalList> goal_history_;  // newest last; its last element == goals_ after a step
  std::vector<fol::EvarVals>
      value_history_;  // newest last; as long as goal_history_ during a proof
};

}  // namespace assistant
