// Size, signs, fresh renaming, variable sets, decomposition rules with Skolem
// terms and hint instances, equality up to bound names and head symbols.
//
// The two name generators live in the caller's Session: ses.renamings for
// the var<n> names of clause renaming, ses.skolems for the x_cst_<n> Skolem
// functions. Neither is ever reset, so a name is never taken twice in a
// session, and the engine's traces (which print these names) depend on how
// many were taken before, in this session only.
#include <string>

#include "engine/ptypes.h"
#include "fol/fol.h"
#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

namespace {
int sat_add(int a, int b) { return (a > INT_MAX - b) ? INT_MAX : a + b; }
}  // namespace

// A Bvar outside a unification walk means a placeholder escaped: thrown as
// an internal error the engine reports, never ignored.
[[noreturn]] void assert_failure() { support::internal_error("fol"); }

// ---- Size ----

// The engine weighs clauses by size. A node without an Evar knows its size;
// with one, each Evar counts as the size of its stored value (1 without),
// so the weight follows the values the user has given.

int term_size(const Session& ses, const Term& t) {
  if (!t->has_evar()) return t->structural_size();
  switch (t->kind()) {
    case TermKind::Fn: {
      int s = 1;
      for (const Term& a : t->args()) s = sat_add(s, term_size(ses, a));
      return s;
    }
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key())) return term_size(ses, *v);
      return 1;
    default:
      return 1;
  }
}

int size(const Session& ses, const Formula& f) {
  if (!f->has_evar()) return f->structural_size();
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return 1;
    case FormKind::Atom: {
      int s = 1;
      for (const Term& a : f->args()) s = sat_add(s, term_size(ses, a));
      return s;
    }
    case FormKind::Not:
    case FormKind::Forall:
    case FormKind::Exists:
      return sat_add(size(ses, f->left()), 1);
    default:
      return sat_add(sat_add(size(ses, f->left()), size(ses, f->right())), 1);
  }
}

// ---- Signs ----

// The engine keeps a literal as (formula, sign): leading negations are the
// sign, and False counts as ~True, so a clause never holds False itself.

bool is_true(const Formula& f) { return f->kind() == FormKind::True; }

bool negative_formula(const Formula& f0) {
  bool neg = false;
  const FormNode* f = f0.get();
  while (f->kind() == FormKind::Not) {
    neg = !neg;
    f = f->left().get();
  }
  return f->kind() == FormKind::False ? !neg : neg;
}

Formula negate_formula(const Formula& f) {
  if (f->kind() == FormKind::False) return mk_true();
  if (f->kind() == FormKind::True) return mk_false();
  return mk_not(f);
}

Formula elim_all_neg(const Formula& f0) {
  const Formula* f = &f0;
  while ((*f)->kind() == FormKind::Not) f = &(*f)->left();
  return (*f)->kind() == FormKind::False ? mk_true() : *f;
}

// ---- Renaming ----
//
// Before two clauses meet, one is renamed apart: each of its free variables
// gets a fresh var<n>. The names are taken in the order the walk first meets
// the variables (left to right, outside in), which the traces show.

namespace {

using Bound = Scope;
bool is_bound(const Bound& b, const std::string& x) { return b.binds(x); }

// Extends r with a fresh name for each free Var of t not yet in r. Side
// effects: advances ses.renamings by one per name taken.
void renaming_term(Session& ses, Subst& r, const Bound& bound, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      if (!is_bound(bound, t->name()) && !r.defined(t->name()))
        r = r.add(t->name(), mk_var("var" + std::to_string(++ses.renamings)));
      return;
    case TermKind::Fn:
      for (const Term& a : t->args()) renaming_term(ses, r, bound, a);
      return;
    case TermKind::Cst:
      return;
    case TermKind::Evar:
      // The variables of a stored value are the clause's variables too. A
      // value holding a placeholder is skipped whole: r is put back, though
      // the names it took stay taken.
      if (const Term* v = evar_value(ses, t->key())) {
        Subst saved = r;
        try {
          renaming_term(ses, r, bound, *v);
        } catch (const engine::InternalError&) {
          r = saved;
        }
      }
      return;
    case TermKind::Bvar:
      assert_failure();
  }
}

