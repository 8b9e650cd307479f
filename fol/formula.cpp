// The node bank (hash-consing), construction and the structural order.
//
// Invariant of the bank: a live node is the only one with its structure, so
// `==` on handles is structural equality, and each node carries facts about
// its subtree (flags, sizes, hashes) computed once when it is made. The
// walks elsewhere start by asking those flags whether they can return their
// input untouched, which keeps shared subterms shared.
#include "fol/formula.h"

#include <algorithm>
#include <climits>

#include "support/errors.h"

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

// The alpha hash leaves out the names of variables, free and bound, so
// formulas equal up to those names hash alike (see equal_formula). From
// the hashes of the names, which the structural hash needs too.
std::size_t term_seed(TermKind k, std::size_t name_h, std::size_t key_h) {
  return mix(static_cast<std::size_t>(k) + 1, k == TermKind::Var ? 0 : mix(name_h, key_h));
}
std::size_t form_seed(FormKind k, std::size_t name_h) {
  const bool quant = k == FormKind::Forall || k == FormKind::Exists;
  return mix(static_cast<std::size_t>(k) + 101, quant ? 0 : name_h);
}

}  // namespace

std::size_t alpha_seed(TermKind k, const std::string& name, const std::string& key) {
  return term_seed(k, hash_str(name), hash_str(key));
}
std::size_t alpha_seed(FormKind k, const std::string& name) { return form_seed(k, hash_str(name)); }
std::size_t alpha_step(std::size_t h, std::size_t part) { return mix(h, part); }
// As Bank::term hashes a Var: kind, name, the empty key, no arguments.
std::size_t var_hash(const std::string& x) {
  static const std::size_t empty_key = hash_str("");
  return mix(mix(static_cast<std::size_t>(TermKind::Var) + 1, hash_str(x)), empty_key);
}

// Live nodes by structural hash: open addressing with linear probing and
// backward-shift deletion, so lookups touch one flat array. Only probed by
// hash, never iterated, so its layout cannot reach any output. A table of
// millions of nodes grows a piece at a time: the old array stays beside the
// new one and each insertion moves a few of its slots, so no single
// insertion rehashes everything (tens of milliseconds without a stop check,
// in the middle of a search that must answer the time limit). An old slot
// emptied meanwhile becomes a tombstone, so its probe runs stay whole.
template <class N>
class NodeTable {
 public:
  NodeTable() : slots_(1024) {}
  std::size_t size() const { return count_; }

