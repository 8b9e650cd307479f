// Free variables and capture-avoiding substitution. A substitution maps
// Var names and Evar keys to terms; an Evar with a stored value stands for
// that value, so every function here that takes a Session reads its store.
//
//   Subst s = Subst().add("y", mk_fn("c", {}));
//   Formula g = formsubst(ses, s, f);  // f itself when s reaches no free y
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fol/buffers.h"
#include "fol/formula.h"
#include "fol/fpf.h"
#include "fol/lib.h"
#include "fol/session.h"

namespace fol {

// ---- Substitutions ----

// A finite partial function from Var names and Evar keys to terms, held
// flat. A key is held as the Var node of its name: hash-consing makes two
// keys equal exactly when they are one node, so the hot lookups compare
// pointers, while the order of keys is still that of their names.
//
// A value, like the tree it stands for: `add` and `remove` give a new
// substitution and leave this one as it is. Copies share one buffer of
// bindings (a copy costs a count), which is changed in place only while
// one substitution holds it. Past a few bindings, lookups go through a
// hash index on the keys' structural hashes.
//
//   Subst s = Subst().add("x", mk_fn("c", {}));  s.find("x");  s.find(x_node);
class Subst {
 public:
  struct Binding {
    Term var;  // the key's Var node
    Term value;
  };

  Subst() = default;
  Subst(const Subst& o) : buf_(o.buf_) {
    if (buf_) ++buf_->rc;
  }
  Subst(Subst&& o) noexcept : buf_(o.buf_) { o.buf_ = nullptr; }
  Subst& operator=(const Subst& o) {
    Subst t(o);
    std::swap(buf_, t.buf_);
    return *this;
  }
  Subst& operator=(Subst&& o) noexcept {
    std::swap(buf_, o.buf_);
    return *this;
  }
  ~Subst() { release(); }

  bool empty() const { return size() == 0; }
  std::size_t size() const { return buf_ ? buf_->n : 0; }
  // The bindings in the order they were made.
  const Binding* begin() const { return buf_ ? buf_->data() : nullptr; }
  const Binding* end() const { return begin() + size(); }

  // ---- Lookups ----
  // The image of a key, or nullptr when unbound; the pointer lives until
  // this substitution changes or goes.
  const Term* find(const TermNode* var) const;
  const Term* find(const std::string& key) const;
  bool defined(const std::string& key) const { return find(key) != nullptr; }
  // `apply`: throws support::Failure("apply") when unbound.
  const Term& apply(const std::string& key) const;
  Term tryapplyd(const std::string& key, const Term& d) const;

  // ---- New substitutions ----
  // `add` (also `valmod`): the key bound to v, replacing an old binding.
  Subst add(const std::string& key, const Term& v) const { return add(mk_var(key), v); }
  Subst add(const Term& var, const Term& v) const;
  // `remove` (also `undefine`): without the key (a copy of this one when unbound).
  Subst remove(const std::string& key) const;
  // In place: binds var, which must be unbound here.
  void bind(const Term& var, const Term& v);
  // In place: binds var to v, replacing an old binding where it has one
  // (`add` without the copy, for a substitution built binding by binding).
  void set(const Term& var, const Term& v);
  // In place: keeps the first n bindings made.
  void truncate(std::size_t n);

  // ---- In key order ----
  // g(key, value) on every binding, the smallest key first.
  template <class G>
  void for_each(G&& g) const {
    for (const Binding* b : sorted()) g(b->var->name(), b->value);
  }
  std::vector<std::pair<std::string, Term>> funset() const;
  Names dom() const;

 private:
  // One allocation: this header, then `cap` slots of which the first n
  // hold the bindings, each key once, in the order bound.
  struct Buffer {
    std::size_t rc = 1;
    std::uint32_t n = 0, cap = 0;
    HashIndex index;  // past kScan bindings: positions by key hash, built on a lookup
    Binding* data() { return reinterpret_cast<Binding*>(this + 1); }
    const Binding* data() const { return reinterpret_cast<const Binding*>(this + 1); }
  };
  static constexpr std::size_t kScan = 12;
  static Buffer* make(std::size_t cap);
  static void destroy(Buffer* b);
  void release() {
    if (buf_ && --buf_->rc == 0) destroy(buf_);
    buf_ = nullptr;
  }
  // The buffer, first copied when shared, with room for `extra` more.
  Buffer& own(std::size_t extra);
  const Term* probe(std::size_t h, const TermNode* var, const std::string* key) const;
  std::optional<std::size_t> position(const TermNode* var) const;
  std::vector<const Binding*> sorted() const;
  Buffer* buf_ = nullptr;
};

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
      return a ? mk_atom_as(*f, std::move(*a)) : f;
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
