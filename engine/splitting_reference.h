// The split-tree functions in their plain form: `add` then `simpltree`, one
// walk each, and `test_insat` over a list of clauses. The engine records a
// clause with `split_add`, which does both in one walk (add_simplified);
// these forms check it. Only tests include this header.
#pragma once

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "engine/splitting.h"
#include "engine/test_access.h"

namespace engine::reference {

// (l without the first literal named n, that literal); nullopt for "not mem".
inline std::optional<std::pair<std::vector<SplitLit>, SplitLit>> mem_remove(
    int n, const std::vector<SplitLit>& l) {
  auto it = std::find_if(l.begin(), l.end(), [n](const SplitLit& x) { return x.first == n; });
  if (it == l.end()) return std::nullopt;
  std::vector<SplitLit> rest(l.begin(), it);
  rest.insert(rest.end(), it + 1, l.end());
  return std::make_pair(std::move(rest), *it);
}

// Records the clause l: every combination of cases in which all its
// literals hold becomes refuted. The nodes are s's shared ones.
inline SplitTreePtr add(Splitting& s, const std::vector<SplitLit>& l, const SplitTreePtr& t) {
  if (l.empty()) return s.leaf(false);
  if (t->is_leaf) {
    if (!t->open) return t;
    SplitTreePtr chain = s.leaf(false);
    for (auto it = l.rbegin(); it != l.rend(); ++it) {
      if (it->second)
        chain = TestAccess::make_node(s, it->first, s.leaf(true), chain);
      else
        chain = TestAccess::make_node(s, it->first, chain, s.leaf(true));
    }
    return chain;
  }
  auto found = mem_remove(t->name, l);
  if (!found) return TestAccess::make_node(s, t->name, add(s, l, t->left), add(s, l, t->right));
  if (found->second.second)
    return TestAccess::make_node(s, t->name, t->left, add(s, found->first, t->right));
  return TestAccess::make_node(s, t->name, add(s, found->first, t->left), t->right);
}

// No node over two closed leaves.
inline SplitTreePtr simpltree(Splitting& s, const SplitTreePtr& t) {
  if (t->is_leaf) return s.leaf(t->open);
  SplitTreePtr l = simpltree(s, t->left);
  SplitTreePtr r = simpltree(s, t->right);
  if (l->is_leaf && !l->open && r->is_leaf && !r->open) return s.leaf(false);
  return TestAccess::make_node(s, t->name, std::move(l), std::move(r));
}

// The clauses recorded shortest first (equal lengths in their given order)
// into a fresh tree; nullopt at the first clause that refutes every case.
inline std::optional<SplitTreePtr> test_insat(Splitting& s,
                                              const std::vector<std::vector<SplitLit>>& ls) {
  std::vector<const std::vector<SplitLit>*> sorted;
  for (const auto& l : ls) sorted.push_back(&l);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto* a, const auto* b) { return a->size() < b->size(); });
  SplitTreePtr t = s.leaf(true);
  for (const auto* l : sorted) {
    t = simpltree(s, add(s, *l, t));
    if (t->is_leaf && !t->open) return std::nullopt;
  }
  return t;
}

}  // namespace engine::reference