// renaming_term over the atoms of f, skipping the variables its own
// quantifiers bind. Side effects: as renaming_term.
void renaming_form(Session& ses, Subst& r, Bound& bound, const Formula& f) {
  if (!f->has_var() && !f->has_evar() && !f->has_bvar()) return;  // nothing to rename
  support::stop_tick();
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return;
    case FormKind::Atom:
      for (const Term& a : f->args()) renaming_term(ses, r, bound, a);
      return;
    case FormKind::Not:
      renaming_form(ses, r, bound, f->left());
      return;
    case FormKind::Forall:
    case FormKind::Exists:
      bound.push(f->name());
      renaming_form(ses, r, bound, f->body());
      bound.pop();
      return;
    default:
      renaming_form(ses, r, bound, f->left());
      renaming_form(ses, r, bound, f->right());
      return;
  }
}

// Applies the renaming r to the free variables of t; stored values are read
// in, so the renamed clause no longer depends on the store.
Term rename_term(const Session& ses, const Subst& r, const Bound& bound, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var: {
      if (is_bound(bound, t->name())) return t;
      const Term* v = r.find(t->name());
      return v ? *v : t;
    }
    case TermKind::Fn: {
      if (!t->has_var() && !t->has_evar() && !t->has_bvar()) return t;
      std::vector<Term> args;
      args.reserve(t->args().size());
      bool changed = false;
      for (const Term& a : t->args()) {
        args.push_back(rename_term(ses, r, bound, a));
        changed |= !(args.back() == a);
      }
      return changed ? mk_fn(t->name(), std::move(args)) : t;
    }
    case TermKind::Cst:
      return t;
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key())) return rename_term(ses, r, bound, *v);
      return t;
    case TermKind::Bvar:
      assert_failure();
  }
  return t;
}

// rename_term over f, leaving bound occurrences alone; f itself where
// nothing changes.
Formula rename_form(const Session& ses, const Subst& r, Bound& bound, const Formula& f) {
  if (!f->has_var() && !f->has_evar() && !f->has_bvar()) return f;
  support::stop_tick();
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return f;
    case FormKind::Atom: {
      std::vector<Term> args;
      args.reserve(f->args().size());
      bool changed = false;
      for (const Term& a : f->args()) {
        args.push_back(rename_term(ses, r, bound, a));
        changed |= !(args.back() == a);
      }
      return changed ? mk_atom(f->name(), std::move(args)) : f;
    }
    case FormKind::Not: {
      Formula p = rename_form(ses, r, bound, f->left());
      return p == f->left() ? f : mk_not(std::move(p));
    }
    case FormKind::Forall:
    case FormKind::Exists: {
      bound.push(f->name());
      Formula p = rename_form(ses, r, bound, f->body());
      bound.pop();
      return p == f->body() ? f : mk_quant(f->kind(), f->name(), std::move(p));
    }
    default: {
      Formula p = rename_form(ses, r, bound, f->left());
      Formula q = rename_form(ses, r, bound, f->right());
      return (p == f->left() && q == f->right()) ? f
                                                 : mk_binary(f->kind(), std::move(p), std::move(q));
    }
  }
}

}  // namespace

Subst get_renaming_formula(Session& ses, const Subst& r0, const Formula& f) {
  Subst r = r0;
  Bound bound;
  renaming_form(ses, r, bound, f);
  return r;
}

int count_fresh_names(Session& ses, const std::vector<Formula>& fs) {
  // The walk of get_renaming_formula without its names: the counter is
  // read before and put back after, even when the walk is interrupted.
  struct Restore {
    Session& ses;
    int saved = ses.renamings;
    ~Restore() { ses.renamings = saved; }
  } restore{ses};
  Subst r;
  for (const Formula& f : fs) {
    Bound bound;
    renaming_form(ses, r, bound, f);
  }
  return ses.renamings - restore.saved;
}

// The engine skips the renaming of a pair that cannot resolve, then moves
// the counter on by the names it would have taken (count_fresh_names), so
// every later name is the one it would have been with the renaming made.
void skip_fresh_names(Session& ses, int n) { ses.renamings += n; }

Formula rename_formula(const Session& ses, const Subst& r, const Formula& f) {
  if (r.empty() && !f->has_evar() && !f->has_bvar()) return f;
  Bound bound;
  return rename_form(ses, r, bound, f);
}

// x to the constant x_cst(): the engine freezes a clause with it for the
// subsumption test, so that its variables match only themselves.
Subst vars_to_constants(const Names& vars) {
  Subst r;
  for (const std::string& x : vars) r = r.add(x, mk_fn(x + "_cst", {}));
  return r;
}

bool is_empty_inter_varset(const Names& a, const Names& b) { return intersect(a, b).empty(); }
Names union_varset(const Names& a, const Names& b) { return set_union(a, b); }

