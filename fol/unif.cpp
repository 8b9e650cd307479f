// Unification with existential variables (never bound: an equation on one
// holds only through its stored value, or trivially), solving of triangular
// unifiers, literal unification up to bound names, and `unif` with the
// constraint cases. Failure is std::nullopt throughout.
//
// Unifiers are triangular: a binding's value may mention variables bound
// later, and `solve` makes it idempotent. Every function that takes a
// Session reads its stored existential values and writes nothing: the
// store only changes when the assistant accepts a "set".
#include "fol/unif.h"

#include <string>

#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

namespace {

// istriv with the variable as its Var node (a key and its node are one).
std::optional<bool> triv(const Session& ses, const Subst& env, const TermNode* x, const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      if (t.get() == x) return true;
      if (const Term* v = env.find(t.get())) return triv(ses, env, x, *v);
      return false;
    case TermKind::Fn:
    case TermKind::Cst:
      for (const Term& a : t->args()) {
        std::optional<bool> r = triv(ses, env, x, a);
        if (!r || *r) return std::nullopt;  // x would occur inside its own value
      }
      return false;
    case TermKind::Bvar:
      return std::nullopt;
    case TermKind::Evar:
      // x inside the stored value is x = f(..x..): a failure, not "not
      // trivial", or x would be bound into a cycle that later walks never leave.
      if (const Term* v = evar_value(ses, t->key())) return triv(ses, env, x, *v);
      return false;
  }
  return false;
}

}  // namespace

// Whether binding x to t is trivial (t is x, through env), needless to
// record; nullopt when x occurs strictly inside t, through env or stored
// values, or t is a placeholder: x = t then has no solution here.
std::optional<bool> istriv(const Session& ses, const Subst& env, const std::string& x,
                           const Term& t) {
  return triv(ses, env, mk_var(x).get(), t);
}

