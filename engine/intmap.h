// A map from clause numbers to small values for the search's hot lookups:
// open addressing over one array, no node per entry. Looked up, never
// iterated, so its layout never reaches an output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace engine {

template <class V>
class IntMap {
 public:
  // The value under k, or null.
  const V* find(int k) const {
    if (size_ == 0) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home(k) & mask; slots_[i].used; i = (i + 1) & mask)
      if (slots_[i].key == k) return &slots_[i].value;
    return nullptr;
  }
  // The value under k, made from `v` when k had none; whether it was made.
  std::pair<V*, bool> try_emplace(int k, V v) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = home(k) & mask;
    for (; slots_[i].used; i = (i + 1) & mask)
      if (slots_[i].key == k) return {&slots_[i].value, false};
    slots_[i] = Slot{k, std::move(v), true};
    ++size_;
    return {&slots_[i].value, true};
  }
  void insert_or_assign(int k, V v) { *try_emplace(k, v).first = std::move(v); }
  void clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  struct Slot {
    int key = 0;
    V value{};
    bool used = false;
  };
  static std::size_t home(int k) {
    return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(k)) * 0x9E3779B97F4A7C15ULL) >> 32);
  }
  void grow() {
    std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
    old.swap(slots_);
    size_ = 0;
    for (Slot& s : old)
      if (s.used) try_emplace(s.key, std::move(s.value));
  }
  std::vector<Slot> slots_;  // a power of two, at most half full
  std::size_t size_ = 0;
};

}  // namespace engine
