// Unification with existential variables (never bound: an equation on one
// holds only through its stored value, or trivially), solving of
// triangular unifiers, literal unification up to bound names, and `unif`,
// the engine's unification of two literals under their clauses'
// constraints. Failure is std::nullopt throughout.
//
//   std::optional<Subst> e = unify_literals(ses, Subst(), p, q);
//   if (e) e = solve(ses, *e);  // idempotent: formsubst(ses, *e, p) == formsubst(ses, *e, q)
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/logic.h"
#include "fol/subst.h"

namespace fol {

// ---- Unification (failure is std::nullopt) ----

// true/false, or nullopt when x would occur inside its own value.
std::optional<bool> istriv(const Session& ses, const Subst& env, const std::string& x,
                           const Term& t);
std::optional<bool> istriv_e(const Session& ses, const Subst& env, const std::string& e,
                             const Term& t);
std::optional<Subst> unify(const Session& ses, Subst env, std::vector<std::pair<Term, Term>> eqs);
// Solves a triangular unifier; returns `env` itself (not its solved form)
// once solving reaches a fixed point. Refuses cycles, including cycles
// through stored existential values.
std::optional<Subst> solve(const Session& ses, const Subst& env);
std::optional<Subst> unify_literals(const Session& ses, const Subst& env, const Formula& p,
                                    const Formula& q);
// `exists` e t: e occurs in t, looking through stored values.
bool exists(const Session& ses, const std::string& e, const Term& t);
// `exists_cycles` e t: storing t as e's value would make a cycle.
bool exists_cycles(const Session& ses, const std::string& e, const Term& t);

// A necessary condition for unify_literals(p, q') with q' any renaming of
// q: no clash of connectives, quantifiers, predicates or function symbols
// (a variable, bound or free, or an existential variable matches anything).
bool may_unify(const Formula& p, const Formula& q);

using FolConstraintArg = engine::ConstraintArg<Constraints>;
using FolUnif = engine::UnifResult<KFormula, Subst, Constraints>;
std::optional<FolUnif> unif(const Session& ses, const FolConstraintArg& c, const KFormula& f1,
                            const KFormula& f2);

// unif without constraints or keys (the reduced variant's): the solved
// unifier of a and b, its height and a under it.
struct Solved {
  Subst env;
  int h;
  Formula f1;
};
std::optional<Solved> solve_pair(const Session& ses, const Formula& a, const Formula& b);

}  // namespace fol
