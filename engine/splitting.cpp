// Split-literal names and the split tree.
//
// A node tests one split name n: its right subtree covers the cases where
// the literal (n, true) holds, its left one those where (n, false) holds.
// A closed leaf marks a refuted combination of cases. The tree kept is
// always simplified (no node over two closed leaves), so a tree refuted
// everywhere is the closed leaf itself. Nodes are made and kept by the
// table of engine/splitnodes.h.
#include "engine/splitting.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "engine/splitnodes.h"
#include "support/printer.h"
#include "support/signals.h"

namespace engine {

void Splitting::TableRelease::operator()(SplitNodeTable* t) const noexcept { t->orphan(); }

// What split_add needs for the clause l it records: the literals still to
// place are l less a set of removed positions, and since a walk always takes
// the first remaining literal of a name, those of one name go in order. The
// memo maps (node id, removed set) to the result of that node.
struct Splitting::Walk {
  const std::vector<SplitLit>* lits = nullptr;
  Poller poller{false};
  bool stopped = false;    // a stop request came: the walk unwinds with null
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

  // The memo: open addressing. A slot belongs to the walk of its `walk`
  // number; those of earlier walks count as free, so a walk ends without a
  // pass over the slots. Results are plain pointers: every result of a walk
  // stays alive until it ends, held by the old tree, by a node made since or
  // by a caller's local, and the memo is read by that walk only.
  struct Slot {
    std::uint64_t id;
    std::uint64_t state;
    const SplitTree* result;
    std::uint64_t walk;
  };
  static constexpr std::size_t kMin = 1024;
  SlotArray<Slot> memo = SlotArray<Slot>(kMin);
  Trash trash;                 // slots of earlier sizes
  std::uint64_t walk = 1;      // this walk's number; 0 marks a slot never used
  std::size_t remembered = 0;  // slots of this walk
  static std::size_t memo_hash(std::uint64_t id, std::uint64_t state) {
    return static_cast<std::size_t>(mix(id * 0x9E3779B97F4A7C15ULL ^ state));
  }
  const SplitTree* find(std::uint64_t id, std::uint64_t state) const {
    const std::size_t mask = memo.mask();
    for (std::size_t i = memo_hash(id, state) & mask; memo[i].walk == walk; i = (i + 1) & mask)
      if (memo[i].id == id && memo[i].state == state) return memo[i].result;
    return nullptr;
  }
  static void put(SlotArray<Slot>& m, const Slot& x) {
    const std::size_t mask = m.mask();
    std::size_t i = memo_hash(x.id, x.state) & mask;
    while (m[i].walk == x.walk) i = (i + 1) & mask;
    m[i] = x;
  }
  void remember(std::uint64_t id, std::uint64_t state, const SplitTree* r) {
    if (2 * (remembered + 1) > memo.size()) resize(2 * memo.size());
    put(memo, Slot{id, state, r, walk});
    ++remembered;
  }
  // Polled: on a stop request the entries not moved yet are dropped (the
  // memo is a cache) and the walk unwinds.
  void resize(std::size_t size) {
    SlotArray<Slot> old = std::exchange(memo, SlotArray<Slot>(size));
    remembered = 0;
    for (std::size_t i = 0; i < old.size() && !stopped; ++i) {
      if (poller.due()) stopped = true;
      if (old[i].walk != walk) continue;
      put(memo, old[i]);
      ++remembered;
    }
    trash.add(std::move(old).take_pages());
  }

  void begin(const std::vector<SplitLit>& l, bool polled) {
    lits = &l;
    poller = Poller{polled};
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
  // A new walk number frees every slot; the slots shrink after a big walk,
  // the big ones left to release. A failed shrink keeps them: end runs from
  // a destructor and must not throw.
  void end() noexcept {
    ++walk;
    counts.clear();
    taken.clear();
    state_of.clear();
    step.clear();
    if (memo.size() > 64 * kMin && 16 * remembered < memo.size()) {
      std::size_t size = kMin;
      while (size < 4 * remembered) size *= 2;
      try {
        trash.add(std::exchange(memo, SlotArray<Slot>(size)).take_pages());
      } catch (...) {
      }
    }
    remembered = 0;
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
      closed_leaf_(std::make_shared<const SplitTree>(true, false, 0, nullptr, nullptr, 0, nullptr)),
      table_(new SplitNodeTable),
      walk_(std::make_unique<Walk>()),
      tree_(leaf(true)) {}

void Splitting::print_litname(int n) { support::pp().print_string("sp" + std::to_string(n)); }

// Back to one open leaf and split names from 1, for a new proof attempt.
// The old tree is freed as far as no stop request comes first (the attempt
// then ends at its next check); the rest goes with a later release.
void Splitting::init_lit_state() {
  graveyard_.push_back(std::move(tree_));
  tree_ = leaf(true);
  counter_ = 0;
  release(true);
}

// simpltree (add l t) in one walk, for a simplified t, with the same nodes
// made in the same order: the subtrees the clause does not reach are
// simplified already and are kept as they are, and each rebuilt node is
// simplified as it is made. A shared subtree met again with the same
// literals left gives the same result, remembered in the memo. Polled, it
// checks for a stop request every 1024 nodes; on one it gives up and
// returns null all the way up (nothing changed), the subtrees made so far
// left to release.
template <class Left>
SplitTreePtr Splitting::add_simplified(Left& left, std::uint64_t s, const SplitTreePtr& t) {
  Walk& w = *walk_;
  if (w.poller.due()) w.stopped = true;
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
    if (const SplitTree* r = w.find(t->id, s)) return r->shared_from_this();
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
    if (!b) {
      graveyard_.push_back(std::move(a));
      return nullptr;
    }
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
  if (memo) w.remember(t->id, s, r.get());
  return r;
}

// The new tree replaces tree_ only once the walk is complete: a stop
// request or a refuted tree leaves tree_ as it was. The memo is emptied on
// every way out. The old tree goes to the graveyard instead of being
// dropped here, so its nodes are freed by release, a loop, not by a chain
// of destructors as deep as the tree.
Splitting::Added Splitting::record(const std::vector<SplitLit>& l, bool polled) {
  SplitTreePtr t;
  {
    Walk& w = *walk_;
    w.begin(l, polled);
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
  const Added a = record(l, false);
  release(false);
  return a == Added::Refuted;
}

// After a stop request during the freeing, the rest is left to the next
// release.
Splitting::Added Splitting::split_add_polled(const std::vector<SplitLit>& l) {
  const Added a = record(l, true);
  if (a != Added::Stopped) release(true);
  return a;
}

// Frees the nodes only the dropped trees held, one at a time: a node's
// children are taken over before the node goes, so no free cascades down a
// huge subtree. Then the memo's old slots go, and the node table finishes a
// resize under way, or shrinks when most nodes went. Polled, it stops on a stop request and leaves
// the rest for later, so the time limit and the interrupt key are never kept waiting.
bool Splitting::release(bool polled) {
  Poller poller{polled};
  while (!graveyard_.empty()) {
    if (poller.due()) return false;
    SplitTreePtr p = std::move(graveyard_.back());
    graveyard_.pop_back();
    if (p && !p->is_leaf && p.use_count() == 1) {
      graveyard_.push_back(p->left);
      graveyard_.push_back(p->right);
    }
  }
  return walk_->trash.drop_all(poller) && table_->settle(poller);
}

Splitting::~Splitting() {
  graveyard_.push_back(std::move(tree_));
  release(false);
}

}  // namespace engine
