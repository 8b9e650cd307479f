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

// ---- Substitutions ----

Subst::Buffer* Subst::make(std::size_t cap) {
  static_assert(sizeof(Buffer) % alignof(Binding) == 0);
  void* p = ::operator new(sizeof(Buffer) + cap * sizeof(Binding));
  auto* b = new (p) Buffer;
  b->cap = static_cast<std::uint32_t>(cap);
  return b;
}

void Subst::destroy(Buffer* b) {
  for (std::uint32_t i = 0; i < b->n; ++i) b->data()[i].~Binding();
  b->~Buffer();
  ::operator delete(b);
}

Subst::Buffer& Subst::own(std::size_t extra) {
  const std::size_t n = size();
  if (buf_ && buf_->rc == 1 && n + extra <= buf_->cap) return *buf_;
  Buffer* b = make(std::max<std::size_t>({4, n + extra, buf_ && buf_->rc == 1 ? 2 * n : 0}));
  if (buf_) {
    const bool shared = buf_->rc > 1;
    for (std::size_t i = 0; i < n; ++i) {
      Binding& from = buf_->data()[i];
      new (b->data() + i) Binding(shared ? from : std::move(from));
    }
    b->n = static_cast<std::uint32_t>(n);
    if (!shared) b->index = std::move(buf_->index);  // the same positions
    release();
  }
  buf_ = b;
  return *b;
}

// The index is built on the first lookup that needs it, then kept up to
// date by `bind` (a shared buffer never changes, so its index stays right).
const Term* Subst::probe(std::size_t h, const TermNode* var, const std::string* key) const {
  const Binding* b = buf_->data();
  if (buf_->index.empty())
    buf_->index.build(size(), [&](std::size_t i) { return b[i].var->hash(); });
  std::optional<std::size_t> at = buf_->index.find(
      h, [&](std::size_t i) { return var ? b[i].var.get() == var : b[i].var->name() == *key; });
  return at ? &b[*at].value : nullptr;
}

const Term* Subst::find(const TermNode* var) const {
  if (size() <= kScan) {
    for (const Binding& e : *this)
      if (e.var.get() == var) return &e.value;
    return nullptr;
  }
  return probe(var->hash(), var, nullptr);
}

// Where var is bound among the bindings, found as `find` finds it: the
// value found is a member of one binding of the buffer.
std::optional<std::size_t> Subst::position(const TermNode* var) const {
  const Term* v = find(var);
  if (!v) return std::nullopt;
  const auto* first = reinterpret_cast<const char*>(&begin()->value);
  return static_cast<std::size_t>(reinterpret_cast<const char*>(v) - first) / sizeof(Binding);
}

const Term* Subst::find(const std::string& key) const {
  if (size() <= kScan) {
    for (const Binding& e : *this)
      if (e.var->name() == key) return &e.value;
    return nullptr;
  }
  return probe(var_hash(key), nullptr, &key);
}

const Term& Subst::apply(const std::string& key) const {
  const Term* v = find(key);
  if (!v) throw support::Failure("apply");
  return *v;
}

Term Subst::tryapplyd(const std::string& key, const Term& d) const {
  const Term* v = find(key);
  return v ? *v : d;
}

void Subst::bind(const Term& var, const Term& v) {
  Buffer& b = own(1);
  new (b.data() + b.n) Binding{var, v};
  ++b.n;
  if (!b.index.empty()) b.index.put(var->hash(), b.n - 1, b.n);
}

void Subst::set(const Term& var, const Term& v) {
  if (const std::optional<std::size_t> i = position(var.get())) {
    own(0).data()[*i].value = v;  // the same key: the index stays right
    return;
  }
  bind(var, v);
}

Subst Subst::add(const Term& var, const Term& v) const {
  Subst r = *this;
  r.set(var, v);
  return r;
}

