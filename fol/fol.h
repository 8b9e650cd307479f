// First-order terms and formulas, substitution, unification with existential
// variables, decomposition rules, printing and the two engine bindings.
//
// Terms and formulas are immutable and hash-consed: two values are
// structurally equal exactly when they are the same node, so `==` is a
// pointer test, while `compare` is the structural, address-free order.
//
//   Formula f = mk_forall("x", mk_atom("p", {mk_var("x")}));
//   Subst s = Subst().add("y", mk_fn("c", {}));
//   Session ses;                       // normally a logic instance's session()
//   Formula g = formsubst(ses, s, f);
//
// State: the node bank is a process-wide interning cache of immutable
// values, used by one thread at a time (the command loop's). Everything a
// session changes as it goes (the two fresh-name counters and the values of
// existential variables) lives in a `Session` owned by the logic instance
// and handed by reference to each function that reads or writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "engine/logic.h"
#include "fol/lib.h"

namespace support {
class Printer;
}

namespace fol {

// ---- Shared nodes ----

class TermNode;
class FormNode;

// Intrusive, non-atomic counted handle to a hash-consed node; a node leaves
// the bank when its last handle goes.
template <class N>
class Ref {
 public:
  Ref() = default;
  explicit Ref(const N* p) : p_(p) { inc(); }
  Ref(const Ref& o) : p_(o.p_) { inc(); }
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(const Ref& o) {
    Ref t(o);
    std::swap(p_, t.p_);
    return *this;
  }
  Ref& operator=(Ref&& o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() { dec(); }

  const N* get() const { return p_; }
  const N* operator->() const { return p_; }
  const N& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Structural equality (hash-consing makes it identity).
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }

 private:
  void inc() const {
    if (p_) ++p_->rc_;
  }
  void dec() {
    if (p_ && --p_->rc_ == 0) N::release(p_);
  }
  const N* p_ = nullptr;
};

using Term = Ref<TermNode>;
using Formula = Ref<FormNode>;

// Declared order is the structural order of the cases.
enum class TermKind : std::uint8_t { Var, Fn, Bvar, Cst, Evar };
enum class FormKind : std::uint8_t { False, True, Atom, Not, And, Or, Imp, Iff, Forall, Exists };

class TermNode {
 public:
  TermKind kind() const { return kind_; }
  const std::string& name() const { return name_; }  // Var, Fn, Bvar, Cst name; Evar shown name
  const std::string& key() const { return key_; }    // Evar key (empty otherwise)
  const std::vector<Term>& args() const { return args_; }  // Fn arguments, Cst dependencies
  std::size_t hash() const { return hash_; }               // structural, address-free
  bool has_var() const { return has_var_; }                // a Var occurs outside Cst dependencies
  bool has_evar() const { return has_evar_; }        // an Evar occurs outside Cst dependencies
  bool has_bvar() const { return has_bvar_; }        // a Bvar occurs outside Cst dependencies
  std::size_t alpha_hash() const { return ahash_; }  // ignores Var names
  int structural_size() const { return size_; }      // size with every Evar counted 1

 private:
  friend class Ref<TermNode>;
  friend struct Bank;
  static void release(const TermNode* n);
  TermKind kind_;
  bool has_var_ = false, has_evar_ = false, has_bvar_ = false;
  int size_ = 1;  // Evar counted 1; saturates
  std::string name_, key_;
  std::vector<Term> args_;
  std::size_t hash_ = 0, ahash_ = 0;  // ahash_ ignores Var names
  mutable std::size_t rc_ = 0;
};

class FormNode {
 public:
  FormKind kind() const { return kind_; }
  const std::string& name() const { return name_; }  // Atom predicate; Forall/Exists bound variable
  const std::vector<Term>& args() const { return args_; }  // Atom arguments
  const Formula& left() const { return a_; }   // Not operand; binary left; quantifier body
  const Formula& right() const { return b_; }  // binary right
  const Formula& body() const { return a_; }   // Not operand; quantifier body
  std::size_t hash() const { return hash_; }   // structural, address-free
  std::size_t alpha_hash() const {
    return ahash_;
  }  // ignores every variable name: agrees with equal_formula
  bool has_var() const { return has_var_; }  // some Var occurs (free or not)
  bool has_evar() const { return has_evar_; }
  bool has_bvar() const { return has_bvar_; }
  int structural_size() const { return size_; }  // size with every Evar counted 1
  // Free variables, sorted byte by byte; computed once per node.
  const std::vector<std::string>& free_vars() const;

