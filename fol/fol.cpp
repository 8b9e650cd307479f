// The node bank (hash-consing), the structural order, the store of
// existential-variable values, free variables and substitution.
//
// Invariant of the bank: a live node is the only one with its structure, so
// `==` on handles is structural equality, and each node carries facts about
// its subtree (flags, sizes, hashes) computed once when it is made. Every
// walk below starts by asking those flags whether it can return its input
// untouched, which keeps shared subterms shared.
//
// Existential values are not part of a term: they live in the Session a
// caller passes, and an Evar with a value stands for that value wherever a
// function here takes a Session.
#include "fol/fol.h"

#include <algorithm>
#include <climits>

#include "fol/scope.h"
#include "support/signals.h"

namespace fol {

namespace {

// Address-free hashing: FNV-1a on names, a 64-bit mixer on combinations.
// No address goes in, so hashes (and anything the engine files by them) are
// the same on every run.
std::size_t hash_str(const std::string& s) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return static_cast<std::size_t>(h);
}
std::size_t mix(std::size_t h, std::size_t v) {
  std::uint64_t x = static_cast<std::uint64_t>(h) ^
                    (static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ULL +
                     (static_cast<std::uint64_t>(h) << 6) + (static_cast<std::uint64_t>(h) >> 2));
  x ^= x >> 31;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 29;
  return static_cast<std::size_t>(x);
}
// Sizes saturate rather than wrap: a huge term weighs most, never least.
int sat_add(int a, int b) { return (a > INT_MAX - b) ? INT_MAX : a + b; }

}  // namespace

// The alpha hash leaves out the names of variables, free and bound, so
// formulas equal up to those names hash alike (see equal_formula).
std::size_t alpha_seed(TermKind k, const std::string& name, const std::string& key) {
  return mix(static_cast<std::size_t>(k) + 1,
             k == TermKind::Var ? 0 : mix(hash_str(name), hash_str(key)));
}
std::size_t alpha_seed(FormKind k, const std::string& name) {
  const bool quant = k == FormKind::Forall || k == FormKind::Exists;
  return mix(static_cast<std::size_t>(k) + 101, quant ? 0 : hash_str(name));
}
std::size_t alpha_step(std::size_t h, std::size_t part) { return mix(h, part); }

// Live nodes by structural hash: open addressing with linear probing and
// backward-shift deletion, so lookups touch one flat array. Only probed by
// hash, never iterated, so its layout cannot reach any output.
template <class N>
class NodeTable {
 public:
  NodeTable() : slots_(1024) {}
  std::size_t size() const { return count_; }

  // The live node with hash h for which eq(node) holds, or nullptr.
  template <class Eq>
  const N* find(std::size_t h, Eq&& eq) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (!s.p) return nullptr;
      if (s.h == h && eq(s.p)) return s.p;
    }
  }
  // p must not be in the table. Grows first, so at least half of the slots
  // stay empty and every probe meets an empty slot soon.
  void insert(std::size_t h, const N* p) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place(h, p);
    ++count_;
  }
  // p must be in the table under hash h. No tombstones: the run after the
  // hole is shifted back, so `find` may keep stopping at the first empty slot.
  void erase(std::size_t h, const N* p) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].p != p) i = (i + 1) & mask;
    // Backward shift: pull later members of the probe run into the hole.
    std::size_t j = i;
    while (true) {
      j = (j + 1) & mask;
      if (!slots_[j].p) break;
      std::size_t home = slots_[j].h & mask;
      bool movable = (j > i) ? (home <= i || home > j) : (home <= i && home > j);
      if (movable) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i] = Slot{};
    --count_;
  }

 private:
  struct Slot {
    std::size_t h = 0;
    const N* p = nullptr;
  };
  void place(std::size_t h, const N* p) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].p) i = (i + 1) & mask;
    slots_[i] = Slot{h, p};
  }
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    for (const Slot& s : old)
      if (s.p) place(s.h, s.p);
  }
  std::vector<Slot> slots_;  // size a power of two, at most half full
  std::size_t count_ = 0;
};

