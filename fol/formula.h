// Terms and formulas of first-order logic, and the bank that makes them:
// values are immutable and hash-consed, so two are structurally equal
// exactly when they are the same node (`==` is a pointer test), while
// `compare` is the structural, address-free order. The bank is a
// process-wide cache, used by one thread at a time (the command loop's).
//
//   Formula f = mk_forall("x", mk_atom("p", {mk_var("x")}));
//   f->kind() == FormKind::Forall;  f->body()->args()[0] == mk_var("x");
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
using Names = std::vector<std::string>;  // a set: sorted byte by byte, no repetition

// Declared order is the structural order of the cases.
enum class TermKind : std::uint8_t { Var, Fn, Bvar, Cst, Evar };
enum class FormKind : std::uint8_t { False, True, Atom, Not, And, Or, Imp, Iff, Forall, Exists };

// A name as the nodes hold it: one per text among the names of live nodes
// (interned by the bank), shared by every node that carries it, so the
// bank compares names by identity and a node rebuilt with another node's
// name neither hashes nor compares its text.
struct Name {
  std::string text;
  std::size_t hash = 0;        // of the text; address-free
  mutable std::size_t rc = 0;  // nodes that carry it
};

class TermNode {
 public:
  TermKind kind() const { return kind_; }
  // Var, Fn, Bvar, Cst name; Evar shown name.
  const std::string& name() const { return name_->text; }
  const std::string& key() const { return key_->text; }  // Evar key (empty otherwise)
  // Whether o has the same name: names are interned, so one test of identity.
  bool same_name(const TermNode& o) const { return name_ == o.name_; }
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
  const Name* name_;
  const Name* key_;  // the empty name but for an Evar
  std::vector<Term> args_;
  std::size_t hash_ = 0, ahash_ = 0;  // ahash_ ignores Var names
  mutable std::size_t rc_ = 0;
};

// What a formula node learns about its free variables when first asked.
struct FreeVarCache {
  std::vector<const TermNode*> ordered;            // Var nodes, as a walk first meets them
  std::optional<std::vector<std::string>> sorted;  // their names, byte by byte
};

class FormNode {
 public:
  FormKind kind() const { return kind_; }
  // Atom predicate; Forall/Exists bound variable.
  const std::string& name() const { return name_->text; }
  bool same_name(const FormNode& o) const { return name_ == o.name_; }  // one test of identity
  const std::vector<Term>& args() const { return args_; }               // Atom arguments
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
  // The free variables as Var nodes (which live as long as this node), in
  // the order a walk from the left, outside in, first meets them; Cst
  // dependencies and stored values are not entered. Computed once per node.
  const std::vector<const TermNode*>& free_var_nodes() const;

 private:
  friend class Ref<FormNode>;
  friend struct Bank;
  static void release(const FormNode* n);
  FormKind kind_;
  bool has_var_ = false, has_evar_ = false, has_bvar_ = false;
  int size_ = 1;      // Evar counted 1; saturates
  const Name* name_;  // the empty name but for an Atom or a quantifier
  std::vector<Term> args_;
  Formula a_, b_;
  std::size_t hash_ = 0, ahash_ = 0;
  mutable std::size_t rc_ = 0;
  mutable std::unique_ptr<FreeVarCache> fv_;  // on the nodes asked only
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
// The node of like's kind and name with other parts (an Fn's arguments, an
// Atom's arguments, a quantifier's body): what a walk that rebuilds a node
// makes, without reading the name's text again.
Term mk_fn_as(const TermNode& like, std::vector<Term> args);
Formula mk_atom_as(const FormNode& like, std::vector<Term> args);
Formula mk_quant_as(const FormNode& like, Formula body);

// Structural order: -1, 0 or 1 (cases in declared order, then fields from
// the left; names byte by byte; lists element by element, shorter first).
int compare(const Term& a, const Term& b);
int compare(const Formula& a, const Formula& b);

// The structural hash of mk_var(x), without making the node.
std::size_t var_hash(const std::string& x);

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

}  // namespace fol