 private:
  friend class Ref<FormNode>;
  friend struct Bank;
  static void release(const FormNode* n);
  FormKind kind_;
  bool has_var_ = false, has_evar_ = false, has_bvar_ = false;
  int size_ = 1;  // Evar counted 1; saturates
  std::string name_;
  std::vector<Term> args_;
  Formula a_, b_;
  std::size_t hash_ = 0, ahash_ = 0;
  mutable std::size_t rc_ = 0;
  mutable std::optional<std::vector<std::string>> fv_;
};

// ---- Construction (the only way to make nodes) ----

Term mk_var(const std::string& x);
Term mk_fn(const std::string& f, std::vector<Term> args);
Term mk_bvar(const std::string& x);
Term mk_cst(const std::string& c, std::vector<Term> deps);
Term mk_evar(const std::string& key, const std::string& name);

Formula mk_false();
Formula mk_true();
Formula mk_atom(const std::string& p, std::vector<Term> args);
Formula mk_not(Formula p);
Formula mk_and(Formula p, Formula q);
Formula mk_or(Formula p, Formula q);
Formula mk_imp(Formula p, Formula q);
Formula mk_iff(Formula p, Formula q);
Formula mk_forall(const std::string& x, Formula p);
Formula mk_exists(const std::string& x, Formula p);
// A binary connective or quantifier by kind (kind must fit the arguments).
Formula mk_binary(FormKind k, Formula p, Formula q);
Formula mk_quant(FormKind k, const std::string& x, Formula p);

// Structural order: -1, 0 or 1 (cases in declared order, then fields from
// the left; names byte by byte; lists element by element, shorter first).
int compare(const Term& a, const Term& b);
int compare(const Formula& a, const Formula& b);

// The alpha hash the bank gives a node, from its own fields and then each
// part's alpha hash in order (arguments, then operands): a walk can hash a
// formula it does not build.
std::size_t alpha_seed(TermKind k, const std::string& name, const std::string& key);
std::size_t alpha_seed(FormKind k, const std::string& name);
std::size_t alpha_step(std::size_t h, std::size_t part);

// Live nodes in the bank, and how many Cst and Evar nodes were ever made
// (lets tests check that the batch variant never makes them).
struct BankStats {
  std::size_t terms = 0, formulas = 0;
  std::size_t cst_evar_made = 0;
};
BankStats bank_stats();

// An internal inconsistency (a Bvar where none can be): throws
// engine::InternalError naming the file "fol".
[[noreturn]] void assert_failure();

// ---- Keyed formulas, constraints ----

// The formula that crosses the engine interface in fol_assistant.
struct KFormula {
  Formula f;
  int key = 0;
};

struct KeyItem {
  int key;
};
struct InstanceItem {
  std::string var;
  Term term;
};
using ConstraintItem = std::variant<KeyItem, InstanceItem>;
using Group = std::vector<ConstraintItem>;
struct TableEntry {
  int key;
  std::vector<Group> groups;
};
// (instantiation table, bindings); the empty value is ({}, {}).
struct Constraints {
  std::vector<TableEntry> table;
  std::vector<std::pair<std::string, Term>> bindings;  // (existential key, value); first wins
};

using Subst = Fpf<std::string, Term>;    // keys: Var names and Evar keys
using Names = std::vector<std::string>;  // a set: sorted byte by byte, no repetition

// ---- The state of one logic instance ----

// Values of existential variables as (key, value) pairs, most recent first.
using EvarVals = std::vector<std::pair<std::string, Term>>;

// What a proof session changes as it goes, apart from the node bank: the
// two fresh-name counters and the store of existential-variable values.
// One Session belongs to one logic instance (FolLogic, FolBatchLogic) and
// is handed by reference to each function below that reads or writes it,
// as E hands its term bank around; two instances share nothing.
//
// Invariant: neither counter is ever reset, not by `init` and not between
// proofs, so each var<n> and x_cst_<n> name is taken once in a session.
class Session {
 public:
  // The number of the last name taken; 0 while none is.
  int renamings = 0;  // var1, var2, ... (get_renaming_formula)
  int skolems = 0;    // x_cst_1, ... (get_rules, Skolem terms)

 private:
  friend void set_evar_val(Session& ses, const EvarVals& vals);
  friend EvarVals give_evar_val(const Session& ses);
  friend void add_evar_val(Session& ses, const std::string& key, const Term& t);
  friend const Term* evar_value(const Session& ses, const std::string& key);
  EvarVals evars_;  // oldest first: the most recent pair is at the back
};

// Side effects: replaces the whole store of ses.
void set_evar_val(Session& ses, const EvarVals& vals);
EvarVals give_evar_val(const Session& ses);  // the current store
// Side effects: puts (key, t) in front of the store of ses.
void add_evar_val(Session& ses, const std::string& key, const Term& t);
// The stored value of a key (the most recent pair), or nullptr; nullptr
// too when the chain of bare existential variables from key loops.
const Term* evar_value(const Session& ses, const std::string& key);

// ---- Free variables and substitution ----

Names fvt(const Term& t);
Names free_vars(const Formula& f);
std::string variant(std::string x, const Names& vars);
// Every function from here on that takes a Session reads its stored
// existential values (an Evar with a value stands for that value).
Term termsubst(const Session& ses, const Subst& s, const Term& t);
// Capture-avoiding: a crossed binder is renamed when an image mentions it.
Formula formsubst(const Session& ses, const Subst& s, const Formula& f);
Formula formsubstq(const Session& ses, const Subst& s, FormKind q, const std::string& x,
                   const Formula& p);
KFormula apply_subst(const Session& ses, const Subst& s, const KFormula& f);
// The goal of a prove request with each free variable x made the constant
// Cst(x, []), which prints as x: one arbitrary individual. Left a variable,
// x would be read existentially once the goal is negated, and
// p(x) -> forall y. p(y) would be proved.
Formula rigid_free_vars(const Session& ses, const Formula& f);

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

// ---- Formulas with a substitution still to apply ----

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
  Formula build() const;
  // The same pair: equal without a walk.
  static bool same(const LazyFormula& a, const LazyFormula& b);