// The interning tables of terms and formulas. Shared by the whole process,
// not by a Session: they cache immutable values and hold no state of any
// proof. No lock: they are used by one thread at a time (the command loop's;
// a thread that builds formulas is started and joined around it, never run
// beside it), and the handle counts are not atomic either.
struct Bank {
  NodeTable<TermNode> terms;
  NodeTable<FormNode> forms;
  std::size_t cst_evar_made = 0;

  static Bank& get() {
    static Bank* b = new Bank;  // never destroyed: static handles may outlive main
    return *b;
  }

  static bool same_args(const std::vector<Term>& a, const std::vector<Term>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!(a[i] == b[i])) return false;
    return true;
  }

  // The one term node for (k, name, key, args). Side effects: may make a
  // node and enter it in `terms`.
  Term term(TermKind k, const std::string& name, const std::string& key, std::vector<Term> args) {
    std::size_t h = mix(mix(static_cast<std::size_t>(k) + 1, hash_str(name)), hash_str(key));
    for (const Term& a : args) h = mix(h, a->hash());
    if (const TermNode* n = terms.find(h, [&](const TermNode* n) {
          return n->kind_ == k && n->name_ == name && n->key_ == key && same_args(n->args_, args);
        }))
      return Term(n);
    auto* n = new TermNode;
    n->kind_ = k;
    n->name_ = name;
    n->key_ = key;
    n->hash_ = h;
    std::size_t ah = alpha_seed(k, name, key);
    int sz = 1;
    // Only an Fn passes its children's flags and sizes up: the dependencies
    // of a Cst are never substituted into or renamed (a Cst is one rigid
    // individual), so walks that the flags guard must not enter them.
    if (k == TermKind::Fn) {
      for (const Term& a : args) {
        n->has_var_ |= a->has_var_;
        n->has_evar_ |= a->has_evar_;
        n->has_bvar_ |= a->has_bvar_;
        sz = sat_add(sz, a->size_);
      }
    }
    for (const Term& a : args) ah = alpha_step(ah, a->ahash_);
    n->has_var_ |= k == TermKind::Var;
    n->has_evar_ |= k == TermKind::Evar;
    n->has_bvar_ |= k == TermKind::Bvar;
    n->size_ = sz;
    n->ahash_ = ah;
    n->args_ = std::move(args);
    if (k == TermKind::Cst || k == TermKind::Evar) ++cst_evar_made;
    terms.insert(h, n);
    return Term(n);
  }

  // The one formula node for (k, name, args, a, b). Side effects: may make a
  // node and enter it in `forms`.
  Formula form(FormKind k, const std::string& name, std::vector<Term> args, Formula a, Formula b) {
    std::size_t h = mix(static_cast<std::size_t>(k) + 101, hash_str(name));
    for (const Term& t : args) h = mix(h, t->hash());
    if (a) h = mix(h, a->hash());
    if (b) h = mix(h, b->hash());
    if (const FormNode* n = forms.find(h, [&](const FormNode* n) {
          return n->kind_ == k && n->name_ == name && n->a_ == a && n->b_ == b &&
                 same_args(n->args_, args);
        }))
      return Formula(n);
    auto* n = new FormNode;
    n->kind_ = k;
    n->name_ = name;
    n->hash_ = h;
    std::size_t ah = alpha_seed(k, name);
    int sz = 1;
    for (const Term& t : args) {
      ah = alpha_step(ah, t->ahash_);
      n->has_var_ |= t->has_var_;
      n->has_evar_ |= t->has_evar_;
      n->has_bvar_ |= t->has_bvar_;
      sz = sat_add(sz, t->size_);
    }
    for (const Formula* c : {&a, &b}) {
      if (!*c) continue;
      const FormNode* cn = c->get();
      ah = alpha_step(ah, cn->ahash_);
      n->has_var_ |= cn->has_var_;
      n->has_evar_ |= cn->has_evar_;
      n->has_bvar_ |= cn->has_bvar_;
      sz = sat_add(sz, cn->size_);
    }
    n->size_ = sz;
    n->ahash_ = ah;
    n->args_ = std::move(args);
    n->a_ = std::move(a);
    n->b_ = std::move(b);
    forms.insert(h, n);
    return Formula(n);
  }
};

