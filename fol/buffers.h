// The inline buffers and the hash index of the hot walks: what lets a
// unification or a renaming run without allocating.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace fol {

// ---- Small vectors ----

// A vector whose first N elements live inside it: the short lists of the
// hot walks (an atom's equations, the binders crossed) cost no allocation.
// Elements are moved when it grows, so pointers into it last until then.
template <class T, std::size_t N>
class SmallVec {
 public:
  SmallVec() = default;
  SmallVec(const SmallVec& o) {
    reserve(o.n_);
    for (const T& x : o) push_back(x);
  }
  SmallVec& operator=(const SmallVec& o) {
    if (this != &o) {
      clear();
      reserve(o.n_);
      for (const T& x : o) push_back(x);
    }
    return *this;
  }
  ~SmallVec() {
    clear();
    if (data_ != inline_data()) ::operator delete(data_);
  }

  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T& back() { return data_[n_ - 1]; }
  T* begin() { return data_; }
  T* end() { return data_ + n_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + n_; }

  template <class... A>
  T& emplace_back(A&&... a) {
    if (n_ == cap_) reserve(2 * cap_);
    T* p = new (data_ + n_) T(std::forward<A>(a)...);
    ++n_;
    return *p;
  }
  void push_back(T x) { emplace_back(std::move(x)); }
  void pop_back() { data_[--n_].~T(); }
  void clear() {
    while (n_ > 0) pop_back();
  }
  void reserve(std::size_t cap) {
    if (cap <= cap_) return;
    T* d = static_cast<T*>(::operator new(cap * sizeof(T)));
    for (std::size_t i = 0; i < n_; ++i) {
      new (d + i) T(std::move(data_[i]));
      data_[i].~T();
    }
    if (data_ != inline_data()) ::operator delete(data_);
    data_ = d;
    cap_ = cap;
  }

 private:
  T* inline_data() { return reinterpret_cast<T*>(inline_); }
  alignas(T) unsigned char inline_[N * sizeof(T)];
  T* data_ = inline_data();
  std::size_t n_ = 0, cap_ = N;
};

// ---- Hash index ----

// Positions in a list, found by their keys' hashes: open addressing with
// linear probing, at most half full. The list is the caller's; the index
// is only probed, never iterated, so its layout reaches no output.
class HashIndex {
 public:
  bool empty() const { return slots_.empty(); }
  void clear() { slots_.clear(); }
  // Indexes positions 0..n-1; hash(i) is position i's key hash.
  template <class H>
  void build(std::size_t n, H&& hash) {
    std::size_t cap = 32;
    while (cap < 2 * n) cap *= 2;
    slots_.assign(cap, 0);
    for (std::size_t i = 0; i < n; ++i) place(hash(i), i);
  }
  // Adds position pos, the list now holding n positions; when that would
  // fill the index past half, clears it instead (build it again).
  void put(std::size_t h, std::size_t pos, std::size_t n) {
    if (2 * n > slots_.size())
      slots_.clear();
    else
      place(h, pos);
  }
  // The first indexed position with hash h for which match(pos) holds.
  template <class M>
  std::optional<std::size_t> find(std::size_t h, M&& match) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask; slots_[i]; i = (i + 1) & mask)
      if (match(std::size_t{slots_[i] - 1})) return slots_[i] - 1;
    return std::nullopt;
  }

 private:
  void place(std::size_t h, std::size_t pos) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(pos + 1);
  }
  std::vector<std::uint32_t> slots_;  // 1 + position, 0 empty; a power of two
};

}  // namespace fol