  // Facts of the built formula, found without building it.
  bool closed() const;  // no free variable
  Names free_vars() const;
  int size() const;  // structural size: no Evar to read
  std::size_t alpha_hash() const;

  // Structural equality of the built formulas.
  friend bool operator==(const LazyFormula& a, const LazyFormula& b);

 private:
  // Shared by the copies of one pair, counted like the nodes (Ref).
  struct Pending {
    Subst s;                             // not empty; every image ground
    mutable std::optional<bool> closed;  // each fact found on first ask
    mutable std::optional<int> size;
    mutable std::optional<std::size_t> ahash;
    mutable std::size_t rc_ = 0;
    static void release(const Pending* p) { delete p; }
  };
  LazyFormula(Formula base, const Pending* p) : base_(std::move(base)), pending_(p) {}
  static LazyFormula pair(Formula g, Subst s, bool closed);
  Formula base_;
  Ref<Pending> pending_;  // null when built
};

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

// ---- Printing (through the given printer; no boxes, no line ends) ----

// An existential variable prints as its value in ses, or as "name?".
using AtomPrinter = std::function<void(const Session&, support::Printer&, int, const std::string&,
                                       const std::vector<Term>&)>;
void print_fargs(const Session& ses, support::Printer& p, const std::string& name,
                 const std::vector<Term>& args);
void print_term(const Session& ses, support::Printer& p, int level, const Term& t);
void print_atom(const Session& ses, support::Printer& p, int level, const std::string& pred,
                const std::vector<Term>& args);
void print_formul(const Session& ses, support::Printer& p, const AtomPrinter& atom, int level,
                  const Formula& f);
// print_formul at level 0.
void formula_printer(const Session& ses, support::Printer& p, const AtomPrinter& atom,
                     const Formula& f);
// print_formul with print_atom at level 0, on the process-wide printer.
void print_formula(const Session& ses, const Formula& f);
void printert(const Session& ses, const Term& t);
// The printed text of a formula on one line (no breaks taken).
std::string to_string(const Session& ses, const Formula& f);
std::string to_string(const Session& ses, const Term& t);

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
  using renaming = Subst;
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
  using renaming = Subst;
  using varset = Names;
  struct Metavar {};  // never thrown

  // This instance's counters (its store of existential values stays empty).
  Session& session() { return session_; }
  const Session& session() const { return session_; }

  // The members follow the order of the `Logic` concept in engine/logic.h.
  // Each gives what the same member on the built formulas would give; most
  // answer from the pair, and those that cannot build what they read.
  constraints empty_constraints() { return 0; }
  formula apply_subst(const substitution& s, const formula& f);
  std::optional<engine::UnifResult<formula, substitution, constraints>> unif(
      const engine::ConstraintArg<constraints>& c, const formula& a, const formula& b);
  int size(const formula& f) { return f.built() ? fol::size(session_, f.base()) : f.size(); }
  bool is_true(const formula& f) { return fol::is_true(f.base()); }
  bool negative_formula(const formula& f) { return fol::negative_formula(f.base()); }
  formula negate_formula(const formula& f);
  formula elim_all_neg(const formula& f);
  renaming empty_renaming() { return {}; }
  renaming get_renaming_formula(const renaming& r, const formula& f);
  renaming get_renaming_constraints(const renaming& r, const constraints&) { return r; }
  formula rename_formula(const renaming& r, const formula& f);
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
  bool equal_formula(const formula& a, const formula& b);
  formula head_symbol(const formula& f) { return fol::head_symbol(f.base()); }
  bool hashed_equal(const formula& a, bool sa, const formula& b, bool sb) {
    return equal_formula(a, b) && sa == sb;
  }
  std::size_t hashed_hash(const formula& f, bool s) { return f.alpha_hash() * 2 + (s ? 1 : 0); }
  engine::Indice indice_regle(const std::string& r) { return fol::indice_regle(r); }
  bool may_unify(const formula& a, const formula& b);
  int count_fresh_names(const std::vector<formula>& fs);
  void skip_fresh_names(int n) { fol::skip_fresh_names(session_, n); }
  int compare_structural(const formula& a, const formula& b);

 private:
  Session session_;
};

static_assert(engine::Logic<FolLogic>);
static_assert(engine::Logic<FolBatchLogic>);

}  // namespace fol
