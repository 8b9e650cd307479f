// Propositional formulas and the propositional logic the engine runs on.
//
// Formulas are immutable and hash-consed: equal formulas share one node, so
// equality is a pointer test, while the hash and the order stay structural.
//
//   prop::Formula f = prop::imp(prop::atom("p"), prop::neg(prop::atom("q")));
//   prop::PropLogic logic;  logic.print_formula(f);   // p -> ~q
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/logic.h"

namespace prop {

// Constant constructors first, then the others in declared order: this is
// the structural order of formulas.
enum class Kind : unsigned char { True, False, Iff, Imp, Or, And, Not, Atom };

struct Node;  // interned node, never freed

class Formula {
 public:
  Formula();  // True

  Kind kind() const;
  Formula left() const;             // binary cases
  Formula right() const;            // binary cases
  Formula sub() const;              // Not
  const std::string& name() const;  // Atom
  int size() const;                 // cached; saturates at INT_MAX
  int depth() const;                // cached; constants and atoms have depth 1
  std::size_t hash() const;         // structural, cached

  // Hash-consing makes structural equality an identity test.
  bool operator==(const Formula& o) const { return n_ == o.n_; }

 private:
  friend Formula make(Kind, const Formula*, const Formula*, const std::string*);
  explicit Formula(const Node* n) : n_(n) {}
  const Node* n_;
};

// Constructors ("and", "or", "true", "false" are C++ keywords).
Formula true_();
Formula false_();
Formula atom(const std::string& name);
Formula neg(const Formula& f);
Formula and_(const Formula& a, const Formula& b);
Formula or_(const Formula& a, const Formula& b);
Formula imp(const Formula& a, const Formula& b);
Formula iff(const Formula& a, const Formula& b);

// Printing priority: Iff 1, Imp 2, Or 3, And 4, Not 5, atoms and constants 6.
int prio(const Formula& f);
// Structural three-way order: -1, 0 or 1.
int compare_structural(const Formula& a, const Formula& b);
bool is_false(const Formula& f);
// The printed text, as print_formula writes it (tests and messages).
std::string to_string(const Formula& f);

// The interface's opaque types: a propositional formula has no variables,
// so each of them is the one empty value.
struct Substitution {
  bool operator==(const Substitution&) const = default;
};
struct Constraints {
  bool operator==(const Constraints&) const = default;
};
struct Renaming {
  bool operator==(const Renaming&) const = default;
};
struct Varset {
  bool operator==(const Varset&) const = default;
};

// The logic record. Its members follow the order of the `Logic` concept in
// engine/logic.h.
class PropLogic {
 public:
  using formula = Formula;
  using substitution = Substitution;
  using constraints = Constraints;
  using renaming = Renaming;
  using varset = Varset;
  struct Metavar {};  // never thrown: every propositional formula has a sign
  using Unif = engine::UnifResult<Formula, Substitution, Constraints>;
  using Rule = engine::Decomposition<Formula, Substitution, Constraints>;

  // A failed unification is the empty optional of `unif`.
  Constraints empty_constraints() const { return {}; }
  Formula apply_subst(const Substitution&, const Formula& f) const { return f; }
  std::optional<Unif> unif(const engine::ConstraintArg<Constraints>& c, const Formula& f1,
                           const Formula& f2) const;
  int size(const Formula& f) const { return f.size(); }
  bool is_true(const Formula& f) const { return f.kind() == Kind::True; }
  bool negative_formula(const Formula& f) const;
  Formula negate_formula(const Formula& f) const;
  Formula elim_all_neg(const Formula& f) const;
  Renaming empty_renaming() const { return {}; }
  Renaming get_renaming_formula(const Renaming& r, const Formula&) const { return r; }
  Renaming get_renaming_constraints(const Renaming& r, const Constraints&) const { return r; }
  Formula rename_formula(const Renaming&, const Formula& f) const { return f; }
  Constraints rename_constraints(const Renaming&, const Constraints& c) const { return c; }
  Varset empty_varset() const { return {}; }
  Varset vars_of_formula(const Formula&) const { return {}; }
  Substitution vars_to_constants(const Varset&) const { return {}; }
  bool is_empty_inter_varset(const Varset&, const Varset&) const { return true; }
  Varset union_varset(const Varset&, const Varset&) const { return {}; }
  std::vector<Rule> get_rules(const Constraints&, const Formula& f, bool sign) const;
  void print_formula(const Formula& f) const;
  void print_constraints(const Constraints&) const {}
  bool equal_formula(const Formula& a, const Formula& b) const { return a == b; }
  Formula head_symbol(const Formula& f) const;
  bool hashed_equal(const Formula& a, bool sa, const Formula& b, bool sb) const {
    return a == b && sa == sb;
  }
  std::size_t hashed_hash(const Formula& f, bool sign) const {
    return f.hash() * 31u + (sign ? 1u : 0u);
  }
  engine::Indice indice_regle(const std::string&) const { return std::nullopt; }

  int compare_structural(const Formula& a, const Formula& b) const {
    return prop::compare_structural(a, b);
  }
  // Unification is equality and a renaming changes nothing.
  bool may_unify(const Formula& a, const Formula& b) const { return a == b; }
  int count_fresh_names(const std::vector<Formula>&) const { return 0; }
  void skip_fresh_names(int) const {}
};

}  // namespace prop

template <>
struct std::hash<prop::Formula> {
  std::size_t operator()(const prop::Formula& f) const { return f.hash(); }
};

static_assert(engine::Logic<prop::PropLogic>);
