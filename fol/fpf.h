// Finite partial functions as immutable balanced trees. Tree heights
// follow the rebalancing rules below exactly, because the height of a
// solved unifier is part of every resolvent's weight.
//
//   Fpf<std::string, Term> s;  s = s.add("x", t);  const Term* v = s.find("x");
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fol/buffers.h"
#include "support/errors.h"
#include "support/signals.h"

namespace fol {

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

// The height of the Fpf made by adding n distinct keys to the empty one,
// key 0 first; before(i, j) tells whether key i is smaller than key j. The
// tree's shape follows Fpf::add exactly, in place on index nodes: only the
// height is wanted, so no key, value or shared node is made.
template <class Before>
int fpf_insertion_height(std::size_t n, Before before) {
  struct Node {
    int l = -1, r = -1, h = 1;
  };
  SmallVec<Node, 32> t;
  for (std::size_t i = 0; i < n; ++i) t.emplace_back();
  auto h = [&](int i) { return i < 0 ? 0 : t[static_cast<std::size_t>(i)].h; };
  auto at = [&](int i) -> Node& { return t[static_cast<std::size_t>(i)]; };
  auto fix = [&](int i) { at(i).h = 1 + std::max(h(at(i).l), h(at(i).r)); };
  // Fpf::rebalance on node i, whose subtrees are already in place.
  auto rebalance = [&](int i) {
    const int l = at(i).l, r = at(i).r;
    if (h(l) > h(r) + 2) {
      if (h(at(l).l) >= h(at(l).r)) {
        at(i).l = at(l).r;
        fix(i);
        at(l).r = i;
        fix(l);
        return l;
      }
      const int lr = at(l).r;
      at(l).r = at(lr).l;
      fix(l);
      at(i).l = at(lr).r;
      fix(i);
      at(lr).l = l;
      at(lr).r = i;
      fix(lr);
      return lr;
    }
    if (h(r) > h(l) + 2) {
      if (h(at(r).r) >= h(at(r).l)) {
        at(i).r = at(r).l;
        fix(i);
        at(r).l = i;
        fix(r);
        return r;
      }
      const int rl = at(r).l;
      at(r).l = at(rl).r;
      fix(r);
      at(i).r = at(rl).l;
      fix(i);
      at(rl).r = r;
      at(rl).l = i;
      fix(rl);
      return rl;
    }
    fix(i);
    return i;
  };
  // Fpf::add of key k below node i (a tree of height O(log n)).
  auto add = [&](auto& self, int i, int k) -> int {
    if (i < 0) return k;
    if (before(k, i))
      at(i).l = self(self, at(i).l, k);
    else
      at(i).r = self(self, at(i).r, k);
    return rebalance(i);
  };
  int root = -1;
  for (std::size_t k = 0; k < n; ++k) {
    support::stop_tick();  // a unifier can have as many bindings as a line has variables
    root = add(add, root, static_cast<int>(k));
  }
  return h(root);
}

}  // namespace fol
