// The small Logic entries on single formulas (size, signs, the renaming
// that keeps clauses apart, variable sets) and the decomposition rules with
// their Skolem terms and hint instances. The two fresh-name counters they
// advance live in the caller's Session.
//
//   Subst r = get_renaming_formula(ses, Subst(), f);  // var<n> for each free variable
//   std::vector<FolRule> rs = get_rules(ses, c, {f, 0}, true);
#pragma once

#include <string>
#include <vector>

#include "engine/logic.h"
#include "fol/lazy.h"
#include "fol/subst.h"

namespace fol {

// ---- Size, signs, renaming, variable sets ----

int size(const Session& ses, const Formula& f);
int term_size(const Session& ses, const Term& t);
bool is_true(const Formula& f);
bool negative_formula(const Formula& f);
Formula negate_formula(const Formula& f);
Formula elim_all_neg(const Formula& f);
// r extended with a fresh name var<n> for each free variable of f that r
// does not map yet. Side effects: advances ses.renamings by one per name.
Subst get_renaming_formula(Session& ses, const Subst& r, const Formula& f);
Formula rename_formula(const Session& ses, const Subst& r, const Formula& f);
// How many fresh names get_renaming_formula takes for fs in turn, from the
// empty renaming; ses.renamings is left as it was.
int count_fresh_names(Session& ses, const std::vector<Formula>& fs);
// Side effects: moves ses.renamings on by n, as if n names had been taken.
void skip_fresh_names(Session& ses, int n);
Subst vars_to_constants(const Names& vars);
bool is_empty_inter_varset(const Names& a, const Names& b);
Names union_varset(const Names& a, const Names& b);

// ---- Decomposition rules ----

using FolRule = engine::Decomposition<KFormula, Subst, Constraints>;
// Side effects: a Skolem rule advances ses.skolems by one.
std::vector<FolRule> get_rules(Session& ses, const Constraints& c, const KFormula& f, bool sign);
// The rules of both variants without the hint instances of the full one:
// (name, kind, formulas) in order. Side effects: as get_rules.
struct RuleParts {
  const char* name;
  int kind;
  std::vector<LazyFormula> formulas;
};
std::vector<RuleParts> decompose(Session& ses, const LazyFormula& f, bool sign);
engine::Indice indice_regle(const std::string& rule);

}  // namespace fol
