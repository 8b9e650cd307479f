// Equality up to bound names, head symbols, and the two engine bindings of
// the first-order logic: FolLogic (fol_assistant) and FolBatchLogic
// (fol_prover), each with its own Session.
//
//   FolBatchLogic logic;
//   engine::Prover<FolBatchLogic> prover(logic);
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/logic.h"
#include "fol/lazy.h"
#include "fol/printfol.h"
#include "fol/rules.h"
#include "fol/unif.h"

namespace fol {

// ---- Equality, head symbol ----

// Equality up to the names of bound variables; free variables by name.
bool equal_formula(const Formula& a, const Formula& b);
Formula head_symbol(const Formula& f);

// ---- The engine bindings ----
//
// FolLogic is the full variant (fol_assistant): keyed formulas, constraints
// with instantiation tables, hint instances, existential variables.
// FolBatchLogic is the reduced variant (fol_prover): plain formulas, the
// constraints are the integer 0, no hint instances. Both share the code
// above: a fol_prover formula never holds an Evar (its reader cannot build
// one), and a Cst only as a rigid variable of a prove goal, so the term
// cases they add change no other output. The batch variant's formulas are
// LazyFormula, so that its ground instances (the Skolem instances of a
// closed goal) wait as pairs; the full variant builds every rule's formulas.
class FolLogic {
 public:
  using formula = KFormula;
  using substitution = Subst;
  using constraints = Constraints;
  using renaming = Renaming;
  using varset = Names;
  struct Metavar {};  // never thrown

  // This instance's counters and existential values: the assistant stores
  // and restores values through it.
  Session& session() { return session_; }
  const Session& session() const { return session_; }

  // The members follow the order of the `Logic` concept in engine/logic.h.
  constraints empty_constraints() { return {}; }
  formula apply_subst(const substitution& s, const formula& f) {
    return fol::apply_subst(session_, s, f);
  }
  std::optional<engine::UnifResult<formula, substitution, constraints>> unif(
      const engine::ConstraintArg<constraints>& c, const formula& a, const formula& b) {
    return fol::unif(session_, c, a, b);
  }
  int size(const formula& f) { return fol::size(session_, f.f); }
  bool is_true(const formula& f) { return fol::is_true(f.f); }
  bool negative_formula(const formula& f) { return fol::negative_formula(f.f); }
  formula negate_formula(const formula& f) { return {fol::negate_formula(f.f), f.key}; }
  formula elim_all_neg(const formula& f) { return {fol::elim_all_neg(f.f), f.key}; }
  renaming empty_renaming() { return {}; }
  renaming get_renaming_formula(const renaming& r, const formula& f) {
    return fol::get_renaming_formula(session_, r, f.f);
  }
  renaming get_renaming_constraints(const renaming& r, const constraints&) { return r; }
  formula rename_formula(const renaming& r, const formula& f) {
    return {fol::rename_formula(session_, r, f.f), f.key};
  }
  constraints rename_constraints(const renaming&, const constraints& c) { return c; }
  varset empty_varset() { return {}; }
  varset vars_of_formula(const formula& f) { return fol::free_vars(f.f); }
  substitution vars_to_constants(const varset& v) { return fol::vars_to_constants(v); }
  bool is_empty_inter_varset(const varset& a, const varset& b) {
    return fol::is_empty_inter_varset(a, b);
  }
  varset union_varset(const varset& a, const varset& b) { return fol::union_varset(a, b); }
  std::vector<engine::Decomposition<formula, substitution, constraints>> get_rules(
      const constraints& c, const formula& f, bool sign) {
    return fol::get_rules(session_, c, f, sign);
  }
  void print_formula(const formula& f) { fol::print_formula(session_, f.f); }
  void print_constraints(const constraints&) {}
  bool equal_formula(const formula& a, const formula& b) { return fol::equal_formula(a.f, b.f); }
  formula head_symbol(const formula& f) { return {fol::head_symbol(f.f), 0}; }
  bool hashed_equal(const formula& a, bool sa, const formula& b, bool sb) {
    return fol::equal_formula(a.f, b.f) && sa == sb;
  }
  std::size_t hashed_hash(const formula& f, bool s) { return f.f->alpha_hash() * 2 + (s ? 1 : 0); }
  engine::Indice indice_regle(const std::string& r) { return fol::indice_regle(r); }
  bool may_unify(const formula& a, const formula& b) { return fol::may_unify(a.f, b.f); }
  int count_fresh_names(const std::vector<formula>& fs) {
    std::vector<Formula> plain;
    plain.reserve(fs.size());
    for (const formula& f : fs) plain.push_back(f.f);
    return fol::count_fresh_names(session_, plain);
  }
  void skip_fresh_names(int n) { fol::skip_fresh_names(session_, n); }
  // Structural order of keyed formulas: the formula, then the key.
  int compare_structural(const formula& a, const formula& b) {
    int c = fol::compare(a.f, b.f);
    return c != 0 ? c : (a.key < b.key ? -1 : a.key > b.key ? 1 : 0);
  }

