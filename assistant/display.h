// How fol_assistant shows its goals: the count of goals the last step made,
// then every open goal (the current one last), each as its hypotheses, a
// turnstile and the formula still to prove, in the names the user gave.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "assistant/base.h"
#include "fol/fol.h"

namespace assistant {

// The display substitution of a goal: each constant name to its Cst, then
// each existential variable's name to its Evar (so an existential variable
// wins over a constant of the same name), solved into idempotent form.
// Existential values are read from ses (the session of the assistant's logic).
fol::Subst do_subst(const fol::Session& ses,
                    const std::vector<std::pair<std::string, std::vector<fol::Term>>>& csts,
                    const std::vector<std::pair<std::string, std::string>>& evars);

// Prints one goal: each hypothesis, oldest first, on its own line in a
// horizontal box ("name:formula", or the formula alone for the empty name),
// then "|- " and the formula, then a blank line.
void print_goal(const fol::Session& ses, const Goal& g);

// Prints "No new goals", "1 new goal" or "<n> new goals", then each goal in
// list order, preceded by "Goal <name>" or an empty line.
void print_goals(const fol::Session& ses, int new_goal_count, const GoalList& goals);

}  // namespace assistant
