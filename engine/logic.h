// The interface between the proof engine and a logic.
//
// A logic is a type whose members follow the record of 27 entries that the
// engine is instantiated on, in the record's order. The engine never looks
// inside a formula, a substitution, a constraint set, a renaming or a
// variable set: it only stores, passes and compares them through these
// members. A failed unification is a value (an empty optional), never a
// thrown exception: it is the commonest outcome of the inner loop.
#pragma once

#include <concepts>
#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace engine {

// An index: an optional float (absent, or present with a value).
using Indice = std::optional<double>;

// The constraint argument of `unif` and the constraint outcome of its
// result: no constraint, one constraint set, or the sets of both clauses.
template <class C>
struct NoConstraint {};
template <class C>
struct OneConstraint {
  C c;
};
template <class C>
struct TwoConstraints {
  C c1;
  C c2;
};
template <class C>
using ConstraintArg = std::variant<NoConstraint<C>, OneConstraint<C>, TwoConstraints<C>>;

// Result of a successful unification: six fields, in the record's order.
template <class F, class S, class C>
struct UnifResult {
  int depth = 0;             // passed unchanged to the resolvent's weight
  S subst;                   // applied to the rest of both clauses
  ConstraintArg<C> outcome;  // same case as the argument
  C constraints;             // constraints of the resolvent
  F unified;                 // first formula with the substitution applied
  std::vector<F> extra;      // further literals of the resolvent
};

// One element of what `get_rules` returns.
template <class F, class S, class C>
struct Decomposition {
  std::string rule;         // rule name, e.g. "+and"
  int kind = 1;             // weight parameter of the new clause
  S subst;                  // applied to the rest of the clause
  C constraints;            // constraints of the new clause
  std::vector<F> formulas;  // replace the decomposed literal
};

// clang-format off
template <class L>
concept Logic = requires {
  typename L::formula;
  typename L::substitution;
  typename L::constraints;
  typename L::renaming;
  typename L::varset;
  typename L::Metavar;  // thrown when a formula's sign cannot be decided (never by our logics)
} && std::copyable<typename L::formula> &&
requires(L& l, const typename L::formula& f, const typename L::formula& g,
         const typename L::substitution& s, const typename L::constraints& c,
         const typename L::renaming& r, const typename L::varset& v,
         const ConstraintArg<typename L::constraints>& ca, const std::string& name, bool sign,
         const std::vector<typename L::formula>& fs, int n) {
  // A failed unification is the empty optional of `unif`.
  { l.empty_constraints() } -> std::same_as<typename L::constraints>;
  { l.apply_subst(s, f) } -> std::same_as<typename L::formula>;
  { l.unif(ca, f, g) } -> std::same_as<std::optional<UnifResult<
        typename L::formula, typename L::substitution, typename L::constraints>>>;
  { l.size(f) } -> std::same_as<int>;
  { l.is_true(f) } -> std::same_as<bool>;
  { l.negative_formula(f) } -> std::same_as<bool>;
  { l.negate_formula(f) } -> std::same_as<typename L::formula>;
  { l.elim_all_neg(f) } -> std::same_as<typename L::formula>;
  { l.empty_renaming() } -> std::same_as<typename L::renaming>;
  { l.get_renaming_formula(r, f) } -> std::same_as<typename L::renaming>;
  { l.get_renaming_constraints(r, c) } -> std::same_as<typename L::renaming>;
  { l.rename_formula(r, f) } -> std::same_as<typename L::formula>;
  { l.rename_constraints(r, c) } -> std::same_as<typename L::constraints>;
  { l.empty_varset() } -> std::same_as<typename L::varset>;
  { l.vars_of_formula(f) } -> std::same_as<typename L::varset>;
  { l.vars_to_constants(v) } -> std::same_as<typename L::substitution>;
  { l.is_empty_inter_varset(v, v) } -> std::same_as<bool>;
  { l.union_varset(v, v) } -> std::same_as<typename L::varset>;
  { l.get_rules(c, f, sign) } -> std::same_as<std::vector<Decomposition<
        typename L::formula, typename L::substitution, typename L::constraints>>>;
  { l.print_formula(f) } -> std::same_as<void>;
  { l.print_constraints(c) } -> std::same_as<void>;
  { l.equal_formula(f, g) } -> std::same_as<bool>;
  { l.head_symbol(f) } -> std::same_as<typename L::formula>;
  { l.hashed_equal(f, sign, g, sign) } -> std::same_as<bool>;  // a hashed table's equality
  { l.hashed_hash(f, sign) } -> std::same_as<std::size_t>;  // and its hash
  { l.indice_regle(name) } -> std::same_as<Indice>;
  // Beyond the record: a structural three-way order (-1, 0, 1; declared
  // constructor order, constants first).
  { l.compare_structural(f, g) } -> std::same_as<int>;
  // Beyond the record, so that a pair that cannot unify costs little: a
  // quick necessary condition (false: `unif` of f with any renaming of g
  // fails), how many fresh names a renaming of some formulas would take,
  // and the fresh-name counter moved on by that many without taking them.
  { l.may_unify(f, g) } -> std::same_as<bool>;
  { l.count_fresh_names(fs) } -> std::same_as<int>;
  { l.skip_fresh_names(n) } -> std::same_as<void>;
};
// clang-format on

template <Logic L>
using UnifOf = UnifResult<typename L::formula, typename L::substitution, typename L::constraints>;
template <Logic L>
using DecompositionOf =
    Decomposition<typename L::formula, typename L::substitution, typename L::constraints>;
template <Logic L>
using ConstraintArgOf = ConstraintArg<typename L::constraints>;

}  // namespace engine
