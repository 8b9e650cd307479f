// Formulas with a ground substitution still to apply: making the pair, its
// operands and instances without building, and the facts of the built
// formula found by walks over the pair.
//
// Every walk reads a Var of the base the way the built formula holds it:
// bound by a binder the walk has crossed (left alone), free and bound in
// the substitution (its ground image), or free and unbound (itself).
#include "fol/lazy.h"

#include <algorithm>
#include <climits>
#include <string>

#include "fol/rules.h"
#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

namespace {

// Below this size an instance is built at once: the walks that would read
// a small pair cost more than the copy they save. The long instances that
// make waiting worth it are far above it.
constexpr int kDelayFrom = 64;

// No store: a pair never holds an Evar, so building it reads no value.
const Session& no_store() {
  static const Session* s = new Session;
  return *s;
}

bool ground(const Term& t) { return !t->has_var() && !t->has_evar() && !t->has_bvar(); }

// The pair's substitution as formsubst takes it.
Subst flat(const GroundSubst& s) {
  Subst r;
  s.for_each([&](const std::string& k, const Term& v) { r.bind(mk_var(k), v); });
  return r;
}

int sat_add(int a, int b) { return (a > INT_MAX - b) ? INT_MAX : a + b; }

// The image of t, a term of the base met below the binders of sc, when t
// is a free Var that s binds; else nullptr.
const Term* image(const GroundSubst& s, const Scope& sc, const Term& t) {
  if (t->kind() != TermKind::Var) return nullptr;
  const Term* v = s.find(t->name());
  return v && !sc.binds(t->name()) ? v : nullptr;
}

// ---- Free variables ----

// Appends the free variables of the built term (unsorted, repeated); with
// `first`, stops at one. Returns whether it stopped.
bool free_term(const GroundSubst& s, const Scope& sc, const Term& t, bool first, Names& out) {
  if (!t->has_var()) return false;
  if (t->kind() == TermKind::Var) {
    if (sc.binds(t->name()) || s.defined(t->name())) return false;
    out.push_back(t->name());
    return first;
  }
  for (const Term& a : t->args())
    if (free_term(s, sc, a, first, out)) return true;
  return false;
}

bool free_form(const GroundSubst& s, Scope& sc, const FormNode& f, bool first, Names& out) {
  if (!f.has_var()) return false;
  support::stop_tick();
  switch (f.kind()) {
    case FormKind::False:
    case FormKind::True:
      return false;
    case FormKind::Atom:
      for (const Term& t : f.args())
        if (free_term(s, sc, t, first, out)) return true;
      return false;
    case FormKind::Not:
      return free_form(s, sc, *f.left(), first, out);
    case FormKind::Forall:
    case FormKind::Exists: {
      sc.push(f.name());
      const bool stop = free_form(s, sc, *f.body(), first, out);
      sc.pop();
      return stop;
    }
    default:
      return free_form(s, sc, *f.left(), first, out) || free_form(s, sc, *f.right(), first, out);
  }
}

// ---- Size ----

int size_term(const GroundSubst& s, const Scope& sc, const Term& t) {
  if (!t->has_var()) return t->structural_size();
  if (t->kind() == TermKind::Var) {
    const Term* v = image(s, sc, t);
    return v ? (*v)->structural_size() : 1;
  }
  int n = 1;
  for (const Term& a : t->args()) n = sat_add(n, size_term(s, sc, a));
  return n;
}

int size_form(const GroundSubst& s, Scope& sc, const FormNode& f) {
  if (!f.has_var()) return f.structural_size();
  support::stop_tick();
  switch (f.kind()) {
    case FormKind::False:
    case FormKind::True:
      return 1;
    case FormKind::Atom: {
      int n = 1;
      for (const Term& t : f.args()) n = sat_add(n, size_term(s, sc, t));
      return n;
    }
    case FormKind::Not:
      return sat_add(size_form(s, sc, *f.left()), 1);
    case FormKind::Forall:
    case FormKind::Exists: {
      sc.push(f.name());
      const int n = size_form(s, sc, *f.body());
      sc.pop();
      return sat_add(n, 1);
    }
    default:
      return sat_add(sat_add(size_form(s, sc, *f.left()), size_form(s, sc, *f.right())), 1);
  }
}

// ---- Alpha hash ----

std::size_t hash_term(const GroundSubst& s, const Scope& sc, const Term& t) {
  if (!t->has_var()) return t->alpha_hash();
  if (t->kind() == TermKind::Var) {
    const Term* v = image(s, sc, t);
    return v ? (*v)->alpha_hash() : t->alpha_hash();
  }
  std::size_t h = alpha_seed(t->kind(), t->name(), t->key());
  for (const Term& a : t->args()) h = alpha_step(h, hash_term(s, sc, a));
  return h;
}

std::size_t hash_form(const GroundSubst& s, Scope& sc, const FormNode& f) {
  if (!f.has_var()) return f.alpha_hash();
  support::stop_tick();
  std::size_t h = alpha_seed(f.kind(), f.name());
  switch (f.kind()) {
    case FormKind::False:
    case FormKind::True:
      return h;
    case FormKind::Atom:
      for (const Term& t : f.args()) h = alpha_step(h, hash_term(s, sc, t));
      return h;
    case FormKind::Not:
      return alpha_step(h, hash_form(s, sc, *f.left()));
    case FormKind::Forall:
    case FormKind::Exists: {
      sc.push(f.name());
      h = alpha_step(h, hash_form(s, sc, *f.body()));
      sc.pop();
      return h;
    }
    default:
      h = alpha_step(h, hash_form(s, sc, *f.left()));
      return alpha_step(h, hash_form(s, sc, *f.right()));
  }
}

}  // namespace

