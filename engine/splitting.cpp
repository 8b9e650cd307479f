// Split-literal names and the split tree.
//
// A node tests one split name n: its right subtree covers the cases where
// the literal (n, true) holds, its left one those where (n, false) holds.
// A closed leaf marks a refuted combination of cases. The tree kept is
// always simplified (no node over two closed leaves), so a tree refuted
// everywhere is the closed leaf itself.
#include "engine/splitting.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "support/printer.h"
#include "support/signals.h"

namespace engine {

namespace {
// The splitmix64 finaliser: every input bit reaches every output bit.
std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}
// The two leaves are told apart by their flag; nodes by their id.
std::uint64_t key_id(const SplitTree& t) { return t.is_leaf ? (t.open ? 1 : 0) : t.id; }
bool same_key(const SplitTreePtr& a, const SplitTreePtr& b) {
  return a == b || (a->is_leaf && b->is_leaf && a->open == b->open);
}
// From ids and names only, never addresses.
std::uint64_t node_hash(int name, const SplitTree& left, const SplitTree& right) {
  return mix(mix(static_cast<std::uint32_t>(name) + key_id(left) * 0x9E3779B97F4A7C15ULL) ^
             key_id(right));
}
}  // namespace

// The live nodes of one Splitting by (name, left, right): open addressing
// with linear probing, the hash kept beside each node. Looked up, and
// iterated only to rehash. A node takes its entry out when it goes; once its
// Splitting is gone, the table deletes itself with its last node.
class SplitNodeTable {
 public:
  SplitNodeTable() : slots_(kMin) {}
  SplitTreePtr make(int name, SplitTreePtr left, SplitTreePtr right);
  void forget(const SplitTree& t) noexcept;
  void orphan() noexcept {
    orphaned_ = true;
    if (live_ == 0) delete this;
  }
  // Shrinks the slots after most nodes went (not from a node's destructor:
  // it allocates).
  void fit() {
    if (slots_.size() <= kMin || 8 * live_ >= slots_.size()) return;
    std::size_t size = kMin;
    while (size < 4 * live_) size *= 2;
    rehash(size);
  }

 private:
  struct Slot {
    const SplitTree* node = nullptr;
    std::uint64_t hash = 0;
  };
  static constexpr std::size_t kMin = 1024;
  void rehash(std::size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots_);
    std::size_t mask = size - 1;
    for (const Slot& s : old) {
      if (!s.node) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].node) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }
  std::vector<Slot> slots_;  // a power of two, at most half full
  std::size_t live_ = 0;
  std::uint64_t next_id_ = 2;
  bool orphaned_ = false;
};

// The node (name, left, right): the live one when there is one, else a new
// node with the next id. Growing keeps the table at most half full.
SplitTreePtr SplitNodeTable::make(int name, SplitTreePtr left, SplitTreePtr right) {
  std::uint64_t h = node_hash(name, *left, *right);
  std::size_t mask = slots_.size() - 1;
  std::size_t i = h & mask;
  for (; slots_[i].node; i = (i + 1) & mask) {
    const SplitTree* n = slots_[i].node;
    if (slots_[i].hash == h && n->name == name && same_key(n->left, left) &&
        same_key(n->right, right))
      return n->shared_from_this();
  }
  if (2 * (live_ + 1) > slots_.size()) {
    rehash(2 * slots_.size());
    mask = slots_.size() - 1;
    for (i = h & mask; slots_[i].node; i = (i + 1) & mask) {
    }
  }
  auto t = std::make_shared<const SplitTree>(false, false, name, std::move(left), std::move(right),
                                             next_id_++, this);
  slots_[i] = Slot{t.get(), h};
  ++live_;
  return t;
}

// Called from a node's destructor: no throw and no rehash (it allocates).
// The hole is filled by backward shift, so no tombstones pile up.
void SplitNodeTable::forget(const SplitTree& t) noexcept {
  std::size_t mask = slots_.size() - 1;
  std::size_t i = node_hash(t.name, *t.left, *t.right) & mask;
  while (slots_[i].node && slots_[i].node != &t) i = (i + 1) & mask;
  if (slots_[i].node) {
    // Backward shift: each later entry of the run moves into the hole
    // unless its home slot lies after the hole.
    for (std::size_t j = i;;) {
      j = (j + 1) & mask;
      if (!slots_[j].node) break;
      if (((j - slots_[j].hash) & mask) >= ((j - i) & mask)) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i] = Slot{};
    --live_;
  }
  if (orphaned_ && live_ == 0) delete this;
}

SplitTree::~SplitTree() {
  if (table) table->forget(*this);
}

