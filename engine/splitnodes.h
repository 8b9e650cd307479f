// The memory under the split tree: the table that makes each node once
// (hash-consing by name and subtrees), the pages its nodes live in, and the
// poller that keeps its long walks answerable to a stop request. Only the
// split tree's own files include it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/splitting.h"
#include "support/signals.h"

namespace engine {

// The splitmix64 finaliser: every input bit reaches every output bit.
inline std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}
// The two leaves are told apart by their flag; nodes by their id.
inline std::uint64_t key_id(const SplitTree& t) { return t.is_leaf ? (t.open ? 1 : 0) : t.id; }
inline bool same_key(const SplitTreePtr& a, const SplitTreePtr& b) {
  return a == b || (a->is_leaf && b->is_leaf && a->open == b->open);
}
// From ids and names only, never addresses.
inline std::uint64_t node_hash(int name, const SplitTree& left, const SplitTree& right) {
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

}  // namespace engine
