// Formulas with a ground substitution still to apply, the batch variant's
// formulas: an instance of a long quantifier prefix costs one binding, not
// a copy of the rest of the prefix.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "fol/fpf.h"
#include "fol/subst.h"

namespace fol {

// The substitution a pair waits with: a tree, not a Subst, because the
// instances of one quantifier prefix share all but their last binding,
// where flat copies would cost the square of the prefix.
using GroundSubst = Fpf<std::string, Term>;

// formsubst(s, base) kept as the pair until something needs the formula
// itself. An instance of a long quantifier prefix then costs one binding
// more than the instance before it, not a new copy of the rest of the
// prefix: the bank holds that rest once, for all of them.
//
// Only a ground s waits (no image holds a Var, an Evar or a Bvar) over a
// base without Evar or Bvar: such a substitution renames no binder and
// reads no stored value, so it only replaces the free occurrences of its
// variables, and the pair can be taken apart (operands, bodies, further
// ground instances) without building anything. Facts about the built
// formula (free variables, size, alpha hash) come from walks over the pair
// and are kept once found.
//
//   LazyFormula g = LazyFormula::delay(ses, body, Subst().add("x", mk_fn("c", {})));
//   g.base();  // body: the built formula has its connective
//   g.build(); // formsubst(ses, {x -> c()}, body)
class LazyFormula {
 public:
  LazyFormula() = default;
  // A built formula, nothing pending: implicit, since every formula is one.
  LazyFormula(Formula f) : base_(std::move(f)) {}

  // formsubst(ses, s, base): kept as the pair when s may wait (see above),
  // else built at once. Small formulas are built at once too: walking them
  // costs less than carrying s along.
  static LazyFormula delay(const Session& ses, Formula base, const Subst& s);
  // g under f's substitution, g being made of the operands of f's base
  // (no binder of the base crossed).
  static LazyFormula part(const LazyFormula& f, Formula g);
  // g under q's substitution inside q's binder, g being made of the body of
  // q's base (a quantifier on x): x is free in g and stays so.
  static LazyFormula inside(const LazyFormula& q, Formula g);
  // inside(q, g) with x then replaced by t; kept as a pair when t is ground.
  static LazyFormula instance(const Session& ses, const LazyFormula& q, Formula g, const Term& t);

  // The connective, predicate or quantifier (with its variable) on top of
  // base is that of the built formula.
  const Formula& base() const { return base_; }
  bool built() const { return !pending_; }
  Formula build() const { return pending_ ? build_pair() : base_; }
  // The same pair: equal without a walk.
  static bool same(const LazyFormula& a, const LazyFormula& b);

  // Facts of the built formula, found without building it.
  bool closed() const;  // no free variable
  Names free_vars() const;
  int size() const;  // structural size: no Evar to read
  std::size_t alpha_hash() const { return pending_ ? pair_alpha_hash() : base_->alpha_hash(); }

  // Structural equality of the built formulas.
  friend bool operator==(const LazyFormula& a, const LazyFormula& b);

 private:
  // Shared by the copies of one pair, counted like the nodes (Ref).
  struct Pending {
    GroundSubst s;                       // not empty; every image ground
    mutable std::optional<bool> closed;  // each fact found on first ask
    mutable std::optional<int> size;
    mutable std::optional<std::size_t> ahash;
    mutable std::size_t rc_ = 0;
    static void release(const Pending* p) { delete p; }
  };
  LazyFormula(Formula base, const Pending* p) : base_(std::move(base)), pending_(p) {}
  static LazyFormula pair(Formula g, GroundSubst s, bool closed);
  Formula build_pair() const;
  std::size_t pair_alpha_hash() const;
  Formula base_;
  Ref<Pending> pending_;  // null when built
};

}  // namespace fol