void Splitting::TableRelease::operator()(SplitNodeTable* t) const noexcept { t->orphan(); }

// What split_add needs for the clause l it records: the literals still to
// place are l less a set of removed positions, and since a walk always takes
// the first remaining literal of a name, those of one name go in order. The
// memo maps (node id, removed set) to the result of that node.
struct Splitting::Walk {
  const std::vector<SplitLit>* lits = nullptr;
  unsigned* ticks = nullptr;
  bool stopped = false;  // a stop request came: the walk unwinds with null
  std::vector<int> names;  // distinct names of l, increasing
  int index_of(int name) const {
    auto it = std::lower_bound(names.begin(), names.end(), name);
    return it != names.end() && *it == name ? static_cast<int>(it - names.begin()) : -1;
  }

  // Up to 64 literals: the removed set is a bit mask of positions (Narrow).
  std::vector<std::uint64_t> at;  // by name index: the positions of that name
  std::uint64_t all = 0;

  // More (Wide): a removed set is a state number, given by how many literals
  // of each name are removed. States are interned, so equal sets meet in
  // the memo under one number.
  struct CountsHash {
    std::size_t operator()(const std::vector<std::uint32_t>& v) const {
      std::uint64_t h = v.size();
      for (std::uint32_t x : v) h = mix(h ^ x);
      return static_cast<std::size_t>(h);
    }
  };
  std::vector<std::vector<std::uint32_t>> where;   // by name index: its positions
  std::vector<std::vector<std::uint32_t>> counts;  // by state: removed per name index
  std::vector<std::uint32_t> taken;                // by state: removed in all
  std::unordered_map<std::vector<std::uint32_t>, std::uint64_t, CountsHash> state_of;
  std::unordered_map<std::uint64_t, std::uint64_t> step;  // state * names + index -> state
  std::uint64_t intern(std::vector<std::uint32_t> v, std::uint32_t removed) {
    auto [it, fresh] = state_of.try_emplace(v, counts.size());
    if (fresh) {
      counts.push_back(std::move(v));
      taken.push_back(removed);
    }
    return it->second;
  }

  // The memo: open addressing, id 0 for a free slot (nodes have ids from 2).
  // The slots stay between clauses; `used` lists those to clear.
  struct Slot {
    std::uint64_t id = 0;
    std::uint64_t state = 0;
    SplitTreePtr result;
  };
  static constexpr std::size_t kMin = 1024;
  std::vector<Slot> memo = std::vector<Slot>(kMin);
  std::vector<std::size_t> used;
  static std::size_t memo_hash(std::uint64_t id, std::uint64_t state) {
    return static_cast<std::size_t>(mix(id * 0x9E3779B97F4A7C15ULL ^ state));
  }
  const SplitTreePtr* find(std::uint64_t id, std::uint64_t state) const {
    std::size_t mask = memo.size() - 1;
    for (std::size_t i = memo_hash(id, state) & mask; memo[i].id != 0; i = (i + 1) & mask)
      if (memo[i].id == id && memo[i].state == state) return &memo[i].result;
    return nullptr;
  }
  void put(Slot s) {
    std::size_t mask = memo.size() - 1;
    std::size_t i = memo_hash(s.id, s.state) & mask;
    while (memo[i].id != 0) i = (i + 1) & mask;
    memo[i] = std::move(s);
    used.push_back(i);
  }
  void remember(std::uint64_t id, std::uint64_t state, const SplitTreePtr& r) {
    if (2 * (used.size() + 1) > memo.size()) resize(2 * memo.size());
    put(Slot{id, state, r});
  }
  void resize(std::size_t size) {
    std::vector<Slot> old(size);
    old.swap(memo);
    std::vector<std::size_t> was;
    was.swap(used);
    for (std::size_t i : was) put(std::move(old[i]));
  }

  void begin(const std::vector<SplitLit>& l, unsigned* t) {
    lits = &l;
    ticks = t;
    stopped = false;
    names.clear();
    for (const SplitLit& x : l) names.push_back(x.first);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (l.size() <= 64) {
      at.assign(names.size(), 0);
      for (std::size_t p = 0; p < l.size(); ++p) at[index_of(l[p].first)] |= std::uint64_t{1} << p;
      all = l.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << l.size()) - 1;
    } else {
      where.resize(names.size());
      for (auto& w : where) w.clear();
      for (std::size_t p = 0; p < l.size(); ++p)
        where[index_of(l[p].first)].push_back(static_cast<std::uint32_t>(p));
    }
  }
  // Drops the memo's hold on the nodes (the whole memo is in the new tree
  // when the walk ends well); shrinks the slots after a big walk.
  // A failed shrink keeps the big slots: end runs from a destructor and must
  // not throw.
  void end() noexcept {
    std::size_t n = used.size();
    for (std::size_t i : used) memo[i] = Slot{};
    used.clear();
    counts.clear();
    taken.clear();
    state_of.clear();
    step.clear();
    if (memo.size() > 64 * kMin && 16 * n < memo.size()) {
      std::size_t size = kMin;
      while (size < 4 * n) size *= 2;
      try {
        std::vector<Slot>(size).swap(memo);
      } catch (...) {
      }
    }
  }
};