// Freeing a node drops its children's handles, which may free them in turn:
// nodes to free are queued and one loop frees them, so freeing a deep
// formula never recurses (it may happen on a thread with a small stack).
namespace {
struct FreeQueue {
  std::vector<const TermNode*> terms;
  std::vector<const FormNode*> forms;
  bool draining = false;
};
// Process-wide like the bank it feeds; `draining` marks the one loop that
// runs, so a release met inside it only queues.
FreeQueue& free_queue() {
  static FreeQueue* q = new FreeQueue;
  return *q;
}
void drain(FreeQueue& q) {
  q.draining = true;
  while (!q.terms.empty() || !q.forms.empty()) {
    if (!q.forms.empty()) {
      const FormNode* n = q.forms.back();
      q.forms.pop_back();
      Bank::get().forms.erase(n->hash(), n);
      delete n;
    } else {
      const TermNode* n = q.terms.back();
      q.terms.pop_back();
      Bank::get().terms.erase(n->hash(), n);
      delete n;
    }
  }
  q.draining = false;
}
}  // namespace

void TermNode::release(const TermNode* n) {
  FreeQueue& q = free_queue();
  q.terms.push_back(n);
  if (!q.draining) drain(q);
}
void FormNode::release(const FormNode* n) {
  FreeQueue& q = free_queue();
  q.forms.push_back(n);
  if (!q.draining) drain(q);
}

BankStats bank_stats() {
  Bank& b = Bank::get();
  return {b.terms.size(), b.forms.size(), b.cst_evar_made};
}

// ---- Construction ----

// Every constructor goes through the bank, so a value built twice is the
// same node. True and False are made once and kept for the process.

Term mk_var(const std::string& x) { return Bank::get().term(TermKind::Var, x, "", {}); }
Term mk_fn(const std::string& f, std::vector<Term> args) {
  return Bank::get().term(TermKind::Fn, f, "", std::move(args));
}
Term mk_bvar(const std::string& x) { return Bank::get().term(TermKind::Bvar, x, "", {}); }
Term mk_cst(const std::string& c, std::vector<Term> deps) {
  return Bank::get().term(TermKind::Cst, c, "", std::move(deps));
}
Term mk_evar(const std::string& key, const std::string& name) {
  return Bank::get().term(TermKind::Evar, name, key, {});
}

Formula mk_false() {
  static const Formula f = Bank::get().form(FormKind::False, "", {}, {}, {});
  return f;
}
Formula mk_true() {
  static const Formula f = Bank::get().form(FormKind::True, "", {}, {}, {});
  return f;
}
Formula mk_atom(const std::string& p, std::vector<Term> args) {
  return Bank::get().form(FormKind::Atom, p, std::move(args), {}, {});
}
Formula mk_not(Formula p) { return Bank::get().form(FormKind::Not, "", {}, std::move(p), {}); }
Formula mk_binary(FormKind k, Formula p, Formula q) {
  return Bank::get().form(k, "", {}, std::move(p), std::move(q));
}
Formula mk_and(Formula p, Formula q) {
  return mk_binary(FormKind::And, std::move(p), std::move(q));
}
Formula mk_or(Formula p, Formula q) { return mk_binary(FormKind::Or, std::move(p), std::move(q)); }
Formula mk_imp(Formula p, Formula q) {
  return mk_binary(FormKind::Imp, std::move(p), std::move(q));
}
Formula mk_iff(Formula p, Formula q) {
  return mk_binary(FormKind::Iff, std::move(p), std::move(q));
}
Formula mk_quant(FormKind k, const std::string& x, Formula p) {
  return Bank::get().form(k, x, {}, std::move(p), {});
}
Formula mk_forall(const std::string& x, Formula p) {
  return mk_quant(FormKind::Forall, x, std::move(p));
}
Formula mk_exists(const std::string& x, Formula p) {
  return mk_quant(FormKind::Exists, x, std::move(p));
}