// ---- Decomposition rules ----
//
// A rule turns a literal into new clauses: each FolRule is one clause in
// which its formulas replace the literal. `kind` is the weight parameter of
// that clause: 1 for the connectives, 3 for a quantifier (generic instance
// or Skolem term), 0 for a hinted instance of a positive Forall. The key of
// the decomposed formula is kept on every part.

namespace {

FolRule rule(const char* name, int kind, const Constraints& c, std::vector<KFormula> lits) {
  return FolRule{name, kind, Subst(), c, std::move(lits)};
}

// The Skolem instance of the quantifier q: g, made of q's body, with q's
// variable x replaced by a new function x_cst_<n> applied to the free
// variables of q, in their sorted order. Side effects: advances
// ses.skolems by one.
LazyFormula skolem_instance(Session& ses, const LazyFormula& q, Formula g) {
  const std::string& x = q.base()->name();
  std::vector<Term> args;
  for (const std::string& v : q.free_vars()) args.push_back(mk_var(v));
  Term s = mk_fn(x + "_cst_" + std::to_string(++ses.skolems), std::move(args));
  return LazyFormula::instance(ses, q, std::move(g), s);
}

// The hinted instances of a positive Forall (or a negative Exists): one
// per instance item of the formula's key in the instantiation table,
// after the generic instance already in `rules`.
void add_hint_instances(const Session& ses, const Constraints& c, const KFormula& f, bool universal,
                        std::vector<FolRule>& rules) {
  const std::string& x = f.f->name();
  const Formula& p = f.f->body();
  const TableEntry* entry = nullptr;
  for (const TableEntry& e : c.table)
    if (e.key == f.key) {
      entry = &e;
      break;
    }
  if (!entry) return;
  // All the hinted instances or none: if making one throws (anything but a
  // stop request, which goes on), the generic instance is all there is.
  try {
    std::vector<FolRule> more;
    for (const Group& g : entry->groups)
      for (const ConstraintItem& it : g) {
        const InstanceItem* inst = std::get_if<InstanceItem>(&it);
        if (!inst || inst->var != x) continue;
        Formula q = formsubst(ses, Subst().add(x, inst->term), universal ? p : mk_not(p));
        more.push_back(rule("+fa", universal ? 0 : 3, c, {{q, f.key}}));
      }
    for (FolRule& r : more) rules.push_back(std::move(r));
  } catch (const support::StopRequested&) {
    throw;
  } catch (...) {
  }
}

}  // namespace

// Atoms and negations are not decomposed: a negation is a sign. A positive
// Forall (negative Exists) gives its generic instance; a negative Forall
// (positive Exists) gives a Skolem instance. The parts of f stay under f's
// pending substitution. Side effects: one Skolem name per Skolem rule.
std::vector<RuleParts> decompose(Session& ses, const LazyFormula& f, bool sign) {
  const Formula& b = f.base();
  auto P = [&f](Formula g) { return LazyFormula::part(f, std::move(g)); };
  switch (b->kind()) {
    case FormKind::False:
    case FormKind::True:
    case FormKind::Atom:
    case FormKind::Not:
      return {};
    case FormKind::And: {
      const Formula &p = b->left(), &q = b->right();
      if (sign) return {{"+and", 1, {P(p)}}, {"+and", 1, {P(q)}}};
      return {{"-and", 1, {P(mk_not(p)), P(mk_not(q))}}};
    }
    case FormKind::Or: {
      const Formula &p = b->left(), &q = b->right();
      if (sign) return {{"or", 1, {P(p), P(q)}}};
      return {{"-or", 1, {P(mk_not(p))}}, {"-or", 1, {P(mk_not(q))}}};
    }
    case FormKind::Imp: {
      const Formula &p = b->left(), &q = b->right();
      if (sign) return {{"+imp", 1, {P(mk_not(p)), P(q)}}};
      return {{"-imp", 1, {P(p)}}, {"-imp", 1, {P(mk_not(q))}}};
    }
    case FormKind::Iff: {
      const Formula &p = b->left(), &q = b->right();
      if (sign) return {{"+iffl", 1, {P(mk_imp(p, q))}}, {"+iffr", 1, {P(mk_imp(q, p))}}};
      return {{"-iff", 1, {P(mk_not(mk_imp(p, q))), P(mk_not(mk_imp(q, p)))}}};
    }
    case FormKind::Forall:
      if (sign) return {{"+fa", 3, {LazyFormula::inside(f, b->body())}}};
      return {{"-fa", 3, {skolem_instance(ses, f, mk_not(b->body()))}}};
    case FormKind::Exists:
      if (!sign) return {{"+fa", 3, {LazyFormula::inside(f, mk_not(b->body()))}}};
      return {{"-fa", 3, {skolem_instance(ses, f, b->body())}}};
  }
  return {};
}

