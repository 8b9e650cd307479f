// Free variables and capture-avoiding substitution. Every walk returns its
// input itself where nothing changes (map_args, map_parts), so unchanged
// subformulas stay shared.
#include "fol/subst.h"

#include <algorithm>
#include <unordered_set>

#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

// ---- Free variables ----

namespace {
// Appends the Var names of t (unsorted, repeated), skipping Cst
// dependencies like the has_var flag does.
void collect_vars(const Term& t, Names& out) {
  if (!t->has_var()) return;
  if (t->kind() == TermKind::Var)
    out.push_back(t->name());
  else if (t->kind() == TermKind::Fn)
    for (const Term& a : t->args()) collect_vars(a, out);
}
// Sorted byte by byte without repetition: the Names representation.
Names to_set(Names v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}
}  // namespace

Names fvt(const Term& t) {
  Names v;
  collect_vars(t, v);
  return to_set(std::move(v));
}

namespace {
// The distinct Var nodes met so far, in the order first met. Past a few,
// membership goes through a set hashed by the nodes' structural hashes
// (looked up only, never iterated).
class FirstSeen {
 public:
  void add(const TermNode* v) {
    if (seen_.empty()) {
      for (const TermNode* w : out_)
        if (w == v) return;
      out_.push_back(v);
      if (out_.size() > kScan) seen_.insert(out_.begin(), out_.end());
    } else if (seen_.insert(v).second) {
      out_.push_back(v);
    }
  }
  std::vector<const TermNode*> take() { return std::move(out_); }

 private:
  static constexpr std::size_t kScan = 16;
  struct ByHash {
    std::size_t operator()(const TermNode* n) const { return n->hash(); }
  };
  std::vector<const TermNode*> out_;
  std::unordered_set<const TermNode*, ByHash> seen_;
};

void collect_free_term(const Term& t, const Scope& sc, FirstSeen& out) {
  if (!t->has_var()) return;
  if (t->kind() == TermKind::Var) {
    if (!sc.binds(t->name())) out.add(t.get());
  } else if (t->kind() == TermKind::Fn) {
    for (const Term& a : t->args()) collect_free_term(a, sc, out);
  }
}

// The free variables of f below the binders of `sc`, in the order first
// met. A walk with a scope rather than each node's own list: a chain of n
// quantifiers would otherwise keep n lists of up to n names.
void collect_free(const FormNode& f, Scope& sc, FirstSeen& out) {
  if (!f.has_var()) return;
  switch (f.kind()) {
    case FormKind::False:
    case FormKind::True:
      return;
    case FormKind::Atom:
      for (const Term& t : f.args()) collect_free_term(t, sc, out);
      return;
    case FormKind::Not:
      collect_free(*f.left(), sc, out);
      return;
    case FormKind::Forall:
    case FormKind::Exists:
      sc.push(f.name());
      collect_free(*f.body(), sc, out);
      sc.pop();
      return;
    default:
      collect_free(*f.left(), sc, out);
      collect_free(*f.right(), sc, out);
      return;
  }
}
}  // namespace

// Kept on the node asked only, never on the nodes below it.
const std::vector<const TermNode*>& FormNode::free_var_nodes() const {
  if (!fv_) {
    FirstSeen seen;
    Scope sc;
    collect_free(*this, sc, seen);
    fv_ = std::make_unique<FreeVarCache>();
    fv_->ordered = seen.take();
    fv_->ordered.shrink_to_fit();
  }
  return fv_->ordered;
}

const Names& FormNode::free_vars() const {
  if (!fv_ || !fv_->sorted) {
    Names v;
    for (const TermNode* x : free_var_nodes()) v.push_back(x->name());
    std::sort(v.begin(), v.end());  // distinct nodes: distinct names
    fv_->sorted = std::move(v);
  }
  return *fv_->sorted;
}

Names free_vars(const Formula& f) { return f->free_vars(); }

// x, primed until it is none of vars: the new name of a binder that a
// substitution would otherwise capture.
std::string variant(std::string x, const Names& vars) {
  while (std::find(vars.begin(), vars.end(), x) != vars.end()) x += '\'';
  return x;
}

// ---- Substitution ----

