// Split-literal names and the split tree.
#include "engine/splitting.h"

#include <algorithm>
#include <string>

#include "support/printer.h"
#include "support/signals.h"

namespace engine {

namespace {
SplitTreePtr make_node(int name, SplitTreePtr left, SplitTreePtr right) {
  return std::make_shared<const SplitTree>(
      SplitTree{false, false, name, std::move(left), std::move(right)});
}
}  // namespace

// The two leaves are immutable and shared by every tree.
SplitTreePtr Splitting::leaf(bool open) {
  static const SplitTreePtr open_leaf =
      std::make_shared<const SplitTree>(SplitTree{true, true, 0, nullptr, nullptr});
  static const SplitTreePtr closed_leaf =
      std::make_shared<const SplitTree>(SplitTree{true, false, 0, nullptr, nullptr});
  return open ? open_leaf : closed_leaf;
}

Splitting::Splitting() : tree_(leaf(true)) {}

void Splitting::print_litname(int n) { support::pp().print_string("sp" + std::to_string(n)); }

void Splitting::init_lit_state() {
  graveyard_.push_back(std::move(tree_));
  release(false);
  tree_ = leaf(true);
  counter_ = 0;
}

std::optional<std::pair<std::vector<SplitLit>, SplitLit>> Splitting::mem_remove(
    int n, const std::vector<SplitLit>& l) {
  auto it = std::find_if(l.begin(), l.end(), [n](const SplitLit& x) { return x.first == n; });
  if (it == l.end()) return std::nullopt;
  std::vector<SplitLit> rest;
  rest.reserve(l.size() - 1);
  rest.insert(rest.end(), l.begin(), it);
  rest.insert(rest.end(), it + 1, l.end());
  return std::make_pair(std::move(rest), *it);
}

// Records the clause l (made of split literals only): every combination of
// cases in which all its literals hold becomes refuted. Recursion depth is
// bounded by the tree's depth, at most one level per split name.
SplitTreePtr Splitting::add(const std::vector<SplitLit>& l, const SplitTreePtr& t) {
  if (l.empty()) return leaf(false);
  if (t->is_leaf) {
    if (!t->open) return t;
    SplitTreePtr chain = leaf(false);
    for (auto it = l.rbegin(); it != l.rend(); ++it) {
      if (it->second)
        chain = make_node(it->first, leaf(true), chain);
      else
        chain = make_node(it->first, chain, leaf(true));
    }
    return chain;
  }
  auto found = mem_remove(t->name, l);
  if (!found) return make_node(t->name, add(l, t->left), add(l, t->right));
  if (found->second.second) return make_node(t->name, t->left, add(found->first, t->right));
  return make_node(t->name, add(found->first, t->left), t->right);
}

SplitTreePtr Splitting::simpltree(const SplitTreePtr& t) {
  if (t->is_leaf) return leaf(t->open);
  SplitTreePtr l = simpltree(t->left);
  SplitTreePtr r = simpltree(t->right);
  if (l->is_leaf && !l->open && r->is_leaf && !r->open) return leaf(false);
  return make_node(t->name, std::move(l), std::move(r));
}

namespace {
// simpltree (add l t) in one walk, for a simplified t: the subtrees the clause
// does not reach are simplified already and are kept as they are, and each
// rebuilt node is simplified as it is made. With `ticks`, it checks for a stop
// request every 1024 nodes and gives up with SplitStopped (nothing changed).
SplitTreePtr add_simplified(const std::vector<SplitLit>& l, const SplitTreePtr& t,
                            unsigned* ticks) {
  if (ticks && (++*ticks & 1023u) == 0 && support::poll() != support::Stop::None)
    throw SplitStopped{};
  if (l.empty() || t->is_leaf) return Splitting::add(l, t);  // a chain is simplified
  auto node = [&t](SplitTreePtr a, SplitTreePtr b) {
    if (a->is_leaf && !a->open && b->is_leaf && !b->open) return Splitting::leaf(false);
    if (a == t->left && b == t->right) return t;
    return make_node(t->name, std::move(a), std::move(b));
  };
  auto found = Splitting::mem_remove(t->name, l);
  if (!found) return node(add_simplified(l, t->left, ticks), add_simplified(l, t->right, ticks));
  if (found->second.second) return node(t->left, add_simplified(found->first, t->right, ticks));
  return node(add_simplified(found->first, t->left, ticks), t->right);
}
}  // namespace

void Splitting::split_add(const std::vector<SplitLit>& l) {
  SplitTreePtr t = add_simplified(l, tree_, nullptr);
  if (t->is_leaf && !t->open) throw Insat{};
  graveyard_.push_back(std::move(tree_));
  tree_ = std::move(t);
  release(false);
}

void Splitting::split_add_polled(const std::vector<SplitLit>& l) {
  unsigned ticks = 0;
  SplitTreePtr t = add_simplified(l, tree_, &ticks);
  if (t->is_leaf && !t->open) throw Insat{};
  graveyard_.push_back(std::move(tree_));
  tree_ = std::move(t);
  release(true);
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

SplitTreePtr Splitting::test_insat(const std::vector<std::vector<SplitLit>>& ls) {
  std::vector<const std::vector<SplitLit>*> sorted;
  sorted.reserve(ls.size());
  for (const auto& l : ls) sorted.push_back(&l);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto* a, const auto* b) { return a->size() < b->size(); });
  SplitTreePtr t = leaf(true);
  for (const auto* l : sorted) {
    t = simpltree(add(*l, t));
    if (t->is_leaf && !t->open) throw Insat{};
  }
  return t;
}

}  // namespace engine