// ---- Structural order ----

namespace {
int cmp_str(const std::string& a, const std::string& b) {
  int c = a.compare(b);  // char_traits<char>::compare is unsigned, byte by byte
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}
int cmp_args(const std::vector<Term>& a, const std::vector<Term>& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (int c = compare(a[i], b[i])) return c;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
}  // namespace

// Never reads an address, so sorting by it gives the same order on every
// run. The identity test first: interned equal values are one node.
int compare(const Term& a, const Term& b) {
  if (a == b) return 0;
  if (a->kind() != b->kind()) return a->kind() < b->kind() ? -1 : 1;
  switch (a->kind()) {
    case TermKind::Var:
    case TermKind::Bvar:
      return cmp_str(a->name(), b->name());
    case TermKind::Fn:
    case TermKind::Cst:
      if (int c = cmp_str(a->name(), b->name())) return c;
      return cmp_args(a->args(), b->args());
    case TermKind::Evar:
      if (int c = cmp_str(a->key(), b->key())) return c;
      return cmp_str(a->name(), b->name());
  }
  return 0;
}

int compare(const Formula& a, const Formula& b) {
  if (a == b) return 0;
  if (a->kind() != b->kind()) return a->kind() < b->kind() ? -1 : 1;
  switch (a->kind()) {
    case FormKind::False:
    case FormKind::True:
      return 0;
    case FormKind::Atom:
      if (int c = cmp_str(a->name(), b->name())) return c;
      return cmp_args(a->args(), b->args());
    case FormKind::Not:
      return compare(a->left(), b->left());
    case FormKind::And:
    case FormKind::Or:
    case FormKind::Imp:
    case FormKind::Iff:
      if (int c = compare(a->left(), b->left())) return c;
      return compare(a->right(), b->right());
    case FormKind::Forall:
    case FormKind::Exists:
      if (int c = cmp_str(a->name(), b->name())) return c;
      return compare(a->body(), b->body());
  }
  return 0;
}

// ---- Existential-variable values ----

// The store is kept oldest first, so adding a value is a push at the back;
// the interface speaks most recent first, so set and give reverse it. A key
// may hold several pairs: the most recent one is its value.
namespace {
// The most recent pair for key, without the cycle test of evar_value.
const Term* raw_value(const EvarVals& oldest_first, const std::string& key) {
  for (auto it = oldest_first.rbegin(); it != oldest_first.rend(); ++it)
    if (it->first == key) return &it->second;
  return nullptr;
}
}  // namespace

void set_evar_val(Session& ses, const EvarVals& vals) {
  ses.evars_.assign(vals.rbegin(), vals.rend());
}
EvarVals give_evar_val(const Session& ses) {
  return EvarVals(ses.evars_.rbegin(), ses.evars_.rend());
}
void add_evar_val(Session& ses, const std::string& key, const Term& t) {
  ses.evars_.emplace_back(key, t);
}

// A chain of values that are bare existential variables and comes back to
// where it started (e set to itself) is read as no value, so that every walk
// through stored values ends. Cycles through a function symbol are refused
// before storing (`exists_cycles`).
const Term* evar_value(const Session& ses, const std::string& key) {
  const Term* v = raw_value(ses.evars_, key);
  if (!v) return nullptr;
  const Term* cur = v;
  std::vector<const std::string*> seen{&key};
  while ((*cur)->kind() == TermKind::Evar) {
    const std::string& k = (*cur)->key();
    for (const std::string* s : seen)
      if (*s == k) return nullptr;
    seen.push_back(&k);
    cur = raw_value(ses.evars_, k);
    if (!cur) break;
  }
  return v;
}

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
// The free variables of f below the binders of `sc`, appended unsorted.
// A walk with a scope rather than each node's own set: a chain of n
// quantifiers would otherwise keep n sets of up to n names.
void collect_free(const FormNode& f, Scope& sc, Names& out) {
  if (!f.has_var()) return;
  switch (f.kind()) {
    case FormKind::False:
    case FormKind::True:
      return;
    case FormKind::Atom: {
      const std::size_t from = out.size();
      for (const Term& t : f.args()) collect_vars(t, out);
      if (sc.depth() > 0)
        out.erase(std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                                 [&](const std::string& v) { return sc.binds(v); }),
                  out.end());
      return;
    }
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
const Names& FormNode::free_vars() const {
  if (fv_) return *fv_;
  Names r;
  Scope sc;
  collect_free(*this, sc, r);
  // Exact size: the walk also met bound names, which the set dropped.
  Names v = to_set(std::move(r));
  v.shrink_to_fit();
  fv_ = std::move(v);
  return *fv_;
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
      std::vector<Term> args;
      bool changed = false;
      args.reserve(t->args().size());
      for (const Term& a : t->args()) {
        args.push_back(termsubst(ses, s, a));
        changed |= !(args.back() == a);
      }
      return changed ? mk_fn(t->name(), std::move(args)) : t;
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

Formula subst_q(const Session& ses, const Subst& s, Range& range, FormKind q, const std::string& x,
                const Formula& p);

// formsubst below the binders crossed so far. Returns f itself wherever
// nothing changes, so unchanged subformulas stay shared.
Formula subst_f(const Session& ses, const Subst& s, Range& range, const Formula& f) {
  if (!f->has_evar() && (s.empty() || !f->has_var())) return f;
  support::stop_tick();  // a long walk must still notice an interrupt
  switch (f->kind()) {
    case FormKind::False:
    case FormKind::True:
      return f;
    case FormKind::Atom: {
      std::vector<Term> args;
      bool changed = false;
      args.reserve(f->args().size());
      for (const Term& a : f->args()) {
        args.push_back(termsubst(ses, s, a));
        changed |= !(args.back() == a);
      }
      return changed ? mk_atom(f->name(), std::move(args)) : f;
    }
    case FormKind::Not: {
      Formula p = subst_f(ses, s, range, f->left());
      return p == f->left() ? f : mk_not(std::move(p));
    }
    case FormKind::And:
    case FormKind::Or:
    case FormKind::Imp:
    case FormKind::Iff: {
      Formula p = subst_f(ses, s, range, f->left());
      Formula q = subst_f(ses, s, range, f->right());
      return (p == f->left() && q == f->right()) ? f
                                                 : mk_binary(f->kind(), std::move(p), std::move(q));
    }
    case FormKind::Forall:
    case FormKind::Exists: {
      Formula r = subst_q(ses, s, range, f->kind(), f->name(), f->body());
      return r->name() == f->name() && r->body() == f->body() ? f : r;
    }
  }
  return f;
}

bool term_has_var(const Term& t, const std::string& x) {
  if (!t->has_var()) return false;
  if (t->kind() == TermKind::Var) return t->name() == x;
  if (t->kind() == TermKind::Fn)
    for (const Term& a : t->args())
      if (term_has_var(a, x)) return true;
  return false;
}

// `range` holds the variables of the images of s or more.
// Crossing binder x: s no longer applies to x inside. The binder is renamed
// only when capture is real, i.e. some free y of the body is sent to a term
// that mentions x; then x becomes a variant free in nothing the substituted
// body holds, and the body is substituted with x sent to it.
Formula subst_q(const Session& ses, const Subst& s, Range& range, FormKind q, const std::string& x,
                const Formula& p) {
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

Formula formsubstq(const Session& ses, const Subst& s, FormKind q, const std::string& x,
                   const Formula& p) {
  Range range(s);
  return subst_q(ses, s, range, q, x, p);
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
