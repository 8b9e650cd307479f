// Split-literal names and the split tree.
//
// A node tests one split name n: its right subtree covers the cases where
// the literal (n, true) holds, its left one those where (n, false) holds.
// A closed leaf marks a refuted combination of cases. The tree kept is
// always simplified (no node over two closed leaves), so a tree refuted
// everywhere is the closed leaf itself.
#include "engine/splitting.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

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

// Every `kPollEvery` steps of `due` ask support::poll() whether the time
// limit or the interrupt key wants the search to stop: the long loops below
// stay answerable for two flag reads every so many steps. A costly step
// counts for more.
struct Poller {
  bool polled;
  unsigned n = 0;
  static constexpr unsigned kPollEvery = 1024;
  bool due(unsigned steps = 1) {
    if (!polled || (n += steps) < kPollEvery) return false;
    n = 0;
    return support::poll() != support::Stop::None;
  }
};

// Memory straight from the system, zeroed, in whole pages: a page is
// cleared when first touched, so a large array costs nothing to make, and it
// goes back a piece at a time (a mapping may be unmapped in parts), since
// freeing memory takes time in proportion to it (here about 0.15 ms a MiB).
class Pages {
 public:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;  // given back at a time
  Pages() = default;
  explicit Pages(std::size_t bytes) : bytes_(round_up(bytes)) {
    void* p = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    base_ = static_cast<char*>(p);
  }
  Pages(Pages&& o) noexcept
      : base_(std::exchange(o.base_, nullptr)), bytes_(std::exchange(o.bytes_, 0)) {}
  Pages& operator=(Pages&& o) noexcept {
    std::swap(base_, o.base_);
    std::swap(bytes_, o.bytes_);
    return *this;
  }
  ~Pages() {
    if (base_) munmap(base_, bytes_);
  }
  void* data() const { return base_; }
  std::size_t bytes() const { return bytes_; }
  // Unmaps the last piece; true when nothing is left (the memory is then
  // gone: only the object remains, to be dropped).
  bool drop_piece() {
    const std::size_t n = bytes_ > kPiece ? kPiece : bytes_;
    if (n != 0) munmap(base_ + (bytes_ - n), n);
    bytes_ -= n;
    if (bytes_ == 0) base_ = nullptr;
    return bytes_ == 0;
  }

 private:
  static std::size_t round_up(std::size_t bytes) {
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
  }
  char* base_ = nullptr;
  std::size_t bytes_ = 0;
};

// A zeroed array of trivially copyable slots, a power of two long.
template <class Slot>
class SlotArray {
 public:
  SlotArray() = default;
  explicit SlotArray(std::size_t size)
      : pages_(size * sizeof(Slot)), slots_(static_cast<Slot*>(pages_.data())), size_(size) {}
  SlotArray(SlotArray&& o) noexcept
      : pages_(std::move(o.pages_)),
        slots_(std::exchange(o.slots_, nullptr)),
        size_(std::exchange(o.size_, 0)) {}
  SlotArray& operator=(SlotArray&& o) noexcept {
    std::swap(pages_, o.pages_);
    std::swap(slots_, o.slots_);
    std::swap(size_, o.size_);
    return *this;
  }
  std::size_t size() const { return size_; }
  std::size_t mask() const { return size_ - 1; }
  Slot& operator[](std::size_t i) { return slots_[i]; }
  const Slot& operator[](std::size_t i) const { return slots_[i]; }
  // Its memory, to be given back by pieces.
  Pages take_pages() && {
    slots_ = nullptr;
    size_ = 0;
    return std::move(pages_);
  }

 private:
  static_assert(std::is_trivially_copyable_v<Slot>);
  Pages pages_;
  Slot* slots_ = nullptr;
  std::size_t size_ = 0;
};

// Memory no longer used, given back a piece at a time.
class Trash {
 public:
  void add(Pages&& p) {
    if (p.bytes() != 0) pages_.push_back(std::move(p));
  }
  void drop_piece() {
    if (!pages_.empty() && pages_.back().drop_piece()) pages_.pop_back();
  }
  // All of it, between stop checks; false when a stop request cut it short.
  bool drop_all(Poller& poller) {
    while (!pages_.empty()) {
      if (poller.due(Poller::kPollEvery / 8)) return false;
      drop_piece();
    }
    return true;
  }

 private:
  std::vector<Pages> pages_;
};

}  // namespace