struct Splitting::Narrow {
  Walk& w;
  std::uint64_t start() const { return 0; }
  bool done(std::uint64_t s) const { return s == w.all; }
  // The position of the first remaining literal named n, and in next the
  // set without it; -1 for none.
  int take(std::uint64_t s, int n, std::uint64_t& next) const {
    int k = w.index_of(n);
    if (k < 0) return -1;
    std::uint64_t m = w.at[k] & ~s;
    if (m == 0) return -1;
    int p = std::countr_zero(m);
    next = s | (std::uint64_t{1} << p);
    return p;
  }
  // The positions not yet removed, last first, so a chain built from them
  // has the first literal at its top, as add builds it.
  template <class F>
  void remaining_backwards(std::uint64_t s, F f) const {
    for (std::uint64_t m = w.all & ~s; m != 0;) {
      int p = 63 - std::countl_zero(m);
      m &= ~(std::uint64_t{1} << p);
      f(p);
    }
  }
};

struct Splitting::Wide {
  Walk& w;
  std::uint64_t start() const { return w.intern(std::vector<std::uint32_t>(w.names.size(), 0), 0); }
  bool done(std::uint64_t s) const { return w.taken[s] == w.lits->size(); }
  // As Narrow's take; each (state, name) transition is computed once and
  // kept in `step`.
  int take(std::uint64_t s, int n, std::uint64_t& next) const {
    int k = w.index_of(n);
    if (k < 0) return -1;
    std::uint32_t c = w.counts[s][k];
    if (c == w.where[k].size()) return -1;
    std::uint64_t key = s * w.names.size() + static_cast<std::uint64_t>(k);
    if (auto it = w.step.find(key); it != w.step.end()) {
      next = it->second;
    } else {
      std::vector<std::uint32_t> v = w.counts[s];
      ++v[k];
      next = w.intern(std::move(v), w.taken[s] + 1);
      w.step.emplace(key, next);
    }
    return static_cast<int>(w.where[k][c]);
  }
  template <class F>
  void remaining_backwards(std::uint64_t s, F f) const {
    std::vector<bool> gone(w.lits->size());
    for (std::size_t k = 0; k < w.names.size(); ++k)
      for (std::uint32_t i = 0; i < w.counts[s][k]; ++i) gone[w.where[k][i]] = true;
    for (std::size_t p = gone.size(); p-- > 0;)
      if (!gone[p]) f(static_cast<int>(p));
  }
};

SplitTreePtr Splitting::make_node(int name, SplitTreePtr left, SplitTreePtr right) {
  return table_->make(name, std::move(left), std::move(right));
}

// The two leaves are immutable and shared by every tree of this object.
SplitTreePtr Splitting::leaf(bool open) const { return open ? open_leaf_ : closed_leaf_; }

Splitting::Splitting()
    : open_leaf_(std::make_shared<const SplitTree>(true, true, 0, nullptr, nullptr, 0, nullptr)),
      closed_leaf_(
          std::make_shared<const SplitTree>(true, false, 0, nullptr, nullptr, 0, nullptr)),
      table_(new SplitNodeTable),
      walk_(std::make_unique<Walk>()),
      tree_(leaf(true)) {}

void Splitting::print_litname(int n) { support::pp().print_string("sp" + std::to_string(n)); }

// Back to one open leaf and split names from 1, for a new proof attempt.
void Splitting::init_lit_state() {
  graveyard_.push_back(std::move(tree_));
  release(false);
  table_->fit();
  tree_ = leaf(true);
  counter_ = 0;
}