  // The live node with hash h for which eq(node) holds, or nullptr.
  template <class Eq>
  const N* find(std::size_t h, Eq&& eq) const {
    if (const N* p = probe(slots_, h, eq)) return p;
    return old_.empty() ? nullptr : probe(old_, h, eq);
  }
  // p must not be in the table. Makes room first, so at least half of the
  // new slots stay empty and every probe meets an empty slot soon.
  void insert(std::size_t h, const N* p) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place(h, p);
    ++count_;
    if (!old_.empty()) move_old(kMoveStep);
  }
  // p must be in the table under hash h.
  void erase(std::size_t h, const N* p) {
    --count_;
    if (erase_from(slots_, h, p)) return;
    // In the old array: a tombstone, not a shift, since the slots before
    // next_old_ have been moved already and must not take an entry back.
    std::size_t mask = old_.size() - 1;
    std::size_t i = h & mask;
    while (old_[i].p != p) i = (i + 1) & mask;
    old_[i].p = tomb();
  }

 private:
  struct Slot {
    std::size_t h = 0;
    const N* p = nullptr;
  };
  static constexpr std::size_t kMoveStep = 8;  // old slots moved per insertion
  static const N* tomb() {
    static const char mark = 0;
    return reinterpret_cast<const N*>(&mark);  // never dereferenced
  }
  template <class Eq>
  static const N* probe(const std::vector<Slot>& t, std::size_t h, Eq& eq) {
    std::size_t mask = t.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot& s = t[i];
      if (!s.p) return nullptr;
      if (s.h == h && s.p != tomb() && eq(s.p)) return s.p;
    }
  }
  // No tombstones in the new array: the run after the hole is shifted back,
  // so `find` may keep stopping at the first empty slot.
  static bool erase_from(std::vector<Slot>& t, std::size_t h, const N* p) {
    std::size_t mask = t.size() - 1;
    std::size_t i = h & mask;
    while (t[i].p != p) {
      if (!t[i].p) return false;
      i = (i + 1) & mask;
    }
    std::size_t j = i;
    while (true) {
      j = (j + 1) & mask;
      if (!t[j].p) break;
      std::size_t home = t[j].h & mask;
      bool movable = (j > i) ? (home <= i || home > j) : (home <= i && home > j);
      if (movable) {
        t[i] = t[j];
        i = j;
      }
    }
    t[i] = Slot{};
    return true;
  }
  void place(std::size_t h, const N* p) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i].p) i = (i + 1) & mask;
    slots_[i] = Slot{h, p};
  }
  // The table doubles once it is half full; the old array's entries follow
  // over the next insertions (half as many as the old array has slots,
  // kMoveStep slots each), well before the new array is half full in turn.
  void grow() {
    if (!old_.empty()) move_old(old_.size());  // not reached: kMoveStep is ample
    old_ = std::move(slots_);
    next_old_ = 0;
    slots_.assign(old_.size() * 2, Slot{});
  }
  void move_old(std::size_t n) {
    for (; n > 0 && next_old_ < old_.size(); --n, ++next_old_) {
      Slot& s = old_[next_old_];
      if (!s.p || s.p == tomb()) continue;  // empty slots stay empty: runs keep their ends
      place(s.h, s.p);
      s.p = tomb();
    }
    if (next_old_ == old_.size()) std::vector<Slot>().swap(old_);
  }
  std::vector<Slot> slots_;  // size a power of two, at most half full
  std::vector<Slot> old_;    // a growth under way: entries from next_old_ on
  std::size_t next_old_ = 0;
  std::size_t count_ = 0;  // live entries in both arrays
};

// The interning tables of terms and formulas. Shared by the whole process,
// not by a Session: they cache immutable values and hold no state of any
// proof. No lock: they are used by one thread at a time (the command loop's;
// a thread that builds formulas is started and joined around it, never run
// beside it), and the handle counts are not atomic either.
struct Bank {
  NodeTable<TermNode> terms;
  NodeTable<FormNode> forms;
  NodeTable<Name> names;  // every name of a live node but the empty one
  std::size_t cst_evar_made = 0;

  static Bank& get() {
    static Bank* b = new Bank;  // never destroyed: static handles may outlive main
    return *b;
  }

  // The empty name: kept for the process, outside the table.
  static const Name* empty() {
    static const Name* e = new Name{"", hash_str(""), 0};
    return e;
  }

  // The one name with this text. Side effects: may make one (held by no
  // node yet: the caller gives it one, or `drop` takes it back).
  const Name* intern(const std::string& text) {
    if (text.empty()) return empty();
    const std::size_t h = hash_str(text);
    if (const Name* n = names.find(h, [&](const Name* n) { return n->text == text; })) return n;
    auto* n = new Name{text, h, 0};
    names.insert(h, n);
    return n;
  }
  void hold(const Name* n) { ++n->rc; }
  // A node let go of n (or n was interned for a node never made).
  void drop(const Name* n) {
    if (n == empty() || n->rc > 0) return;
    names.erase(n->hash, n);
    delete n;
  }
  void release(const Name* n) {
    if (n == empty()) return;
    --n->rc;
    drop(n);
  }

  // A node whose last handle went: out of its table, its names let go.
  void free(const TermNode* n) {
    terms.erase(n->hash_, n);
    release(n->name_);
    release(n->key_);
    delete n;
  }
  void free(const FormNode* n) {
    forms.erase(n->hash_, n);
    release(n->name_);
    delete n;
  }
  static const Name* name_of(const TermNode& n) { return n.name_; }
  static const Name* name_of(const FormNode& n) { return n.name_; }

