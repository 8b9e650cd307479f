// Unification with existential variables (never bound: an equation on one
// holds only through its stored value, or trivially), solving of triangular
// unifiers, literal unification up to bound names, and `unif` with the
// constraint cases. Failure is std::nullopt throughout.
#include <string>

#include "fol/fol.h"
#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

std::optional<bool> istriv(const Session& ses, const Subst& env, const std::string& x,
                           const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      if (t->name() == x) return true;
      if (const Term* v = env.find(t->name())) return istriv(ses, env, x, *v);
      return false;
    case TermKind::Fn:
    case TermKind::Cst:
      for (const Term& a : t->args()) {
        std::optional<bool> r = istriv(ses, env, x, a);
        if (!r || *r) return std::nullopt;  // x would occur inside its own value
      }
      return false;
    case TermKind::Bvar:
      return std::nullopt;
    case TermKind::Evar:
      // x inside the stored value is x = f(..x..): a failure, not "not
      // trivial", or x would be bound into a cycle that later walks never leave.
      if (const Term* v = evar_value(ses, t->key())) return istriv(ses, env, x, *v);
      return false;
  }
  return false;
}

std::optional<bool> istriv_e(const Session& ses, const Subst& env, const std::string& e,
                             const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      if (const Term* v = env.find(t->name())) return istriv(ses, env, e, *v);
      return false;
    case TermKind::Fn:
    case TermKind::Cst:
      for (const Term& a : t->args()) {
        std::optional<bool> r = istriv_e(ses, env, e, a);
        if (!r || *r) return std::nullopt;
      }
      return false;
    case TermKind::Bvar:
      return std::nullopt;
    case TermKind::Evar:
      if (t->key() == e) return true;
      if (const Term* v = evar_value(ses, e)) {
        std::optional<bool> r = istriv(ses, env, e, *v);
        return r ? *r : false;
      }
      return false;
  }
  return false;
}

namespace {

// The equation list as a stack: the back is the front of the list.
using Eqs = std::vector<std::pair<Term, Term>>;

std::optional<Subst> unify_stack(const Session& ses, Subst env, Eqs st) {
  while (!st.empty()) {
    auto [s, t] = std::move(st.back());
    st.pop_back();
    switch (s->kind()) {
      case TermKind::Var: {
        if (const Term* v = env.find(s->name())) {
          st.emplace_back(*v, t);
          break;
        }
        std::optional<bool> r = istriv(ses, env, s->name(), t);
        if (!r) return std::nullopt;
        if (!*r) env = env.add(s->name(), t);
        break;
      }
      case TermKind::Fn:
        switch (t->kind()) {
          case TermKind::Fn: {
            const auto &a = s->args(), &b = t->args();
            if (s->name() != t->name() || a.size() != b.size()) return std::nullopt;
            for (std::size_t i = a.size(); i-- > 0;) st.emplace_back(a[i], b[i]);
            break;
          }
          case TermKind::Var:
          case TermKind::Evar:
            st.emplace_back(t, s);
            break;
          default:
            return std::nullopt;
        }
        break;
      case TermKind::Bvar:
        if (t->kind() == TermKind::Bvar && t->name() == s->name()) break;
        if (t->kind() == TermKind::Var || t->kind() == TermKind::Evar) {
          st.emplace_back(t, s);
          break;
        }
        return std::nullopt;
      case TermKind::Cst:
        if (s == t) break;  // same name, structurally equal dependencies
        if (t->kind() == TermKind::Var || t->kind() == TermKind::Evar) {
          st.emplace_back(t, s);
          break;
        }
        return std::nullopt;
      case TermKind::Evar: {
        if (const Term* v = evar_value(ses, s->key())) {
          Eqs with = st;
          with.emplace_back(*v, t);
          if (std::optional<Subst> r = unify_stack(ses, env, std::move(with))) return r;
        }
        std::optional<bool> r = istriv_e(ses, env, s->key(), t);
        if (!r || !*r) return std::nullopt;
        break;
      }
    }
  }
  return env;
}

// Occurs test through stored existential values: used by `solve` so that a
// value mentioning the variable being bound is refused instead of looping.
bool occurs_deep(const Session& ses, const std::string& x, const Term& t, int fuel) {
  if (!t->has_var() && !t->has_evar()) return false;
  if (fuel <= 0) return true;
  switch (t->kind()) {
    case TermKind::Var:
      return t->name() == x;
    case TermKind::Fn:
      for (const Term& a : t->args())
        if (occurs_deep(ses, x, a, fuel - 1)) return true;
      return false;
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key())) return occurs_deep(ses, x, *v, fuel - 1);
      return false;
    default:
      return false;
  }
}

}  // namespace

std::optional<Subst> unify(const Session& ses, Subst env, std::vector<std::pair<Term, Term>> eqs) {
  Eqs st(std::make_move_iterator(eqs.rbegin()), std::make_move_iterator(eqs.rend()));
  return unify_stack(ses, std::move(env), std::move(st));
}