// A term without an Evar is unchanged when s is empty or t has no Var; an
// Evar is read through its stored value first, and only an Evar without a
// value is replaced by what s binds to its key.
Term termsubst(const Session& ses, const Subst& s, const Term& t) {
  if (!t->has_evar() && (s.empty() || !t->has_var())) return t;
  switch (t->kind()) {
    case TermKind::Var: {
      const Term* v = s.find(t->name());
      return v ? *v : t;
    }
    case TermKind::Fn: {
      auto args = map_args(t->args(), [&](const Term& a) { return termsubst(ses, s, a); });
      return args ? mk_fn(t->name(), std::move(*args)) : t;
    }
    case TermKind::Bvar:
    case TermKind::Cst:
      return t;
    case TermKind::Evar: {
      if (const Term* v = evar_value(ses, t->key())) return termsubst(ses, s, *v);
      const Term* b = s.find(t->key());
      return b ? *b : t;
    }
  }
  return t;
}

namespace {

// The variables of the images of s, read at the first binder a walk
// crosses: a binder whose name is not among them cannot be captured, and
// the walk then needs no free variables below it.
class Range {
 public:
  explicit Range(const Subst& s) : s_(s) {}
  bool has(const std::string& x) {
    if (!names_) {
      Names v;
      for (const auto& kv : s_.funset()) collect_vars(kv.second, v);
      names_ = to_set(std::move(v));
    }
    return std::binary_search(names_->begin(), names_->end(), x);
  }

 private:
  const Subst& s_;
  std::optional<Names> names_;
};

Formula formsubstq(const Session& ses, const Subst& s, Range& range, FormKind q,
                   const std::string& x, const Formula& p);

// formsubst below the binders crossed so far. Returns f itself wherever
// nothing changes, so unchanged subformulas stay shared.
Formula subst_f(const Session& ses, const Subst& s, Range& range, const Formula& f) {
  if (!f->has_evar() && (s.empty() || !f->has_var())) return f;
  support::stop_tick();  // a long walk must still notice an interrupt
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return f;
    case FormKind::Forall:
    case FormKind::Exists: {
      Formula r = formsubstq(ses, s, range, f->kind(), f->name(), f->body());
      return r->name() == f->name() && r->body() == f->body() ? f : r;
    }
    default:
      return map_parts(
          f, [&](const Term& t) { return termsubst(ses, s, t); },
          [&](const Formula& g) { return subst_f(ses, s, range, g); });
  }
}

bool term_has_var(const Term& t, const std::string& x) {
  if (!t->has_var()) return false;
  if (t->kind() == TermKind::Var) return t->name() == x;
  if (t->kind() == TermKind::Fn)
    for (const Term& a : t->args())
      if (term_has_var(a, x)) return true;
  return false;
}

// The quantifier case of formsubst: q x. p under s, where `range` holds
// the variables of the images of s or more.
// Crossing binder x: s no longer applies to x inside. The binder is renamed
// only when capture is real, i.e. some free y of the body is sent to a term
// that mentions x; then x becomes a variant free in nothing the substituted
// body holds, and the body is substituted with x sent to it.
Formula formsubstq(const Session& ses, const Subst& s, Range& range, FormKind q,
                   const std::string& x, const Formula& p) {
  Subst s1 = s.remove(x);
  bool capture = false;
  if (range.has(x)) {
    for (const std::string& y : p->free_vars()) {
      if (y == x) continue;
      if (const Term* img = s1.find(y); img && term_has_var(*img, x)) {
        capture = true;
        break;
      }
    }
  }
  if (!capture) return mk_quant(q, x, subst_f(ses, s1, range, p));
  std::string x1 = variant(x, formsubst(ses, s1, p)->free_vars());
  Subst s2 = s.add(x, mk_var(x1));
  Range r2(s2);
  return mk_quant(q, x1, subst_f(ses, s2, r2, p));
}

}  // namespace

Formula formsubst(const Session& ses, const Subst& s, const Formula& f) {
  Range range(s);
  return subst_f(ses, s, range, f);
}

KFormula apply_subst(const Session& ses, const Subst& s, const KFormula& f) {
  return {formsubst(ses, s, f.f), f.key};
}

// Cst(x, []) prints as x, so the goal reads as it was written.
Formula rigid_free_vars(const Session& ses, const Formula& f) {
  Subst s;
  for (const std::string& x : f->free_vars()) s = s.add(x, mk_cst(x, {}));
  return formsubst(ses, s, f);
}

}  // namespace fol