Subst Subst::remove(const std::string& key) const {
  if (!find(key)) return *this;
  Subst r;
  Buffer& b = r.own(size() - 1);
  for (const Binding& e : *this)
    if (e.var->name() != key) new (b.data() + b.n++) Binding(e);
  return r;
}

void Subst::truncate(std::size_t n) {
  if (n >= size()) return;
  Buffer& b = own(0);
  while (b.n > n) b.data()[--b.n].~Binding();
  b.index.clear();
}

std::vector<const Subst::Binding*> Subst::sorted() const {
  std::vector<const Binding*> v;
  v.reserve(size());
  for (const Binding& e : *this) v.push_back(&e);
  std::sort(v.begin(), v.end(),
            [](const Binding* a, const Binding* b) { return a->var->name() < b->var->name(); });
  return v;
}

std::vector<std::pair<std::string, Term>> Subst::funset() const {
  std::vector<std::pair<std::string, Term>> r;
  r.reserve(size());
  for_each([&](const std::string& k, const Term& v) { r.emplace_back(k, v); });
  return r;
}

Names Subst::dom() const {
  Names r;
  r.reserve(size());
  for_each([&](const std::string& k, const Term&) { r.push_back(k); });
  return r;
}

// ---- Substitution ----

// A term without an Evar is unchanged when s is empty or t has no Var; an
// Evar is read through its stored value first, and only an Evar without a
// value is replaced by what s binds to its key.
Term termsubst(const Session& ses, const Subst& s, const Term& t) {
  if (!t->has_evar() && (s.empty() || !t->has_var())) return t;
  switch (t->kind()) {
    case TermKind::Var: {
      const Term* v = s.find(t.get());
      return v ? *v : t;
    }
    case TermKind::Fn: {
      support::stop_tick();  // terms can be as long as a line
      auto args = map_args(t->args(), [&](const Term& a) { return termsubst(ses, s, a); });
      return args ? mk_fn_as(*t, std::move(*args)) : t;
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

bool term_has_var(const Term& t, const std::string& x) {
  if (!t->has_var()) return false;
  if (t->kind() == TermKind::Var) return t->name() == x;
  if (t->kind() == TermKind::Fn)
    for (const Term& a : t->args())
      if (term_has_var(a, x)) return true;
  return false;
}

// formsubst as one walk. The binders crossed so far act on s as they are
// crossed: each takes its name out of s inside it, and one renamed to
// avoid capture sends its name to the new variable instead. So a key is
// looked up first among the binders (innermost first), then in s.
class SubstWalk {
 public:
  SubstWalk(const Session& ses, const Subst& s) : ses_(ses), s_(s) {}

  // f under s below the binders crossed; f itself wherever nothing changes,
  // so unchanged subformulas stay shared.
  Formula form(const Formula& f) {
    if (!f->has_evar() && ((s_.empty() && renamed_ == 0) || !f->has_var())) return f;
    support::stop_tick();  // a long walk must still notice an interrupt
    switch (f->kind()) {
      case FormKind::False:
      case FormKind::True:
        return f;
      case FormKind::Forall:
      case FormKind::Exists:
        return formsubstq(f);
      default:
        return map_parts(
            f, [&](const Term& t) { return term(t); }, [&](const Formula& g) { return form(g); });
    }
  }

 private:
  // The image of key x below the binders crossed: found is false when s
  // (as the binders leave it) does not bind x.
  const Term* image(const std::string& x, const TermNode* var, bool& found) const {
    const int d = bound_.find(x);
    if (d >= 0) {
      const Term& to = to_[static_cast<std::size_t>(d)];
      found = static_cast<bool>(to);
      return found ? &to : nullptr;
    }
    const Term* v = var ? s_.find(var) : s_.find(x);
    found = v != nullptr;
    return v;
  }

  Term term(const Term& t) {
    if (bound_.depth() == 0) return termsubst(ses_, s_, t);
    if (!t->has_evar() && !t->has_var()) return t;
    bool found = false;
    switch (t->kind()) {
      case TermKind::Var: {
        const Term* v = image(t->name(), t.get(), found);
        return found ? *v : t;
      }
      case TermKind::Fn: {
        auto args = map_args(t->args(), [&](const Term& a) { return term(a); });
        return args ? mk_fn_as(*t, std::move(*args)) : t;
      }
      case TermKind::Evar: {
        if (const Term* v = evar_value(ses_, t->key())) return term(*v);
        const Term* b = image(t->key(), nullptr, found);
        return found ? *b : t;
      }
      default:  // Bvar, Cst
        return t;
    }
  }

  // The variables of the images of s and of the renamed binders, or more:
  // a binder whose name is not among them cannot be captured, and the walk
  // then needs no free variables below it.
  bool range_has(const std::string& x) {
    if (!range_) {
      Names v;
      for (const Subst::Binding& b : s_) collect_vars(b.value, v);
      range_ = to_set(std::move(v));
    }
    if (std::binary_search(range_->begin(), range_->end(), x)) return true;
    for (std::size_t d = 0; d < to_.size(); ++d)
      if (to_[d] && to_[d]->name() == x) return true;
    return false;
  }

  // The quantifier case: q x. p. Inside, s no longer applies to x. The
  // binder is renamed only when capture is real, i.e. some free y of the
  // body is sent to a term that mentions x; then x becomes a variant free
  // in nothing the substituted body holds, and the body is substituted
  // with x sent to it.
  Formula formsubstq(const Formula& f) {
    const std::string& x = f->name();
    const Formula& p = f->body();
    bool capture = false;
    if (range_has(x)) {
      for (const std::string& y : p->free_vars()) {
        if (y == x) continue;
        bool found = false;
        const Term* img = image(y, nullptr, found);
        if (found && term_has_var(*img, x)) {
          capture = true;
          break;
        }
      }
    }
    if (!capture) {
      Formula body = inside(x, Term(), p);
      return body == p ? f : mk_quant_as(*f, std::move(body));
    }
    const std::string x1 = variant(x, inside(x, Term(), p)->free_vars());
    return mk_quant(f->kind(), x1, inside(x, mk_var(x1), p));
  }

  // p below one more binder, on x, that sends x to `to` (itself when null).
  Formula inside(const std::string& x, Term to, const Formula& p) {
    bound_.push(x);
    renamed_ += static_cast<bool>(to);
    to_.push_back(std::move(to));
    Formula r = form(p);
    renamed_ -= static_cast<bool>(to_.back());
    to_.pop_back();
    bound_.pop();
    return r;
  }

  const Session& ses_;
  const Subst& s_;
  Scope bound_;           // the binders crossed, innermost last
  SmallVec<Term, 8> to_;  // by depth: the new variable of a renamed binder, else null
  int renamed_ = 0;       // how many binders crossed are renamed
  std::optional<Names> range_;
};

}  // namespace

Formula formsubst(const Session& ses, const Subst& s, const Formula& f) {
  // Without an Evar (whose stored value would be read in), a formula none
  // of whose free variables s binds is its own image; its free variables
  // are cached, so most literals of a clause are settled without a walk.
  if (!f->has_evar()) {
    if (s.empty() || !f->has_var()) return f;
    bool touched = false;
    for (const TermNode* v : f->free_var_nodes())
      if (s.find(v)) {
        touched = true;
        break;
      }
    if (!touched) return f;
  }
  SubstWalk w(ses, s);
  return w.form(f);
}

KFormula apply_subst(const Session& ses, const Subst& s, const KFormula& f) {
  return {formsubst(ses, s, f.f), f.key};
}

// Cst(x, []) prints as x, so the goal reads as it was written.
Formula rigid_free_vars(const Session& ses, const Formula& f) {
  if (!f->has_var()) return formsubst(ses, Subst(), f);
  Subst s;
  for (const TermNode* x : f->free_var_nodes()) s.bind(Term(x), mk_cst(x->name(), {}));
  return formsubst(ses, s, f);
}

}  // namespace fol