std::optional<Subst> solve(const Session& ses, const Subst& env0) {
  Subst env = env0;
  std::vector<std::pair<std::string, Term>> fs = env.funset();
  // A triangular unifier without cycles is solved within one round per
  // binding; more rounds than that mean a cycle through stored values.
  std::size_t rounds = 2 * fs.size() + 8;
  while (true) {
    for (const auto& [x, t] : fs)
      if (occurs_deep(ses, x, t, 1 << 20)) return std::nullopt;
    Subst env1;
    std::vector<std::pair<std::string, Term>> fs1;
    fs1.reserve(fs.size());
    bool same = true;
    for (const auto& [x, t] : fs) {
      Term t1 = termsubst(ses, env, t);
      same &= t1 == t;
      env1 = env1.add(x, t1);
      fs1.emplace_back(x, std::move(t1));
    }
    if (same) return env;  // env, not env1: its tree height is what callers see
    if (rounds-- == 0) return std::nullopt;
    env = std::move(env1);
    fs = std::move(fs1);
  }
}

namespace {

// The quantifier pairs crossed so far: pair d binds its name on each side
// to the placeholder Bvar "#d", named so that no formula the reader accepts
// can spell it. One walk reads every atom through both scopes; this is the
// same as substituting each pair's placeholder into both bodies as the pair
// is crossed (stored existential values are read in as they are met), but
// costs the size of the formulas, not that size times the binders.
struct Binders {
  Scope left, right;
  std::vector<Term> bvars;  // by depth
};

// termsubst of the placeholders of the binders of `sc` into t.
Term through(const Session& ses, const Scope& sc, const std::vector<Term>& bvars, const Term& t) {
  if (!t->has_evar() && !t->has_var()) return t;
  switch (t->kind()) {
    case TermKind::Var: {
      const int d = sc.find(t->name());
      return d >= 0 ? bvars[static_cast<std::size_t>(d)] : t;
    }
    case TermKind::Fn: {
      std::vector<Term> args;
      bool changed = false;
      args.reserve(t->args().size());
      for (const Term& a : t->args()) {
        args.push_back(through(ses, sc, bvars, a));
        changed |= !(args.back() == a);
      }
      return changed ? mk_fn(t->name(), std::move(args)) : t;
    }
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key())) return through(ses, sc, bvars, *v);
      return t;
    default:  // Bvar, Cst
      return t;
  }
}

std::optional<Subst> unify_lit(const Session& ses, const Subst& env, const Formula& p,
                               const Formula& q, Binders& b) {
  if (p->kind() != q->kind()) return std::nullopt;
  support::stop_tick();
  switch (p->kind()) {
    case FormKind::False:
    case FormKind::True:
      return env;
    case FormKind::Atom: {
      // The equation Fn(n, a) = Fn(m, b), taken apart at once.
      const auto &a = p->args(), &c = q->args();
      if (p->name() != q->name() || a.size() != c.size()) return std::nullopt;
      Eqs st;
      st.reserve(a.size());
      const bool bound = b.left.depth() > 0;
      for (std::size_t i = a.size(); i-- > 0;) {
        if (bound)
          st.emplace_back(through(ses, b.left, b.bvars, a[i]),
                          through(ses, b.right, b.bvars, c[i]));
        else
          st.emplace_back(a[i], c[i]);
      }
      return unify_stack(ses, env, std::move(st));
    }
    case FormKind::Not:
      return unify_lit(ses, env, p->left(), q->left(), b);
    case FormKind::And:
    case FormKind::Or:
    case FormKind::Imp:
    case FormKind::Iff: {
      std::optional<Subst> e = unify_lit(ses, env, p->left(), q->left(), b);
      if (!e) return std::nullopt;
      return unify_lit(ses, *e, p->right(), q->right(), b);
    }
    case FormKind::Forall:
    case FormKind::Exists: {
      const std::size_t d = b.left.depth();
      if (b.bvars.size() == d) b.bvars.push_back(mk_bvar("#" + std::to_string(d)));
      b.left.push(p->name());
      b.right.push(q->name());
      std::optional<Subst> r = unify_lit(ses, env, p->body(), q->body(), b);
      b.left.pop();
      b.right.pop();
      return r;
    }
  }
  return std::nullopt;
}

bool group_has_key(const std::vector<TableEntry>& table, int key, int wanted) {
  for (const TableEntry& e : table) {
    if (e.key != key) continue;
    for (const Group& g : e.groups)
      for (const ConstraintItem& it : g)
        if (const KeyItem* k = std::get_if<KeyItem>(&it); k && k->key == wanted) return true;
    return false;  // only the first entry for the key counts
  }
  return false;
}

}  // namespace

std::optional<Subst> unify_literals(const Session& ses, const Subst& env, const Formula& p,
                                    const Formula& q) {
  Binders b;
  return unify_lit(ses, env, p, q, b);
}

