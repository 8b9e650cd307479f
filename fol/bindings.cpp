// Equality up to bound names and head symbols, and the batch variant's
// members that take a pending instance apart: each answers as the same
// member would on the built formula, from the pair when the pair settles
// it, else from the formula built for the occasion and dropped after.
#include "fol/bindings.h"

#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

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
      return i == j && (i >= 0 || s->same_name(*t));
    }
    case TermKind::Fn: {
      if (!s->same_name(*t) || s->args().size() != t->args().size()) return false;
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
      if (!p->same_name(*q) || p->args().size() != q->args().size()) return false;
      for (std::size_t i = 0; i < p->args().size(); ++i)
        if (!eq_term(b, p->args()[i], q->args()[i])) return false;
      return true;
    }
    case FormKind::Not:
      return eq_form(b, p->left(), q->left());
    case FormKind::Forall:
    case FormKind::Exists: {
      bool diff = !p->same_name(*q);
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
      return f->args().empty() ? f : mk_atom_as(*f, {});
    case FormKind::Not:
      return mk_not(H);
    case FormKind::Forall:
    case FormKind::Exists:
      return mk_quant(f->kind(), "varhs", H);
    default:
      return mk_binary(f->kind(), H, H);
  }
}

// ---- The batch variant's members ----

// A substitution that binds no free variable of f leaves it as it is.
LazyFormula FolBatchLogic::apply_subst_pending(const Subst& s, const LazyFormula& f) {
  if (s.empty() || f.closed()) return f;
  bool touched = false;
  for (const std::string& x : f.free_vars()) touched = touched || s.defined(x);
  return touched ? LazyFormula(formsubst(session_, s, f.build())) : f;
}

// The reduced variant: no constraints, no keys; this instance's session
// (whose store stays empty) is passed along. Unification reads every
// position, so a pending instance is built for it.
std::optional<engine::UnifResult<LazyFormula, Subst, int>> FolBatchLogic::unif(
    const engine::ConstraintArg<int>& c, const LazyFormula& a, const LazyFormula& b) {
  std::optional<Solved> s = solve_pair(session_, a.build(), b.build());
  if (!s) return std::nullopt;
  engine::UnifResult<LazyFormula, Subst, int> r;
  r.depth = s->h;
  r.subst = std::move(s->env);
  r.outcome = c;
  r.constraints = 0;
  r.unified = std::move(s->f1);
  return r;
}

LazyFormula FolBatchLogic::negate_pending(const LazyFormula& f) {
  return LazyFormula::part(f, mk_not(f.base()));  // a pair's base is neither True nor False
}

LazyFormula FolBatchLogic::elim_all_neg_pending(const LazyFormula& f) {
  const Formula e = fol::elim_all_neg(f.base());
  return e == f.base() ? f : LazyFormula::part(f, e);
}

// A closed formula takes no fresh name and is not renamed.
Renaming FolBatchLogic::renaming_pending(const Renaming& r, const LazyFormula& f) {
  if (f.closed()) return r;
  return fol::get_renaming_formula(session_, r, f.build());
}

LazyFormula FolBatchLogic::rename_pending(const Renaming& r, const LazyFormula& f) {
  if (r.empty() || f.closed()) return f;
  return fol::rename_formula(session_, r, f.build());
}

std::vector<engine::Decomposition<LazyFormula, Subst, int>> FolBatchLogic::get_rules(
    const int&, const LazyFormula& f, bool sign) {
  std::vector<engine::Decomposition<LazyFormula, Subst, int>> out;
  for (RuleParts& r : decompose(session_, f, sign))
    out.push_back({r.name, r.kind, Subst(), 0, std::move(r.formulas)});
  return out;
}

// Different alpha hashes settle most pairs of instances without a build.
bool FolBatchLogic::equal_pending(const LazyFormula& a, const LazyFormula& b) {
  if (LazyFormula::same(a, b)) return true;
  if (a.alpha_hash() != b.alpha_hash()) return false;
  return fol::equal_formula(a.build(), b.build());
}

// Substitution keeps the connective on top, which settles many pairs.
bool FolBatchLogic::may_unify_pending(const LazyFormula& a, const LazyFormula& b) {
  if (a.base()->kind() != b.base()->kind()) return false;
  return fol::may_unify(a.build(), b.build());
}

// Closed formulas take no name and leave the renaming as it was, so they
// are left out of the count.
int FolBatchLogic::count_fresh_names(const std::vector<LazyFormula>& fs) {
  std::vector<Formula> plain;
  plain.reserve(fs.size());
  for (const LazyFormula& f : fs)
    if (f.built())
      plain.push_back(f.base());
    else if (!f.closed())
      plain.push_back(f.build());
  return fol::count_fresh_names(session_, plain);
}

int FolBatchLogic::compare_pending(const LazyFormula& a, const LazyFormula& b) {
  if (LazyFormula::same(a, b)) return 0;
  return fol::compare(a.build(), b.build());
}

}  // namespace fol