// The live nodes of one Splitting by (name, left, right): open addressing
// with linear probing, the hash kept beside each node. Looked up, and
// iterated only to move to a new size. A node takes its entry out when it
// goes; once its Splitting is gone, the table deletes itself with its last
// node.
//
// A resize never moves every entry at once (with millions of nodes that
// would keep a stop request waiting): the old slots stay beside the new ones
// and a few of them move at each new node, or in a polled loop (`settle`).
// Lookups try both; an entry moved out of the old slots leaves a mark that
// lookups pass over, so the old runs stay whole.
//
// The nodes' memory comes from the table too (`take`, `give`): chunks of one
// size from blocks of pages, freed chunks kept on a list. Freeing a tree of
// millions of nodes then calls the allocator not once (glibc would have kept
// each small block aside and merged them all in some later allocation, a
// pause of tens of milliseconds in the middle of the search), and the pages
// go back polled once no node is left.
class SplitNodeTable {
 public:
  SplitNodeTable() : cur_(kMin) {}
  SplitNodeTable(const SplitNodeTable&) = delete;
  SplitNodeTable& operator=(const SplitNodeTable&) = delete;

  SplitTreePtr make(int name, SplitTreePtr left, SplitTreePtr right);
  void forget(const SplitTree& t) noexcept;
  void orphan() noexcept {
    orphaned_ = true;
    if (taken_ == 0) delete this;
  }
  // Finishes a resize under way, after starting a shrink when most nodes
  // went, and gives the node memory back when no node is left; false when a
  // stop request (polled) cut it short.
  bool settle(Poller& poller);

  void* take(std::size_t bytes);
  void give(void* p, std::size_t bytes) noexcept;

 private:
  struct Slot {
    const SplitTree* node;  // null: free
    std::uint64_t hash;
  };
  using Slots = SlotArray<Slot>;
  static constexpr std::size_t kMin = 1024;
  static constexpr std::size_t kMoveStep = 8;  // old slots moved at least, per new node
  // Marks an old slot whose entry has moved or gone: never dereferenced.
  static const SplitTree* moved() {
    static const char mark = 0;
    return reinterpret_cast<const SplitTree*>(&mark);
  }

  const SplitTree* find(const Slots& s, std::uint64_t h, int name, const SplitTreePtr& left,
                        const SplitTreePtr& right) const;
  static void put(Slots& s, const Slot& x) {
    std::size_t i = x.hash & s.mask();
    while (s[i].node) i = (i + 1) & s.mask();
    s[i] = x;
  }
  void resize(std::size_t size);
  bool move_old(std::size_t n, Poller* poller);

  Slots cur_;  // a power of two, at most half full with what old_ still holds
  Slots old_;  // a resize under way: entries not moved yet, from `next_old_` on
  std::size_t next_old_ = 0;
  Trash trash_;                                     // old slots emptied
  static constexpr std::uint64_t kDropEvery = 256;  // new nodes a piece of trash goes with
  std::size_t live_ = 0;                            // nodes in both
  std::uint64_t next_id_ = 2;
  bool orphaned_ = false;

  // Node memory
  struct FreeChunk {
    FreeChunk* next;
  };
  static constexpr std::size_t kBlock = Pages::kPiece;
  bool drop_blocks(Poller& poller);
  std::vector<Pages> blocks_;
  std::size_t carved_ = 0;  // blocks_[0, carved_) have been cut into chunks
  std::size_t chunk_ = 0;   // the size served, set by the first request
  char* carve_ = nullptr;   // the unused end of the block cut last
  char* carve_end_ = nullptr;
  FreeChunk* free_ = nullptr;
  std::size_t taken_ = 0;  // chunks in use
};

