// The first-order logic's small toolkit: sets as sorted lists without
// repetition, and finite partial functions as immutable balanced trees.
// Tree heights follow the rebalancing rules below exactly, because the
// height of a solved unifier is part of every resolvent's weight.
//
//   Fpf<std::string, Term> s;  s = s.add("x", t);  const Term* v = s.find("x");
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/errors.h"

namespace fol {

// ---- Lists and sets ----

template <class T>
std::vector<std::pair<T, T>> zip(const std::vector<T>& a, const std::vector<T>& b) {
  if (a.size() != b.size()) throw support::Failure("zip");
  std::vector<std::pair<T, T>> r;
  r.reserve(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) r.emplace_back(a[i], b[i]);
  return r;
}

// Merges two lists: the head of `a` goes first when ord(head a, head b).
template <class T, class Ord>
std::vector<T> merge(Ord ord, const std::vector<T>& a, const std::vector<T>& b) {
  std::vector<T> r;
  r.reserve(a.size() + b.size());
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (ord(a[i], b[j]))
      r.push_back(a[i++]);
    else
      r.push_back(b[j++]);
  }
  while (i < a.size()) r.push_back(a[i++]);
  while (j < b.size()) r.push_back(b[j++]);
  return r;
}

// Bottom-up merge sort by passes; merged runs are pushed on the front of the
// pass's output, so the run order reverses between passes.
template <class T, class Ord>
std::vector<T> sort(Ord ord, const std::vector<T>& l) {
  if (l.empty()) return {};
  std::vector<std::vector<T>> pending;  // runs still to merge, front first
  for (const T& x : l) pending.push_back({x});
  std::vector<std::vector<T>> done;  // stored back-to-front: back() is the front
  std::size_t p = 0;
  while (true) {
    if (p == pending.size()) {
      if (done.size() == 1) return std::move(done.front());
      pending.assign(std::make_move_iterator(done.rbegin()), std::make_move_iterator(done.rend()));
      done.clear();
      p = 0;
    } else if (p + 1 == pending.size()) {
      done.push_back(std::move(pending[p]));
      pending.assign(std::make_move_iterator(done.rbegin()), std::make_move_iterator(done.rend()));
      done.clear();
      p = 0;
    } else {
      done.push_back(merge(ord, pending[p], pending[p + 1]));
      p += 2;
    }
  }
}

template <class T>
std::vector<T> uniq(const std::vector<T>& l) {
  std::vector<T> r;
  for (std::size_t i = 0; i < l.size(); ++i)
    if (i + 1 == l.size() || !(l[i] == l[i + 1])) r.push_back(l[i]);
  return r;
}

template <class T>
bool canonical(const std::vector<T>& l) {
  for (std::size_t i = 0; i + 1 < l.size(); ++i)
    if (!(l[i] < l[i + 1])) return false;
  return true;
}

template <class T>
std::vector<T> setify(const std::vector<T>& l) {
  if (canonical(l)) return l;
  return uniq(sort([](const T& a, const T& b) { return !(b < a); }, l));
}

