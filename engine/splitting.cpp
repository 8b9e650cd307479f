// Split-literal names and the split tree.
#include "engine/splitting.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

#include "support/printer.h"
#include "support/signals.h"

namespace engine {

namespace {
struct NodeKey {
  int name;
  std::uint64_t left, right;
  bool operator==(const NodeKey&) const = default;
};
struct NodeKeyHash {
  std::size_t operator()(const NodeKey& k) const {
    std::uint64_t h = static_cast<std::uint32_t>(k.name);
    h = h * 0x9E3779B97F4A7C15ULL ^ k.left;
    h = h * 0x9E3779B97F4A7C15ULL ^ k.right;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};
// The live nodes by key; looked up, never iterated. A node takes its entry
// out when it goes. Never freed: nodes may outlive every other static.
using NodeTable = std::unordered_map<NodeKey, std::weak_ptr<const SplitTree>, NodeKeyHash>;
NodeTable& node_table() {
  static NodeTable* table = new NodeTable;
  return *table;
}
std::uint64_t next_node_id = 2;

NodeKey key_of(int name, const SplitTreePtr& left, const SplitTreePtr& right) {
  // The two leaves are told apart by their flag; nodes by their id.
  auto id = [](const SplitTreePtr& t) -> std::uint64_t { return t->is_leaf ? (t->open ? 1 : 0) : t->id; };
  return NodeKey{name, id(left), id(right)};
}

SplitTreePtr make_node(int name, SplitTreePtr left, SplitTreePtr right) {
  NodeKey key = key_of(name, left, right);
  auto& table = node_table();
  auto it = table.find(key);
  if (it != table.end())
    if (SplitTreePtr t = it->second.lock()) return t;
  auto t = std::make_shared<const SplitTree>(
      SplitTree{false, false, name, std::move(left), std::move(right), next_node_id++});
  table.insert_or_assign(key, t);
  return t;
}
}  // namespace

SplitTree::~SplitTree() {
  if (is_leaf || id == 0 || !left || !right) return;
  auto& table = node_table();
  auto it = table.find(key_of(name, left, right));
  if (it != table.end() && it->second.expired()) table.erase(it);
}

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
// rebuilt node is simplified as it is made. A shared subtree met again with
// the same literals left gives the same result, remembered in `memo`. With
// `ticks`, it checks for a stop request every 1024 nodes and gives up with
// SplitStopped (nothing changed).
using AddMemo = std::map<std::pair<std::uint64_t, std::vector<SplitLit>>, SplitTreePtr>;
SplitTreePtr add_simplified(const std::vector<SplitLit>& l, const SplitTreePtr& t,
                            unsigned* ticks, AddMemo& memo) {
  if (ticks && (++*ticks & 1023u) == 0 && support::poll() != support::Stop::None)
    throw SplitStopped{};
  if (l.empty() || t->is_leaf) return Splitting::add(l, t);  // a chain is simplified
  std::pair<std::uint64_t, std::vector<SplitLit>> key;
  if (t->id != 0) {
    key = {t->id, l};
    if (auto it = memo.find(key); it != memo.end()) return it->second;
  }
  auto node = [&t](SplitTreePtr a, SplitTreePtr b) {
    if (a->is_leaf && !a->open && b->is_leaf && !b->open) return Splitting::leaf(false);
    if (a == t->left && b == t->right) return t;
    return make_node(t->name, std::move(a), std::move(b));
  };
  SplitTreePtr r;
  auto found = Splitting::mem_remove(t->name, l);
  if (!found) {
    SplitTreePtr a = add_simplified(l, t->left, ticks, memo);
    r = node(std::move(a), add_simplified(l, t->right, ticks, memo));
  } else if (found->second.second) {
    r = node(t->left, add_simplified(found->first, t->right, ticks, memo));
  } else {
    r = node(add_simplified(found->first, t->left, ticks, memo), t->right);
  }
  if (t->id != 0) memo.emplace(std::move(key), r);
  return r;
}
}  // namespace

void Splitting::split_add(const std::vector<SplitLit>& l) {
  AddMemo memo;
  SplitTreePtr t = add_simplified(l, tree_, nullptr, memo);
  if (t->is_leaf && !t->open) throw Insat{};
  graveyard_.push_back(std::move(tree_));
  tree_ = std::move(t);
  release(false);
}

void Splitting::split_add_polled(const std::vector<SplitLit>& l) {
  unsigned ticks = 0;
  AddMemo memo;
  SplitTreePtr t = add_simplified(l, tree_, &ticks, memo);
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