namespace {

// The allocator of shared nodes: one chunk of the table's for each node
// with its shared count.
template <class T>
struct NodeAlloc {
  using value_type = T;
  SplitNodeTable* table;
  explicit NodeAlloc(SplitNodeTable* t) : table(t) {}
  template <class U>
  NodeAlloc(const NodeAlloc<U>& o) : table(o.table) {}
  T* allocate(std::size_t n) {
    static_assert(alignof(T) <= alignof(std::max_align_t));
    return static_cast<T*>(table->take(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { table->give(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const NodeAlloc<U>& o) const {
    return table == o.table;
  }
};

}  // namespace

const SplitTree* SplitNodeTable::find(const Slots& s, std::uint64_t h, int name,
                                      const SplitTreePtr& left, const SplitTreePtr& right) const {
  for (std::size_t i = h & s.mask(); s[i].node; i = (i + 1) & s.mask()) {
    const Slot& x = s[i];
    if (x.hash == h && x.node != moved() && x.node->name == name && same_key(x.node->left, left) &&
        same_key(x.node->right, right))
      return x.node;
  }
  return nullptr;
}

// The node (name, left, right): the live one when there is one, else a new
// node with the next id. A resize starts when the new slots would be more
// than half full; the old slots go over in steps, fast enough that they are
// empty before the next resize is due.
SplitTreePtr SplitNodeTable::make(int name, SplitTreePtr left, SplitTreePtr right) {
  const std::uint64_t h = node_hash(name, *left, *right);
  const SplitTree* n = find(cur_, h, name, left, right);
  if (!n && old_.size() != 0) n = find(old_, h, name, left, right);
  if (n) return n->shared_from_this();
  if (next_id_ % kDropEvery == 0) trash_.drop_piece();
  if (old_.size() != 0) {
    // Spread what is left over the new nodes the current slots take before
    // they are half full.
    const std::size_t room = cur_.size() / 2 > live_ ? cur_.size() / 2 - live_ : 1;
    move_old(std::max(kMoveStep, (old_.size() - next_old_) / room + 1), nullptr);
  }
  if (2 * (live_ + 1) > cur_.size()) {
    if (old_.size() != 0) move_old(old_.size(), nullptr);
    resize(2 * cur_.size());
  }
  auto t =
      std::allocate_shared<const SplitTree>(NodeAlloc<SplitTree>(this), false, false, name,
                                            std::move(left), std::move(right), next_id_++, this);
  put(cur_, Slot{t.get(), h});
  ++live_;
  return t;
}

// Called from a node's destructor: no throw and no allocation. In the
// current slots the hole is filled by backward shift, so no marks pile up;
// in the old ones the entry becomes a moved mark.
void SplitNodeTable::forget(const SplitTree& t) noexcept {
  const std::uint64_t h = node_hash(t.name, *t.left, *t.right);
  std::size_t mask = cur_.mask();
  std::size_t i = h & mask;
  while (cur_[i].node && cur_[i].node != &t) i = (i + 1) & mask;
  if (cur_[i].node) {
    // Backward shift: each later entry of the run moves into the hole
    // unless its home slot lies after the hole.
    for (std::size_t j = i;;) {
      j = (j + 1) & mask;
      if (!cur_[j].node) break;
      if (((j - cur_[j].hash) & mask) >= ((j - i) & mask)) {
        cur_[i] = cur_[j];
        i = j;
      }
    }
    cur_[i] = Slot{};
    --live_;
  } else if (old_.size() != 0) {
    for (i = h & old_.mask(); old_[i].node; i = (i + 1) & old_.mask()) {
      if (old_[i].node == &t) {
        old_[i].node = moved();
        --live_;
        break;
      }
    }
  }
}

void SplitNodeTable::resize(std::size_t size) {
  old_ = std::exchange(cur_, Slots(size));
  next_old_ = 0;
}

// Moves the entries of the next n old slots; the old slots are freed once
// all have gone. False when the poller asked to stop first.
bool SplitNodeTable::move_old(std::size_t n, Poller* poller) {
  const std::size_t end = std::min(old_.size(), next_old_ + n);
  for (; next_old_ < end; ++next_old_) {
    if (poller && poller->due()) return false;
    const Slot& x = old_[next_old_];
    if (!x.node || x.node == moved()) continue;
    put(cur_, x);
    old_[next_old_].node = moved();  // a free slot stays free: it ends the runs that reach it
  }
  if (next_old_ == old_.size()) trash_.add(std::move(old_).take_pages());
  return true;
}

bool SplitNodeTable::settle(Poller& poller) {
  if (old_.size() == 0 && cur_.size() > kMin && 8 * live_ < cur_.size()) {
    std::size_t size = kMin;
    while (size < 4 * live_) size *= 2;
    resize(size);
  }
  if (old_.size() != 0 && !move_old(old_.size(), &poller)) return false;
  if (!trash_.drop_all(poller)) return false;
  return taken_ != 0 || drop_blocks(poller);
}

void* SplitNodeTable::take(std::size_t bytes) {
  if (chunk_ == 0)
    chunk_ = (bytes + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
  if (bytes > chunk_) return ::operator new(bytes);
  ++taken_;
  if (free_) return std::exchange(free_, free_->next);
  if (carve_ == carve_end_) {
    if (carved_ == blocks_.size()) blocks_.emplace_back(kBlock);
    carve_ = static_cast<char*>(blocks_[carved_++].data());
    carve_end_ = carve_ + kBlock / chunk_ * chunk_;
  }
  return std::exchange(carve_, carve_ + chunk_);
}

// Once the Splitting is gone, the last chunk given back deletes the table.
void SplitNodeTable::give(void* p, std::size_t bytes) noexcept {
  if (bytes > chunk_) return ::operator delete(p);
  free_ = ::new (p) FreeChunk{free_};
  if (--taken_ == 0 && orphaned_) delete this;
}

// With no chunk in use, every block is uncut again and they go back, the
// last first: a large tree's memory is not kept after the tree. Freeing
// many blocks takes a while (the pages go back to the system), so it is
// polled; the blocks left are cut again before new ones are asked for.
bool SplitNodeTable::drop_blocks(Poller& poller) {
  free_ = nullptr;
  carve_ = carve_end_ = nullptr;
  carved_ = 0;
  while (!blocks_.empty()) {
    if (poller.due(Poller::kPollEvery / 8)) return false;
    blocks_.pop_back();
  }
  return true;
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