template <class T>
std::vector<T> set_union(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  r.reserve(a.size() + b.size());
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

template <class T>
std::vector<T> intersect(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

template <class T>
std::vector<T> subtract(const std::vector<T>& a0, const std::vector<T>& b0) {
  const std::vector<T> a = setify(a0), b = setify(b0);
  std::vector<T> r;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
  return r;
}

// ---- Finite partial functions ----

// An immutable balanced search tree; sibling heights differ by at most 2.
// Every update returns a new tree sharing the untouched subtrees.
template <class K, class V>
class Fpf {
  struct Node;
  using Ptr = std::shared_ptr<const Node>;
  struct Node {
    Ptr l;
    K k;
    V v;
    Ptr r;
    int h;  // 1 + max(height l, height r)
  };

 public:
  Fpf() = default;

  bool empty() const { return !root_; }
  int height() const { return h(root_); }

  // `add` (also `valmod`): k bound to v, replacing an old binding.
  Fpf add(const K& k, const V& v) const { return Fpf(add(root_, k, v)); }
  // `remove` (also `undefine`): without k (same tree when k is unbound).
  Fpf remove(const K& k) const { return defined(k) ? Fpf(remove(root_, k)) : *this; }

  // The value of k, or nullptr when unbound (the pointer lives as long as the tree).
  const V* find(const K& k) const {
    const Node* n = root_.get();
    while (n) {
      if (k < n->k)
        n = n->l.get();
      else if (n->k < k)
        n = n->r.get();
      else
        return &n->v;
    }
    return nullptr;
  }
  bool defined(const K& k) const { return find(k) != nullptr; }
  // `apply`: the value of k; throws support::Failure("apply") when unbound.
  const V& apply(const K& k) const {
    const V* v = find(k);
    if (!v) throw support::Failure("apply");
    return *v;
  }
  V tryapplyd(const K& k, const V& d) const {
    const V* v = find(k);
    return v ? *v : d;
  }

  // Calls g(key, value) on every binding from the smallest key up (the same
  // order that folding from the largest key down and consing yields).
  template <class G>
  void for_each(G&& g) const {
    std::vector<const Node*> stack;
    const Node* n = root_.get();
    while (n || !stack.empty()) {
      while (n) {
        stack.push_back(n);
        n = n->l.get();
      }
      n = stack.back();
      stack.pop_back();
      g(n->k, n->v);
      n = n->r.get();
    }
  }
  // `fold` g f acc: g key value acc on every binding, largest key first.
  template <class A, class G>
  A fold(G&& g, A acc) const {
    std::vector<std::pair<const K*, const V*>> all;
    for_each([&](const K& k, const V& v) { all.emplace_back(&k, &v); });
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      acc = g(*it->first, *it->second, std::move(acc));
    return acc;
  }
  std::vector<K> dom() const {
    std::vector<K> r;
    for_each([&](const K& k, const V&) { r.push_back(k); });
    return r;
  }
  std::vector<std::pair<K, V>> funset() const {
    std::vector<std::pair<K, V>> r;
    for_each([&](const K& k, const V& v) { r.emplace_back(k, v); });
    return r;
  }

 private:
  explicit Fpf(Ptr root) : root_(std::move(root)) {}
  static int h(const Ptr& p) { return p ? p->h : 0; }
  static Ptr node(Ptr l, const K& k, const V& v, Ptr r) {
    int hh = 1 + std::max(h(l), h(r));
    return std::make_shared<const Node>(Node{std::move(l), k, v, std::move(r), hh});
  }
  static Ptr rebalance(Ptr l, const K& k, const V& v, Ptr r) {
    int hl = h(l), hr = h(r);
    if (hl > hr + 2) {
      if (h(l->l) >= h(l->r)) return node(l->l, l->k, l->v, node(l->r, k, v, std::move(r)));
      const Node& lr = *l->r;
      return node(node(l->l, l->k, l->v, lr.l), lr.k, lr.v, node(lr.r, k, v, std::move(r)));
    }
    if (hr > hl + 2) {
      if (h(r->r) >= h(r->l)) return node(node(std::move(l), k, v, r->l), r->k, r->v, r->r);
      const Node& rl = *r->l;
      return node(node(std::move(l), k, v, rl.l), rl.k, rl.v, node(rl.r, r->k, r->v, r->r));
    }
    return node(std::move(l), k, v, std::move(r));
  }
  static Ptr add(const Ptr& t, const K& k, const V& v) {
    if (!t) return node(nullptr, k, v, nullptr);
    if (k < t->k) return rebalance(add(t->l, k, v), t->k, t->v, t->r);
    if (t->k < k) return rebalance(t->l, t->k, t->v, add(t->r, k, v));
    return std::make_shared<const Node>(Node{t->l, k, v, t->r, t->h});
  }
  static Ptr join(const Ptr& l, const Ptr& r) {
    if (!l) return r;
    if (!r) return l;
    return rebalance(l->l, l->k, l->v, rebalance(join(l->r, r->l), r->k, r->v, r->r));
  }
  static Ptr remove(const Ptr& t, const K& k) {
    if (!t) return t;
    if (k < t->k) return rebalance(remove(t->l, k), t->k, t->v, t->r);
    if (t->k < k) return rebalance(t->l, t->k, t->v, remove(t->r, k));
    return join(t->l, t->r);
  }

  Ptr root_;
};

}  // namespace fol