// The rules of decompose, built and keyed, with the hinted instances after
// the generic one.
std::vector<FolRule> get_rules(Session& ses, const Constraints& c, const KFormula& kf, bool sign) {
  std::vector<FolRule> rules;
  for (RuleParts& r : decompose(ses, kf.f, sign)) {
    std::vector<KFormula> lits;
    lits.reserve(r.formulas.size());
    for (const LazyFormula& g : r.formulas) lits.push_back({g.build(), kf.key});
    rules.push_back(rule(r.name, r.kind, c, std::move(lits)));
  }
  const FormKind k = kf.f->kind();
  if ((k == FormKind::Forall && sign) || (k == FormKind::Exists && !sign))
    add_hint_instances(ses, c, kf, k == FormKind::Forall, rules);
  return rules;
}

// No rule of this logic has an index of its own.
engine::Indice indice_regle(const std::string&) { return std::nullopt; }

// ---- Equality up to bound names, head symbols ----

namespace {

// Binder pairs crossed so far, innermost last. A variable bound on one side
// must be bound by the matching binder on the other; free ones compare by
// name. This is comparison with a fresh name for each pair of binders.
struct Binders {
  Scope left, right;
  int renamed = 0;  // pairs with different names: while 0, identical nodes are equal
};

// Term equality under the binder pairs of b: a Var bound on either side
// must be bound by the same pair (same depth) on the other.
bool eq_term(const Binders& b, const Term& s, const Term& t) {
  if (s == t && (b.renamed == 0 || !s->has_var())) return true;
  if (s->kind() != t->kind()) return false;
  switch (s->kind()) {
    case TermKind::Var: {
      int i = b.left.find(s->name()), j = b.right.find(t->name());
      return i == j && (i >= 0 || s->name() == t->name());
    }
    case TermKind::Fn: {
      if (s->name() != t->name() || s->args().size() != t->args().size()) return false;
      for (std::size_t i = 0; i < s->args().size(); ++i)
        if (!eq_term(b, s->args()[i], t->args()[i])) return false;
      return true;
    }
    default:  // Bvar by name, Cst by name and dependencies, Evar by key and name
      return s == t;
  }
}

bool eq_form(Binders& b, const Formula& p, const Formula& q) {
  if (p == q && b.renamed == 0) return true;
  if (p->kind() != q->kind()) return false;
  support::stop_tick();
  switch (p->kind()) {
    case FormKind::False:
    case FormKind::True:
      return true;
    case FormKind::Atom: {
      if (p->name() != q->name() || p->args().size() != q->args().size()) return false;
      for (std::size_t i = 0; i < p->args().size(); ++i)
        if (!eq_term(b, p->args()[i], q->args()[i])) return false;
      return true;
    }
    case FormKind::Not:
      return eq_form(b, p->left(), q->left());
    case FormKind::Forall:
    case FormKind::Exists: {
      bool diff = p->name() != q->name();
      b.left.push(p->name());
      b.right.push(q->name());
      b.renamed += diff;
      bool r = eq_form(b, p->body(), q->body());
      b.renamed -= diff;
      b.left.pop();
      b.right.pop();
      return r;
    }
    default:
      return eq_form(b, p->left(), q->left()) && eq_form(b, p->right(), q->right());
  }
}

}  // namespace

// Pointer equality settles most calls; the alpha hash (which ignores
// variable names) rejects most of the rest before any walk.
bool equal_formula(const Formula& a, const Formula& b) {
  if (a == b) return true;
  if (a->alpha_hash() != b->alpha_hash()) return false;
  Binders bs;
  return eq_form(bs, a, b);
}

// The connective or predicate of f with placeholder operands: the engine
// files the literals it decomposes under (head, sign). A predicate keeps its
// name and drops its arguments.
Formula head_symbol(const Formula& f) {
  static const Formula H = mk_atom("head_symb", {});
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return f;
    case FormKind::Atom:
      return f->args().empty() ? f : mk_atom(f->name(), {});
    case FormKind::Not:
      return mk_not(H);
    case FormKind::Forall:
    case FormKind::Exists:
      return mk_quant(f->kind(), "varhs", H);
    default:
      return mk_binary(f->kind(), H, H);
  }
}

}  // namespace fol
