// The split tree's node table and node memory.
#include "engine/splitnodes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

namespace engine {

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

}  // namespace engine