 private:
  Session session_;
};

class FolBatchLogic {
 public:
  using formula = LazyFormula;
  using substitution = Subst;
  using constraints = int;  // always 0
  using renaming = Renaming;
  using varset = Names;
  struct Metavar {};  // never thrown

  // This instance's counters (its store of existential values stays empty).
  Session& session() { return session_; }
  const Session& session() const { return session_; }

  // The members follow the order of the `Logic` concept in engine/logic.h.
  // Each gives what the same member on the built formulas would give; most
  // answer from the pair, and those that cannot build what they read.
  constraints empty_constraints() { return 0; }
  formula apply_subst(const substitution& s, const formula& f) {
    return f.built() ? formula(fol::formsubst(session_, s, f.base())) : apply_subst_pending(s, f);
  }
  std::optional<engine::UnifResult<formula, substitution, constraints>> unif(
      const engine::ConstraintArg<constraints>& c, const formula& a, const formula& b);
  int size(const formula& f) { return f.built() ? fol::size(session_, f.base()) : f.size(); }
  bool is_true(const formula& f) { return fol::is_true(f.base()); }
  bool negative_formula(const formula& f) { return fol::negative_formula(f.base()); }
  formula negate_formula(const formula& f) {
    return f.built() ? formula(fol::negate_formula(f.base())) : negate_pending(f);
  }
  formula elim_all_neg(const formula& f) {
    return f.built() ? formula(fol::elim_all_neg(f.base())) : elim_all_neg_pending(f);
  }
  renaming empty_renaming() { return {}; }
  renaming get_renaming_formula(const renaming& r, const formula& f) {
    return f.built() ? fol::get_renaming_formula(session_, r, f.base()) : renaming_pending(r, f);
  }
  renaming get_renaming_constraints(const renaming& r, const constraints&) { return r; }
  formula rename_formula(const renaming& r, const formula& f) {
    return f.built() ? formula(fol::rename_formula(session_, r, f.base())) : rename_pending(r, f);
  }
  constraints rename_constraints(const renaming&, const constraints& c) { return c; }
  varset empty_varset() { return {}; }
  varset vars_of_formula(const formula& f) { return f.free_vars(); }
  substitution vars_to_constants(const varset& v) { return fol::vars_to_constants(v); }
  bool is_empty_inter_varset(const varset& a, const varset& b) {
    return fol::is_empty_inter_varset(a, b);
  }
  varset union_varset(const varset& a, const varset& b) { return fol::union_varset(a, b); }
  std::vector<engine::Decomposition<formula, substitution, constraints>> get_rules(
      const constraints& c, const formula& f, bool sign);
  void print_formula(const formula& f) { fol::print_formula(session_, f.build()); }
  void print_constraints(const constraints&) {}
  bool equal_formula(const formula& a, const formula& b) {
    return a.built() && b.built() ? fol::equal_formula(a.base(), b.base()) : equal_pending(a, b);
  }
  formula head_symbol(const formula& f) { return fol::head_symbol(f.base()); }
  bool hashed_equal(const formula& a, bool sa, const formula& b, bool sb) {
    return equal_formula(a, b) && sa == sb;
  }
  std::size_t hashed_hash(const formula& f, bool s) { return f.alpha_hash() * 2 + (s ? 1 : 0); }
  engine::Indice indice_regle(const std::string& r) { return fol::indice_regle(r); }
  bool may_unify(const formula& a, const formula& b) {
    return a.built() && b.built() ? fol::may_unify(a.base(), b.base()) : may_unify_pending(a, b);
  }
  int count_fresh_names(const std::vector<formula>& fs);
  void skip_fresh_names(int n) { fol::skip_fresh_names(session_, n); }
  int compare_structural(const formula& a, const formula& b) {
    return a.built() && b.built() ? fol::compare(a.base(), b.base()) : compare_pending(a, b);
  }

 private:
  // The members above when a formula has a substitution pending.
  formula apply_subst_pending(const substitution& s, const formula& f);
  formula negate_pending(const formula& f);
  formula elim_all_neg_pending(const formula& f);
  renaming renaming_pending(const renaming& r, const formula& f);
  formula rename_pending(const renaming& r, const formula& f);
  bool equal_pending(const formula& a, const formula& b);
  bool may_unify_pending(const formula& a, const formula& b);
  int compare_pending(const formula& a, const formula& b);

  Session session_;
};

static_assert(engine::Logic<FolLogic>);
static_assert(engine::Logic<FolBatchLogic>);

}  // namespace fol