// simpltree (add l t) in one walk, for a simplified t, with the same nodes
// made in the same order: the subtrees the clause does not reach are
// simplified already and are kept as they are, and each rebuilt node is
// simplified as it is made. A shared subtree met again with the same
// literals left gives the same result, remembered in the memo. With ticks,
// it checks for a stop request every 1024 nodes; on one it gives up and
// returns null all the way up (nothing changed).
template <class Left>
SplitTreePtr Splitting::add_simplified(Left& left, std::uint64_t s, const SplitTreePtr& t) {
  Walk& w = *walk_;
  if (w.ticks && (++*w.ticks & 1023u) == 0 && support::poll() != support::Stop::None)
    w.stopped = true;
  if (w.stopped) return nullptr;
  if (left.done(s)) return leaf(false);
  if (t->is_leaf) {
    if (!t->open) return t;
    SplitTreePtr chain = leaf(false);  // a chain is simplified
    left.remaining_backwards(s, [&](int p) {
      const SplitLit& x = (*w.lits)[p];
      if (x.second)
        chain = table_->make(x.first, leaf(true), std::move(chain));
      else
        chain = table_->make(x.first, std::move(chain), leaf(true));
    });
    return chain;
  }
  // A node with one owner is reached through its parent only, which the
  // memo covers when shared; its own entry would seldom be met again.
  // Computed again, it makes the same calls and finds the nodes made the
  // first time (alive in the tree being built): no new node, no new id.
  bool memo = t.use_count() > 1;
  if (memo)
    if (const SplitTreePtr* r = w.find(t->id, s)) return *r;
  auto node = [this, &t](SplitTreePtr a, SplitTreePtr b) {
    if (a->is_leaf && !a->open && b->is_leaf && !b->open) return leaf(false);
    if (a == t->left && b == t->right) return t;
    return table_->make(t->name, std::move(a), std::move(b));
  };
  SplitTreePtr r;
  std::uint64_t next = 0;
  int p = left.take(s, t->name, next);
  if (p < 0) {
    SplitTreePtr a = add_simplified(left, s, t->left);
    if (!a) return nullptr;
    SplitTreePtr b = add_simplified(left, s, t->right);
    if (!b) return nullptr;
    r = node(std::move(a), std::move(b));
  } else if ((*w.lits)[p].second) {
    SplitTreePtr b = add_simplified(left, next, t->right);
    if (!b) return nullptr;
    r = node(t->left, std::move(b));
  } else {
    SplitTreePtr a = add_simplified(left, next, t->left);
    if (!a) return nullptr;
    r = node(std::move(a), t->right);
  }
  if (memo) w.remember(t->id, s, r);
  return r;
}

// The new tree replaces tree_ only once the walk is complete: a stop
// request or a refuted tree leaves tree_ as it was. The memo is emptied on
// every way out. The old tree goes to the graveyard instead of being
// dropped here, so its nodes are freed by release, a loop, not by a chain
// of destructors as deep as the tree.
Splitting::Added Splitting::record(const std::vector<SplitLit>& l, unsigned* ticks) {
  SplitTreePtr t;
  {
    Walk& w = *walk_;
    w.begin(l, ticks);
    struct End {
      Walk& w;
      ~End() { w.end(); }
    } end{w};
    if (l.size() <= 64) {
      Narrow left{w};
      t = add_simplified(left, left.start(), tree_);
    } else {
      Wide left{w};
      t = add_simplified(left, left.start(), tree_);
    }
  }
  if (!t) return Added::Stopped;
  if (t->is_leaf && !t->open) return Added::Refuted;
  graveyard_.push_back(std::move(tree_));
  tree_ = std::move(t);
  return Added::Recorded;
}

bool Splitting::split_add(const std::vector<SplitLit>& l) {
  const Added a = record(l, nullptr);
  release(false);
  table_->fit();
  return a == Added::Refuted;
}

// After a stop request during the freeing, the rest of the graveyard is
// left to the next release and the table is not shrunk.
Splitting::Added Splitting::split_add_polled(const std::vector<SplitLit>& l) {
  unsigned ticks = 0;
  const Added a = record(l, &ticks);
  if (a != Added::Stopped && release(true)) table_->fit();
  return a;
}

// Frees the nodes only the dropped trees held, one at a time: a node's
// children are taken over before the node goes, so no free cascades down a
// huge subtree. Polled, it stops on a stop request and leaves the rest for
// later, so the time limit and the interrupt key are never kept waiting.
bool Splitting::release(bool polled) {
  unsigned ticks = 0;
  while (!graveyard_.empty()) {
    if (polled && (++ticks & 1023u) == 0 && support::poll() != support::Stop::None) return false;
    SplitTreePtr p = std::move(graveyard_.back());
    graveyard_.pop_back();
    if (p && !p->is_leaf && p.use_count() == 1) {
      graveyard_.push_back(p->left);
      graveyard_.push_back(p->right);
    }
  }
  return true;
}

Splitting::~Splitting() {
  graveyard_.push_back(std::move(tree_));
  release(false);
}

}  // namespace engine