  static bool same_args(const std::vector<Term>& a, const std::vector<Term>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!(a[i] == b[i])) return false;
    return true;
  }

  // The one term node for (k, name, key, args). Side effects: may make a
  // node and enter it in `terms`.
  Term term(TermKind k, const Name* name, const Name* key, std::vector<Term> args) {
    std::size_t h = mix(mix(static_cast<std::size_t>(k) + 1, name->hash), key->hash);
    for (const Term& a : args) h = mix(h, a->hash());
    if (const TermNode* n = terms.find(h, [&](const TermNode* n) {
          return n->kind_ == k && n->name_ == name && n->key_ == key && same_args(n->args_, args);
        }))
      return Term(n);
    auto* n = new TermNode;
    n->kind_ = k;
    n->name_ = name;
    n->key_ = key;
    hold(name);
    hold(key);
    n->hash_ = h;
    std::size_t ah = term_seed(k, name->hash, key->hash);
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
    for (const Term& a : args) ah = mix(ah, a->ahash_);
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
  Term term(TermKind k, const std::string& name, const std::string& key, std::vector<Term> args) {
    const Name* nm = intern(name);
    const Name* ky = intern(key);
    Term t = term(k, nm, ky, std::move(args));
    drop(nm);  // only when no node holds them (the node was not made)
    drop(ky);
    return t;
  }

  // The one formula node for (k, name, args, a, b). Side effects: may make a
  // node and enter it in `forms`.
  Formula form(FormKind k, const Name* name, std::vector<Term> args, Formula a, Formula b) {
    std::size_t h = mix(static_cast<std::size_t>(k) + 101, name->hash);
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
    hold(name);
    n->hash_ = h;
    std::size_t ah = form_seed(k, name->hash);
    int sz = 1;
    for (const Term& t : args) {
      ah = mix(ah, t->ahash_);
      n->has_var_ |= t->has_var_;
      n->has_evar_ |= t->has_evar_;
      n->has_bvar_ |= t->has_bvar_;
      sz = sat_add(sz, t->size_);
    }
    for (const Formula* c : {&a, &b}) {
      if (!*c) continue;
      const FormNode* cn = c->get();
      ah = mix(ah, cn->ahash_);
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
  Formula form(FormKind k, const std::string& name, std::vector<Term> args, Formula a, Formula b) {
    const Name* nm = intern(name);
    Formula f = form(k, nm, std::move(args), std::move(a), std::move(b));
    drop(nm);
    return f;
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
      Bank::get().free(n);
    } else {
      const TermNode* n = q.terms.back();
      q.terms.pop_back();
      Bank::get().free(n);
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
Formula mk_not(Formula p) {
  return Bank::get().form(FormKind::Not, Bank::empty(), {}, std::move(p), {});
}
Formula mk_binary(FormKind k, Formula p, Formula q) {
  return Bank::get().form(k, Bank::empty(), {}, std::move(p), std::move(q));
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
Term mk_fn_as(const TermNode& like, std::vector<Term> args) {
  return Bank::get().term(TermKind::Fn, Bank::name_of(like), Bank::empty(), std::move(args));
}
Formula mk_atom_as(const FormNode& like, std::vector<Term> args) {
  return Bank::get().form(FormKind::Atom, Bank::name_of(like), std::move(args), {}, {});
}
Formula mk_quant_as(const FormNode& like, Formula body) {
  return Bank::get().form(like.kind(), Bank::name_of(like), {}, std::move(body), {});
}

// ---- Structural order ----

namespace {
int cmp_str(const std::string& a, const std::string& b) {
  if (&a == &b) return 0;  // one interned name
  int c = a.compare(b);    // char_traits<char>::compare is unsigned, byte by byte
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

// A Bvar outside a unification walk means a placeholder escaped: thrown as
// an internal error the engine reports, never ignored.
[[noreturn]] void assert_failure() { support::internal_error("fol"); }

}  // namespace fol
