// The proof-language checker of fol_assistant, in two passes.
//
// `interprete_nc` walks a phrase against the current goal: it checks names
// and variables, builds the goal of every sub-proof and returns a check tree
// of obligations, without calling the prover. `parcourt_arbre` then walks
// that tree, stores the values that "set" gives, asks the engine to justify
// every step and pushes the goals that stay open.
//
//   CheckPtr t = interprete_nc(m, g, *phrase);   // NCErreur after a diagnostic
//   parcourt_arbre(m, *t);                       // open goals appended to m.base
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "assistant/base.h"
#include "assistant/main.h"
#include "assistant/parsernc.h"
#include "fol/fol.h"

namespace assistant {

struct CheckTree;
struct StepCheck;
using CheckPtr = std::shared_ptr<const CheckTree>;
using StepCheckPtr = std::shared_ptr<const StepCheck>;

// ---- check_tree ----
struct Open {  // a goal left to the user
  Goal goal;
};
struct Both {  // the proof of a claim, then the rest
  CheckPtr first, second;
};
struct Justify {  // one step with its hints, to be justified in `goal`
  Goal goal;
  std::vector<fol::Formula> hint_formulas;  // proved first, in this order
  std::vector<parsernc::NcByItem> hints;
  StepCheckPtr outcome;
};
struct Assign {  // a value for an existential variable, then the rest
  std::string name;
  std::string key;        // the variable's key in the goal
  fol::Term written;      // the term as the user wrote it
  fol::Term substituted;  // the same under the goal's display substitution
  CheckPtr rest;
};
struct CheckTree {
  std::variant<Open, Both, Justify, Assign> v;
};

// ---- step_check ----
struct Direct {};  // "trivial"
struct Deduced {
  std::vector<fol::Formula> formulas;
  CheckPtr rest;
};
struct Shown {  // a block with "show": the formulas it establishes
  std::vector<fol::Formula> formulas;
  std::vector<CheckPtr> parts;
};
struct Cases {  // a block without "show": its case formula
  fol::Formula formula;
  std::vector<CheckPtr> parts;
};
struct StepCheck {
  std::variant<Direct, Deduced, Shown, Cases> v;
};

// Checks phrase p against goal g (already taken off the goal list).
// Prints a diagnostic and throws NCErreur on a rejected phrase. Side
// effects: each "search" draws a key from m.next_number(); nothing else.
CheckPtr interprete_nc(Main& m, const Goal& g, const parsernc::NcProof& p);

// Justifies every step of t through the engine, in tree order. Side
// effects: stores the values of "set" in the existential-variable store;
// sets m.new_goals and m.new_goal_count and appends the open goals to
// m.base (the goal opened first becomes the current goal). A step the
// engine does not prove prints why and stays open; nothing is thrown for it.
void parcourt_arbre(Main& m, const CheckTree& t);

}  // namespace assistant