namespace {
bool may_unify_terms(const Term& s, const Term& t) {
  if (s == t) return true;
  const TermKind a = s->kind(), b = t->kind();
  // A variable (free, or bound and so a placeholder later), an existential
  // variable or a placeholder may still become anything.
  if (a == TermKind::Var || a == TermKind::Evar || a == TermKind::Bvar || b == TermKind::Var ||
      b == TermKind::Evar || b == TermKind::Bvar)
    return true;
  if (a != TermKind::Fn || b != TermKind::Fn) return false;  // a Cst is only itself
  if (s->name() != t->name() || s->args().size() != t->args().size()) return false;
  for (std::size_t i = 0; i < s->args().size(); ++i)
    if (!may_unify_terms(s->args()[i], t->args()[i])) return false;
  return true;
}
}  // namespace

bool may_unify(const Formula& p, const Formula& q) {
  if (p == q) return true;
  if (p->kind() != q->kind()) return false;
  switch (p->kind()) {
    case FormKind::False:
    case FormKind::True:
      return true;
    case FormKind::Atom: {
      const auto &a = p->args(), &b = q->args();
      if (p->name() != q->name() || a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i)
        if (!may_unify_terms(a[i], b[i])) return false;
      return true;
    }
    case FormKind::Not:
    case FormKind::Forall:
    case FormKind::Exists:
      return may_unify(p->left(), q->left());
    default:
      return may_unify(p->left(), q->left()) && may_unify(p->right(), q->right());
  }
}

bool exists(const Session& ses, const std::string& e, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      return false;
    case TermKind::Fn:
    case TermKind::Cst:
      for (const Term& a : t->args())
        if (exists(ses, e, a)) return true;
      return false;
    case TermKind::Evar:
      if (t->key() == e) return true;
      if (const Term* v = evar_value(ses, t->key())) return exists(ses, e, *v);
      return false;
    case TermKind::Bvar:
      break;
  }
  assert_failure();
}

bool exists_cycles(const Session& ses, const std::string& e, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      return false;
    case TermKind::Fn:
    case TermKind::Cst:
      for (const Term& a : t->args())
        if (exists(ses, e, a)) return true;
      return false;
    case TermKind::Evar:
      if (t->key() == e) return false;
      if (const Term* v = evar_value(ses, t->key())) return exists_cycles(ses, e, *v);
      return false;
    case TermKind::Bvar:
      break;
  }
  assert_failure();
}

namespace {
// The solved unifier of two formulas, its height and the first formula under it.
struct Solved {
  Subst env;
  int h;
  Formula f1;
};
std::optional<Solved> solve_pair(const Session& ses, const Formula& a, const Formula& b) {
  std::optional<Subst> env = unify_literals(ses, Subst(), a, b);
  if (!env) return std::nullopt;
  env = solve(ses, *env);
  if (!env) return std::nullopt;
  int h = env->height();
  Formula f1 = formsubst(ses, *env, a);
  return Solved{std::move(*env), h, std::move(f1)};
}
}  // namespace

std::optional<FolUnif> unif(const Session& ses, const FolConstraintArg& c, const KFormula& f1,
                            const KFormula& f2) {
  if (const auto* two = std::get_if<engine::TwoConstraints<Constraints>>(&c)) {
    const Constraints &a = two->c1, &b = two->c2;
    for (const auto& [key, v] : b.bindings) {
      for (const auto& [ka, va] : a.bindings) {
        if (ka != key) continue;
        if (!(va == v)) return std::nullopt;
        break;
      }
    }
  }
  std::optional<Solved> s = solve_pair(ses, f1.f, f2.f);
  if (!s) return std::nullopt;
  FolUnif r;
  r.depth = s->h;
  r.subst = std::move(s->env);
  r.unified = {std::move(s->f1), f1.key};
  r.outcome = c;
  if (const auto* one = std::get_if<engine::OneConstraint<Constraints>>(&c)) {
    r.constraints = one->c;
  } else if (const auto* two = std::get_if<engine::TwoConstraints<Constraints>>(&c)) {
    const Constraints &a = two->c1, &b = two->c2;
    std::vector<std::pair<std::string, Term>> binds = a.bindings;
    binds.insert(binds.end(), b.bindings.begin(), b.bindings.end());
    if (group_has_key(a.table, f1.key, f2.key)) {
      r.depth = 0;
      r.constraints = {a.table, std::move(binds)};
    } else if (group_has_key(b.table, f2.key, f1.key)) {
      r.depth = 0;
      r.constraints = {b.table, std::move(binds)};
    } else {
      std::vector<TableEntry> table = a.table;
      table.insert(table.end(), b.table.begin(), b.table.end());
      r.constraints = {std::move(table), std::move(binds)};
    }
  }
  return r;
}

std::optional<engine::UnifResult<Formula, Subst, int>> FolBatchLogic::unif(
    const engine::ConstraintArg<int>& c, const Formula& a, const Formula& b) {
  std::optional<Solved> s = solve_pair(session_, a, b);
  if (!s) return std::nullopt;
  engine::UnifResult<Formula, Subst, int> r;
  r.depth = s->h;
  r.subst = std::move(s->env);
  r.outcome = c;
  r.constraints = 0;
  r.unified = std::move(s->f1);
  return r;
}

}  // namespace fol
