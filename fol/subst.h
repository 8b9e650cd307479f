// Free variables and capture-avoiding substitution. A substitution maps
// Var names and Evar keys to terms; an Evar with a stored value stands for
// that value, so every function here that takes a Session reads its store.
//
//   Subst s = Subst().add("y", mk_fn("c", {}));
//   Formula g = formsubst(ses, s, f);  // f itself when s reaches no free y
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fol/formula.h"
#include "fol/lib.h"
#include "fol/session.h"

namespace fol {

using Subst = Fpf<std::string, Term>;  // keys: Var names and Evar keys

// ---- Rebuilding what changed ----

// g applied to each argument: the new list when some argument changed,
// nullopt when none did, so that the caller keeps its node (and unchanged
// subterms stay shared). Substitution, renaming and unification's
// placeholders all walk argument lists this way.
template <class G>
std::optional<std::vector<Term>> map_args(const std::vector<Term>& args, G&& g) {
  // Nothing is allocated until an argument changes: most calls change none.
  for (std::size_t i = 0; i < args.size(); ++i) {
    Term a = g(args[i]);
    if (a == args[i]) continue;
    std::vector<Term> out;
    out.reserve(args.size());
    out.insert(out.end(), args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
    out.push_back(std::move(a));
    for (++i; i < args.size(); ++i) out.push_back(g(args[i]));
    return out;
  }
  return std::nullopt;
}

// One step of a walk that rebuilds a formula from its parts: the arguments
// of an atom through `term`, the operands of Not and of a binary connective
// through `sub` (the walk itself), and f itself when no part changed. The
// walk handles quantifiers (and constants) itself: f must be neither.
template <class TermFn, class SubFn>
Formula map_parts(const Formula& f, TermFn&& term, SubFn&& sub) {
  switch (f->kind()) {
    case FormKind::Atom: {
      std::optional<std::vector<Term>> a = map_args(f->args(), term);
      return a ? mk_atom(f->name(), std::move(*a)) : f;
    }
    case FormKind::Not: {
      Formula p = sub(f->left());
      return p == f->left() ? f : mk_not(std::move(p));
    }
    default: {
      Formula p = sub(f->left());
      Formula q = sub(f->right());
      return (p == f->left() && q == f->right()) ? f
                                                 : mk_binary(f->kind(), std::move(p), std::move(q));
    }
  }
}

// ---- Free variables and substitution ----

Names fvt(const Term& t);
Names free_vars(const Formula& f);
std::string variant(std::string x, const Names& vars);
// Every function from here on that takes a Session reads its stored
// existential values (an Evar with a value stands for that value).
Term termsubst(const Session& ses, const Subst& s, const Term& t);
// Capture-avoiding: a crossed binder is renamed when an image mentions it.
Formula formsubst(const Session& ses, const Subst& s, const Formula& f);
KFormula apply_subst(const Session& ses, const Subst& s, const KFormula& f);
// The goal of a prove request with each free variable x made the constant
// Cst(x, []), which prints as x: one arbitrary individual. Left a variable,
// x would be read existentially once the goal is negated, and
// p(x) -> forall y. p(y) would be proved.
Formula rigid_free_vars(const Session& ses, const Formula& f);

}  // namespace fol
