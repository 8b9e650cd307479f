// Size, signs, fresh renaming, variable sets, and decomposition rules with
// Skolem terms and hint instances.
//
// The two name generators live in the caller's Session: ses.renamings for
// the var<n> names of clause renaming, ses.skolems for the x_cst_<n> Skolem
// functions. Neither is ever reset, so a name is never taken twice in a
// session, and the engine's traces (which print these names) depend on how
// many were taken before, in this session only.
#include "fol/rules.h"

#include <algorithm>
#include <climits>
#include <string>

#include "fol/scope.h"
#include "support/errors.h"
#include "support/signals.h"

namespace fol {

namespace {
int sat_add(int a, int b) { return (a > INT_MAX - b) ? INT_MAX : a + b; }
}  // namespace

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

// ---- Renamings ----

std::size_t Renaming::at(const TermNode* var) const {
  if (n_ <= kScan) {
    for (std::size_t i = 0; i < n_; ++i)
      if (buf_->e[i].var.get() == var) return i;
    return kNone;
  }
  // The index covers the whole buffer, where each variable is once: one
  // found past this renaming's entries is not in it.
  const std::vector<Entry>& e = buf_->e;
  if (buf_->index.empty())
    buf_->index.build(e.size(), [&](std::size_t i) { return e[i].var->hash(); });
  std::optional<std::size_t> p =
      buf_->index.find(var->hash(), [&](std::size_t i) { return e[i].var.get() == var; });
  return p && *p < n_ ? *p : kNone;
}

Term Renaming::find(const TermNode* var) const {
  const std::size_t i = at(var);
  if (i == kNone) return Term();
  const Entry& e = buf_->e[i];
  if (!e.image) e.image = mk_var("var" + std::to_string(e.n));
  return e.image;
}

Term Renaming::find(const std::string& name) const {
  for (std::size_t i = 0; i < n_; ++i)
    if (buf_->e[i].var->name() == name) return find(buf_->e[i].var.get());
  return Term();
}

Names Renaming::dom() const {
  Names r;
  for (std::size_t i = 0; i < n_; ++i) r.push_back(buf_->e[i].var->name());
  std::sort(r.begin(), r.end());
  return r;
}

// In place when this renaming sees the whole buffer; else the buffer is
// cut back to what this one sees (when no other holds it) or copied.
void Renaming::append(Entry x) {
  if (!buf_) {
    buf_ = new Buffer;
  } else if (n_ != buf_->e.size()) {
    if (buf_->rc == 1) {
      buf_->e.resize(n_);
      buf_->index.clear();
    } else {
      auto* b = new Buffer;
      b->e.assign(buf_->e.begin(), buf_->e.begin() + static_cast<std::ptrdiff_t>(n_));
      --buf_->rc;
      buf_ = b;
    }
  }
  const std::size_t h = x.var->hash();
  buf_->e.push_back(std::move(x));
  ++n_;
  if (!buf_->index.empty()) buf_->index.put(h, n_ - 1, n_);
}

void Renaming::add_fresh(const Term& var, int n) { append(Entry{var, n, Term()}); }
void Renaming::add(const Term& var, const Term& image) { append(Entry{var, 0, image}); }

// ---- Renaming ----
//
// Before two clauses meet, one is renamed apart: each of its free variables
// gets a fresh var<n>. The names are taken in the order the walk first meets
// the variables (left to right, outside in), which the traces show.

namespace {

using Bound = Scope;  // the binders crossed so far

// Extends r with a fresh name for each free Var of t not yet in r. Side
// effects: advances ses.renamings by one per name taken.
void renaming_term(Session& ses, Renaming& r, const Bound& bound, const Term& t) {
  support::stop_tick();  // an atom may have thousands of arguments
  switch (t->kind()) {
    case TermKind::Var:
      if (!bound.binds(t->name()) && !r.defined(t.get())) r.add_fresh(t, ++ses.renamings);
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
        Renaming saved = r;
        try {
          renaming_term(ses, r, bound, *v);
        } catch (const support::InternalError&) {
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
void renaming_form(Session& ses, Renaming& r, Bound& bound, const Formula& f) {
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
Term rename_term(const Session& ses, const Renaming& r, const Bound& bound, const Term& t) {
  support::stop_tick();
  switch (t->kind()) {
    case TermKind::Var: {
      if (bound.binds(t->name())) return t;
      Term v = r.find(t.get());
      return v ? v : t;
    }
    case TermKind::Fn: {
      if (!t->has_var() && !t->has_evar() && !t->has_bvar()) return t;
      auto args = map_args(t->args(), [&](const Term& a) { return rename_term(ses, r, bound, a); });
      return args ? mk_fn_as(*t, std::move(*args)) : t;
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
Formula rename_form(const Session& ses, const Renaming& r, Bound& bound, const Formula& f) {
  if (!f->has_var() && !f->has_evar() && !f->has_bvar()) return f;
  support::stop_tick();
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return f;
    case FormKind::Forall:
    case FormKind::Exists: {
      bound.push(f->name());
      Formula p = rename_form(ses, r, bound, f->body());
      bound.pop();
      return p == f->body() ? f : mk_quant_as(*f, std::move(p));
    }
    default:
      return map_parts(
          f, [&](const Term& t) { return rename_term(ses, r, bound, t); },
          [&](const Formula& g) { return rename_form(ses, r, bound, g); });
  }
}

// Without an Evar (whose stored value the walk would read) or a Bvar (an
// error the walk reports), the variables the walk meets first are the
// node's own cached list, in the same order.
bool plain(const Formula& f) { return !f->has_evar() && !f->has_bvar(); }

}  // namespace

Renaming get_renaming_formula(Session& ses, const Renaming& r0, const Formula& f) {
  Renaming r = r0;
  if (plain(f)) {
    if (!f->has_var()) return r;
    for (const TermNode* v : f->free_var_nodes())
      if (!r.defined(v)) r.add_fresh(Term(v), ++ses.renamings);
    return r;
  }
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
  Renaming r;
  for (const Formula& f : fs) r = get_renaming_formula(ses, r, f);
  return ses.renamings - restore.saved;
}

// The engine skips the renaming of a pair that cannot resolve, then moves
// the counter on by the names it would have taken (count_fresh_names), so
// every later name is the one it would have been with the renaming made.
void skip_fresh_names(Session& ses, int n) { ses.renamings += n; }

Formula rename_formula(const Session& ses, const Renaming& r, const Formula& f) {
  if (plain(f)) {
    if (r.empty() || !f->has_var()) return f;
    bool touched = false;
    for (const TermNode* v : f->free_var_nodes())
      if (r.defined(v)) {
        touched = true;
        break;
      }
    if (!touched) return f;
  }
  Bound bound;
  return rename_form(ses, r, bound, f);
}

// x to the constant x_cst(): the engine freezes a clause with it for the
// subsumption test, so that its variables match only themselves. The names
// of a set are distinct, so each binds in place: r = r.add(...) would copy
// the whole substitution once per name.
Subst vars_to_constants(const Names& vars) {
  Subst r;
  for (const std::string& x : vars) {
    support::stop_tick();
    r.bind(mk_var(x), mk_fn(x + "_cst", {}));
  }
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
  // Nothing here fails on its own: the entry and the items are found by
  // tests, and substitution has no failure. What may still leave (a stop
  // request, memory running out) ends the whole attempt, so it goes on.
  for (const Group& g : entry->groups)
    for (const ConstraintItem& it : g) {
      const InstanceItem* inst = std::get_if<InstanceItem>(&it);
      if (!inst || inst->var != x) continue;
      Formula q = formsubst(ses, Subst().add(x, inst->term), universal ? p : mk_not(p));
      rules.push_back(rule("+fa", universal ? 0 : 3, c, {{q, f.key}}));
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

}  // namespace fol