// ---- Making pairs ----

LazyFormula LazyFormula::delay(const Session& ses, Formula base, const Subst& s) {
  if (s.empty() || !base->has_var()) return base;
  bool ground_pair = !base->has_evar() && !base->has_bvar();
  if (ground_pair) s.for_each([&](const std::string&, const Term& t) { ground_pair &= ground(t); });
  if (!ground_pair) return formsubst(ses, s, base);
  GroundSubst tree;
  s.for_each([&](const std::string& k, const Term& v) { tree = tree.add(k, v); });
  return pair(std::move(base), std::move(tree), false);
}

// g under s, s ground and g without Evar or Bvar; `closed` when the built
// formula is known to have no free variable.
LazyFormula LazyFormula::pair(Formula g, GroundSubst s, bool closed) {
  if (!g->has_var()) return g;
  if (g->structural_size() < kDelayFrom) return formsubst(no_store(), flat(s), g);
  auto* p = new Pending;
  p->s = std::move(s);
  if (closed) p->closed = true;
  return LazyFormula(std::move(g), p);
}

// formsubst goes through Not and the binary connectives unchanged, so g
// under s is made of the operands under s; its free variables are some of
// f's.
LazyFormula LazyFormula::part(const LazyFormula& f, Formula g) {
  if (f.built()) return g;
  return pair(std::move(g), f.pending_->s, f.pending_->closed.value_or(false));
}

// formsubst drops the binding of a binder's variable inside it; with a
// ground s no binder is renamed.
LazyFormula LazyFormula::inside(const LazyFormula& q, Formula g) {
  if (q.built()) return g;
  return pair(std::move(g), q.pending_->s.remove(q.base_->name()), false);
}

// With s ground, substituting t for x after s (which no longer binds x
// inside the binder) is one substitution that does both; add replaces an
// outer binding of the same name. A ground t leaves the free variables of
// q as they were.
LazyFormula LazyFormula::instance(const Session& ses, const LazyFormula& q, Formula g,
                                  const Term& t) {
  const std::string& x = q.base_->name();
  if (!ground(t) || g->has_evar() || g->has_bvar())
    return formsubst(ses, Subst().add(x, t), inside(q, std::move(g)).build());
  GroundSubst s = q.built() ? GroundSubst().add(x, t) : q.pending_->s.add(x, t);
  return pair(std::move(g), s, q.closed());
}

Formula LazyFormula::build_pair() const { return formsubst(no_store(), flat(pending_->s), base_); }

bool LazyFormula::same(const LazyFormula& a, const LazyFormula& b) {
  return a.base_ == b.base_ && a.pending_ == b.pending_;
}

// ---- Facts of the built formula ----

bool LazyFormula::closed() const {
  if (!pending_) return !base_->has_var() || base_->free_vars().empty();
  if (!pending_->closed) {
    Scope sc;
    Names unused;
    pending_->closed = !free_form(pending_->s, sc, *base_, true, unused);
  }
  return *pending_->closed;
}

Names LazyFormula::free_vars() const {
  if (!pending_) return base_->free_vars();
  if (closed()) return {};
  Scope sc;
  Names v;
  free_form(pending_->s, sc, *base_, false, v);
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

int LazyFormula::size() const {
  if (!pending_) return fol::size(no_store(), base_);
  if (!pending_->size) {
    Scope sc;
    pending_->size = size_form(pending_->s, sc, *base_);
  }
  return *pending_->size;
}

std::size_t LazyFormula::pair_alpha_hash() const {
  if (!pending_->ahash) {
    Scope sc;
    pending_->ahash = hash_form(pending_->s, sc, *base_);
  }
  return *pending_->ahash;
}

bool operator==(const LazyFormula& a, const LazyFormula& b) {
  if (LazyFormula::same(a, b)) return true;
  if (a.built() && b.built()) return false;  // one node per structure
  return a.build() == b.build();
}

}  // namespace fol
