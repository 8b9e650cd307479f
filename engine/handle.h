// A counted handle to an immutable value: what the engine's lists and tables
// share of a clause, a derivation or a constraint set. The count is a plain
// integer, not an atomic one: the engine runs on one thread, and a
// std::shared_ptr would pay a locked instruction for every copy of a handle,
// which the search makes by the million.
//
//   Shared<Clause<L>> c = share(std::move(clause));   // built first, then frozen
//   Shared<Clause<L>> d = c;                           // one more holder, no copy
#pragma once

#include <cstddef>
#include <utility>

namespace engine {

template <class T>
class Shared {
 public:
  Shared() = default;
  Shared(std::nullptr_t) {}
  Shared(const Shared& o) noexcept : box_(o.box_) {
    if (box_) ++box_->count;
  }
  Shared(Shared&& o) noexcept : box_(std::exchange(o.box_, nullptr)) {}
  Shared& operator=(Shared o) noexcept {
    std::swap(box_, o.box_);
    return *this;
  }
  ~Shared() { release(); }

  const T& operator*() const { return box_->value; }
  const T* operator->() const { return &box_->value; }
  const T* get() const { return box_ ? &box_->value : nullptr; }
  explicit operator bool() const { return box_ != nullptr; }
  std::size_t use_count() const { return box_ ? box_->count : 0; }
  friend bool operator==(const Shared& a, const Shared& b) { return a.box_ == b.box_; }
  friend bool operator==(const Shared& a, std::nullptr_t) { return a.box_ == nullptr; }

  template <class... A>
  static Shared make(A&&... a) {
    Shared s;
    s.box_ = new Box{T(std::forward<A>(a)...), 1};
    return s;
  }

 private:
  struct Box {
    T value;
    std::size_t count;  // holders of this box; it goes with the last
  };
  void release() noexcept {
    if (box_ && --box_->count == 0) delete box_;
    box_ = nullptr;
  }
  Box* box_ = nullptr;
};

// The value, frozen: from here on it is shared, never changed.
template <class T>
Shared<T> share(T value) {
  return Shared<T>::make(std::move(value));
}

}  // namespace engine