// The same test for the existential variable e, which is never bound: true
// when e = t holds as it stands (chiefly when t is e itself), nullopt when e
// occurs strictly inside t or t is a placeholder, false otherwise; anything
// but true makes unify_stack fail.
std::optional<bool> istriv_e(const Session& ses, const Subst& env, const std::string& e,
                             const Term& t) {
  switch (t->kind()) {
    case TermKind::Var:
      if (const Term* v = env.find(t.get())) return istriv(ses, env, e, *v);
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
using Eqs = SmallVec<std::pair<Term, Term>, 16>;

// Robinson's algorithm on a stack of equations, extending env in place
// (on failure env holds what was bound before it). A Var is bound (after
// an occurs test); an Evar is never bound: its equation holds through its
// stored value (tried first, on a copy of the stack, as a branch) or only
// when it is trivial. The other kinds match by name.
bool unify_stack(const Session& ses, Subst& env, Eqs& st) {
  while (!st.empty()) {
    support::stop_tick();  // an atom may have thousands of arguments
    auto [s, t] = std::move(st.back());
    st.pop_back();
    switch (s->kind()) {
      case TermKind::Var: {
        if (const Term* v = env.find(s.get())) {
          st.emplace_back(*v, std::move(t));
          break;
        }
        std::optional<bool> r = triv(ses, env, s.get(), t);
        if (!r) return false;
        if (!*r) env.bind(s, t);
        break;
      }
      case TermKind::Fn:
        switch (t->kind()) {
          case TermKind::Fn: {
            const auto &a = s->args(), &b = t->args();
            if (!s->same_name(*t) || a.size() != b.size()) return false;
            for (std::size_t i = a.size(); i-- > 0;) st.emplace_back(a[i], b[i]);
            break;
          }
          case TermKind::Var:
          case TermKind::Evar:
            st.emplace_back(std::move(t), std::move(s));  // oriented: the variable side first
            break;
          default:
            return false;
        }
        break;
      case TermKind::Bvar:
        if (t->kind() == TermKind::Bvar && t->same_name(*s)) break;
        if (t->kind() == TermKind::Var || t->kind() == TermKind::Evar) {
          st.emplace_back(std::move(t), std::move(s));
          break;
        }
        return false;
      case TermKind::Cst:
        if (s == t) break;  // same name, structurally equal dependencies
        if (t->kind() == TermKind::Var || t->kind() == TermKind::Evar) {
          st.emplace_back(std::move(t), std::move(s));
          break;
        }
        return false;
      case TermKind::Evar: {
        if (const Term* v = evar_value(ses, s->key())) {
          // The branch binds after env's own bindings: a failed one is cut off.
          const std::size_t mark = env.size();
          Eqs with = st;
          with.emplace_back(*v, t);
          if (unify_stack(ses, env, with)) return true;
          env.truncate(mark);
        }
        std::optional<bool> r = istriv_e(ses, env, s->key(), t);
        if (!r || !*r) return false;
        break;
      }
    }
  }
  return true;
}

// Occurs test through stored existential values: used by `solve` so that a
// value mentioning the variable being bound is refused instead of looping.
// `fuel` bounds the depth, and running out answers "occurs", so a cycle
// among stored values can only make solve refuse, never loop.
bool occurs_deep(const Session& ses, const TermNode* x, const Term& t, int fuel) {
  if (!t->has_var() && !t->has_evar()) return false;
  if (fuel <= 0) return true;
  switch (t->kind()) {
    case TermKind::Var:
      return t.get() == x;
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

bool by_name(const TermNode* a, const TermNode* b) { return a->name() < b->name(); }

// `solve`, and the height of the tree the solved unifier would be: while
// substitutions were trees, the one returned was env itself when its own
// bindings were already solved (a tree built in the order env's bindings
// were made), else a tree built from the empty one in key order.
std::optional<Subst> solve_with_height(const Session& ses, const Subst& env0, int& height) {
  const std::size_t n = env0.size();
  SmallVec<const Subst::Binding*, 16> fs;  // env's bindings in key order
  for (const Subst::Binding& b : env0) fs.push_back(&b);
  std::sort(fs.begin(), fs.end(), [](const Subst::Binding* a, const Subst::Binding* b) {
    return by_name(a->var.get(), b->var.get());
  });
  // A triangular unifier without cycles is solved within one round per
  // binding; more rounds than that mean a cycle through stored values.
  std::size_t rounds = 2 * n + 8;
  Subst env = env0;
  for (bool first = true;; first = false) {
    for (const Subst::Binding* b : fs)
      if (occurs_deep(ses, b->var.get(), b->value, 1 << 20)) return std::nullopt;
    // The next round's env, made (in key order) from the first binding
    // that changes: most unifiers come out of unification solved.
    Subst env1;
    for (std::size_t i = 0; i < n; ++i) {
      support::stop_tick();
      Term t1 = termsubst(ses, env, fs[i]->value);
      if (env1.empty() && t1 == fs[i]->value) continue;
      if (env1.empty())
        for (std::size_t j = 0; j < i; ++j) env1.bind(fs[j]->var, fs[j]->value);
      env1.bind(fs[i]->var, t1);
    }
    if (env1.empty()) {
      const Subst::Binding* made = env.begin();
      height =
          first
              ? fpf_insertion_height(
                    n, [&](int i, int j) { return by_name(made[i].var.get(), made[j].var.get()); })
              : fpf_insertion_height(n, [](int i, int j) { return i < j; });
      return env;
    }
    if (rounds-- == 0) return std::nullopt;
    env = std::move(env1);
    fs.clear();
    for (const Subst::Binding& b : env) fs.push_back(&b);  // made in key order
  }
}

}  // namespace

// The equations are taken in list order: the stack holds them reversed.
std::optional<Subst> unify(const Session& ses, Subst env, std::vector<std::pair<Term, Term>> eqs) {
  Eqs st;
  for (auto it = eqs.rbegin(); it != eqs.rend(); ++it) st.push_back(std::move(*it));
  if (!unify_stack(ses, env, st)) return std::nullopt;
  return env;
}

// Rounds of substituting env into its own values until nothing changes.
// Each round first refuses a binding whose value mentions its own
// variable, so the rounds can only stop at a fixed point or give up.
std::optional<Subst> solve(const Session& ses, const Subst& env) {
  int height = 0;
  return solve_with_height(ses, env, height);
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
  Eqs eqs;  // an atom's equations: one buffer for the walk
};

// The placeholder of the binder pair at depth d. Made once for the process
// and kept, like the nodes of the bank.
const Term& placeholder(std::size_t d) {
  static auto* made = new std::vector<Term>;
  while (made->size() <= d) made->push_back(mk_bvar("#" + std::to_string(made->size())));
  return (*made)[d];
}

// termsubst of the placeholders of the binders of `sc` into t.
Term through(const Session& ses, const Scope& sc, const Term& t) {
  if (!t->has_evar() && !t->has_var()) return t;
  switch (t->kind()) {
    case TermKind::Var: {
      const int d = sc.find(t->name());
      return d >= 0 ? placeholder(static_cast<std::size_t>(d)) : t;
    }
    case TermKind::Fn: {
      auto args = map_args(t->args(), [&](const Term& a) { return through(ses, sc, a); });
      return args ? mk_fn_as(*t, std::move(*args)) : t;
    }
    case TermKind::Evar:
      if (const Term* v = evar_value(ses, t->key())) return through(ses, sc, *v);
      return t;
    default:  // Bvar, Cst
      return t;
  }
}

// Unifies p with q, extending env in place, formula kinds matching
// pairwise and quantifiers pairing their binders (see Binders). The bound
// variables never reach env: they are placeholders there, which only match
// themselves. On failure env holds a part of the unifier: callers drop it.
bool unify_lit(const Session& ses, Subst& env, const Formula& p, const Formula& q, Binders& b) {
  if (p->kind() != q->kind()) return false;
  support::stop_tick();
  switch (p->kind()) {
    case FormKind::False:
    case FormKind::True:
      return true;
    case FormKind::Atom: {
      // The equation Fn(n, a) = Fn(m, b), taken apart at once.
      const auto &a = p->args(), &c = q->args();
      if (!p->same_name(*q) || a.size() != c.size()) return false;
      Eqs& st = b.eqs;
      st.clear();
      const bool bound = b.left.depth() > 0;
      for (std::size_t i = a.size(); i-- > 0;) {
        if (bound)
          st.emplace_back(through(ses, b.left, a[i]), through(ses, b.right, c[i]));
        else
          st.emplace_back(a[i], c[i]);
      }
      return unify_stack(ses, env, st);
    }
    case FormKind::Not:
      return unify_lit(ses, env, p->left(), q->left(), b);
    case FormKind::And:
    case FormKind::Or:
    case FormKind::Imp:
    case FormKind::Iff:
      return unify_lit(ses, env, p->left(), q->left(), b) &&
             unify_lit(ses, env, p->right(), q->right(), b);
    case FormKind::Forall:
    case FormKind::Exists: {
      b.left.push(p->name());
      b.right.push(q->name());
      const bool r = unify_lit(ses, env, p->body(), q->body(), b);
      b.left.pop();
      b.right.pop();
      return r;
    }
  }
  return false;
}

// Whether the instantiation table links `key` to `wanted`: some group of
// key's entry holds KeyItem{wanted}. Such a link marks a resolution the
// user asked for with a hint, which `unif` then charges depth 0.
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
  Subst e = env;
  if (!unify_lit(ses, e, p, q, b)) return std::nullopt;
  return e;
}

// ---- Cheap filters and occurrence tests ----

namespace {
// Conservative: true unless the two terms clash at some position where
// neither side can still become anything.
bool may_unify_terms(const Term& s, const Term& t) {
  if (s == t) return true;
  support::stop_tick();
  const TermKind a = s->kind(), b = t->kind();
  // A variable (free, or bound and so a placeholder later), an existential
  // variable or a placeholder may still become anything.
  if (a == TermKind::Var || a == TermKind::Evar || a == TermKind::Bvar || b == TermKind::Var ||
      b == TermKind::Evar || b == TermKind::Bvar)
    return true;
  if (a != TermKind::Fn || b != TermKind::Fn) return false;  // a Cst is only itself
  if (!s->same_name(*t) || s->args().size() != t->args().size()) return false;
  for (std::size_t i = 0; i < s->args().size(); ++i)
    if (!may_unify_terms(s->args()[i], t->args()[i])) return false;
  return true;
}
}  // namespace

// A necessary condition only: it reads no stored value (an Evar matches
// anything), and the engine skips a pair only when it is false.
bool may_unify(const Formula& p, const Formula& q) {
  if (p == q) return true;
  if (p->kind() != q->kind()) return false;
  switch (p->kind()) {
    case FormKind::False:
    case FormKind::True:
      return true;
    case FormKind::Atom: {
      const auto &a = p->args(), &b = q->args();
      if (!p->same_name(*q) || a.size() != b.size()) return false;
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

// Looks inside Cst dependencies too: a constant that depends on e mentions
// it. A Bvar has no place in the terms the assistant asks about.
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

// e = t would be a cycle when e occurs in t below a symbol, or through the
// values of the Evars t is. t being e itself is no cycle (evar_value reads
// such a value as none).
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

// A single unification, unify_literals then solve, read the way `unif`
// reports it.
std::optional<Solved> solve_pair(const Session& ses, const Formula& a, const Formula& b) {
  Binders bs;
  Subst made;
  if (!unify_lit(ses, made, a, b, bs)) return std::nullopt;
  int h = 0;
  std::optional<Subst> env = solve_with_height(ses, made, h);
  if (!env) return std::nullopt;
  Formula f1 = formsubst(ses, *env, a);
  return Solved{std::move(*env), h, std::move(f1)};
}

// The engine's unification of two keyed formulas under the constraints of
// their clauses. Two clauses that bind one existential key to different
// values cannot meet. The resolvent's constraints: those of its one clause,
// or, for two, the bindings of both and the table of the clause whose table
// links the two keys (depth 0 then), else both tables joined.
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

}  // namespace fol
